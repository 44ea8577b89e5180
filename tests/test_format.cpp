// Plot file fields: "%e" with three exponent digits and "%2ld".
#include <gtest/gtest.h>

#include <cfloat>
#include <string>

#include "histogram/plotformat.h"

namespace {

std::string E(double v) {
  char out[kFormatEMax + 1];
  int n = FormatE(v, out);
  EXPECT_EQ(n, static_cast<int>(std::string(out).size()));
  return out;
}

TEST(Format, ExponentHasThreeDigitsAndZeroNoSign) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {130.50976442, "1.305098e+002"}, {0.08, "8.000000e-002"},   {0.0, "0.000000e+000"},
      {-0.0, "0.000000e+000"},         {1.0, "1.000000e+000"},    {-2.5, "-2.500000e+000"},
      {1e100, "1.000000e+100"},        {DBL_MAX, "1.797693e+308"}, {-DBL_MAX, "-1.797693e+308"},
      {4.9406564584124654e-324, "4.940656e-324"}, {9.9999995e-5, "9.999999e-005"},
      {9.99999951e-5, "1.000000e-004"},  // rounding carries into the exponent
      {1e20, "1.000000e+020"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(E(c.value), c.text);
  }
}

TEST(Format, IntegersRightAlignedInWidth) {
  const struct {
    int32_t value;
    int width;
    const char* text;
  } cases[] = {{1, 2, " 1"}, {12, 2, "12"}, {36, 2, "36"}, {102, 0, "102"},
               {-3, 0, "-3"}, {-3, 2, "-3"}, {-12, 2, "-12"}, {INT32_MIN, 0, "-2147483648"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    char out[16];
    FormatInt(c.value, c.width, out);
    EXPECT_STREQ(out, c.text);
  }
}

}  // namespace
