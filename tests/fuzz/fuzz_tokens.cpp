// Fuzz target for the token scanner. Arbitrary bytes are checked two ways:
// - in memory: the whole input and each of its whitespace-separated pieces
//   go through TokIsInt, TokIsReal and TokIsRealSyntax, which must agree with
//   each other and with the reference reading (a real is finite, an integer
//   token is a real of the same value, the syntax check gives TokIsReal's
//   verdict);
// - from a file: the input, sometimes behind nearly 1 MiB of blanks so that
//   its tokens straddle the scanner's buffer refill, is scanned with a mix of
//   TokInt, TokReal and TokSkipReal; every token must come out whole, on its
//   line, with the verdict of the reference, and then the end of file.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "input/tokens.h"

namespace {

constexpr size_t kScannerBuffer = size_t{1} << 20;  // the scanner's read buffer

void CheckToken(const char* text, size_t len) {
  const std::string s(text, len);
  int32_t iv = 0, refiv = 0;
  const bool isint = TokIsInt(text, len, &iv);
  FUZZ_CHECK(isint == RefIsInt(s, &refiv));
  if (isint) FUZZ_CHECK(iv == refiv);

  double rv = 0.0, refrv = 0.0;
  const bool isreal = TokIsReal(text, len, &rv);
  FUZZ_CHECK(TokIsRealSyntax(text, len) == isreal);
  FUZZ_CHECK(isreal == RefIsReal(s, &refrv));
  if (isreal) {
    FUZZ_CHECK(std::isfinite(rv));
    FUZZ_CHECK(SameDouble(rv, refrv));
  }
  if (isint) FUZZ_CHECK(isreal && rv == static_cast<double>(iv));
}

// Scans the file and compares every token with the reference.
void CheckScan(const uint8_t* data, size_t size, size_t pad, unsigned mix) {
  int endline = 1;
  const std::vector<RefToken> tokens = RefSplit(data, size, &endline);
  const std::string& path = FuzzPath("tokens");
  FuzzWrite(path, data, size, pad);
  Failure failure;
  FUZZ_CHECK(TokOpen(path.c_str(), &failure));
  for (size_t i = 0; i < tokens.size(); ++i) {
    const RefToken& ref = tokens[i];
    bool expected = false;
    Tok t = Tok::Error;
    switch ((i + mix) % 3) {
      case 0: {
        int32_t v = 0, refv = 0;
        t = TokInt(&v);
        expected = RefIsInt(ref.text, &refv);
        if (t == Tok::Ok) FUZZ_CHECK(v == refv);
        break;
      }
      case 1: {
        double v = 0.0, refv = 0.0;
        t = TokReal(&v);
        expected = RefIsReal(ref.text, &refv);
        if (t == Tok::Ok) FUZZ_CHECK(SameDouble(v, refv));
        break;
      }
      default: {
        double refv = 0.0;
        t = TokSkipReal();
        expected = RefIsReal(ref.text, &refv);
      }
    }
    FUZZ_CHECK(t == (expected ? Tok::Ok : Tok::Bad));
    FUZZ_CHECK(TokLine() == ref.line);
    if (t == Tok::Bad) {
      TokFail(t, path.c_str(), nullptr, &failure);
      FUZZ_CHECK(failure.line == ref.line);
      FUZZ_CHECK(failure.message != nullptr && failure.message[0] != '\0');
      FUZZ_CHECK(PrintableToken(failure.token, sizeof failure.token));
    }
  }
  int32_t v = 0;
  FUZZ_CHECK(TokInt(&v) == Tok::End);
  FUZZ_CHECK(TokLine() == endline);
  FUZZ_CHECK(TokSkipReal() == Tok::End);
  TokClose();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  CheckToken(text, size);
  for (size_t i = 0; i < size;) {  // each piece between whitespace
    size_t j = i;
    while (j < size && !RefIsSpace(data[j])) ++j;
    if (j > i) CheckToken(text + i, j - i);
    i = j + 1;
  }
  // The pad and the mix of reads follow from the input, so a crash replays.
  unsigned hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  size_t pad = 0;
  if (size > 0 && hash % 16 == 0) pad = kScannerBuffer - 1 - (hash >> 4) % size;
  CheckScan(data, size, pad, hash >> 8);
  return 0;
}
