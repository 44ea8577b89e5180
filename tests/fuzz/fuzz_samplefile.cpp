// Fuzz target for the sample pass: the input is written to a file and read
// by SamplePass for the component counts 1, 2, 3 and 13 (above the store's
// 12). Each pass must agree with a reading of the same tokens by the
// reference rules: the failure and its line, the sweep count, every stored
// value bit for bit, the weights, and a last record that ends early.
// Sometimes the file starts with nearly 1 MiB of blanks, so that records
// straddle the scanner's buffer refill. The sweep-count lines go to /dev/null.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "input/samplefile.h"

namespace {

constexpr size_t kScannerBuffer = size_t{1} << 20;  // the scanner's read buffer

struct Expected {
  bool ok = true;
  int line = 0;                       // of a failure
  std::vector<std::vector<double>> sweeps;  // values of the selected sweeps
  ShortRecord shortrecord;
};

Expected Reference(const uint8_t* data, size_t size, int32_t numcomps) {
  int endline = 1;
  const std::vector<RefToken> tokens = RefSplit(data, size, &endline);
  Expected e;
  size_t next = 0;
  int32_t idum = 0;
  if (tokens.empty()) return e;
  if (!RefIsInt(tokens[next++].text, &idum)) {
    e.ok = false;
    e.line = tokens[0].line;
    return e;
  }
  while (next < tokens.size()) {
    const RefToken& count = tokens[next++];
    int32_t k = 0;
    if (!RefIsInt(count.text, &k)) {
      e.ok = false;
      e.line = count.line;
      return e;
    }
    if (k == numcomps && (numcomps > kMaxComps || e.sweeps.size() + 1 >= kStoreCols)) {
      e.ok = false;
      e.line = count.line;
      return e;
    }
    std::vector<double> values;
    for (int64_t n = 3 * int64_t{k > 0 ? k : 0}; n > 0; --n) {
      if (next == tokens.size()) {
        e.shortrecord = ShortRecord{true, count.line, k};
        return e;
      }
      const RefToken& t = tokens[next++];
      double v = 0.0;
      if (!RefIsReal(t.text, &v)) {
        e.ok = false;
        e.line = t.line;
        return e;
      }
      values.push_back(v);
    }
    if (k == numcomps) e.sweeps.push_back(values);
  }
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_CHECK(std::freopen("/dev/null", "w", stdout) != nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The pad follows from the input, so a crash replays; blanks before the
  // header change no token and no line.
  unsigned hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  size_t pad = 0;
  if (size > 0 && hash % 64 == 0) pad = kScannerBuffer - 1 - (hash >> 6) % size;
  const std::string& path = FuzzPath("1.Par");
  FuzzWrite(path, data, size, pad);
  for (int32_t numcomps : {1, 2, 3, 13}) {
    ShortRecord shortrecord;
    Failure failure;
    const bool ok = SamplePass(path.c_str(), numcomps, &shortrecord, &failure);
    const Expected e = Reference(data, size, numcomps);
    FUZZ_CHECK(ok == e.ok);
    if (!ok) {
      FUZZ_CHECK(failure.path != nullptr && path == failure.path);
      FUZZ_CHECK(failure.line == e.line);
      FUZZ_CHECK(failure.message != nullptr && failure.message[0] != '\0');
      FUZZ_CHECK(PrintableToken(failure.token, sizeof failure.token));
      continue;
    }
    FUZZ_CHECK(static_cast<size_t>(numobsns0) == e.sweeps.size());
    FUZZ_CHECK(shortrecord.seen == e.shortrecord.seen);
    if (shortrecord.seen) {
      FUZZ_CHECK(shortrecord.line == e.shortrecord.line);
      FUZZ_CHECK(shortrecord.count == e.shortrecord.count);
    }
    const double weight = numobsns0 > 0 ? static_cast<double>(1.0L / numobsns0) : 0.0;
    for (int32_t i = 1; i <= numobsns0; ++i) {
      FUZZ_CHECK(SameDouble(yorig[i], weight));
      const std::vector<double>& values = e.sweeps[static_cast<size_t>(i - 1)];
      for (int32_t j = 1; j <= 3 * numcomps; ++j)
        FUZZ_CHECK(SameDouble(xorig[j][i], values[static_cast<size_t>(j - 1)]));
    }
  }
  return 0;
}
