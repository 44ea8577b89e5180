// Text fields of the plot file, built without the C library's printf so the
// bytes are the same on every platform and in every locale.
#pragma once

#include <cstdint>

// Longest field FormatE writes, without the terminator: "-1.234567e-308".
constexpr int kFormatEMax = 14;

// Writes `value` like "%e" but always with three exponent digits:
// "1.305098e+002", "8.000000e-002"; zero (of either sign) is "0.000000e+000".
// Correctly rounded to seven significant digits. Writes a terminator and
// returns the length.
int FormatE(double value, char* out);

// Writes `value` like "%ld" ("%2ld" with width 2: right-aligned, blank-filled).
// Writes a terminator and returns the length.
int FormatInt(int32_t value, int width, char* out);
