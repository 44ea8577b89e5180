// Build constants of a deliverable. parhistos50 and parhistos40 are the same
// source built with a different bin count; test builds shorten the pause.
#pragma once

#include <cstdint>

#if !defined(PARHISTOS_NUMINTVLS) || !defined(PARHISTOS_PAUSE_TICKS)
#error "build with PARHISTOS_NUMINTVLS and PARHISTOS_PAUSE_TICKS defined"
#endif

// Bins per histogram; the frequency table provides bins 1..499.
constexpr int32_t numintvls = PARHISTOS_NUMINTVLS;
static_assert(numintvls >= 1 && numintvls <= 499);

// Length of the final pause in clock ticks (milliseconds): 2000, two seconds.
constexpr double kPauseTicks = PARHISTOS_PAUSE_TICKS;

// Longest data folder name: 19 characters fill the name buffer and, with
// "/ParHistos.d", the output path buffer.
constexpr int kMaxFolderName = 19;
