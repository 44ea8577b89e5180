// Capacities of the sample store, shared by the readers and the histograms.
// 12 components (parameter rows 1..36) and 209,999 sweeps (columns
// 1..209,999); row 0 and column 0 of every table hold no data.
#pragma once

constexpr int kMaxComps = 12;
constexpr int kStoreRows = 3 * kMaxComps + 1;  // + 1: row 0 is unused
constexpr int kStoreCols = 210000;             // column 0 unused: 209,999 sweeps
static_assert(kStoreRows == 37);
