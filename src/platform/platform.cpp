// Platform layer implementations: POSIX first, Windows below.
// Only this file includes operating-system headers.
#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace {
// Set by PlatformSetCleanupFile; read by the interrupt handler.
const char* volatile cleanupfiles[kCleanupSlots] = {};
}  // namespace

void PlatformSetCleanupFile(int slot, const char* path) { cleanupfiles[slot] = path; }

#if defined(_WIN32)
/* === Windows === */
#include <conio.h>
#include <float.h>
#include <io.h>
#include <windows.h>

namespace {
BOOL WINAPI OnConsoleBreak(DWORD) {
  for (int slot = 0; slot < kCleanupSlots; ++slot)
    if (const char* path = cleanupfiles[slot]) DeleteFileA(path);
  return FALSE;  // let the default handler end the process
}

// A console, not a pipe, file or the NUL device: _isatty is true for every
// character device, NUL included, and _getch would then wait for a key.
bool StdinIsConsole() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}
}  // namespace

void PlatformInit() {
#if defined(__i386__)
  // The long double intermediates need the x87 unit's 64-bit significand.
  // Windows starts a process at 53 bits; whether the runtime's start-up code
  // widens it depends on the runtime, so set it here. Doubles use SSE2.
  (void)_control87(_PC_64, _MCW_PC);
#endif
  SetConsoleCtrlHandler(OnConsoleBreak, TRUE);
}

void PlatformWaitKey() {
  if (StdinIsConsole()) {
    (void)_getch();
    return;
  }
  unsigned char key = 0;  // not "byte": the Windows headers declare that type
  (void)_read(_fileno(stdin), &key, 1);  // a byte, end of input or a failed read: all count
}

double PlatformClockMs() { return static_cast<double>(GetTickCount64()); }

int PlatformReplaceFile(const char* from, const char* to) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  return GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
}

#else
/* === POSIX === */
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {
struct termios savedterm;  // the terminal as we found it
struct termios rawterm;    // one key, no echo
volatile sig_atomic_t termchanged = 0;

// Restores the terminal, removes the unfinished files, then dies of the
// same signal so the parent sees the usual status.
void OnInterrupt(int sig) {
  if (termchanged) tcsetattr(STDIN_FILENO, TCSANOW, &savedterm);
  for (int slot = 0; slot < kCleanupSlots; ++slot)
    if (const char* path = cleanupfiles[slot]) unlink(path);
  signal(sig, SIG_DFL);
  raise(sig);
}

// Ctrl-Z at the key prompt: give the terminal back as found while stopped.
// SIGTTOU is ignored during the wait, so this works even when the shell has
// already taken the terminal back.
void OnStop(int) {
  int savederrno = errno;
  if (termchanged) tcsetattr(STDIN_FILENO, TCSANOW, &savedterm);
  signal(SIGTSTP, SIG_DFL);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  raise(SIGTSTP);  // stops here until continued
  signal(SIGTSTP, OnStop);
  errno = savederrno;
}

// Continued (fg): take up the one-key mode again, but only in the
// foreground; in the background the read stops us until the next fg.
void OnContinue(int) {
  int savederrno = errno;
  if (termchanged && tcgetpgrp(STDIN_FILENO) == getpgrp())
    tcsetattr(STDIN_FILENO, TCSANOW, &rawterm);
  errno = savederrno;
}

// One byte of standard input. A byte, end of input and a read that fails
// (a closed descriptor) all count as the key: the run's work is done by now.
void ReadOneByte() {
  unsigned char key = 0;
  while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
  }
}
}  // namespace

void PlatformInit() {
  signal(SIGINT, OnInterrupt);
  signal(SIGTERM, OnInterrupt);
  signal(SIGHUP, OnInterrupt);
}

void PlatformWaitKey() {
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &savedterm) != 0) return ReadOneByte();
  rawterm = savedterm;
  rawterm.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  rawterm.c_cc[VMIN] = 1;
  rawterm.c_cc[VTIME] = 0;
  termchanged = 1;
  signal(SIGTTOU, SIG_IGN);
  signal(SIGTSTP, OnStop);
  signal(SIGCONT, OnContinue);
  tcsetattr(STDIN_FILENO, TCSANOW, &rawterm);
  ReadOneByte();
  // TCSAFLUSH drops the rest of a key that sends several bytes (an arrow is
  // ESC [ A), which would otherwise reach the shell as typed text.
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedterm);
  termchanged = 0;
  signal(SIGCONT, SIG_DFL);
  signal(SIGTSTP, SIG_DFL);
  signal(SIGTTOU, SIG_DFL);
}

double PlatformClockMs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec / 1000000);
}

int PlatformReplaceFile(const char* from, const char* to) {
  return std::rename(from, to) == 0 ? 0 : errno;
}
#endif
