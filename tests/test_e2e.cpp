// End-to-end: the real programs on real files in a temporary folder, with
// standard input given so the key wait ends by itself. The *_QUICK programs
// differ from the deliverables only in a 20 ms pause.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_support.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kFiveRecords =
    "5\n2\n0.4 1.0 2.0\n0.6 3.0 1.5\n1\n1.0 2.2 0.7\n0\n2\n0.3 1.1 1.9\n0.7 3.2 1.4\n"
    "3\n1 2 3\n4 5 6\n7 8 9\n";
const std::string kFourSweeps = "4\n1\n1.0 10.0 0.5\n1\n1.1 20.0 0.6\n1\n3.0 30.0 0.7\n1\n5.0 50.0 0.9\n";

std::string Opening(const std::string& folder) {
  return " Graphics suppressed.\ndatafile name = " + folder + "\nInput file  = " + folder +
         "/Init.d\nInput file  = " + folder + "/1.Par\nOutput file = " + folder +
         "/ParHistos.d\n\n";
}
const std::string kClosing = "\nOutput in file ParHistos.d\nPress key to finish\n\n\n Please Wait\n";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(Run, TranscriptFlagAndPlotFileOfTheFiveRecordExample) {
  TempDir dir;
  WriteRun(dir.path / "run1", 2, kFiveRecords);
  RunResult r = RunProgram(PH50_QUICK, {"run1"}, dir.path, "x");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, Opening("run1") + "at k=1 components, numsweeps=1\n" +
                       "at k=2 components, numsweeps=2\n" + kClosing);
  EXPECT_EQ(ReadFile(dir.path / "ReadyFileFlag.d"), "999.999000");
  EXPECT_FALSE(fs::exists(dir.path / "run1" / "ReadyFileFlag.d"));
  std::vector<std::string> plot = Lines(ReadFile(dir.path / "run1" / "ParHistos.d"));
  ASSERT_EQ(plot.size(), 1u + 9u * 104u);
  EXPECT_EQ(plot[0], "2");
  EXPECT_EQ(plot[1], " 1  1");
  EXPECT_EQ(plot[1 + 3 * 104], " 2  1");
  EXPECT_EQ(plot[1 + 8 * 104], " 2  6");
  EXPECT_FALSE(fs::exists(dir.path / "run1" / "ParHistos.d.tmp"));
}

TEST(Run, WorkedExampleFor50And40Bins) {
  TempDir dir;
  WriteRun(dir.path / "w", 1, kFourSweeps);
  RunResult r = RunProgram(PH50_QUICK, {"w"}, dir.path);
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> plot = Lines(ReadFile(dir.path / "w" / "ParHistos.d"));
  ASSERT_EQ(plot.size(), 313u);
  const std::vector<std::string> head = {"1", " 1  1", "102", "1.080808e+000\t 0.000000e+000",
                                         "1.080808e+000\t 1.305098e+002",
                                         "1.160808e+000\t 1.305098e+002"};
  EXPECT_EQ(std::vector<std::string>(plot.begin(), plot.begin() + 6), head);
  auto at = [&](const std::string& line) { return std::find(plot.begin(), plot.end(), line) - plot.begin(); };
  EXPECT_EQ(at("2.939394e+000\t 6.525488e+001") + 1, at("3.019394e+000\t 6.525488e+001"));
  EXPECT_EQ(at("4.959596e+000\t 6.525488e+001") + 1, at("5.039596e+000\t 6.525488e+001"));
  EXPECT_EQ(plot[103], "5.120404e+000\t 0.000000e+000");
  EXPECT_EQ(plot[104], "5.120404e+000\t 0.000000e+000");
  EXPECT_EQ(plot[105], " 1  2");
  EXPECT_EQ(plot[107], "1.080808e+001\t 0.000000e+000");
  EXPECT_EQ(plot[209], " 1  3");
  EXPECT_EQ(plot[210], "102");
  EXPECT_EQ(plot[211], "5.080808e-001\t 0.000000e+000");
  int tall = 0;
  for (size_t i = 3; i < 105; ++i) tall += plot[i].ends_with("1.305098e+002");
  EXPECT_EQ(tall, 2) << "only bar 1 of record 1 is full height";

  r = RunProgram(PH40_QUICK, {"w"}, dir.path);
  ASSERT_EQ(r.status, 0) << r.err;
  plot = Lines(ReadFile(dir.path / "w" / "ParHistos.d"));
  ASSERT_EQ(plot.size(), 1u + 3u * 84u);
  EXPECT_EQ(plot[2], "82");
}

TEST(Run, KmaxBelowOneTouchesNoPlotFile) {
  for (const char* kmax : {"0", "-3"}) {
    SCOPED_TRACE(kmax);
    TempDir dir;
    WriteRun(dir.path / "d", 0, kFiveRecords);
    WriteFile(dir.path / "d" / "Init.d", std::string("0 0.5 1 2 3.0 4.0 5 1 2 3 4 5 6 7 ") + kmax);
    WriteFile(dir.path / "d" / "ParHistos.d", "earlier result");
    RunResult r = RunProgram(PH50_QUICK, {"d"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Opening("d") + kClosing);
    EXPECT_EQ(ReadFile(dir.path / "d" / "ParHistos.d"), "earlier result");
    EXPECT_EQ(ReadFile(dir.path / "ReadyFileFlag.d"), "999.999000");
  }
}

TEST(Run, CountsWithoutSweepsLeaveNoTrace) {
  TempDir dir;
  WriteRun(dir.path / "d", 3, "2\n2 1 2 3 4 5 6\n2 2 3 4 5 6 7\n");
  WriteFile(dir.path / "ReadyFileFlag.d", "old flag that is longer");
  RunResult r = RunProgram(PH50_QUICK, {"d", "ignored", "args"}, dir.path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Opening("d") + "at k=1 components, numsweeps=0\nat k=2 components, numsweeps=2\n" +
                       "at k=3 components, numsweeps=0\n" + kClosing);
  std::vector<std::string> plot = Lines(ReadFile(dir.path / "d" / "ParHistos.d"));
  ASSERT_EQ(plot.size(), 1u + 6u * 104u);
  EXPECT_EQ(plot[0], "3");
  for (int j = 1; j <= 6; ++j) EXPECT_EQ(plot[static_cast<size_t>(1 + (j - 1) * 104)], " 2  " + std::to_string(j));
  EXPECT_EQ(ReadFile(dir.path / "ReadyFileFlag.d"), "999.999000");

  WriteRun(dir.path / "e", 2, "0\n");
  r = RunProgram(PH50_QUICK, {"e"}, dir.path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadFile(dir.path / "e" / "ParHistos.d"), "2\n");
}

TEST(Run, LongestNameAndTrailingSeparatorArePrintedAsTyped) {
  TempDir dir;
  const std::string name = "a_folder_of_19_char";
  ASSERT_EQ(name.size(), 19u);
  WriteRun(dir.path / name, 1, kFourSweeps);
  RunResult r = RunProgram(PH50_QUICK, {name}, dir.path);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, Opening(name).size()), Opening(name));
  EXPECT_TRUE(fs::exists(dir.path / name / "ParHistos.d"));

  WriteRun(dir.path / "s", 1, kFourSweeps);
  r = RunProgram(PH50_QUICK, {"s/"}, dir.path);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, Opening("s/").size()), Opening("s/"));
  EXPECT_NE(r.out.find("Input file  = s//Init.d\n"), std::string::npos);
}

// Reads the child's output until it holds `text` or 10 s pass.
bool AwaitOutput(int fd, const std::string& text, std::string* seen) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (seen->find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char chunk[256];
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) return false;
    seen->append(chunk, static_cast<size_t>(n));
  }
  return true;
}

TEST(Run, TextsReachAPipeBeforeTheKeyWait) {
  // Standard output is a pipe, so nothing is line-buffered for us: the
  // prompt must be visible while the program waits for its key.
  TempDir dir;
  WriteRun(dir.path / "d", 2, kFiveRecords);
  int in[2], out[2];
  ASSERT_EQ(pipe(in), 0);
  ASSERT_EQ(pipe(out), 0);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[1]);
    close(out[0]);
    if (chdir(dir.path.c_str()) != 0) _exit(125);
    execl(PH50_QUICK, PH50_QUICK, "d", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  std::string seen;
  bool prompted = AwaitOutput(out[0], "Press key to finish\n", &seen);
  EXPECT_TRUE(prompted) << seen;
  EXPECT_FALSE(fs::exists(dir.path / "ReadyFileFlag.d")) << "flag written before the key";
  if (!prompted) kill(pid, SIGKILL);
  EXPECT_EQ(write(in[1], "k", 1), 1);
  EXPECT_TRUE(AwaitOutput(out[0], " Please Wait\n", &seen)) << seen;
  close(in[1]);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadFile(dir.path / "ReadyFileFlag.d"), "999.999000");
}

TEST(Run, ClosedStandardInputCountsAsTheKey) {
  // The work is done by the time the key is read: a closed standard input
  // must not throw the finished plot file away.
  TempDir dir;
  WriteRun(dir.path / "d", 1, kFourSweeps);
  RunResult r = RunProgram("/bin/sh", {"-c", std::string("exec ") + PH50_QUICK + " d <&-"}, dir.path);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.ends_with(kClosing));
  EXPECT_EQ(ReadFile(dir.path / "ReadyFileFlag.d"), "999.999000");
  EXPECT_EQ(ReadFile(dir.path / "d" / "ParHistos.d").substr(0, 8), "1\n 1  1\n");
}

TEST(Run, DeliverablePausesTwoSeconds) {
  TempDir dir;
  WriteRun(dir.path / "d", 1, kFourSweeps);
  auto start = std::chrono::steady_clock::now();
  RunResult r = RunProgram(PH50, {"d"}, dir.path);  // no input: end of input is the key
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.ends_with("\n\n Please Wait\n"));
  EXPECT_GE(seconds, 2.0);
  EXPECT_LT(seconds, 10.0);
}

struct FailureCase {
  const char* name;
  std::vector<std::string> args;
  int status;
  std::vector<std::string> err;  // texts the one error line must hold
  void (*setup)(const fs::path& dir);
};

void GoodRun(const fs::path& dir) { WriteRun(dir / "d", 2, kFiveRecords); }

const FailureCase kFailures[] = {
    {"no argument", {}, 2, {"usage"}, GoodRun},
    {"empty argument", {""}, 2, {"usage"}, GoodRun},
    {"name of 20 characters", {"twenty_characters_xx"}, 2, {"19 characters", "shorter relative name"},
     [](const fs::path& dir) { WriteRun(dir / "twenty_characters_xx", 1, kFourSweeps); }},
    {"missing folder", {"nothere"}, 1, {"nothere/Init.d", "cannot open"}, GoodRun},
    {"missing sample file", {"d"}, 1, {"d/1.Par", "cannot open"},
     [](const fs::path& dir) { GoodRun(dir); fs::remove(dir / "d" / "1.Par"); }},
    {"init file ends early", {"d"}, 1, {"d/Init.d:1", "ends before kmax"},
     [](const fs::path& dir) { GoodRun(dir); WriteFile(dir / "d" / "Init.d", "0 0.5 1 2"); }},
    {"bad token in a later pass", {"d"}, 1, {"d/1.Par:6", "'1.5'"},
     [](const fs::path& dir) { WriteRun(dir / "d", 3, "1\n1 1 2 3\n2 1 2 3 4 5 6\n1 2 3 4\n2 1 2 3 4 5 6\n1.5 9\n"); }},
    {"sweep of 13 components", {"d"}, 1, {"d/1.Par:2", "12"},
     [](const fs::path& dir) {
       std::string rec = "13";
       for (int i = 0; i < 39; ++i) rec += " 1";
       WriteRun(dir / "d", 13, "1\n" + rec + "\n");
     }},
    {"plot file cannot be created", {"d"}, 1, {"d/ParHistos.d.tmp", "cannot create"},
     [](const fs::path& dir) { GoodRun(dir); fs::create_directories(dir / "d" / "ParHistos.d.tmp"); }},
    {"plot file cannot replace the old one", {"d"}, 1, {"d/ParHistos.d", "cannot replace"},
     [](const fs::path& dir) { GoodRun(dir); fs::create_directories(dir / "d" / "ParHistos.d" / "x"); }},
    {"ready flag cannot be created", {"d"}, 1, {"ReadyFileFlag.d", "cannot create"},
     [](const fs::path& dir) { GoodRun(dir); fs::create_directories(dir / "ReadyFileFlag.d"); }},
};

TEST(Run, FailuresStopWithOneLineAndKeepTheEarlierPlotFile) {
  for (const FailureCase& c : kFailures) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    c.setup(dir.path);
    const fs::path plot = dir.path / "d" / "ParHistos.d";
    const bool keepold = fs::exists(dir.path / "d") && !fs::exists(plot);
    if (keepold) WriteFile(plot, "earlier result\n");
    RunResult r = RunProgram(PH50_QUICK, c.args, dir.path);
    EXPECT_EQ(r.status, c.status);
    for (const std::string& text : c.err) EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.starts_with("parhistos50: ")) << r.err;
    EXPECT_TRUE(r.err.ends_with("\n")) << r.err;
    if (c.status == 1) {
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
    EXPECT_TRUE(r.out.starts_with(" Graphics suppressed.\n"));
    EXPECT_EQ(r.out.find("Please Wait"), std::string::npos);
    if (keepold) {
      EXPECT_EQ(ReadFile(plot), "earlier result\n");
    }
    EXPECT_FALSE(fs::exists(dir.path / "d" / "ParHistos.d.tmp") &&
                 !fs::is_directory(dir.path / "d" / "ParHistos.d.tmp"));
    if (!fs::is_directory(dir.path / "ReadyFileFlag.d")) {
      EXPECT_FALSE(fs::exists(dir.path / "ReadyFileFlag.d"));
    }
  }
}

TEST(Run, CutOffLastRecordWarnsOnceAndTheRunGoesOn) {
  TempDir dir;
  WriteRun(dir.path / "d", 3, "3\n1 1 2 3\n2 1 2 3 4 5 6\n2 1 2 3\n");
  RunResult r = RunProgram(PH50_QUICK, {"d"}, dir.path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "parhistos50: warning: d/1.Par:4: last record (count 2) ends early; not a sweep\n");
  EXPECT_NE(r.out.find("at k=2 components, numsweeps=1\n"), std::string::npos);
}

}  // namespace
