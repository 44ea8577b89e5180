// Init and sample file readers: layouts, the store they fill, and failures.
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"
#include "input/initfile.h"
#include "input/samplefile.h"

namespace {

// The thirteen fixed fields: real, integer, integer, real, real, integer, seven reals.
const std::string kFixed = "0.5 1 2 3.0 4.0 5 1 2 3 4 5 6 7";

struct InitCase {
  const char* name;
  std::string text;
  bool ok;
  int32_t kmax;     // when ok
  int line;         // when not ok
  const char* token;
};

TEST(InitFile, KmaxFollowsTheFixedFieldsInAnyLayout) {
  const InitCase cases[] = {
      {"n = 0, one line", "0 " + kFixed + " 4", true, 4, 0, ""},
      {"n negative reads no reals", "-2 " + kFixed + " 6", true, 6, 0, ""},
      {"n = 3: kmax is the 18th token", "3\n1.5\n-2\n1e-3\n" + kFixed + "\n12\n", true, 12, 0, ""},
      {"one token per line, CR LF, blank lines", "1\r\n\r\n7.25\r\n0.5\r\n1\r\n2\r\n3.0\r\n4.0\r\n5\r\n"
                                                 "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n3\r\n", true, 3, 0, ""},
      {"anything after kmax is never read", "0 " + kFixed + " 2 junk 1.5.5", true, 2, 0, ""},
      {"kmax of 0 and below is read as is", "0 " + kFixed + " -1", true, -1, 0, ""},
      {"empty file", "", false, 0, 1, ""},
      {"ends before kmax", "0 " + kFixed + "\n", false, 0, 2, ""},
      {"real at an integer position", "0 0.5 1.0 2 3.0 4.0 5 1 2 3 4 5 6 7 2", false, 0, 1, "1.0"},
      {"real kmax", "0\n" + kFixed + "\n2.5\n", false, 0, 3, "2.5"},
      {"non-numeric read-past real", "1\nabc\n" + kFixed + " 2", false, 0, 2, "abc"},
      {"read-past real overflows", "1\n1e999\n" + kFixed + " 2", false, 0, 2, "1e999"},
      {"integer overflows", "0 0.5 4294967296 2 3.0 4.0 5 1 2 3 4 5 6 7 2", false, 0, 1, "4294967296"},
  };
  for (const InitCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::string path = (dir.path / "Init.d").string();
    WriteFile(path, c.text);
    int32_t kmax = -99;
    Failure f;
    ASSERT_EQ(ReadInitFile(path.c_str(), &kmax, &f), c.ok);
    if (c.ok) {
      EXPECT_EQ(kmax, c.kmax);
    } else {
      EXPECT_STREQ(f.path, path.c_str());
      EXPECT_EQ(f.line, c.line);
      EXPECT_STREQ(f.token, c.token);
      EXPECT_EQ(f.status, 1);
    }
  }
}

TEST(InitFile, MissingFile) {
  int32_t kmax = 0;
  Failure f;
  EXPECT_FALSE(ReadInitFile("/nonexistent-folder/Init.d", &kmax, &f));
  EXPECT_NE(f.syserr, 0);
}

// Runs one pass and returns its console line.
std::string Pass(const std::string& path, int32_t numcomps, ShortRecord* shortrecord = nullptr,
                 bool expectok = true) {
  ShortRecord local;
  Failure f;
  testing::internal::CaptureStdout();
  bool ok = SamplePass(path.c_str(), numcomps, shortrecord ? shortrecord : &local, &f);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(ok, expectok) << f.message;
  return out;
}

// The five-record example: counts 2, 1, 0, 2 and 3 after a header of 5.
const std::string kFiveRecords =
    "5\n2\n0.4 1.0 2.0\n0.6 3.0 1.5\n1\n1.0 2.2 0.7\n0\n2\n0.3 1.1 1.9\n0.7 3.2 1.4\n"
    "3\n1 2 3\n4 5 6\n7 8 9\n";

void ExpectFiveRecordStore(const std::string& path) {
  EXPECT_EQ(Pass(path, 1), "at k=1 components, numsweeps=1\n");
  EXPECT_EQ(numobsns0, 1);
  EXPECT_EQ(xorig[1][1], 1.0);
  EXPECT_EQ(xorig[2][1], 2.2);
  EXPECT_EQ(xorig[3][1], 0.7);
  EXPECT_EQ(yorig[1], 1.0);

  EXPECT_EQ(Pass(path, 2), "at k=2 components, numsweeps=2\n");
  EXPECT_EQ(numobsns0, 2);
  const double col1[] = {0.4, 1.0, 2.0, 0.6, 3.0, 1.5};
  const double col2[] = {0.3, 1.1, 1.9, 0.7, 3.2, 1.4};
  for (int j = 1; j <= 6; ++j) {
    EXPECT_EQ(xorig[j][1], col1[j - 1]) << "row " << j;
    EXPECT_EQ(xorig[j][2], col2[j - 1]) << "row " << j;
  }
  EXPECT_EQ(yorig[1], 0.5);
  EXPECT_EQ(yorig[2], 0.5);
}

TEST(SampleFile, LayoutDoesNotMatter) {
  std::string oneline = kFiveRecords, crlf, pervalue;
  for (char& ch : oneline)
    if (ch == '\n') ch = ' ';
  for (char ch : kFiveRecords) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  for (char ch : kFiveRecords) pervalue += ch == ' ' ? std::string("\n\n") : std::string(1, ch);
  const std::pair<const char*, std::string> layouts[] = {
      {"one record per line", kFiveRecords}, {"all on one line", oneline},
      {"CR LF", crlf}, {"every value on its own line", pervalue},
      {"no line end at the end", kFiveRecords.substr(0, kFiveRecords.size() - 1)}};
  for (const auto& [name, text] : layouts) {
    SCOPED_TRACE(name);
    TempDir dir;
    std::string path = (dir.path / "1.Par").string();
    WriteFile(path, text);
    ExpectFiveRecordStore(path);
    EXPECT_EQ(Pass(path, 3), "at k=3 components, numsweeps=1\n");
    EXPECT_EQ(Pass(path, 4), "at k=4 components, numsweeps=0\n");
  }
}

TEST(SampleFile, EmptyOrHeaderOnlyFileHasNoSweeps) {
  for (const char* text : {"", "7\n", "  \n\n"}) {
    SCOPED_TRACE(text);
    TempDir dir;
    std::string path = (dir.path / "1.Par").string();
    WriteFile(path, text);
    EXPECT_EQ(Pass(path, 1), "at k=1 components, numsweeps=0\n");
    EXPECT_EQ(numobsns0, 0);
  }
}

TEST(SampleFile, WeightsAreTheNearestDoubleToOneOverN) {
  TempDir dir;
  std::string path = (dir.path / "1.Par").string();
  WriteFile(path, "3\n1 1 1 1\n1 2 2 2\n1 3 3 3\n");
  Pass(path, 1);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(yorig[i], 1.0 / 3.0);
}

TEST(SampleFile, CutOffLastRecordIsNotASweep) {
  TempDir dir;
  std::string path = (dir.path / "1.Par").string();
  WriteFile(path, "2\n1\n1 2 3\n1\n4 5\n");
  ShortRecord sr;
  EXPECT_EQ(Pass(path, 1, &sr), "at k=1 components, numsweeps=1\n");
  EXPECT_TRUE(sr.seen);
  EXPECT_EQ(sr.line, 4);
  EXPECT_EQ(sr.count, 1);
  EXPECT_EQ(Pass(path, 2, &sr), "at k=2 components, numsweeps=0\n");  // read past: still noted
  EXPECT_TRUE(sr.seen);
}

struct BadSample {
  const char* name;
  std::string text;
  int32_t numcomps;
  int line;
  const char* token;
};

TEST(SampleFile, BadTokensFailInEveryPass) {
  const BadSample cases[] = {
      {"real at a count", "1\n1 1 2 3\n1.0 1 2 3\n", 1, 3, "1.0"},
      {"real header", "1.5\n1 1 2 3\n", 1, 1, "1.5"},
      {"nan in a selected record", "1\n1 nan 2 3\n", 1, 2, "nan"},
      {"inf in a skipped record", "1\n2 1 2 3 4 inf 6\n", 1, 2, "inf"},
      {"overflow in a record above kmax", "1\n20 1e999\n", 3, 2, "1e999"},
      {"count overflows 32 bits", "1\n4294967297 1 2 3\n", 1, 2, "4294967297"},
  };
  for (const BadSample& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::string path = (dir.path / "1.Par").string();
    WriteFile(path, c.text);
    ShortRecord sr;
    Failure f;
    EXPECT_FALSE(SamplePass(path.c_str(), c.numcomps, &sr, &f));
    EXPECT_EQ(f.line, c.line);
    EXPECT_STREQ(f.token, c.token);
  }
}

TEST(SampleFile, StoreCapacityEdges) {
  TempDir dir;
  std::string path = (dir.path / "1.Par").string();
  // 12 components fill rows 1..36; 13 exceed the store.
  std::string twelve = "1\n12";
  for (int v = 1; v <= 36; ++v) {
    twelve += ' ';
    twelve += std::to_string(v);
  }
  std::string thirteen = twelve + "\n13";
  for (int v = 1; v <= 39; ++v) thirteen += " 0.5";
  WriteFile(path, thirteen + "\n");
  Pass(path, 12);
  EXPECT_EQ(numobsns0, 1);
  EXPECT_EQ(xorig[36][1], 36.0);
  ShortRecord sr;
  Failure f;
  EXPECT_FALSE(SamplePass(path.c_str(), 13, &sr, &f));
  EXPECT_EQ(f.line, 3);
  EXPECT_NE(std::string(f.message).find("12"), std::string::npos) << f.message;

  // 209,999 sweeps of one count fit; the 210,000th does not.
  std::string many = "0\n";
  for (int i = 0; i < 209999; ++i) many += "1 0 0 0\n";
  WriteFile(path, many);
  Pass(path, 1);
  EXPECT_EQ(numobsns0, 209999);
  WriteFile(path, many + "2 0 0 0 0 0 0\n1 0 0 0\n");
  EXPECT_FALSE(SamplePass(path.c_str(), 1, &sr, &f));
  EXPECT_EQ(f.line, 210002);
  EXPECT_NE(std::string(f.message).find("209999"), std::string::npos) << f.message;
}

}  // namespace
