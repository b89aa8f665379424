// Runs an independent program (a reader or writer from Debian's packages)
// without a shell, and tells whether one is installed.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

struct ProgramResult {
  int ExitCode = -1;   // -1 when the program could not be started or was killed
  std::string Output;  // standard output and standard error together
  bool Ok() const { return ExitCode == 0; }
};

// Runs args[0] (looked up on PATH) with the other arguments.
inline ProgramResult RunProgram(const std::vector<std::string>& args) {
  ProgramResult result;
  if (args.empty()) return result;
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) result.Output.append(buffer, static_cast<size_t>(n));
  ::close(pipeEnds[0]);
  if (spawned != 0) {
    result.Output = "cannot start " + args[0];
    return result;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return result;
  }
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// Whether a program of that name is on PATH.
inline bool ProgramInstalled(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// Skips the test, naming the Debian package, when the program is missing.
#define SKIP_UNLESS_INSTALLED(program, package) \
  if (!ProgramInstalled(program)) GTEST_SKIP() << program << " is not installed (" << package << ")"
