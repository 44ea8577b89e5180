// HistoOnly: the histograms of one component count and their plot records.
// The builder fills the frequency table and the per-slot scales for every
// parameter first; the writer then appends one step-polyline record per
// parameter to the plot file fp6.
//
// Capacity: 36 parameters (rows 1..36 of freq) and bin indices up to 499.
// A weight whose bin lies beyond 499, or whose bin position is not a finite
// number, is dropped; a slot whose values span no range counts no weight.
#pragma once

#include <cstdint>
#include <cstdio>

#include "input/capacity.h"

constexpr int kFreqBins = 500;  // bins 0..499; bin 0 never receives weight

extern double freq[kStoreRows][kFreqBins];  // summed weights: parameter j, bin b
extern FILE* fp6;                           // the plot file, opened by the driver

// Builds the histograms of parameters 1..numpars from columns 1..numsweeps
// of the store and appends their numpars plot records to fp6. numintvls must
// lie in 1..499, numpars in 3..36, numsweeps in 1..209,999. Write errors are
// left in fp6's error indicator for the caller to check.
void HistoOnly(const double (*xorig)[kStoreCols], const double* yorig, int32_t numintvls,
               double (*freq)[kFreqBins], int32_t numpars, int32_t numsweeps);
