// "Word.Application" for reading documents, served by the office suite
// (LibreOffice, OfficeAutomation.h), which opens .doc, .docx, .odt and .rtf
// files. It answers the members a reader of tables calls:
//
//   application: Documents.Open(file name), ActiveDocument, Quit
//   document:    Tables (Count, Item(n) from 1)
//   table:       Rows.Count, Columns.Count, Columns.Item(n).Width (points),
//                Cell(row, column) from 1, its Range.Text and
//                Range.FormattedText: the cell's text followed by the cell
//                end marks CR and BEL, paragraphs joined by LF
//
// Quit closes the documents the application opened. Without the office
// suite, creating the application raises EOleSysError.
#pragma once

#include <memory>

#include "platform/win/Automation.h"

std::shared_ptr<IAutomationServer> CreateWordReadingServer();

inline constexpr char16_t WordProgID[] = u"Word.Application";
