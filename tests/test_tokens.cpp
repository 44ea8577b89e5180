// Token rules and the buffered scanner: which texts are integers and reals,
// what they convert to, and how the scanner copes with layout, buffer
// boundaries and bad bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "e2e_support.h"
#include "input/tokens.h"

namespace {

struct IntCase {
  const char* text;
  bool ok;
  int32_t value;
};

TEST(Tokens, Integers) {
  const IntCase cases[] = {
      {"0", true, 0},          {"+5", true, 5},          {"-5", true, -5},
      {"007", true, 7},        {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0}, {"-2147483649", false, 0}, {"99999999999999999999", false, 0},
      {"1.0", false, 0},       {"1e3", false, 0},        {"5.", false, 0},
      {"", false, 0},          {"+", false, 0},          {"-", false, 0},
      {"+-1", false, 0},       {"5x", false, 0},         {"0x10", false, 0},
  };
  for (const IntCase& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t v = -77;
    EXPECT_EQ(TokIsInt(c.text, std::strlen(c.text), &v), c.ok);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
  }
}

struct RealCase {
  const char* text;
  bool ok;
  double value;
};

TEST(Tokens, RealsConvertCorrectlyRoundedAndFinite) {
  const RealCase cases[] = {
      {"+.5", true, 0.5},
      {"5.", true, 5.0},
      {"-1E-3", true, -0.001},
      {"42", true, 42.0},
      {"0.1", true, 0.1},
      {"1e-310", true, 1e-310},                                    // subnormal
      {"1e-400", true, 0.0},                                       // underflows to zero
      {"1.7976931348623157e308", true, 1.7976931348623157e308},   // largest double
      {"0.000000000000000000000000000000e999", true, 0.0},        // zero with any exponent
      {"nan", false, 0}, {"inf", false, 0}, {"-inf", false, 0}, {"infinity", false, 0},
      {"0x10", false, 0}, {"1,5", false, 0}, {"1.5x", false, 0}, {"1e999", false, 0},
      {"1.7976931348623159e308", false, 0},  // rounds up to infinity
      {".", false, 0}, {"e5", false, 0}, {"1e", false, 0}, {"1e+", false, 0},
      {"--1", false, 0}, {"+-1", false, 0}, {"", false, 0}, {"1.5.2", false, 0},
      {"1e5.0", false, 0}, {"1 ", false, 0},
  };
  for (const RealCase& c : cases) {
    SCOPED_TRACE(c.text);
    const size_t len = std::strlen(c.text);
    double v = -77.0;
    EXPECT_EQ(TokIsReal(c.text, len, &v), c.ok);
    EXPECT_EQ(TokIsRealSyntax(c.text, len), c.ok);  // the cheap check agrees
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
  }
  double v = 1.0;
  ASSERT_TRUE(TokIsReal("-1e-400", 7, &v));
  EXPECT_TRUE(v == 0.0 && std::signbit(v));
}

// Writes `text` to a file, opens it and returns the path (kept alive by dir).
std::string OpenText(const TempDir& dir, const std::string& text) {
  std::string path = (dir.path / "f").string();
  WriteFile(path, text);
  Failure f;
  EXPECT_TRUE(TokOpen(path.c_str(), &f));
  return path;
}

TEST(Scanner, AnyWhitespaceSeparatesAndLinesAreCounted) {
  TempDir dir;
  OpenText(dir, "  1\t2\r\n\v3\f\n\n  -4.5e1\r\n5");
  int32_t i = 0;
  double r = 0;
  ASSERT_EQ(TokInt(&i), Tok::Ok);
  EXPECT_EQ(i, 1);
  ASSERT_EQ(TokInt(&i), Tok::Ok);
  EXPECT_EQ(TokLine(), 1);
  ASSERT_EQ(TokSkipReal(), Tok::Ok);
  EXPECT_EQ(TokLine(), 2);
  ASSERT_EQ(TokReal(&r), Tok::Ok);
  EXPECT_EQ(r, -45.0);
  EXPECT_EQ(TokLine(), 4);
  ASSERT_EQ(TokInt(&i), Tok::Ok);
  EXPECT_EQ(i, 5);
  EXPECT_EQ(TokInt(&i), Tok::End);
  TokClose();
}

TEST(Scanner, TokensAcrossBufferRefillsStayWhole) {
  // About 3 MiB of numbers of varying length: many tokens straddle the
  // 1 MiB buffer's end and must still be read whole and in order.
  auto value = [](int n) { return static_cast<int32_t>(int64_t{n} * 7919 % 1000003); };
  std::string text;
  for (int n = 0; n < 400000; ++n) {
    text += std::to_string(value(n));
    text += n % 3 ? ' ' : '\n';
  }
  TempDir dir;
  OpenText(dir, text);
  int32_t v = 0;
  for (int n = 0; n < 400000; ++n) {
    ASSERT_EQ(TokInt(&v), Tok::Ok) << "token " << n;
    ASSERT_EQ(v, value(n)) << "token " << n;
  }
  EXPECT_EQ(TokInt(&v), Tok::End);
  TokClose();
}

// The scanner checks most tokens in place and leaves the rest, among them a
// token cut by the buffer's end, to its general path. Each token here is put
// across the end of the first 1 MiB read at every split point; both paths
// must give the same result, value, line and text.
struct StraddleCase {
  const char* text;
  char reader;  // 'i' TokInt, 'r' TokReal, 's' TokSkipReal, 'b' TokSkipReals(1)
  Tok result;
  double value;  // for Tok::Ok from TokInt or TokReal
};

TEST(Scanner, TokenAcrossTheBufferEndAtEverySplit) {
  const StraddleCase cases[] = {
      {"123456", 'i', Tok::Ok, 123456},     {"-2147483648", 'i', Tok::Ok, INT32_MIN},
      {"2147483648", 'i', Tok::Bad, 0},     {"12.5", 'i', Tok::Bad, 0},
      {"-12.500", 'r', Tok::Ok, -12.5},     {"+.5e-3", 'r', Tok::Ok, 0.0005},
      {"1e-400", 'r', Tok::Ok, 0.0},        {"12.3x", 'r', Tok::Bad, 0},
      {"1.5e300", 's', Tok::Ok, 0},         {"1e999", 's', Tok::Bad, 0},
      {"5.", 's', Tok::Ok, 0},              {".", 's', Tok::Bad, 0},
      {"-12.500", 'b', Tok::Ok, 0},         {"1.5e300", 'b', Tok::Ok, 0},
      {"12.3x", 'b', Tok::Bad, 0},          {"1e999", 'b', Tok::Bad, 0},
  };
  constexpr size_t kBuf = size_t{1} << 20;
  std::string padding(kBuf, ' ');
  for (size_t i = 99; i < kBuf; i += 100) padding[i] = '\n';  // a line feed every 100 bytes
  TempDir dir;
  for (const StraddleCase& c : cases) {
    const size_t len = std::strlen(c.text);
    for (size_t split = 0; split <= len + 1; ++split) {  // bytes of the token in the first read
      SCOPED_TRACE(std::string(c.text) + " split " + std::to_string(split));
      // A first token, so that the one under test is reached within the data.
      std::string text = "0";
      text.append(padding, split + 1);
      text.append(c.text).append("\n7");
      std::string path = OpenText(dir, text);
      const int line = 1 + static_cast<int>(std::count(padding.begin() + static_cast<long>(split) + 1,
                                                       padding.end(), '\n'));
      int32_t i = 0;
      double r = 0;
      ASSERT_EQ(TokInt(&i), Tok::Ok);
      Tok t = c.reader == 'i'   ? TokInt(&i)
              : c.reader == 'r' ? TokReal(&r)
              : c.reader == 's' ? TokSkipReal()
                                : TokSkipReals(1);
      ASSERT_EQ(t, c.result);
      EXPECT_EQ(TokLine(), line);
      if (t == Tok::Ok && c.reader == 'i') {
        EXPECT_EQ(i, c.value);
      }
      if (t == Tok::Ok && c.reader == 'r') {
        EXPECT_EQ(r, c.value);
      }
      if (t == Tok::Bad) {
        Failure f;
        TokFail(t, path.c_str(), nullptr, &f);
        EXPECT_STREQ(f.token, c.text);
        EXPECT_EQ(f.line, line);
        TokClose();
        continue;
      }
      ASSERT_EQ(TokInt(&i), Tok::Ok);
      EXPECT_EQ(i, 7);
      EXPECT_EQ(TokLine(), line + 1);
      EXPECT_EQ(TokInt(&i), Tok::End);
      TokClose();
    }
  }
}

TEST(Scanner, BadBytesAreReportedPrintably) {
  TempDir dir;
  std::string path = OpenText(dir, std::string("1\n2\n3\x01\0x 4", 10));
  int32_t v = 0;
  ASSERT_EQ(TokInt(&v), Tok::Ok);
  ASSERT_EQ(TokInt(&v), Tok::Ok);
  Tok t = TokInt(&v);
  ASSERT_EQ(t, Tok::Bad);
  Failure f;
  TokFail(t, path.c_str(), nullptr, &f);
  EXPECT_EQ(f.line, 3);
  EXPECT_STREQ(f.token, "3\\x01\\x00x");
  EXPECT_STREQ(f.message, "integer expected");
  TokClose();
}

TEST(Scanner, OverlongTokenIsBadNotCut) {
  TempDir dir;
  OpenText(dir, "1 " + std::string((1 << 20) + 10, '7') + " 2");
  int32_t v = 0;
  ASSERT_EQ(TokInt(&v), Tok::Ok);
  EXPECT_EQ(TokSkipReal(), Tok::Bad);
  TokClose();
}

TEST(Scanner, MissingFileFailsWithErrno) {
  Failure f;
  EXPECT_FALSE(TokOpen("/nonexistent-folder/Init.d", &f));
  EXPECT_STREQ(f.path, "/nonexistent-folder/Init.d");
  EXPECT_NE(f.syserr, 0);
}

}  // namespace
