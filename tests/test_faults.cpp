// Faults end to end: bad input files, files that vanish or cannot be written,
// and the edges of the sample store, each run through the real program in a
// temporary folder with standard input given.
//
// A failed run must end with one line on standard error naming the file (and
// the line and token where there is one) and its exit status, and must leave
// every file as it was: an earlier ParHistos.d byte for byte, no temporary
// plot file, no ReadyFileFlag.d. The check compares a snapshot of the whole
// temporary folder (the working directory and the data folder) before and
// after the run.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "e2e_support.h"

namespace fs = std::filesystem;

namespace {

// The thirteen fixed fields of the init file.
const std::string kFixed = "0.5 1 2 3.0 4.0 5 1 2 3 4 5 6 7";
const std::string kFiveRecords =
    "5\n2\n0.4 1.0 2.0\n0.6 3.0 1.5\n1\n1.0 2.2 0.7\n0\n2\n0.3 1.1 1.9\n0.7 3.2 1.4\n"
    "3\n1 2 3\n4 5 6\n7 8 9\n";
const std::string kEarlier = "earlier result\n";

using Snapshot = std::map<std::string, std::string>;

// Every entry under `dir` with its kind and, for a file, its bytes.
// Symbolic links and FIFOs are recorded, never followed or read.
Snapshot Take(const fs::path& dir) {
  Snapshot s;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir)) {
    const std::string name = fs::relative(e.path(), dir).string();
    if (e.is_symlink()) s[name] = "link to " + fs::read_symlink(e.path()).string();
    else if (e.is_directory()) s[name] = "folder";
    else if (e.is_fifo()) s[name] = "fifo";
    else s[name] = "file: " + ReadFile(e.path());
  }
  return s;
}

// A good run in the data folder "d" (kmax 2) beside the plot file of an
// earlier run.
void GoodRun(const fs::path& dir) {
  WriteRun(dir / "d", 2, kFiveRecords);
  WriteFile(dir / "d" / "ParHistos.d", kEarlier);
}

// Checks the one error line of a failed run: the program's name first, each
// of `texts` in it, nothing after it.
void ExpectOneErrorLine(const RunResult& r, const std::vector<std::string>& texts) {
  EXPECT_TRUE(r.err.starts_with("parhistos50: ")) << r.err;
  EXPECT_TRUE(r.err.ends_with("\n")) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
  for (const std::string& text : texts) EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("Press key to finish"), std::string::npos) << "no key wait after an error";
}

struct BadInput {
  const char* name;
  std::function<void(const fs::path& d)> change;  // applied to a good data folder
  std::vector<std::string> args;
  int status;
  std::vector<std::string> err;  // texts of the error line
};

std::function<void(const fs::path&)> Init(const std::string& text) {
  return [text](const fs::path& d) { WriteFile(d / "Init.d", text); };
}
std::function<void(const fs::path&)> Par(const std::string& text) {
  return [text](const fs::path& d) { WriteFile(d / "1.Par", text); };
}
std::function<void(const fs::path&)> InitKmax2(const std::string& fixed) {
  return Init("0\n" + fixed + "\n2\n");
}

const std::string kOverlong(size_t{2} << 20, '7');  // twice the scanner's buffer

const BadInput kBadInputs[] = {
    {"data folder missing, nested name", [](const fs::path&) {}, {"gone/d"}, 1,
     {"parhistos50: gone/d/Init.d: cannot open: No such file or directory\n"}},
    {"Init.d missing", [](const fs::path& d) { fs::remove(d / "Init.d"); }, {"d"}, 1,
     {"parhistos50: d/Init.d: cannot open: No such file or directory\n"}},
    {"Init.d is a folder", [](const fs::path& d) { fs::remove(d / "Init.d"); fs::create_directory(d / "Init.d"); },
     {"d"}, 1, {"parhistos50: d/Init.d:1: read error: Is a directory\n"}},
    {"1.Par is a folder", [](const fs::path& d) { fs::remove(d / "1.Par"); fs::create_directory(d / "1.Par"); },
     {"d"}, 1, {"parhistos50: d/1.Par:1: read error: Is a directory\n"}},
    {"Init.d empty", Init(""), {"d"}, 1, {"parhistos50: d/Init.d:1: file ends before kmax\n"}},
    {"Init.d ends inside its n reals", Init("3\n1.5\n2.5"), {"d"}, 1,
     {"parhistos50: d/Init.d:3: file ends before kmax\n"}},
    {"real kmax", Init("0\n" + kFixed + "\n2.0\n"), {"d"}, 1,
     {"parhistos50: d/Init.d:3: integer expected near '2.0'\n"}},
    {"real at an integer fixed field", InitKmax2("0.5 1 2e0 3.0 4.0 5 1 2 3 4 5 6 7"), {"d"}, 1,
     {"parhistos50: d/Init.d:2: integer expected near '2e0'\n"}},
    {"real sample file header", Par("5.0\n1 1 2 3\n"), {"d"}, 1,
     {"parhistos50: d/1.Par:1: integer expected near '5.0'\n"}},
    {"exponent at a record count", Par("1\n1e0 1 2 3\n"), {"d"}, 1,
     {"parhistos50: d/1.Par:2: integer expected near '1e0'\n"}},
    {"non-numeric read-past real in Init.d", Init("1\nx1\n" + kFixed + " 2"), {"d"}, 1,
     {"parhistos50: d/Init.d:2: finite real number expected near 'x1'\n"}},
    {"non-numeric value of a sweep", Par("1\n1 1 abc 3\n"), {"d"}, 1,
     {"parhistos50: d/1.Par:2: finite real number expected near 'abc'\n"}},
    {"nan in a sweep", Par("1\n1\n1 nan 3\n"), {"d"}, 1,
     {"parhistos50: d/1.Par:3: finite real number expected near 'nan'\n"}},
    {"-inf in a record that is read past", Par("1\n3 1 2 3 4 5 6 7 8\n-inf\n"), {"d"}, 1,
     {"parhistos50: d/1.Par:3: finite real number expected near '-inf'\n"}},
    {"NaN and infinity in Init.d", Init("2 NaN infinity " + kFixed + " 2"), {"d"}, 1,
     {"parhistos50: d/Init.d:1: finite real number expected near 'NaN'\n"}},
    {"hexadecimal real", Par("1\n1 0x1p3 1 2\n"), {"d"}, 1,
     {"parhistos50: d/1.Par:2: finite real number expected near '0x1p3'\n"}},
    {"value overflows a double", Par("1\n1 1 2 1e309\n"), {"d"}, 1,
     {"parhistos50: d/1.Par:2: finite real number expected near '1e309'\n"}},
    {"read-past value overflows a double", Par("1\n7 -1.8e308\n"), {"d"}, 1,
     {"parhistos50: d/1.Par:2: finite real number expected near '-1.8e308'\n"}},
    {"fixed real of Init.d overflows", InitKmax2("1e400 1 2 3.0 4.0 5 1 2 3 4 5 6 7"), {"d"}, 1,
     {"parhistos50: d/Init.d:2: finite real number expected near '1e400'\n"}},
    {"record count overflows 32 bits", Par("1\n1 1 2 3\n2147483648 1 2 3\n"), {"d"}, 1,
     {"parhistos50: d/1.Par:3: integer expected near '2147483648'\n"}},
    {"n overflows 32 bits", Init("-2147483649 " + kFixed + " 2"), {"d"}, 1,
     {"parhistos50: d/Init.d:1: integer expected near '-2147483649'\n"}},
    {"kmax overflows 32 bits", Init("0 " + kFixed + " 99999999999"), {"d"}, 1,
     {"parhistos50: d/Init.d:1: integer expected near '99999999999'\n"}},
    {"NUL and escape bytes in a token", Par(std::string("1\n1 1 2") + '\0' + "3\x1b 4\n"), {"d"}, 1,
     {"parhistos50: d/1.Par:2: finite real number expected near '2\\x003\\x1b'\n"}},
    {"token longer than the read buffer", Par("1\n1 1 2 " + kOverlong + "\n"), {"d"}, 1,
     {"parhistos50: d/1.Par:2: token longer than the read buffer near '777", "...'\n"}},
    {"folder name of 20 characters naming the folder", [](const fs::path&) {}, {"d/./././././././././"}, 2,
     {"'d/./././././././././' is longer than 19 characters"}},
};

TEST(Faults, BadInputStopsWithOneLineAndTouchesNoFile) {
  ASSERT_EQ(std::string("d/./././././././././").size(), 20u);
  for (const BadInput& c : kBadInputs) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    GoodRun(dir.path);
    c.change(dir.path / "d");
    const Snapshot before = Take(dir.path);
    RunResult r = RunProgram(PH50_QUICK, c.args, dir.path);
    EXPECT_EQ(r.status, c.status);
    ExpectOneErrorLine(r, c.err);
    EXPECT_EQ(Take(dir.path), before) << "a failed run changes no file";
  }
}

// The sample file is a FIFO: the test feeds it to the first pass and removes
// it before closing its end, so the first pass sees the end of the file only
// after the name is gone and the second pass cannot open it. No timing is
// involved.
TEST(Faults, SampleFileThatDisappearsBetweenPasses) {
  TempDir dir;
  GoodRun(dir.path);
  const fs::path fifo = dir.path / "d" / "1.Par";
  fs::remove(fifo);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Snapshot expected = Take(dir.path);
  expected.erase("d/1.Par");

  std::thread writer([&] {
    int fd = open(fifo.c_str(), O_WRONLY);  // waits for the first pass to open it
    if (fd < 0) return;
    EXPECT_EQ(write(fd, kFiveRecords.data(), kFiveRecords.size()),
              static_cast<ssize_t>(kFiveRecords.size()));
    EXPECT_EQ(unlink(fifo.c_str()), 0);
    close(fd);  // now the first pass meets the end of the file
  });
  RunResult r = RunProgram(PH50_QUICK, {"d"}, dir.path);
  // If the program never opened the FIFO, open it here so the writer ends.
  int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  writer.join();
  if (fd >= 0) close(fd);

  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("at k=1 components, numsweeps=1\n"), std::string::npos) << r.out;
  ExpectOneErrorLine(r, {"parhistos50: d/1.Par: cannot open: No such file or directory\n"});
  EXPECT_EQ(Take(dir.path), expected);
}

// Writes that fail: the file-size limit of the process cuts the plot file
// short, the ready flag cannot be created, or cannot take its value.
TEST(Faults, PlotFileThatCannotBeWrittenToTheEnd) {
  // The plot file's size from a run without a limit; stdout and stderr of the
  // run are files too and stay well below every limit used here.
  TempDir clean;
  WriteRun(clean.path / "d", 2, kFiveRecords);
  ASSERT_EQ(RunProgram(PH50_QUICK, {"d"}, clean.path).status, 0);
  const std::string plot = ReadFile(clean.path / "d" / "ParHistos.d");
  ASSERT_GT(plot.size(), 8192u);

  struct Limit {
    const char* name;
    long long bytes;
    bool ok;
  };
  const Limit limits[] = {
      {"room for the whole file", static_cast<long long>(plot.size()), true},
      {"one byte short", static_cast<long long>(plot.size()) - 1, false},
      {"cut in the first count's records", 4096, false},
  };
  for (const Limit& l : limits) {
    SCOPED_TRACE(l.name);
    TempDir dir;
    GoodRun(dir.path);
    const Snapshot before = Take(dir.path);
    RunResult r = RunProgram(PH50_QUICK, {"d"}, dir.path, "", {}, l.bytes);
    if (l.ok) {
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(ReadFile(dir.path / "d" / "ParHistos.d"), plot);
      continue;
    }
    EXPECT_EQ(r.status, 1);
    ExpectOneErrorLine(r, {"parhistos50: d/ParHistos.d.tmp: cannot write the plot file: File too large\n"});
    EXPECT_EQ(Take(dir.path), before);
  }
}

TEST(Faults, ReadyFlagThatCannotBeCreatedOrWritten) {
  // A link into a folder that does not exist: the flag cannot be created,
  // so the run ends before the plot file moves.
  TempDir dir;
  GoodRun(dir.path);
  fs::create_symlink("no/such/folder/flag", dir.path / "ReadyFileFlag.d");
  const Snapshot before = Take(dir.path);
  RunResult r = RunProgram(PH50_QUICK, {"d"}, dir.path, "x");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Press key to finish\n"), std::string::npos);
  EXPECT_EQ(r.out.find("Please Wait"), std::string::npos);
  EXPECT_EQ(r.err, "parhistos50: ReadyFileFlag.d: cannot create the ready flag file: "
                   "No such file or directory\n");
  EXPECT_EQ(Take(dir.path), before);

  // A flag that opens but cannot take its value (a full device). The flag is
  // created first and the plot file moved right after it, before the value is
  // written: so the new plot file, complete, is in place, and the unfinished
  // flag is removed.
  TempDir full;
  WriteRun(full.path / "d", 2, kFiveRecords);
  ASSERT_EQ(RunProgram(PH50_QUICK, {"d"}, full.path).status, 0);
  const std::string plot = ReadFile(full.path / "d" / "ParHistos.d");
  WriteFile(full.path / "d" / "ParHistos.d", kEarlier);
  fs::remove(full.path / "ReadyFileFlag.d");
  fs::create_symlink("/dev/full", full.path / "ReadyFileFlag.d");
  r = RunProgram(PH50_QUICK, {"d"}, full.path, "x");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "parhistos50: ReadyFileFlag.d: cannot write the ready flag file: "
                   "No space left on device\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(full.path / "ReadyFileFlag.d")));
  EXPECT_FALSE(fs::exists(full.path / "d" / "ParHistos.d.tmp"));
  EXPECT_EQ(ReadFile(full.path / "d" / "ParHistos.d"), plot);
}

// The sample store holds 209,999 sweeps of one count and 12 components.
std::string Sweeps(int count, int comps) {
  std::string text;
  text.reserve(static_cast<size_t>(count) * (4 + 12 * static_cast<size_t>(comps)));
  for (int i = 0; i < count; ++i) {
    text += std::to_string(comps);
    for (int c = 1; c <= comps; ++c) {
      text += ' ';
      text += std::to_string(i % 97);
      text += ".5 ";
      text += std::to_string(c);
      text += " -";
      text += std::to_string(i % 13);
    }
    text += "\n";
  }
  return text;
}

size_t LineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(Capacity, SweepsOfOneCountUpTo209999) {
  TempDir dir;
  WriteRun(dir.path / "d", 1, "0\n" + Sweeps(209999, 1));
  RunResult r = RunProgram(PH50_QUICK, {"d"}, dir.path);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("at k=1 components, numsweeps=209999\n"), std::string::npos);
  EXPECT_EQ(LineCount(ReadFile(dir.path / "d" / "ParHistos.d")), 1u + 3u * 104u);

  // One more sweep of the same count, anywhere in the file, is too many.
  fs::remove(dir.path / "ReadyFileFlag.d");
  WriteFile(dir.path / "d" / "1.Par", "0\n" + Sweeps(209999, 1) + "2 1 2 3 4 5 6\n" + Sweeps(1, 1));
  const Snapshot before = Take(dir.path);
  r = RunProgram(PH50_QUICK, {"d"}, dir.path);
  EXPECT_EQ(r.status, 1);
  ExpectOneErrorLine(r, {"parhistos50: d/1.Par:210002: ", "209999", "near '1'"});
  EXPECT_EQ(Take(dir.path), before);
}

TEST(Capacity, TwelveComponentsAndKmaxAboveTwelve) {
  // 12 components fill the store's rows; kmax 30 with no sweep above 12 runs
  // to its end and reports every count.
  for (int kmax : {12, 30}) {
    SCOPED_TRACE(kmax);
    TempDir dir;
    WriteRun(dir.path / "d", kmax, "3\n" + Sweeps(2, 12) + Sweeps(3, 1) + "40\n");
    RunResult r = RunProgram(PH50_QUICK, {"d"}, dir.path);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "parhistos50: warning: d/1.Par:7: last record (count 40) ends early; not a sweep\n");
    EXPECT_NE(r.out.find("at k=12 components, numsweeps=2\n"), std::string::npos);
    EXPECT_NE(r.out.find("at k=" + std::to_string(kmax) + " components, numsweeps="), std::string::npos);
    EXPECT_NE(r.out.find("Please Wait"), std::string::npos);
    const std::string plot = ReadFile(dir.path / "d" / "ParHistos.d");
    EXPECT_TRUE(plot.starts_with(std::to_string(kmax) + "\n"));
    EXPECT_EQ(LineCount(plot), 1u + (3u + 36u) * 104u);
    EXPECT_NE(plot.find("\n12 36\n"), std::string::npos);
  }

  // A sweep of 13 components is found in the pass for 13, after the passes
  // for 1..12 have run.
  TempDir dir;
  GoodRun(dir.path);
  WriteRun(dir.path / "d", 20, "3\n" + Sweeps(2, 12) + Sweeps(1, 13) + Sweeps(1, 1));
  const Snapshot before = Take(dir.path);
  RunResult r = RunProgram(PH50_QUICK, {"d"}, dir.path);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("at k=12 components, numsweeps=2\n"), std::string::npos);
  EXPECT_EQ(r.out.find("at k=13"), std::string::npos);
  ExpectOneErrorLine(r, {"parhistos50: d/1.Par:4: ", "12", "near '13'"});
  EXPECT_EQ(Take(dir.path), before);
}

}  // namespace
