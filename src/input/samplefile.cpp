// Sample file layout, by token: a header integer (not used), then records
// back to back: a count k, then k triples of reals. A count of 0 or less is
// a record of its own. Records of other counts are read past, with every
// token still checked, so each pass rejects the same bad file the same way.
#include "input/samplefile.h"

#include <cstdio>

#include "input/tokens.h"

double xorig[kStoreRows][kStoreCols];
double yorig[kStoreCols];
int32_t numobsns0 = 0;

namespace {

// Reads the 3k values of the record being selected into column `ib`.
Tok ReadSelected(int32_t numcomps, int32_t ib) {
  for (int32_t j = 1; j <= 3 * numcomps; ++j) {
    Tok t = TokReal(&xorig[j][ib]);
    if (t != Tok::Ok) return t;
  }
  return Tok::Ok;
}

// Reads past the 3k values of a record of another count.
Tok SkipValues(int32_t k) { return TokSkipReals(3 * int64_t{k}); }

bool Fail(Tok t, const char* path, const char* message, Failure* failure) {
  TokFail(t, path, message, failure);
  TokClose();
  return false;
}

// Checks that the store can take one more sweep of `numcomps` components.
const char* CapacityProblem(int32_t numcomps, int32_t ib) {
  if (numcomps > kMaxComps)
    return "sweep of more than 12 components; the sample store holds at most 12";
  if (ib + 1 >= kStoreCols)  // + 1: the sweep about to be added
    return "more than 209999 sweeps of one component count; the sample store holds at most 209999";
  return nullptr;
}

}  // namespace

bool SamplePass(const char* path, int32_t numcomps, ShortRecord* shortrecord, Failure* failure) {
  *shortrecord = ShortRecord{};
  if (!TokOpen(path, failure)) return false;
  int32_t ib = 0, k = 0, idum = 0;
  Tok t = TokInt(&idum);  // the header; a file without one holds no sweep
  if (t != Tok::Ok && t != Tok::End) return Fail(t, path, nullptr, failure);
  while (t == Tok::Ok) {
    t = TokInt(&k);
    if (t == Tok::End) break;
    if (t != Tok::Ok) return Fail(t, path, nullptr, failure);
    int countline = TokLine();
    if (k == numcomps) {
      if (const char* problem = CapacityProblem(numcomps, ib))
        return Fail(Tok::Bad, path, problem, failure);
      t = ReadSelected(numcomps, ib + 1);
    } else {
      t = SkipValues(k);
    }
    if (t == Tok::End) {  // cut off inside its values: not a sweep
      *shortrecord = ShortRecord{true, countline, k};
      break;
    }
    if (t != Tok::Ok) return Fail(t, path, nullptr, failure);
    if (k == numcomps) ++ib;
  }
  TokClose();
  numobsns0 = ib;
  std::printf("at k=%ld components, numsweeps=%ld\n", static_cast<long>(numcomps),
              static_cast<long>(numobsns0));
  std::fflush(stdout);
  // 1/N with a 64-bit significand, rounded once to the stored double.
  for (int32_t i = 1; i <= numobsns0; ++i)
    yorig[i] = static_cast<double>(1.0L / static_cast<long double>(numobsns0));
  return true;
}
