// A fresh folder of its own for one test, removed with everything in it at
// the end.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/rtl/Strings.h"

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "testXXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot create a folder from " << pattern;
    FPath = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // A path inside the folder, as the file system's text and as a String.
  std::string PathOf(const std::string& name) const { return (FPath / name).string(); }
  String File(const std::string& name) const { return Utf8ToString(PathOf(name)); }
  // The entries of the folder (hidden ones included).
  int EntryCount() const {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(FPath)) ++n;
    return n;
  }

 private:
  std::filesystem::path FPath;
};
