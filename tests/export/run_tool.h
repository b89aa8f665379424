// Running the independent programs that read our files back (Python's
// modules, LibreOffice, gnumeric, unzip) and taking their output.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

struct ToolResult {
  int ExitCode = -1;
  std::string Output;  // standard output (and error, when the command joins them)
};

inline ToolResult RunTool(const std::string& command) {
  ToolResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char block[4096];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, pipe)) > 0) result.Output.append(block, got);
  const int status = ::pclose(pipe);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// Whether a program is on PATH (or a given path exists and runs).
inline bool HasProgram(const std::string& name) {
  return RunTool("command -v '" + name + "' >/dev/null 2>&1 && echo yes").Output == "yes\n";
}

// Whether Debian's Python has the module.
inline bool HasPythonModule(const std::string& module) {
  return RunTool("/usr/bin/python3 -c 'import " + module + "' >/dev/null 2>&1 && echo yes").Output == "yes\n";
}

// Runs a Python script given as text with Debian's interpreter, the file as
// its argument; the script is kept in the folder for a look after a failure.
inline ToolResult RunPython(const std::filesystem::path& folder, const std::string& script,
                            const std::filesystem::path& file) {
  const auto path = folder / "script.py";
  FILE* out = std::fopen(path.c_str(), "w");
  if (out == nullptr) return ToolResult();
  std::fputs(script.c_str(), out);
  std::fclose(out);
  return RunTool("/usr/bin/python3 '" + path.string() + "' '" + file.string() + "' 2>&1");
}

// The folders FreshFolder made, removed when the test program ends with
// every test passed, and kept after a failure so its files can be looked at.
class TFreshFolders {
 public:
  ~TFreshFolders() {
    if (!::testing::UnitTest::GetInstance()->Passed()) return;
    std::error_code ignored;
    for (const auto& folder : FFolders) std::filesystem::remove_all(folder, ignored);
  }
  void Add(const std::filesystem::path& folder) {
    if (std::find(FFolders.begin(), FFolders.end(), folder) == FFolders.end()) FFolders.push_back(folder);
  }

 private:
  std::vector<std::filesystem::path> FFolders;
};

// A fresh, empty folder for one test's files.
inline std::filesystem::path FreshFolder(const std::string& name) {
  static TFreshFolders made;
  const auto folder = std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  made.Add(folder);
  return folder;
}
