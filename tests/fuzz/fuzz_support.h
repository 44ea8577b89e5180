// Shared pieces of the fuzz targets: a temporary input file, and a plain
// reference reading of the token rules (written apart from the scanner, on
// strtod and digit counting) that the targets compare the readers against.
// Any disagreement or bad value aborts, which libFuzzer reports as a crash.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Aborts with a message when `ok` is false.
#define FUZZ_CHECK(ok)                                                          \
  do {                                                                          \
    if (!(ok)) {                                                                \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #ok); \
      std::abort();                                                             \
    }                                                                           \
  } while (0)

// A file of this process under the temporary folder, rewritten per input.
inline const std::string& FuzzPath(const char* name) {
  static std::string path;
  if (path.empty()) {
    const char* dir = std::getenv("TMPDIR");
    path = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/ph-fuzz-" +
           std::to_string(getpid()) + "-" + name;
  }
  return path;
}

// Writes `pad` spaces and then the input bytes to `path`.
inline void FuzzWrite(const std::string& path, const uint8_t* data, size_t size, size_t pad = 0) {
  FILE* f = std::fopen(path.c_str(), "wb");
  FUZZ_CHECK(f != nullptr);
  static const std::string spaces(4096, ' ');
  for (size_t left = pad; left > 0;) {
    size_t n = left < spaces.size() ? left : spaces.size();
    FUZZ_CHECK(std::fwrite(spaces.data(), 1, n, f) == n);
    left -= n;
  }
  FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
  FUZZ_CHECK(std::fclose(f) == 0);
}

struct RefToken {
  std::string text;  // may hold NUL bytes: only whitespace ends a token
  int line = 1;      // 1-based line of its first byte
};

inline bool RefIsSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The tokens of a file, and the line at which its end lies.
inline std::vector<RefToken> RefSplit(const uint8_t* data, size_t size, int* endline) {
  std::vector<RefToken> tokens;
  int line = 1;
  size_t i = 0;
  while (i < size) {
    if (RefIsSpace(data[i])) {
      line += data[i] == '\n';
      ++i;
      continue;
    }
    RefToken t;
    t.line = line;
    while (i < size && !RefIsSpace(data[i])) t.text.push_back(static_cast<char>(data[i++]));
    tokens.push_back(t);
  }
  *endline = line;
  return tokens;
}

// Integer token: optional sign, decimal digits, value within 32 bits.
inline bool RefIsInt(const std::string& s, int32_t* value) {
  size_t i = s.size() > 0 && (s[0] == '+' || s[0] == '-') ? 1 : 0;
  if (i == s.size()) return false;
  for (size_t j = i; j < s.size(); ++j)
    if (s[j] < '0' || s[j] > '9') return false;
  while (i + 1 < s.size() && s[i] == '0') ++i;  // leading zeros do not count
  if (s.size() - i > 10) return false;
  long long v = std::strtoll(s.c_str() + i, nullptr, 10);
  if (s[0] == '-') v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

// Real token: [sign] (digits [. [digits]] | . digits) [(e|E) [sign] digits],
// converted by strtod (correctly rounded) and finite. A value too small for
// a double becomes zero, as strtod makes it.
inline bool RefIsReal(const std::string& s, double* value) {
  size_t i = 0, n = s.size();
  if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
  size_t before = 0, after = 0;
  while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++before;
  if (i < n && s[i] == '.') {
    ++i;
    while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++after;
  }
  if (before + after == 0) return false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expdigits = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++expdigits;
    if (expdigits == 0) return false;
  }
  if (i != n) return false;
  char* stop = nullptr;
  double v = std::strtod(s.c_str(), &stop);
  FUZZ_CHECK(stop == s.c_str() + n);
  if (!std::isfinite(v)) return false;
  *value = v;
  return true;
}

// The same double, bit for bit (the sign of a zero counts).
inline bool SameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A token copy in a failure is printable ASCII and never cut mid-escape.
inline bool PrintableToken(const char* text, size_t cap) {
  size_t len = strnlen(text, cap);
  if (len == cap) return false;
  for (size_t i = 0; i < len; ++i)
    if (text[i] < 0x20 || text[i] >= 0x7f) return false;
  return true;
}
