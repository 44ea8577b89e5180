// Init file reader: takes kmax, the run's largest component count, from the
// init file. Everything before kmax is read past by position and checked
// only for being a token of its kind; whatever follows kmax is never read.
#pragma once

#include <cstdint>

#include "input/failure.h"

// Reads kmax from the init file at `path`. Returns false and fills `failure`
// when the file cannot be opened or read, holds a token of the wrong kind,
// or ends before kmax.
bool ReadInitFile(const char* path, int32_t* kmax, Failure* failure);
