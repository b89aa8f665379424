// What the editor's tests share: table files made with the table itself in
// a temporary folder, and answers for the message boxes and file dialogs so
// that no window waits for a user.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <vector>

#include "platform/gui/Dialogs.h"
#include "platform/gui/ResourceStrings.h"
#include "platform/gui/QtStrings.h"
#include "platform/rtl/FileDialog.h"
#include "table/VirtualTable.h"

namespace guitest {

struct TempDir {
  std::filesystem::path Path;
  TempDir() {
    std::random_device rd;
    Path = std::filesystem::temp_directory_path() / ("gui_tests_" + std::to_string(rd()));
    std::filesystem::create_directories(Path);
  }
  ~TempDir() { std::filesystem::remove_all(Path); }
  String File(const char* name) const { return (Path / name).u16string(); }
};

using Cells = std::vector<std::optional<String>>;  // nullopt is a null value

// Fills an open table with the rows, field by field as text.
inline void AppendRows(TVirtualTable& table, const std::vector<Cells>& rows) {
  for (const Cells& row : rows) {
    table.Append();
    for (size_t i = 0; i < row.size(); ++i) {
      if (row[i]) table.Fields()[static_cast<int>(i)]->SetAsString(*row[i]);
    }
    table.Post();
  }
}

// Writes a VTD file with the fields and rows.
inline void MakeVtd(const String& file, const std::vector<TVirtualFieldSpec>& fields, const std::vector<Cells>& rows) {
  TVirtualTable table;
  for (const TVirtualFieldSpec& f : fields) table.AddField(f.Name, f.Type, f.Size);
  table.Open();
  AppendRows(table, rows);
  table.SaveToFile(file);
}

// The texts of one column as the table in the file holds them.
inline std::vector<String> ColumnOfFile(const String& file, const String& field) {
  TVirtualTable table;
  table.LoadFromFile(file);
  table.Open();
  std::vector<String> values;
  for (table.First(); !table.Eof(); table.Next()) values.push_back(table.FieldByName(field)->AsString());
  return values;
}

inline std::string Bytes(const String& file) {
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline String Cell(const QAbstractItemModel& model, int row, int column) {
  return FromQString(model.data(model.index(row, column), Qt::DisplayRole).toString());
}

// Records every message box and answers it.
struct MessageLog {
  std::vector<TMessageRequest> Shown;
  bool Answer = true;
  MessageLog() {
    SetMessageBoxHandler([this](const TMessageRequest& r) {
      Shown.push_back(r);
      return Answer;
    });
  }
  ~MessageLog() {
    SetMessageBoxHandler(nullptr);
    ResetResourceStrings();
  }
};

// Answers every file dialog with the name (empty: cancelled).
struct DialogAnswer {
  std::vector<bool> Opens;  // which kind of dialog was asked for, in order
  explicit DialogAnswer(String name) {
    SetFileDialogHandler([this, name](TFileDialogRequest& r) {
      Opens.push_back(r.Open);
      r.FileName = name;
      return !name.empty();
    });
  }
  ~DialogAnswer() { SetFileDialogHandler(nullptr); }
};

}  // namespace guitest
