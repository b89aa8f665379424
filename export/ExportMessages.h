// The export's English texts: the numbered table that components answer
// from (and let OnGetLanguageString replace), and the texts other code uses
// by name.
#pragma once

#include "platform/rtl/Types.h"

// Text of a message number; the empty text for a number without one.
String ExportMessageText(Integer id);

// Numbers the run uses.
enum TExportMessageId : Integer {
  midPropertyError = 0,
  midGridNotSupported = 1,
  midFileGenerated = 2,
  midExportError = 3,
  midExportCompleted = 4,
  midExporting = 8,
  midLoadError = 9,
  midBtnOk = 11,
  midBtnCancel = 12,
  midExportCanceled = 16,
};

inline constexpr char16_t strPropertyError[] = u"Property %s is not specified.";
inline constexpr char16_t strExportError[] = u"Error in data export.";
inline constexpr char16_t strExporting[] = u"Exporting...";
inline constexpr char16_t strLoadError[] = u"Can't create a process dialog";
inline constexpr char16_t strBtnOk[] = u"&OK";
inline constexpr char16_t strMailError[] = u"Error sending mail (";
// Texts outside the numbered table.
inline constexpr char16_t strExportStart[] = u"Do you want to start the export process?";
inline constexpr char16_t strFileOverwrite[] = u"%s file exists. To overwrite this file?";
inline constexpr char16_t strESpecCaption[] = u"Export specification";
inline constexpr char16_t strESpecPrompt[] = u"List of available specifications:";
inline constexpr char16_t strELoad[] = u"Load";
inline constexpr char16_t strESave[] = u"Save";
inline constexpr char16_t strEDelete[] = u"Delete";
inline constexpr char16_t strEClose[] = u"Close";
inline constexpr char16_t strEDeleteSpecPrompt[] = u"Delete import specification %s?";
inline constexpr char16_t strTrue[] = u"True";
inline constexpr char16_t strFalse[] = u"False";
inline constexpr char16_t strField[] = u"Field";
inline constexpr char16_t strTextFieldName[] = u"Text";
inline constexpr char16_t strWMEW_Documents[] = u"Documents";
inline constexpr char16_t strWMEW_Databases[] = u"Databases";
inline constexpr char16_t strWMEW_Spreadsheets[] = u"Spreadsheets/Workbooks";
inline constexpr char16_t strWMEW_Web[] = u"WEB publishing";
inline constexpr char16_t strWMEW_Other[] = u"Other";
inline constexpr char16_t strSheetRowCountLimit[] = u"MS Excel spreadsheet can not contain more than %d rows";
inline constexpr char16_t strFileNameNotValid[] = u"File name %s is not valid.";
