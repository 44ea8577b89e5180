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

bool PlatformWaitKey() {
  if (StdinIsConsole()) {
    (void)_getch();
    return true;
  }
  unsigned char key = 0;  // not "byte": the Windows headers declare that type
  int n = _read(_fileno(stdin), &key, 1);  // a byte, or end of input (0): both count
  return n >= 0;
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
struct termios savedterm;
volatile sig_atomic_t termchanged = 0;

// Restores the terminal, removes the unfinished file, then dies of the
// same signal so the parent sees the usual status.
void OnInterrupt(int sig) {
  if (termchanged) tcsetattr(STDIN_FILENO, TCSANOW, &savedterm);
  for (int slot = 0; slot < kCleanupSlots; ++slot)
    if (const char* path = cleanupfiles[slot]) unlink(path);
  signal(sig, SIG_DFL);
  raise(sig);
}

bool ReadOneByte() {
  unsigned char byte = 0;
  for (;;) {
    ssize_t n = read(STDIN_FILENO, &byte, 1);
    if (n >= 0) return true;  // a byte, or end of input: both count as the key
    if (errno != EINTR) return false;
  }
}
}  // namespace

void PlatformInit() {
  signal(SIGINT, OnInterrupt);
  signal(SIGTERM, OnInterrupt);
  signal(SIGHUP, OnInterrupt);
}

bool PlatformWaitKey() {
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &savedterm) != 0) return ReadOneByte();
  struct termios raw = savedterm;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  termchanged = 1;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  bool ok = ReadOneByte();
  // TCSAFLUSH drops the rest of a key that sends several bytes (an arrow is
  // ESC [ A), which would otherwise reach the shell as typed text.
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedterm);
  termchanged = 0;
  return ok;
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
