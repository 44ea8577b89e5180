// Token scanner: reads the open input file through one static 1 MiB buffer
// and hands out one token at a time. A token may be as long as the buffer;
// a longer one is reported as bad. Lines are counted for messages.
#include "input/tokens.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

FILE* fp1 = nullptr;  // the input stream: one input file at a time

namespace {

constexpr size_t kBufSize = size_t{1} << 20;
// The byte after the data is a NUL sentinel, so scanning loops need no bound
// check; a NUL inside the file is told apart by its position.
char buf[kBufSize + 1];
size_t pos = 0;       // next unread byte
size_t end = 0;       // end of the data in buf
bool ateof = false;   // no more data behind buf
int readerr = 0;      // errno of a failed read, or 0
int line = 1;         // line of buf[pos]
size_t tokstart = 0;  // latest token: buf[tokstart .. tokstart + toklen)
size_t toklen = 0;
int tokline = 1;
const char* tokwhy = "";

// Byte classes: 0 token byte, 1 blank, 2 line feed, 3 NUL (maybe the sentinel).
constexpr unsigned char kToken = 0, kBlank = 1, kNewline = 2, kNul = 3;
struct ClassTable {
  unsigned char of[256] = {};
  constexpr ClassTable() {
    for (char c : {' ', '\t', '\r', '\v', '\f'}) of[static_cast<unsigned char>(c)] = kBlank;
    of[static_cast<unsigned char>('\n')] = kNewline;
    of[0] = kNul;
  }
};
constexpr ClassTable kClass;

unsigned char ClassAt(size_t i) { return kClass.of[static_cast<unsigned char>(buf[i])]; }

// Keeps buf[from .. end) and appends as much of the file as fits.
// Returns false when nothing more could be read (end of file or error).
bool Refill(size_t from) {
  size_t keep = end - from;
  std::memmove(buf, buf + from, keep);
  pos -= from;
  tokstart = tokstart >= from ? tokstart - from : 0;
  end = keep;
  size_t got = 0;
  if (!ateof && fp1 != nullptr) {
    got = std::fread(buf + end, 1, kBufSize - end, fp1);
    if (got == 0) {
      ateof = true;
      if (std::ferror(fp1)) readerr = errno != 0 ? errno : EIO;
    }
  }
  end += got;
  buf[end] = '\0';
  return got > 0;
}

// Skips whitespace from pos, counting lines; stops at a token byte or a NUL
// (the sentinel at the end of the data, or one in the file).
void SkipBlanks() {
  unsigned char c;
  while ((c = ClassAt(pos)) == kBlank || c == kNewline) {
    line += c == kNewline;
    ++pos;
  }
}

// Finds the next token and sets tokstart/toklen/tokline.
// Returns Tok::Ok, Tok::End, Tok::Error, or Tok::Bad for an overlong token.
Tok NextToken() {
  for (;;) {  // skip whitespace, refilling as needed
    SkipBlanks();
    if (pos < end) break;
    if (!Refill(pos)) {
      tokline = line;
      toklen = 0;
      return readerr != 0 ? Tok::Error : Tok::End;
    }
  }
  tokstart = pos;
  tokline = line;
  for (;;) {  // token bytes run to whitespace or the end of the data
    while (ClassAt(pos) == kToken) ++pos;
    if (ClassAt(pos) == kNul && pos < end) {
      ++pos;  // a NUL byte inside the file belongs to the token
      continue;
    }
    if (pos < end || ateof) break;
    if (tokstart == 0 && end == kBufSize) {
      toklen = pos - tokstart;
      tokwhy = "token longer than the read buffer";
      return Tok::Bad;
    }
    if (!Refill(tokstart) && readerr != 0) return Tok::Error;
  }
  toklen = pos - tokstart;
  return Tok::Ok;
}

// Fast path for the common token: a plain number that lies whole in the
// buffer, checked in the same sweep that finds its end. Anything else (a cut
// token at the data's end, a NUL, a stray byte, a huge magnitude) goes to
// NextToken and the full checks, which decide it exactly as before.

bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

bool IsSpaceAt(const char* p) {
  unsigned char c = kClass.of[static_cast<unsigned char>(*p)];
  return c == kBlank || c == kNewline;
}

// Makes buf[pos .. tokend) the latest token and moves past it.
void TakeToken(const char* tokend) {
  tokstart = pos;
  tokline = line;
  pos = static_cast<size_t>(tokend - buf);
  toklen = pos - tokstart;
}

// A real token at s followed by whitespace, with at most 200 integer digits
// and at most two exponent digits: its magnitude stays below 1e300, so it is
// finite. Returns its end, or nullptr when the full checks must decide.
[[gnu::always_inline]] inline const char* PlainReal(const char* s) {
  const char* p = s + (*s == '+' || *s == '-');
  const char* intstart = p;
  while (IsDigit(*p)) ++p;
  const ptrdiff_t intdigits = p - intstart;
  ptrdiff_t fracdigits = 0;
  if (*p == '.') {
    const char* fracstart = ++p;
    while (IsDigit(*p)) ++p;
    fracdigits = p - fracstart;
  }
  if (intdigits + fracdigits == 0 || intdigits > 200) return nullptr;
  if ((*p | 0x20) == 'e') {
    p += 1 + (p[1] == '+' || p[1] == '-');
    const char* expdigits = p;
    while (IsDigit(*p)) ++p;
    if (p == expdigits || p - expdigits > 2) return nullptr;
  }
  return IsSpaceAt(p) ? p : nullptr;
}

// An integer token at s followed by whitespace, of at most nine digits (so it
// fits). Returns its end, or nullptr when the full checks must decide.
const char* PlainInt(const char* s, int32_t* value) {
  const bool negative = *s == '-';
  const char* p = s + (*s == '+' || *s == '-');
  const char* digits = p;
  int32_t v = 0;
  for (; IsDigit(*p) && p - digits < 9; ++p) v = v * 10 + (*p - '0');
  if (p == digits || !IsSpaceAt(p)) return nullptr;
  *value = negative ? -v : v;
  return p;
}

// The shape of a real token: sign, digits, optional point, optional exponent.
// magnitude: decimal exponent of the leading nonzero digit; zero: no such digit.
bool RealShape(const char* s, size_t len, int* magnitude, bool* zero) {
  const char* p = s;
  const char* e = s + len;
  if (p != e && (*p == '+' || *p == '-')) ++p;
  int digits = 0, intdigits = 0, firstnonzero = -1;
  for (; p != e && *p >= '0' && *p <= '9'; ++p, ++digits)
    if (firstnonzero < 0 && *p != '0') firstnonzero = digits;
  intdigits = digits;
  if (p != e && *p == '.')
    for (++p; p != e && *p >= '0' && *p <= '9'; ++p, ++digits)
      if (firstnonzero < 0 && *p != '0') firstnonzero = digits;
  if (digits == 0) return false;
  int exponent = 0;
  if (p != e && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negative = p != e && *p == '-';
    if (p != e && (*p == '+' || *p == '-')) ++p;
    if (p == e) return false;
    for (; p != e && *p >= '0' && *p <= '9'; ++p)
      if (exponent < 100000000) exponent = exponent * 10 + (*p - '0');  // saturates: only the scale matters
    if (negative) exponent = -exponent;
  }
  if (p != e) return false;
  *zero = firstnonzero < 0;
  *magnitude = intdigits - 1 - firstnonzero + exponent;
  return true;
}

}  // namespace

bool TokIsInt(const char* text, size_t len, int32_t* value) {
  const char* p = text;
  const char* e = text + len;
  bool negative = p != e && *p == '-';
  if (p != e && (*p == '+' || *p == '-')) ++p;
  if (p == e) return false;
  const int64_t limit = negative ? int64_t{2147483648} : int64_t{2147483647};
  int64_t v = 0;
  for (; p != e; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
    if (v > limit) return false;
  }
  *value = static_cast<int32_t>(negative ? -v : v);
  return true;
}

bool TokIsReal(const char* text, size_t len, double* value) {
  int magnitude = 0;
  bool zero = false;
  if (!RealShape(text, len, &magnitude, &zero)) return false;
  const char* p = text[0] == '+' ? text + 1 : text;  // from_chars refuses '+'
  double v = 0.0;
  auto [ptr, ec] = std::from_chars(p, text + len, v);
  if (ec == std::errc::result_out_of_range && !zero && magnitude < 0)
    v = text[0] == '-' ? -0.0 : 0.0;  // below the smallest subnormal: rounds to zero
  else if (ec != std::errc() || ptr != text + len || !std::isfinite(v))
    return false;
  *value = v;
  return true;
}

bool TokIsRealSyntax(const char* text, size_t len) {
  int magnitude = 0;
  bool zero = false;
  if (!RealShape(text, len, &magnitude, &zero)) return false;
  if (zero || magnitude < 308) return true;  // below 1e308: always finite
  double v;
  return TokIsReal(text, len, &v);
}

bool TokOpen(const char* path, Failure* failure) {
  TokClose();
  pos = end = tokstart = toklen = 0;
  buf[0] = '\0';
  ateof = false;
  readerr = 0;
  line = tokline = 1;
  errno = 0;
  fp1 = std::fopen(path, "rb");
  if (fp1 != nullptr) return true;
  *failure = Failure{};
  failure->path = path;
  failure->syserr = errno;
  failure->message = "cannot open";
  return false;
}

void TokClose() {
  if (fp1 != nullptr) std::fclose(fp1);
  fp1 = nullptr;
}

Tok TokInt(int32_t* value) {
  SkipBlanks();
  if (const char* tokend = PlainInt(buf + pos, value)) {
    TakeToken(tokend);
    return Tok::Ok;
  }
  Tok t = NextToken();
  if (t != Tok::Ok) return t;
  tokwhy = "integer expected";
  return TokIsInt(buf + tokstart, toklen, value) ? Tok::Ok : Tok::Bad;
}

Tok TokReal(double* value) {
  SkipBlanks();
  if (const char* tokend = PlainReal(buf + pos)) {
    const char* from = buf + pos + (buf[pos] == '+');  // from_chars refuses '+'
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(from, tokend, v);
    if (ec == std::errc() && ptr == tokend) {  // else an underflow: the full check decides
      *value = v;
      TakeToken(tokend);
      return Tok::Ok;
    }
  }
  Tok t = NextToken();
  if (t != Tok::Ok) return t;
  tokwhy = "finite real number expected";
  return TokIsReal(buf + tokstart, toklen, value) ? Tok::Ok : Tok::Bad;
}

Tok TokSkipReal() {
  SkipBlanks();
  if (const char* tokend = PlainReal(buf + pos)) {
    TakeToken(tokend);
    return Tok::Ok;
  }
  Tok t = NextToken();
  if (t != Tok::Ok) return t;
  tokwhy = "finite real number expected";
  return TokIsRealSyntax(buf + tokstart, toklen) ? Tok::Ok : Tok::Bad;
}

Tok TokSkipReals(int64_t n) {
  while (n > 0) {
    // The run of plain tokens, with the scan position and line count held
    // locally; the latest token is recorded once, where the run stops.
    const char* p = buf + pos;
    const char* last = nullptr;
    int lines = line;
    for (; n > 0; --n) {
      unsigned char c;
      while ((c = kClass.of[static_cast<unsigned char>(*p)]) == kBlank || c == kNewline) {
        lines += c == kNewline;
        ++p;
      }
      const char* tokend = PlainReal(p);
      if (tokend == nullptr) break;
      last = p;
      p = tokend;
    }
    pos = static_cast<size_t>(p - buf);
    line = lines;
    if (last != nullptr) {  // a plain token holds no line feed: it is on `lines`
      tokstart = static_cast<size_t>(last - buf);
      toklen = pos - tokstart;
      tokline = lines;
    }
    if (n == 0) break;
    Tok t = TokSkipReal();  // one token for the general path
    if (t != Tok::Ok) return t;
    --n;
  }
  return Tok::Ok;
}

int TokLine() { return tokline; }

void TokFail(Tok result, const char* path, const char* message, Failure* failure) {
  *failure = Failure{};
  failure->path = path;
  failure->line = tokline;
  if (result == Tok::Error) {
    failure->message = "read error";
    failure->syserr = readerr;
    return;
  }
  failure->message = message != nullptr ? message : tokwhy;
  // Printable copy: other bytes as \xHH, cut with "..." when too long.
  static const char kHex[] = "0123456789abcdef";
  size_t out = 0;
  for (size_t i = 0; i < toklen; ++i) {
    unsigned char c = static_cast<unsigned char>(buf[tokstart + i]);
    bool plain = c >= 0x20 && c < 0x7f && c != '\'' && c != '\\';
    if (out + (plain ? 1 : 4) + 4 > sizeof failure->token) {
      std::memcpy(failure->token + out, "...", 4);
      return;
    }
    if (plain) {
      failure->token[out++] = static_cast<char>(c);
    } else {
      failure->token[out++] = '\\';
      failure->token[out++] = 'x';
      failure->token[out++] = kHex[c >> 4];
      failure->token[out++] = kHex[c & 15];
    }
  }
  failure->token[out] = '\0';
}
