// Files our own export writers make from the CSV fixture's rows, for the
// markup sources to read. The export and import suites share enumerator
// names, so the writers are driven from their own translation unit and
// only plain types cross this header.
#pragma once

#include <filesystem>
#include <vector>

#include "platform/rtl/Types.h"

using TCsvRows = std::vector<std::vector<String>>;

enum class TOurCharset { Ansi, Utf8, Utf16 };
// The rows (the first one naming the fields) as an HTML table; false when
// the writer failed.
bool WriteHtmlWithOurWriter(const TCsvRows& csv, const std::filesystem::path& file, TOurCharset charset);
// The rows as XML in the writer's dialect number `dialect` (0 to 5).
bool WriteXmlWithOurWriter(const TCsvRows& csv, const std::filesystem::path& file, int dialect);
