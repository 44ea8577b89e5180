// Fuzz target for the init file reader: the input is written to a file and
// read with ReadInitFile. The verdict, kmax, and the line of a failure must
// match a reading of the same tokens by the reference rules: n, n reals, the
// thirteen fixed fields (real, integer, integer, real, real, integer, seven
// reals), kmax.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "input/initfile.h"

namespace {

struct Expected {
  bool ok = false;
  int32_t kmax = 0;
  int line = 0;  // of the failing token, or of the end of file
};

Expected Reference(const uint8_t* data, size_t size) {
  int endline = 1;
  const std::vector<RefToken> tokens = RefSplit(data, size, &endline);
  Expected e;
  size_t next = 0;
  // Reads one token of the given kind; false ends the reading with e.line set.
  auto take = [&](bool integer, int32_t* value) {
    if (next == tokens.size()) {
      e.line = endline;
      return false;
    }
    const RefToken& t = tokens[next++];
    double real = 0.0;
    int32_t dummy = 0;
    bool ok = integer ? RefIsInt(t.text, value != nullptr ? value : &dummy) : RefIsReal(t.text, &real);
    if (!ok) e.line = t.line;
    return ok;
  };
  int32_t n = 0;
  if (!take(true, &n)) return e;
  for (int32_t i = 1; i <= n; ++i)
    if (!take(false, nullptr)) return e;
  const bool fixedisint[13] = {false, true, true, false, false, true, false,
                               false, false, false, false, false, false};
  for (bool isint : fixedisint)
    if (!take(isint, nullptr)) return e;
  if (!take(true, &e.kmax)) return e;
  e.ok = true;
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = FuzzPath("Init.d");
  FuzzWrite(path, data, size);
  int32_t kmax = -12345;
  Failure failure;
  const bool ok = ReadInitFile(path.c_str(), &kmax, &failure);
  const Expected e = Reference(data, size);
  FUZZ_CHECK(ok == e.ok);
  if (ok) {
    FUZZ_CHECK(kmax == e.kmax);
  } else {
    FUZZ_CHECK(failure.path != nullptr && path == failure.path);
    FUZZ_CHECK(failure.line == e.line);
    FUZZ_CHECK(failure.status == 1);
    FUZZ_CHECK(failure.message != nullptr && failure.message[0] != '\0');
    FUZZ_CHECK(PrintableToken(failure.token, sizeof failure.token));
  }
  return 0;
}
