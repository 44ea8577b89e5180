// Histogram builder and plot-record writer.
//
// Arithmetic: every step computes in long double (x87, 64-bit significand)
// and rounds to double only where a value is stored, in the operand order
// of the formulas below. This decides the bin of values that lie on a bin
// boundary, so the order and the rounding points must not change.
#include "histogram/histo.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "histogram/plotformat.h"

static_assert(std::numeric_limits<long double>::digits == 64,
              "intermediates need the x87 64-bit significand");

double freq[kStoreRows][kFreqBins];
FILE* fp6 = nullptr;

namespace {

using ext = long double;

constexpr double kHuge = 1e20;          // sentinel of every extreme
constexpr double kBinFactor = 0.99;     // the double 0.99, widened where used
constexpr double kPlotHeight = 400.0;   // height shared by the panels of one count

// pow(P, 0.66) for P = 3 * numcomps, correctly rounded, so the panel height
// does not depend on the platform's pow. Index: numcomps.
constexpr double kPowP066[kMaxComps + 1] = {
    0.0,
    0x1.084eccb26f23ap+1, 0x1.a1a0d05cdd8bfp+1, 0x1.10e29e7165a22p+2,
    0x1.49f18a2dd7b54p+2, 0x1.7e4be0ac43f77p+2, 0x1.af2e63ce7ded9p+2,
    0x1.dd5bca238e626p+2, 0x1.04ab440e24df9p+3, 0x1.19bdb2a401a8fp+3,
    0x1.2e07aa9b38119p+3, 0x1.41a3ac9492219p+3, 0x1.54a6a5e9d3b6fp+3};

// Per-call values of one parameter slot (index 1..3).
struct Slot {
  double xmincol, xmaxcol;  // range of all parameters of the slot
  double binwidth, recip;   // (xmaxcol - xmincol) / numintvls and 1 / binwidth
  double ymaxcol;           // largest density of the slot's bins 1..numintvls
  bool flat;                // no usable range: counts nothing, draws height 0
};
Slot slot[4];
double xmin[kStoreRows], xmax[kStoreRows];  // per parameter; xmin is its bins' origin
double hist[kFreqBins];                     // densities of the parameter in hand

int SlotOf(int32_t j) { return (j - 1) % 3 + 1; }

// Density of bin b of parameter j: weight times 1/binwidth, over the sweeps.
double Density(const Slot& s, double weight, int32_t numsweeps) {
  return static_cast<double>((static_cast<ext>(weight) * s.recip) / static_cast<ext>(numsweeps));
}

// A position on the x axis, kept finite when the data lie near the double limit.
double FiniteX(ext x) {
  double v = static_cast<double>(x);
  if (std::isinf(v)) return v > 0 ? DBL_MAX : -DBL_MAX;
  return v;
}

// The ranges of the three slots over all parameters and sweeps.
void SlotExtremes(const double (*xorig)[kStoreCols], int32_t numpars, int32_t numsweeps) {
  for (int s = 1; s <= 3; ++s) {
    slot[s].xmaxcol = -kHuge;
    slot[s].xmincol = kHuge;
    slot[s].ymaxcol = -kHuge;
  }
  for (int32_t j = 1; j <= numpars; ++j) {
    Slot& s = slot[SlotOf(j)];
    for (int32_t i = 1; i <= numsweeps; ++i) {
      double v = xorig[j][i];
      if (v > s.xmaxcol) s.xmaxcol = v;
      if (v < s.xmincol) s.xmincol = v;
    }
  }
}

// Own extremes of parameter j; a constant parameter gets its origin 0.5 lower.
void ParameterExtremes(const double* row, int32_t j, int32_t numsweeps) {
  xmax[j] = -kHuge;
  xmin[j] = kHuge;
  for (int32_t i = 1; i <= numsweeps; ++i) {
    if (row[i] > xmax[j]) xmax[j] = row[i];
    if (row[i] < xmin[j]) xmin[j] = row[i];
  }
  if (xmax[j] == xmin[j]) xmin[j] = static_cast<double>(static_cast<ext>(xmin[j]) - 0.5L);
}

// Bin width and its reciprocal from the slot's range (never the parameter's).
void SlotWidth(Slot& s, int32_t numintvls) {
  s.binwidth = static_cast<double>((static_cast<ext>(s.xmaxcol) - s.xmincol) /
                                   static_cast<ext>(numintvls));
  s.recip = static_cast<double>(1.0L / static_cast<ext>(s.binwidth));
  // A zero, tiny or overflowing width has no finite reciprocal: nothing can be
  // scaled, so the slot counts no weight and is drawn flat.
  s.flat = !std::isfinite(s.recip) || !std::isfinite(s.binwidth);
}

// Adds the weights of parameter j to its bins. The quotient keeps the 64-bit
// significand and is truncated without being stored: stored as a double
// first, a value just below a bin boundary could land in the next bin.
void CountWeights(const double* row, const double* yorig, int32_t j, const Slot& s,
                  double* freqrow, int32_t numsweeps) {
  for (int32_t i = 1; i <= numsweeps; ++i) {
    ext q = ((static_cast<ext>(row[i]) - xmin[j]) * static_cast<ext>(kBinFactor)) /
            static_cast<ext>(s.binwidth);
    if (!(q > -1.0L && q < static_cast<ext>(kFreqBins))) continue;  // outside the row, or nan
    int32_t b = static_cast<int32_t>(q);  // truncation toward zero
    if (b == 0) b = 1;                    // index 0 counts in bin 1
    freqrow[b] = static_cast<double>(static_cast<ext>(freqrow[b]) + yorig[i]);
  }
}

// Builds every histogram of the count: frequencies, densities, slot scales.
void BuildHistograms(const double (*xorig)[kStoreCols], const double* yorig, int32_t numintvls,
                     double (*freqtab)[kFreqBins], int32_t numpars, int32_t numsweeps) {
  for (int32_t j = 1; j <= numpars; ++j) std::memset(freqtab[j], 0, sizeof freqtab[j]);

  // The total weight only tells whether there is anything to plot.
  double total = 0.0;
  for (int32_t i = 1; i <= numsweeps; ++i)
    total = static_cast<double>(static_cast<ext>(total) + yorig[i]);
  if (total <= 0.0) {
    std::fputs("No observations to plot\n", stdout);
    std::fflush(stdout);
  }

  SlotExtremes(xorig, numpars, numsweeps);
  for (int32_t j = 1; j <= numpars; ++j) {
    Slot& s = slot[SlotOf(j)];
    ParameterExtremes(xorig[j], j, numsweeps);
    SlotWidth(s, numintvls);
    if (!s.flat) CountWeights(xorig[j], yorig, j, s, freqtab[j], numsweeps);
    for (int32_t b = 1; b <= numintvls; ++b) {
      hist[b] = s.flat ? 0.0 : Density(s, freqtab[j][b], numsweeps);
      if (hist[b] > s.ymaxcol) s.ymaxcol = hist[b];
    }
  }
}

// Appends one point line "x\t y" to the plot file.
void WritePoint(double x, double y) {
  char line[2 * kFormatEMax + 4];
  int n = FormatE(x, line);
  line[n++] = '\t';
  line[n++] = ' ';
  n += FormatE(y, line + n);
  line[n++] = '\n';
  std::fwrite(line, 1, static_cast<size_t>(n), fp6);
}

// Appends the record of parameter j: header, count line, 2(N + 1) points.
void WriteRecord(const double (*freqtab)[kFreqBins], int32_t numintvls, int32_t numpars,
                 int32_t numsweeps, int32_t j, double panelheight) {
  const Slot& s = slot[SlotOf(j)];
  const double rowbase = static_cast<double>(static_cast<ext>((j - 1) / 3) * panelheight);
  char text[32];
  int n = FormatInt(numpars / 3, 2, text);
  text[n++] = ' ';
  n += FormatInt(j, 2, text + n);
  text[n++] = '\n';
  n += FormatInt(2 * (numintvls + 1), 0, text + n);
  text[n++] = '\n';
  std::fwrite(text, 1, static_cast<size_t>(n), fp6);

  const double w = s.binwidth;
  double x1 = 0.0;
  for (int32_t b = 1; b <= numintvls; ++b) {
    // Height: the bar's share of the slot's largest density, lifted onto the
    // component's row and brought back, as the panels are stacked.
    double y = 0.0;
    if (!s.flat && s.ymaxcol > 0.0) {
      double d = Density(s, freqtab[j][b], numsweeps);
      double lifted = static_cast<double>((static_cast<ext>(d) * panelheight) / s.ymaxcol + rowbase);
      y = static_cast<double>(static_cast<ext>(lifted) - rowbase);
    }
    // Bars are w wide and start w / 0.99 apart, from the parameter's origin.
    double x0 = FiniteX((static_cast<ext>(b) * w) / static_cast<ext>(kBinFactor) + xmin[j]);
    x1 = FiniteX(static_cast<ext>(x0) + w);
    if (b == 1) WritePoint(x0, 0.0);
    WritePoint(x0, y);
    WritePoint(x1, y);
  }
  WritePoint(x1, 0.0);
}

}  // namespace

void HistoOnly(const double (*xorig)[kStoreCols], const double* yorig, int32_t numintvls,
               double (*freqtab)[kFreqBins], int32_t numpars, int32_t numsweeps) {
  BuildHistograms(xorig, yorig, numintvls, freqtab, numpars, numsweeps);
  // Panel height H = 400 / (P^0.66 + 1), the same for every record of the count.
  const double panelheight = static_cast<double>(
      static_cast<ext>(kPlotHeight) / (static_cast<ext>(kPowP066[numpars / 3]) + 1.0L));
  for (int32_t j = 1; j <= numpars; ++j)
    WriteRecord(freqtab, numintvls, numpars, numsweeps, j, panelheight);
}
