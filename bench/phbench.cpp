// phbench: how long a run of parhistos50 takes against the floor that its
// design allows, on one synthetic run made by genrun.
//
// Usage: phbench PARHISTOS50 GENRUN WORKDIR [REPS]
// Makes WORKDIR/run (400,000 sweeps, kmax 12, seed 5) unless it is there,
// then, REPS times (default 5), alternately:
//   run:   parhistos50 from its start to the line "Press key to finish";
//   floor: twelve passes over 1.Par that only split it into tokens, plus one
//          pass that converts every token to a double (std::from_chars),
//          each reading through one static 1 MiB buffer like the scanner.
// Prints both medians, their ratio and the run's peak memory (max RSS). The
// ratio of the fastest times is printed too: on a busy machine it is the
// steadier of the two.
// Linux only (fork, pipes, wait4); a measuring tool, not a test.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr long kSweeps = 400000;
constexpr int kKmax = 12;
constexpr int kSeed = 5;
constexpr size_t kBufSize = size_t{1} << 20;  // the scanner's buffer size
constexpr char kDoneLine[] = "Press key to finish";

char buf[kBufSize];

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "phbench: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

// Whitespace by table, as the scanner classifies bytes.
struct SpaceTable {
  bool of[256] = {};
  constexpr SpaceTable() { of[' '] = of['\n'] = of['\t'] = of['\r'] = of['\v'] = of['\f'] = true; }
};
constexpr SpaceTable kSpace;

bool IsSpace(char c) { return kSpace.of[static_cast<unsigned char>(c)]; }

// One pass over `path`: calls onToken(begin, end) for every whitespace-
// separated token. A token cut by the buffer's end is moved to its front and
// completed by the next read.
template <class OnToken>
void Split(const char* path, OnToken onToken) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) Die(path);
  size_t keep = 0;
  for (;;) {
    size_t got = std::fread(buf + keep, 1, kBufSize - keep, f);
    size_t end = keep + got;
    bool last = got == 0;
    size_t p = 0;
    for (;;) {
      while (p < end && IsSpace(buf[p])) ++p;
      size_t start = p;
      while (p < end && !IsSpace(buf[p])) ++p;
      if (p == end && !last) {  // maybe cut: keep it for the next read
        keep = end - start;
        std::memmove(buf, buf + start, keep);
        break;
      }
      if (start == p) break;
      onToken(buf + start, buf + p);
    }
    if (last) break;
  }
  std::fclose(f);
}

// The floor: twelve splitting passes and one converting pass, in seconds.
double Floor(const char* path, long* checksum) {
  auto t0 = Clock::now();
  long tokens = 0;
  for (int pass = 1; pass <= kKmax; ++pass)
    Split(path, [&](const char* b, const char* e) { tokens += e - b > 0; });
  double sum = 0;
  Split(path, [&](const char* b, const char* e) {
    double v = 0;
    std::from_chars(b, e, v);
    sum += v;
  });
  auto t1 = Clock::now();
  *checksum = tokens + static_cast<long>(sum);  // keeps the work observable
  return Seconds(t0, t1);
}

struct RunResult {
  double seconds;
  long maxrsskib;
};

// Runs `program run` in `workdir` with stdin and stdout as pipes; the clock
// stops when the line "Press key to finish" arrives. Closing stdin then
// answers the key press, and the program ends on its own.
RunResult Run(const char* program, const char* workdir) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) Die("pipe");
  auto t0 = Clock::now();
  pid_t pid = fork();
  if (pid < 0) Die("fork");
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[0]), close(in[1]), close(out[0]), close(out[1]);
    if (chdir(workdir) != 0) _exit(127);
    execl(program, program, "run", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  std::string seen;
  char chunk[4096];
  Clock::time_point t1{};
  for (;;) {
    ssize_t n = read(out[0], chunk, sizeof chunk);
    if (n <= 0) break;
    seen.append(chunk, static_cast<size_t>(n));
    if (t1 == Clock::time_point{} && seen.find(kDoneLine) != std::string::npos) {
      t1 = Clock::now();
      close(in[1]);  // the key press
      in[1] = -1;
    }
  }
  if (in[1] >= 0) close(in[1]);
  close(out[0]);
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) Die("wait4");
  if (t1 == Clock::time_point{} || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "phbench: %s failed (status %d); its output:\n%s\n", program, status,
                 seen.c_str());
    std::exit(1);
  }
  return {Seconds(t0, t1), usage.ru_maxrss};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void MakeRun(const char* genrun, const std::string& rundir) {
  struct stat st {};
  if (stat((rundir + "/1.Par").c_str(), &st) == 0 && stat((rundir + "/Init.d").c_str(), &st) == 0)
    return;
  std::string command = std::string(genrun) + " '" + rundir + "' " + std::to_string(kSweeps) + " " +
                        std::to_string(kKmax) + " " + std::to_string(kSeed);
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "phbench: %s failed\n", command.c_str());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: phbench PARHISTOS50 GENRUN WORKDIR [REPS]\n");
    return 2;
  }
  const char* program = argv[1];
  const char* genrun = argv[2];
  std::string workdir = argv[3];
  int reps = argc > 4 ? std::atoi(argv[4]) : 5;
  if (reps < 1) reps = 1;
  std::string rundir = workdir + "/run";
  std::string sample = rundir + "/1.Par";
  MakeRun(genrun, rundir);
  std::signal(SIGPIPE, SIG_IGN);

  struct stat st {};
  if (stat(sample.c_str(), &st) != 0) Die(sample);
  std::printf("sample file: %s, %.1f MB, %ld sweeps, kmax %d\n", sample.c_str(),
              static_cast<double>(st.st_size) / 1e6, kSweeps, kKmax);

  std::vector<double> runs, floors;
  long maxrss = 0;
  long checksum = 0;
  for (int r = 1; r <= reps; ++r) {
    RunResult run = Run(program, workdir.c_str());
    double floor = Floor(sample.c_str(), &checksum);
    runs.push_back(run.seconds);
    floors.push_back(floor);
    maxrss = std::max(maxrss, run.maxrsskib);
    std::printf("rep %d: run %.3f s, floor %.3f s\n", r, run.seconds, floor);
    std::fflush(stdout);
  }
  double mrun = Median(runs), mfloor = Median(floors);
  std::printf("median run:   %.3f s (parhistos50 start to \"%s\")\n", mrun, kDoneLine);
  std::printf("median floor: %.3f s (12 splitting passes + 1 converting pass; check %ld)\n",
              mfloor, checksum);
  std::printf("ratio run/floor: %.2f (of the medians; of the fastest of each: %.2f)\n",
              mrun / mfloor,
              *std::min_element(runs.begin(), runs.end()) /
                  *std::min_element(floors.begin(), floors.end()));
  std::printf("peak memory of the run (max RSS): %.1f MiB\n", static_cast<double>(maxrss) / 1024.0);
  return 0;
}
