// TMSExcelX: the XLSX reader (Office Open XML packages: .xlsx, .xlsm,
// .xltx, .xltm, .xlax, .xlam) and the XLSB reader (the same package with
// binary record parts: .xlsb, .xltb, .xlab). A package file is read as its
// parts are inflated, and a sheet part is inflated on a thread of its own
// into a pull tokenizer that builds nothing per cell; neither the file nor
// a large sheet ever lives in memory whole.
#pragma once

#include <memory>

#include "import/readers/MSExcelBase.h"

namespace smi {
class TZipArchive;
}
using TZipArchiveReader = smi::TZipArchive;
class TSMXMLEngine;
class TSMXMLItem;
class TByteReader;

class TMSExcelX : public TCustomMSExcel {
 public:
  explicit TMSExcelX(TComponent* owner = nullptr);
  ~TMSExcelX() override;
  const char* ClassName() const override { return "TMSExcelX"; }

  // The file check, the version by extension, then the package (or, for a
  // compound file, its "Package" stream; an encrypted one is refused).
  void LoadFromFile(const String& fileName) override;
  // Reads a package from the stream. A stream that is no package, or a
  // package without a workbook, raises "Invalid file version or file
  // format."
  void LoadFromStream(TStream& stream) override;
  void InternalLoadFromOLEStream(TStream& stream) override;
  // With RowsOnDemand, an XML sheet that gives its size (its dimension)
  // is read as far as the rows asked for.
  void LoadRowsThrough(Integer row) override;

  // True for the binary form's extensions (.xlsb, .xltb, .xlab).
  static bool IsBinaryExtension(const String& fileName);
  // True for every extension this reader takes.
  static bool IsPackageExtension(const String& fileName);

 private:
  // The sheets of the workbook: name and part path.
  struct TSheetPart {
    String Name;
    std::string Path;
  };
  // Forgets the last load's archive and sheet.
  void ResetLoad();
  void LoadBytes(std::vector<Byte> bytes);
  void LoadCompoundFile(std::vector<Byte> bytes);
  // Reads the package; the archive is kept while a sheet is read on demand.
  void ReadArchive(std::unique_ptr<TZipArchiveReader> zip);
  void ReadPackage(TZipArchiveReader& zip);
  void ReadDocProps(TZipArchiveReader& zip);
  // Parses an XML part with the handlers; false when the part is missing.
  bool ParseXmlPart(TZipArchiveReader& zip, const std::string& path, TSMXMLEngine& engine);
  std::vector<TSheetPart> ReadWorkbookXml(TZipArchiveReader& zip, const std::string& workbookPath);
  void ReadSharedStringsXml(TZipArchiveReader& zip, const std::string& path);
  void ReadStylesXml(TZipArchiveReader& zip, const std::string& path);
  void ReadSheetXml(TZipArchiveReader& zip, const std::string& path);
  // Binary parts.
  void ReadBinaryPart(TZipArchiveReader& zip, const std::string& path);
  void ProcessBIFF12Record(Cardinal type, TByteReader& data);

  // One XML sheet part being parsed; it may pause between rows.
  class TSheetXml;

  std::vector<TSheetPart> FSheetParts;
  // While a sheet is read on demand: the archive and the paused parse
  // (declared in this order, so the parse goes first).
  std::unique_ptr<TZipArchiveReader> FZip;
  std::unique_ptr<TSheetXml> FSheetXml;
  // The sheet read on demand frees the rows behind the one asked for.
  bool FRowsOnDemandSheet = false;
  // BIFF12 state.
  Integer CurrentRow = 0;
  bool XFInCellXFs = false;
  bool FInSheet = false;
};
