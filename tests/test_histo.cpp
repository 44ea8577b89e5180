// HistoOnly: bins, slot scales and the plot records, on small stores whose
// results can be worked out by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "histogram/histo.h"
#include "input/samplefile.h"

namespace {

// Fills the store with `sweeps` (one vector of 3k values per sweep), runs
// HistoOnly into a temporary file and returns the file's lines.
std::vector<std::string> RunHisto(const std::vector<std::vector<double>>& sweeps, int32_t numintvls,
                             std::string* console = nullptr) {
  const int32_t n = static_cast<int32_t>(sweeps.size());
  const int32_t numpars = static_cast<int32_t>(sweeps[0].size());
  for (int32_t i = 1; i <= n; ++i) {
    for (int32_t j = 1; j <= numpars; ++j) xorig[j][i] = sweeps[static_cast<size_t>(i - 1)][static_cast<size_t>(j - 1)];
    yorig[i] = static_cast<double>(1.0L / n);
  }
  fp6 = std::tmpfile();
  testing::internal::CaptureStdout();
  HistoOnly(xorig, yorig, numintvls, freq, numpars, n);
  std::string out = testing::internal::GetCapturedStdout();
  if (console != nullptr) *console = out;
  std::string text;
  std::rewind(fp6);
  for (int c; (c = std::fgetc(fp6)) != EOF;) text += static_cast<char>(c);
  std::fclose(fp6);
  fp6 = nullptr;
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  EXPECT_EQ(lines.size(), static_cast<size_t>(numpars * (2 * numintvls + 4)));
  return lines;
}

// The bins that hold weight in row j, with their weights.
std::vector<std::pair<int, double>> Filled(int32_t j) {
  std::vector<std::pair<int, double>> bins;
  for (int b = 0; b < kFreqBins; ++b)
    if (freq[j][b] != 0.0) bins.emplace_back(b, freq[j][b]);
  return bins;
}

using Bins = std::vector<std::pair<int, double>>;

// Height (second field) of point line `k` of record `j` (both from 1).
std::string Y(const std::vector<std::string>& lines, int32_t numintvls, int j, int k) {
  const std::string& line = lines[static_cast<size_t>((j - 1) * (2 * numintvls + 4) + 2 + k - 1)];
  return line.substr(line.find('\t') + 2);
}
std::string X(const std::vector<std::string>& lines, int32_t numintvls, int j, int k) {
  const std::string& line = lines[static_cast<size_t>((j - 1) * (2 * numintvls + 4) + 2 + k - 1)];
  return line.substr(0, line.find('\t'));
}

TEST(Histogram, TwoSweepsOfTwoComponents) {
  const std::vector<std::vector<double>> sweeps = {{0.4, 1.0, 2.0, 0.6, 3.0, 1.5},
                                                   {0.3, 1.1, 1.9, 0.7, 3.2, 1.4}};
  RunHisto(sweeps, 50);
  const Bins expect50[] = {{{1, 0.5}, {12, 0.5}}, {{1, 0.5}, {2, 0.5}}, {{1, 0.5}, {8, 0.5}},
                           {{1, 0.5}, {12, 0.5}}, {{1, 0.5}, {4, 0.5}}, {{1, 0.5}, {8, 0.5}}};
  for (int j = 1; j <= 6; ++j) EXPECT_EQ(Filled(j), expect50[j - 1]) << "parameter " << j;
  RunHisto(sweeps, 40);
  EXPECT_EQ(Filled(2), (Bins{{1, 1.0}})) << "quotient 1.8 counts in bin 1";
}

TEST(Histogram, ConstantParametersAndOwnOrigins) {
  const auto lines = RunHisto({{0, 0.3, 1, 4, 0.5, 2},
                          {5, 0.45, 1, 6, 0.5, 2},
                          {10, 0.52, 1.5, 8, 0.5, 2},
                          {2, 0.6, 2, 9.9, 0.5, 2}},
                         50);
  EXPECT_EQ(Filled(1), (Bins{{1, 0.25}, {9, 0.25}, {24, 0.25}, {49, 0.25}}));
  EXPECT_EQ(Filled(2), (Bins{{1, 0.25}, {24, 0.25}, {36, 0.25}, {49, 0.25}}));
  EXPECT_EQ(Filled(3), (Bins{{1, 0.5}, {24, 0.25}, {49, 0.25}}));
  EXPECT_EQ(Filled(4), (Bins{{1, 0.25}, {9, 0.25}, {19, 0.25}, {29, 0.25}}));
  EXPECT_EQ(Filled(5), (Bins{{82, 1.0}})) << "beyond the drawn bins";
  EXPECT_EQ(Filled(6), (Bins{{24, 1.0}}));
  EXPECT_EQ(X(lines, 50, 5, 1), "6.060606e-003") << "origin 0.5 - 0.5 = 0, plus 0.006 / 0.99";
  for (int k = 1; k <= 102; ++k) EXPECT_EQ(Y(lines, 50, 5, k), "0.000000e+000") << k;
  // Slot 3's scale comes from the constant parameter 6: its bar is the tallest.
  EXPECT_EQ(Y(lines, 50, 6, 2 * 24), "9.383680e+001");
}

TEST(Histogram, BoundaryValueNeedsTheLongSignificand) {
  // In plain doubles the quotient of 0.05 is exactly 2 (bin 2); with the
  // 64-bit significand it lies just below 2 (bin 1).
  volatile double width = 0.02475, v = 0.05;
  ASSERT_EQ(static_cast<int>((v * 0.99) / width), 2) << "fixture no longer a boundary case";
  RunHisto({{0, 1, 1}, {0.05, 2, 2}, {0.99, 3, 3}}, 40);
  const double third = 1.0 / 3.0;
  const double twothirds = static_cast<double>(static_cast<long double>(third) + third);
  EXPECT_EQ(Filled(1), (Bins{{1, twothirds}, {39, third}}));
}

TEST(Histogram, TallestBarIsThePanelHeight) {
  const struct {
    int comps;
    const char* height;
  } cases[] = {{1, "1.305098e+002"}, {2, "9.383680e+001"}, {12, "3.434850e+001"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.comps);
    std::vector<std::vector<double>> sweeps(3, std::vector<double>(static_cast<size_t>(3 * c.comps)));
    for (size_t i = 0; i < 3; ++i)
      for (size_t j = 0; j < sweeps[i].size(); ++j) sweeps[i][j] = static_cast<double>(i * (j + 1)) + 0.1 * static_cast<double>(j);
    const auto lines = RunHisto(sweeps, 50);
    int tallest = 0;
    for (int j = 1; j <= 3 * c.comps; ++j)
      for (int k = 1; k <= 102; ++k) {
        std::string y = Y(lines, 50, j, k);
        tallest += y == c.height;
        EXPECT_EQ(y.find('-'), (y.find("e-") == std::string::npos ? std::string::npos : y.find("e-")))
            << "negative height in record " << j;
        EXPECT_LE(std::stod(y), std::stod(c.height)) << "record " << j;
      }
    EXPECT_GT(tallest, 0);
    EXPECT_EQ(Y(lines, 50, 3 * c.comps, 1), "0.000000e+000");
    EXPECT_EQ(Y(lines, 50, 3 * c.comps, 5), "0.000000e+000") << "empty bin of the last component";
  }
}

TEST(Histogram, SlotWithoutRangeIsFlatOthersUnaffected) {
  // Slot 1 holds 7.0 everywhere: no range, no weight counted, every x at
  // its origin 6.5, every height 0. Slots 2 and 3 are ordinary.
  const auto lines = RunHisto({{7.0, 1.0, 5.0}, {7.0, 2.0, 6.0}}, 50);
  EXPECT_TRUE(Filled(1).empty());
  for (int k = 1; k <= 102; ++k) {
    EXPECT_EQ(X(lines, 50, 1, k), "6.500000e+000") << k;
    EXPECT_EQ(Y(lines, 50, 1, k), "0.000000e+000") << k;
  }
  EXPECT_EQ(Filled(2), (Bins{{1, 0.5}, {49, 0.5}}));
  EXPECT_EQ(Y(lines, 50, 2, 2), "1.305098e+002");
}

TEST(Histogram, SingleSweepWritesFlatRecords) {
  const auto lines = RunHisto({{1.0, 2.2, 0.7}}, 50);
  EXPECT_EQ(X(lines, 50, 2, 1), "1.700000e+000");
  EXPECT_EQ(X(lines, 50, 2, 102), "1.700000e+000");
  for (const std::string& line : lines) EXPECT_EQ(line.find("nan"), std::string::npos);
  for (const std::string& line : lines) EXPECT_EQ(line.find("inf"), std::string::npos);
}

TEST(Histogram, WeightBeyondTheRowIsDroppedNotSpilled) {
  // Parameter 4 is constant in a slot only 0.01 wide: its quotient is 2475,
  // outside the row. Nothing may land in row 5 or anywhere else.
  RunHisto({{4.995, 1.0, 1.0, 5.0, 3.0, 3.0}, {5.005, 2.0, 2.0, 5.0, 4.0, 4.0}}, 50);
  EXPECT_TRUE(Filled(4).empty());
  EXPECT_EQ(Filled(5), (Bins{{1, 0.5}, {16, 0.5}}));
}

TEST(Histogram, HugeValuesKeepTheSentinelOrigin) {
  const auto lines = RunHisto({{2e20, 1, 1}, {2e20, 2, 2}}, 50);
  EXPECT_EQ(Filled(1), (Bins{{49, 1.0}})) << "origin stays 1e20: quotient 49.5";
  EXPECT_EQ(X(lines, 50, 1, 1), "1.020202e+020");
}

TEST(Histogram, ZeroTotalWeightIsReportedAndTheCallGoesOn) {
  xorig[1][1] = 1;
  xorig[1][2] = 2;
  for (int j = 2; j <= 3; ++j) xorig[j][1] = xorig[j][2] = j;
  yorig[1] = yorig[2] = 0.0;
  fp6 = std::tmpfile();
  testing::internal::CaptureStdout();
  HistoOnly(xorig, yorig, 50, freq, 3, 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "No observations to plot\n");
  EXPECT_GT(std::ftell(fp6), 0L);
  std::fclose(fp6);
  fp6 = nullptr;
}

}  // namespace
