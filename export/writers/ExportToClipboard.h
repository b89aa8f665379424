// The text writer's output put on the clipboard as Unicode text.
#pragma once

#include "export/writers/ExportToText.h"

class TRODirezaToClipboard : public TRODirezaToText {
 public:
  explicit TRODirezaToClipboard(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToClipboard"; }

 protected:
  void Prepare() override;
  void AfterExport() override;
  void WriteString(const String& text) override;
  void WriteFileBegin() override;
  void CreateFileStream(const String& fileName, Integer fileNumber) override;
  void CloseFileStream() override;

 private:
  String FClipboardText;
};
