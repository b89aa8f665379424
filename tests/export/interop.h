// Helpers for tests that hand a written file to an independent program and
// compare what it reads with what was exported.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace interop {

namespace fs = std::filesystem;

// Whether a program is on PATH (or, given with a folder, is executable).
inline bool Have(const std::string& program) {
  return std::system(("command -v '" + program + "' >/dev/null 2>&1").c_str()) == 0;
}

// Whether Debian's Python has the module.
inline bool HavePython(const std::string& module) {
  return std::system(("/usr/bin/python3 -c 'import " + module + "' >/dev/null 2>&1").c_str()) == 0;
}

struct Result {
  int Status = -1;
  std::string Output;  // standard output, and standard error after it
};

// Runs a shell command and collects its output.
inline Result Run(const std::string& command) {
  Result result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) result.Output.append(chunk, n);
  result.Status = ::pclose(pipe);
  return result;
}

inline std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder under the system's temporary folder for one test.
inline fs::path TempDir(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("folvane_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// Removes a test's folder, unless FOLVANE_KEEP_FILES is set to look at them.
inline void RemoveTempDir(const fs::path& dir) {
  if (std::getenv("FOLVANE_KEEP_FILES") == nullptr) fs::remove_all(dir);
}

// Converts files with LibreOffice headless into `dir`, in its own profile
// folder so parallel runs do not collide; one start for all of them.
// Returns the converted files, in the order given.
inline std::vector<fs::path> LibreOfficeConvert(const std::vector<fs::path>& files, const std::string& filter,
                                                const std::string& extension, const fs::path& dir,
                                                const std::string& inFilter = std::string()) {
  const std::string profile = "file://" + (dir / "lo_profile").string();
  std::string command = "soffice -env:UserInstallation=" + profile + " --headless --norestore";
  if (!inFilter.empty()) command += " --infilter='" + inFilter + "'";
  command += " --convert-to '" + filter + "' --outdir '" + (dir / "lo_out").string() + "'";
  for (const fs::path& file : files) command += " '" + file.string() + "'";
  std::system((command + " >/dev/null 2>&1").c_str());
  std::vector<fs::path> converted;
  for (const fs::path& file : files) converted.push_back(dir / "lo_out" / (file.stem().string() + "." + extension));
  return converted;
}

// LibreOffice's CSV filter: comma, double quote, UTF-8, from line 1.
inline constexpr char kLibreOfficeCsv[] = "csv:Text - txt - csv (StarCalc):44,34,76,1";

}  // namespace interop
