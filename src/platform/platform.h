// Platform layer: the only code that talks to the operating system directly.
// Key press, millisecond clock, replacing a file by a finished one, and the
// clean-up that must happen when the user interrupts the run.
// POSIX and Windows implementations live in platform.cpp.
#pragma once

// Prepares the process: floating-point unit state, interrupt handling.
// Call once, first thing in main.
void PlatformInit();

// Waits for one key press without echo and discards it. From a terminal or
// console this is one key, no Enter needed; from a pipe or file it is one
// byte, and end of input (or a read that fails) counts as the key.
void PlatformWaitKey();

// A monotonic clock in milliseconds (1000 ticks per second).
double PlatformClockMs();

// Moves the finished file `from` over `to`, replacing `to` if it exists.
// Returns 0, or the errno-style code of the failure.
int PlatformReplaceFile(const char* from, const char* to);

// Files to delete if the run is interrupted (Ctrl-C, termination): one per
// slot, so that two unfinished files can be pending at once.
constexpr int kCleanupSlots = 2;

// Names the file of `slot` (0 .. kCleanupSlots - 1) to delete on interrupt;
// nullptr clears it. The path must stay valid while it is set.
void PlatformSetCleanupFile(int slot, const char* path);
