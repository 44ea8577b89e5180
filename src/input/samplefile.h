// Sample file reader and sample store. A pass reads the whole sample file
// and keeps the sweeps of one component count in the static store.
//
// Store capacity: 12 components (rows 1..36) and 209,999 sweeps (columns
// 1..209,999); row 0 and column 0 hold no data. A pass that would exceed
// either is a failure, not a silent overflow.
#pragma once

#include <cstdint>

#include "input/capacity.h"
#include "input/failure.h"

extern double xorig[kStoreRows][kStoreCols];  // parameter j of sweep i at [j][i]
extern double yorig[kStoreCols];              // weight of sweep i
extern int32_t numobsns0;                     // sweeps selected by the latest pass

// A last record that ends before its values do (a cut-off file). Such a
// record is not a sweep; the pass reports it here so that the caller can warn.
struct ShortRecord {
  bool seen = false;
  int line = 0;    // line of the record's count
  int32_t count = 0;
};

// One pass over the sample file at `path` for component count `numcomps`:
// stores the sweeps of exactly that count, sets their weights to 1/N and
// numobsns0 to N, and prints the sweep-count line. Returns false and fills
// `failure` on an unreadable file, a bad token or a store overflow; a cut-off
// last record is noted in `shortrecord` and is no failure.
bool SamplePass(const char* path, int32_t numcomps, ShortRecord* shortrecord, Failure* failure);
