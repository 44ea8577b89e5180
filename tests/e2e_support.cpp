// Process and file helpers for the end-to-end tests (POSIX).
#include "e2e_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "phtest-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path, ec);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void WriteRun(const fs::path& folder, int kmax, const std::string& samples) {
  fs::create_directories(folder);
  WriteFile(folder / "Init.d", "0\n0.5 1 2 3.0 4.0 5\n1 2 3 4 5 6 7\n" + std::to_string(kmax) + "\n");
  WriteFile(folder / "1.Par", samples);
}

RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args,
                     const fs::path& cwd, const std::string& input,
                     const std::vector<std::string>& env, long long fsizelimit) {
  TempDir io;
  WriteFile(io.path / "in", input);
  std::string outpath = (io.path / "out").string(), errpath = (io.path / "err").string();
  std::string inpath = (io.path / "in").string();
  std::vector<std::string> envcopy = env;
  pid_t pid = fork();
  if (pid == 0) {
    int in = open(inpath.c_str(), O_RDONLY);
    int out = open(outpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (chdir(cwd.c_str()) != 0) _exit(125);
    if (fsizelimit >= 0) {
      signal(SIGXFSZ, SIG_IGN);  // stays ignored across exec
      const rlimit limit{static_cast<rlim_t>(fsizelimit), static_cast<rlim_t>(fsizelimit)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    }
    for (std::string& e : envcopy) putenv(e.data());
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  RunResult r;
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  r.out = ReadFile(outpath);
  r.err = ReadFile(errpath);
  return r;
}
