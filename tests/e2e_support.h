// Helpers for end-to-end tests: run a program in a folder with given
// standard input, and handle files in a temporary folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct RunResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs `exe` with `args` in the folder `cwd`, with `input` as its standard
// input (a file, so end of input is seen after it). Extra environment
// settings may be given as "NAME=value". A `fsizelimit` of 0 or more caps
// the size of every file the program writes (RLIMIT_FSIZE, SIGXFSZ ignored,
// so a write past it fails with EFBIG); its standard output and error are
// files too, so the cap must leave room for them.
RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args,
                     const std::filesystem::path& cwd, const std::string& input = "",
                     const std::vector<std::string>& env = {}, long long fsizelimit = -1);

// A fresh folder under the system's temporary folder, removed afterwards.
struct TempDir {
  std::filesystem::path path;
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);

// Writes a data folder: Init.d holding kmax (with n = 0 and the thirteen
// fixed fields) and 1.Par holding `samples`.
void WriteRun(const std::filesystem::path& folder, int kmax, const std::string& samples);
