// Field formatters for the plot file. std::to_chars gives the correctly
// rounded digits; the exponent is rewritten here to its fixed three digits.
#include "histogram/plotformat.h"

#include <charconv>
#include <cmath>
#include <cstring>

int FormatE(double value, char* out) {
  if (value == 0.0) {  // also -0.0: a zero never carries a minus sign
    std::memcpy(out, "0.000000e+000", 14);
    return 13;
  }
  char digits[32];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value,
                                 std::chars_format::scientific, 6);
  (void)ec;  // 32 bytes hold every double in this form
  *end = '\0';
  const char* e = std::strchr(digits, 'e');
  if (e == nullptr) {  // inf or nan: written as to_chars spells them
    std::memcpy(out, digits, static_cast<size_t>(end - digits) + 1);
    return static_cast<int>(end - digits);
  }
  int n = static_cast<int>(e - digits) + 2;  // mantissa, 'e', sign
  std::memcpy(out, digits, static_cast<size_t>(n));
  int expdigits = static_cast<int>(end - (e + 2));
  for (int pad = expdigits; pad < 3; ++pad) out[n++] = '0';
  std::memcpy(out + n, e + 2, static_cast<size_t>(expdigits));
  n += expdigits;
  out[n] = '\0';
  return n;
}

int FormatInt(int32_t value, int width, char* out) {
  char digits[16];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  (void)ec;  // 16 bytes hold every 32-bit value
  int len = static_cast<int>(end - digits);
  int n = 0;
  for (; n < width - len; ++n) out[n] = ' ';
  std::memcpy(out + n, digits, static_cast<size_t>(len));
  n += len;
  out[n] = '\0';
  return n;
}
