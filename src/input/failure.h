// What a reader reports when it cannot go on: which file, where, what.
// Readers fill a Failure and return false; only the driver prints it.
#pragma once

// Longest token text kept for a message; longer tokens are cut with "...".
constexpr int kFailureTokenCap = 48;

struct Failure {
  const char* path = nullptr;          // file concerned, or nullptr
  int line = 0;                        // 1-based line of the token; 0: none
  char token[kFailureTokenCap] = {};   // printable copy of the token; empty: none
  const char* message = "";            // what went wrong, without path or token
  int syserr = 0;                      // errno of a file operation; 0: none
  int status = 1;                      // exit status the run should end with
};
