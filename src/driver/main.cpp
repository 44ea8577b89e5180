// parhistos: turns the sample file of a sampling run into histogram plot
// data. For every component count k = 1..kmax it selects the sweeps of k
// components, builds a histogram of each of their 3k parameters and appends
// the histograms, as step polylines, to the plot file ParHistos.d.
//
// Usage: parhistos50 DATAFOLDER  (DATAFOLDER: at most 19 characters)
// Reads DATAFOLDER/Init.d and DATAFOLDER/1.Par, writes DATAFOLDER/ParHistos.d
// and, after a key press, ReadyFileFlag.d in the working directory.
//
// Failures: one line on standard error, exit status 2 for a bad command line
// and 1 for anything else. The plot file is written under a temporary name and
// moved over ParHistos.d only at the end of a successful run, so a failed or
// interrupted run leaves any earlier ParHistos.d as it was.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driver/parhistos.h"
#include "histogram/histo.h"
#include "input/initfile.h"
#include "input/samplefile.h"
#include "platform/platform.h"

namespace {

constexpr const char* kProgram = PARHISTOS_NUMINTVLS == 50 ? "parhistos50"
                                  : PARHISTOS_NUMINTVLS == 40 ? "parhistos40"
                                                              : "parhistos";
constexpr const char kTempSuffix[] = ".tmp";  // the plot file while it is written

char DataFileName[kMaxFolderName + 1];  // + 1: the terminator
char DataFolderInit[32];
char DataFolder1Par[32];
char DataFolderOut6[32];
char DataFolderTemp[sizeof DataFolderOut6 + sizeof kTempSuffix - 1];
static_assert(kMaxFolderName + sizeof "/ParHistos.d" == sizeof DataFolderOut6);

FILE* fpready = nullptr;
constexpr int kPlotSlot = 0, kFlagSlot = 1;  // files to remove if interrupted
bool plotcreated = false;  // the temporary plot file exists
bool flagcreated = false;  // ReadyFileFlag.d was created but not finished

// Writes a console text and makes it visible at once, also through a pipe.
void Say(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

// Writes "label path" as one visible console line.
void SayPath(const char* label, const char* path) {
  std::printf("%s%s\n", label, path);
  std::fflush(stdout);
}

// The one place that reports a failure: "program: path:line: message near 'token'".
int Report(const Failure& f) {
  std::fprintf(stderr, "%s: ", kProgram);
  if (f.path != nullptr) std::fprintf(stderr, f.line > 0 ? "%s:%d: " : "%s: ", f.path, f.line);
  std::fputs(f.message, stderr);
  if (f.token[0] != '\0') std::fprintf(stderr, " near '%s'", f.token);
  if (f.syserr != 0) std::fprintf(stderr, ": %s", std::strerror(f.syserr));
  std::fputc('\n', stderr);
  return f.status;
}

Failure FileFailure(const char* path, const char* message, int syserr) {
  Failure f;
  f.path = path;
  f.message = message;
  f.syserr = syserr;
  return f;
}

// Removes what this run created but did not finish; earlier results stay.
void DiscardUnfinished() {
  if (fp6 != nullptr) std::fclose(fp6);
  fp6 = nullptr;
  if (plotcreated) std::remove(DataFolderTemp);
  plotcreated = false;
  PlatformSetCleanupFile(kPlotSlot, nullptr);
  if (fpready != nullptr) std::fclose(fpready);
  fpready = nullptr;
  if (flagcreated) std::remove("ReadyFileFlag.d");
  flagcreated = false;
  PlatformSetCleanupFile(kFlagSlot, nullptr);
}

int Fail(const Failure& f) {
  DiscardUnfinished();
  return Report(f);
}

// Checks the command line and builds the paths. Returns 0 or an exit status.
int BuildPaths(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "%s: no data folder given\nusage: %s DATAFOLDER\n", kProgram, kProgram);
    return 2;
  }
  if (std::strlen(argv[1]) > kMaxFolderName) {
    std::fprintf(stderr,
                 "%s: data folder name '%s' is longer than %d characters; "
                 "run from its parent folder with a shorter relative name\n",
                 kProgram, argv[1], kMaxFolderName);
    return 2;
  }
  std::strcpy(DataFileName, argv[1]);
  std::snprintf(DataFolderInit, sizeof DataFolderInit, "%s/Init.d", DataFileName);
  std::snprintf(DataFolder1Par, sizeof DataFolder1Par, "%s/1.Par", DataFileName);
  std::snprintf(DataFolderOut6, sizeof DataFolderOut6, "%s/ParHistos.d", DataFileName);
  std::snprintf(DataFolderTemp, sizeof DataFolderTemp, "%s%s", DataFolderOut6, kTempSuffix);
  return 0;
}

// Creates the plot file (under its temporary name) and writes the header.
bool OpenPlotFile(int32_t kmax, Failure* failure) {
  PlatformSetCleanupFile(kPlotSlot, DataFolderTemp);
  fp6 = std::fopen(DataFolderTemp, "w");
  if (fp6 == nullptr) {
    *failure = FileFailure(DataFolderTemp, "cannot create the plot file", errno);
    return false;
  }
  plotcreated = true;
  std::fprintf(fp6, "%ld\n", static_cast<long>(kmax));
  return true;
}

// Closes `stream` and tells whether everything written reached the file; if
// not, *err is the errno of the failure (a failed write's errno is read before
// the close can change it; a value that fails only at the close, its own).
bool CloseWritten(FILE*& stream, int* err) {
  bool written = std::ferror(stream) == 0;
  *err = errno;
  if (std::fclose(stream) != 0 && written) {
    written = false;
    *err = errno;
  }
  stream = nullptr;
  return written;
}

// Closes the finished plot file; it keeps its temporary name until the end.
bool ClosePlotFile(Failure* failure) {
  int err = 0;
  bool written = CloseWritten(fp6, &err);
  if (!written) *failure = FileFailure(DataFolderTemp, "cannot write the plot file", err);
  return written;
}

// The passes over the component counts 1..kmax and the plot file.
bool ProcessCounts(int32_t kmax, Failure* failure) {
  ShortRecord shortrecord;
  bool warned = false;
  for (int32_t numcomps = 1; numcomps <= kmax; ++numcomps) {
    if (!SamplePass(DataFolder1Par, numcomps, &shortrecord, failure)) return false;
    if (shortrecord.seen && !warned) {
      std::fprintf(stderr, "%s: warning: %s:%d: last record (count %ld) ends early; not a sweep\n",
                   kProgram, DataFolder1Par, shortrecord.line, static_cast<long>(shortrecord.count));
      warned = true;
    }
    if (numcomps == 1 && !OpenPlotFile(kmax, failure)) return false;
    if (numobsns0 > 0) {  // only counts up to 12 have sweeps: 3 * numcomps fits
      const int32_t numpars = 3 * numcomps;
      HistoOnly(xorig, yorig, numintvls, freq, numpars, numobsns0);
    }
    if (std::ferror(fp6) != 0) {
      *failure = FileFailure(DataFolderTemp, "cannot write the plot file", errno);
      return false;
    }
    // Returning here also ends the loop before numcomps could pass INT32_MAX.
    if (numcomps == kmax) return ClosePlotFile(failure);
  }
  return true;
}

// Ends the run's file work: creates ReadyFileFlag.d in the working directory,
// moves the finished plot file over ParHistos.d, then gives the flag its ten
// characters 999.999000. A flag that cannot be created leaves the earlier
// plot file in place, and a reader that waits for the flag's value finds the
// new plot file already there.
bool FinishFiles(Failure* failure) {
  const double ff = 999.999;
  PlatformSetCleanupFile(kFlagSlot, "ReadyFileFlag.d");
  fpready = std::fopen("ReadyFileFlag.d", "w");
  if (fpready == nullptr) {
    *failure = FileFailure("ReadyFileFlag.d", "cannot create the ready flag file", errno);
    return false;
  }
  flagcreated = true;
  if (plotcreated) {
    if (int err = PlatformReplaceFile(DataFolderTemp, DataFolderOut6)) {
      *failure = FileFailure(DataFolderOut6, "cannot replace the plot file", err);
      return false;
    }
    plotcreated = false;
    PlatformSetCleanupFile(kPlotSlot, nullptr);
  }
  std::fprintf(fpready, "%lf", ff);
  int err = 0;
  if (!CloseWritten(fpready, &err)) {
    *failure = FileFailure("ReadyFileFlag.d", "cannot write the ready flag file", err);
    return false;
  }
  flagcreated = false;
  PlatformSetCleanupFile(kFlagSlot, nullptr);
  return true;
}

// Busy-waits until the clock is at least kPauseTicks past its first reading.
void Pause() {
  const double realtime0 = PlatformClockMs();
  double realtime1 = realtime0;
  while (realtime1 < realtime0 + kPauseTicks) realtime1 = PlatformClockMs();
}

}  // namespace

int main(int argc, char** argv) {
  PlatformInit();
  Say(" Graphics suppressed.\n");
  if (int status = BuildPaths(argc, argv)) return status;
  SayPath("datafile name = ", DataFileName);
  SayPath("Input file  = ", DataFolderInit);
  SayPath("Input file  = ", DataFolder1Par);
  SayPath("Output file = ", DataFolderOut6);
  Say("\n");

  Failure failure;
  int32_t kmax = 0;
  if (!ReadInitFile(DataFolderInit, &kmax, &failure)) return Fail(failure);
  if (!ProcessCounts(kmax, &failure)) return Fail(failure);

  Say("\nOutput in file ParHistos.d\n");
  Say("Press key to finish\n");
  PlatformWaitKey();
  if (!FinishFiles(&failure)) return Fail(failure);
  Say("\n\n Please Wait\n");
  Pause();
  return 0;
}
