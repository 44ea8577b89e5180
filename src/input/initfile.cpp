// Init file layout, by token: n; n reals; the thirteen fixed fields (real,
// integer, integer, real, real, integer, seven reals); kmax. A negative n
// reads no reals. Values read past are checked but not kept.
#include "input/initfile.h"

#include "input/tokens.h"

namespace {

// Kinds of the thirteen fixed fields between the n reals and kmax.
constexpr bool kFixedIsInt[13] = {false, true, true, false, false, true,
                                  false, false, false, false, false, false, false};

// Turns a reader result other than Ok into a failure; true when Ok.
bool Check(Tok t, const char* path, const char* expected, Failure* failure) {
  if (t == Tok::Ok) return true;
  TokFail(t, path, t == Tok::End ? expected : nullptr, failure);
  TokClose();
  return false;
}

}  // namespace

bool ReadInitFile(const char* path, int32_t* kmax, Failure* failure) {
  constexpr const char* kEarly = "file ends before kmax";
  if (!TokOpen(path, failure)) return false;
  int32_t n = 0, idum = 0;
  if (!Check(TokInt(&n), path, kEarly, failure)) return false;
  for (int32_t i = 1; i <= n; ++i)
    if (!Check(TokSkipReal(), path, kEarly, failure)) return false;
  for (bool isint : kFixedIsInt) {
    Tok t = isint ? TokInt(&idum) : TokSkipReal();
    if (!Check(t, path, kEarly, failure)) return false;
  }
  if (!Check(TokInt(kmax), path, kEarly, failure)) return false;
  TokClose();
  return true;
}
