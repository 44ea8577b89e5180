// Token scanner for the run's input files: whitespace-separated numbers read
// strictly, through one static buffer, without allocation or locale.
//
// Whitespace is space, tab, CR, LF, VT and FF. An integer token is an
// optional sign and decimal digits that fit a signed 32-bit value. A real
// token is an optional sign, digits with an optional point (at least one
// digit) and an optional exponent; it must convert to a finite double.
// Only one file is open at a time (the input stream fp1).
#pragma once

#include <cstddef>
#include <cstdint>

#include "input/failure.h"

enum class Tok {
  Ok,    // a token of the requested kind was read
  End,   // end of file before any token
  Bad,   // a token that is not of the requested kind (see TokFail)
  Error  // the file could not be read (see TokFail)
};

// Opens `path` for reading and resets the line count. On failure fills
// `failure` (path, errno) and returns false.
bool TokOpen(const char* path, Failure* failure);

// Closes the open file, if any.
void TokClose();

// Reads the next token as a signed 32-bit integer.
Tok TokInt(int32_t* value);

// Reads the next token as a double, correctly rounded.
Tok TokReal(double* value);

// Reads past the next token, checking that it is a valid real token without
// storing it. Cheaper than TokReal.
Tok TokSkipReal();

// Reads past the next `n` tokens as TokSkipReal does, in one call; stops at
// the first that is not Ok and returns its result (TokLine and TokFail then
// describe it). Returns Tok::Ok when n <= 0.
Tok TokSkipReals(int64_t n);

// Line number (from 1) of the latest token, or of the end of file.
int TokLine();

// Fills `failure` for `path` with the latest token (its line and printable
// text) and `message`, or, when `message` is nullptr, the reason why the token
// was bad. For Tok::Error: the read failure and its errno.
void TokFail(Tok result, const char* path, const char* message, Failure* failure);

// Checks a whole token held in memory. Used by the scanner and its tests.
bool TokIsInt(const char* text, size_t len, int32_t* value);
bool TokIsReal(const char* text, size_t len, double* value);
bool TokIsRealSyntax(const char* text, size_t len);
