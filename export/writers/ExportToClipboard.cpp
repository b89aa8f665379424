#include "export/writers/ExportToClipboard.h"

#include "platform/win/Clipboard.h"

TRODirezaToClipboard::TRODirezaToClipboard(TComponent* owner) : TRODirezaToText(owner) {
  Separator.assign(1, u'\t');
  SetTableType(teClipboard);
}

void TRODirezaToClipboard::Prepare() {
  // The clipboard holds Unicode text: OEM or EBCDIC bytes carried as
  // characters would reach it as other letters.
  const TCharacterSet requested = CharacterSet;
  CharacterSet = csUnicode;
  try {
    TRODirezaToText::Prepare();
  } catch (...) {
    CharacterSet = requested;
    throw;
  }
  CharacterSet = requested;
}

void TRODirezaToClipboard::CreateFileStream(const String&, Integer fileNumber) {
  // The clipboard holds the whole result: RowsPerFile splits nothing, and
  // no file is ever made.
  if (fileNumber > 0) return;
  TRODirezaToText::CreateFileStream(String(), fileNumber);
}

void TRODirezaToClipboard::WriteFileBegin() {
  TRODirezaToText::WriteFileBegin();
  FClipboardText.clear();
}

void TRODirezaToClipboard::WriteString(const String& text) {
  TRODirezaToText::WriteString(text);
  FClipboardText += text;
}

void TRODirezaToClipboard::CloseFileStream() {
  TRODirezaToText::CloseFileStream();
  String text = std::move(FClipboardText);
  FClipboardText.clear();
  if (HasOption(Options, soMergeData)) {
    IClipboard& clipboard = Clipboard();
    String current = clipboard.GetUnicodeText();
    if (current.empty()) current = clipboard.GetPlainText();
    text = current + text;
  }
  Clipboard().SetUnicodeText(text);
}

void TRODirezaToClipboard::AfterExport() {
  // There is no clipboard viewer to open; the text is already in place.
  if (ActionAfterExport == aeOpenView) return;
  if (ActionAfterExport == aeEMail) {
    SendMail(String(), Clipboard().GetUnicodeText());
    return;
  }
  TRODirezaToText::AfterExport();
}
