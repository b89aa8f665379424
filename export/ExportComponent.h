// The export component: the settings every export shares, and the run that
// walks a row source and calls the writer's virtual steps in a fixed order.
// Every writer derives from TRODirezaBaseComponent and overrides Prepare
// (the record loop of the cell-file writers) and the steps around it.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "export/ExportColumns.h"
#include "export/ExportMessages.h"
#include "export/ExportProgress.h"
#include "export/ExportSettings.h"
#include "export/ExportTypes.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"

class IExportGrid;
class TDataSet;
class TField;
class TSMECustomDataEngine;
class TSMEDataLevels;
class TStream;

// The generator text every new component takes as its KeyGenerator: the
// producing application the writers name in their output.
extern String GeneratorVer;

RTL_DECLARE_EXCEPTION(ESMEInvalidPropertyException, Exception)
RTL_DECLARE_EXCEPTION(ESMENotSupportedClassException, Exception)
RTL_DECLARE_EXCEPTION(ESMEInvalidFileNameException, Exception)

class TSMECustomBaseComponent : public TComponent {
 public:
  explicit TSMECustomBaseComponent(TComponent* owner = nullptr);
  ~TSMECustomBaseComponent() override;
  const char* ClassName() const override { return "TSMECustomBaseComponent"; }

  TSMOptions Options = DefaultSMOptions;
  String TitleStatus;
  TCharacterSet CharacterSet = csUnicode;
  Integer RowsPerFile = 0;  // records per output file; 0 or less: one file
  bool RightToLeft = false;
  bool SelectedRecord = false;
  bool AddTitle = false;
  String KeyGenerator;
  bool AnimatedStatus = true;
  bool BlankIfZero = false;
  std::vector<String> Header;
  std::vector<String> Footer;
  TRODirezaStyle ExportStyle;
  TSMEDataFormats DataFormats;
  TSMESendTo SendTo;
  bool ExportIfEmpty = true;
  TSMEPageSetup PageSetup;

  using TNotifyEvent = std::function<void(TSMECustomBaseComponent* sender)>;
  std::function<void(TSMECustomBaseComponent* sender, bool& accept)> OnBeforeRecord;
  std::function<void(TSMECustomBaseComponent* sender, bool& abort)> OnAfterRecord;
  std::function<void(TSMECustomBaseComponent* sender, Integer row, Integer& rowHeight)> OnGetRowHeight;
  std::function<void(TSMECustomBaseComponent* sender, TField* field, String& text, TFont& font,
                     TAlignment& alignment, TColor& background, TCellType& cellType)>
      OnGetCellParams;
  std::function<void(TSMECustomBaseComponent* sender, Integer id, String& text)> OnGetLanguageString;
  TNotifyEvent OnBeforeExecute;
  TNotifyEvent OnAfterExecute;
  std::function<void(TSMECustomBaseComponent* sender, Integer curFileNumber, String& fileName)> OnGetFileName;
  std::function<void(TSMECustomBaseComponent* sender, Integer curValue, Integer maxValue, bool& abort)> OnProgress;

  String Separator = u"\t";
  String TextQualifier;
  String RecordSeparator = u"\r\n";
  bool Fixed = false;
  bool AutoFitColumns = false;
  String TableName;
  TTableTypeExport TableType() const { return FTableType; }
  TSMEStatistic Statistic;

  virtual void SetTableType(TTableTypeExport value) { FTableType = value; }
  virtual Integer MappingVersion() { return 0; }
  // The writer's work; the base writes nothing.
  virtual void Prepare() {}
  // The text of a field's current value, as the options ask for it.
  virtual String GetFieldStr(TField* field);
  virtual String Extension() const { return u".EXP"; }
  // Copies every setting of another export component; any other source is
  // refused with EConvertError.
  virtual void Assign(const TComponent* source);

  // The message table, then OnGetLanguageString.
  String GetLanguageString(Integer id);
  static void WriteBOMToStream(TStream* stream, TCharacterSet characterSet);
  // The mark a file in the character set begins with (none for 8-bit sets).
  static TByteOrderMark ByteOrderMarkOf(TCharacterSet characterSet);
  TCellType GetFieldType(TField* field, bool blankIfZero) const;
  // "ROWNO", "COLNO", "COUNT", "ERRCOUNT", "GENERATOR" in any case; null otherwise.
  Variant GetSysValue(StringView name) const;
  // The row's colour of the style; esNormal leaves it alone.
  void AssignStyle(Integer row, TColor& color) const;
  static String AddZeros(const String& value, Integer length, bool leading);
  Integer GetTitleRowCount() const;
  Integer GetExportedRecordCount() const { return Statistic.TotalCount; }
  TSMEResult GetExportResult() const { return Statistic.Result; }
  // E-mails the file (attached when there is no body); 0 on success.
  Integer SendMail(const String& fileName, const String& body);
  static String GetDefExt(TTableTypeExport tableType);

 private:
  TTableTypeExport FTableType = teParadox;
};

class TRODirezaBaseComponent : public TSMECustomBaseComponent {
 public:
  explicit TRODirezaBaseComponent(TComponent* owner = nullptr);
  ~TRODirezaBaseComponent() override;
  const char* ClassName() const override { return "TRODirezaBaseComponent"; }

  TActionAfterExport ActionAfterExport = aeNone;
  IExportGrid* DBGrid() const { return FDBGrid; }
  void SetDBGrid(IExportGrid* value) { FDBGrid = value; }
  TDataSet* DataSet() const { return FDataSet; }
  // The component hears when the dataset or engine it refers to is
  // destroyed, and forgets it.
  void SetDataSet(TDataSet* value);
  TSMECustomDataEngine* DataEngine() const { return FDataEngine; }
  void SetDataEngine(TSMECustomDataEngine* value);
  TColumnSource ColumnSource = csDBGrid;
  TSMEDataLevels& DetailSources() { return *FDetailSources; }
  String FileName;
  using TBookmarkEvent = std::function<void(TRODirezaBaseComponent* sender, Integer index, TBookmark& bookmark)>;
  TBookmarkEvent OnGetNextSelected;  // kept for callers; no step calls it
  std::function<void(TRODirezaBaseComponent* sender, Integer& count)> OnGetSelectedCount;  // likewise
  // Specification events; the handler may change the file name.
  using TSpecificationEvent = std::function<void(TRODirezaBaseComponent* sender, String& fileName)>;
  TSpecificationEvent OnBeforeLoadSpecification;
  TSpecificationEvent OnAfterLoadSpecification;
  TSpecificationEvent OnBeforeSaveSpecification;
  TSpecificationEvent OnAfterSaveSpecification;
  const String& SpecificationDir() const { return FSpecificationDir; }
  // Trimmed, with a trailing "/" when not empty.
  void SetSpecificationDir(const String& value);
  TSMEColumns Columns;
  TSMEGroupings Groupings;  // kept and copied; no step of the run reads it
  TSMEColumnBands Bands;
  TSMELayout Layout = elColumnar;

  void SetTableType(TTableTypeExport value) override;
  void Assign(const TComponent* source) override;

  // One run; see the .cpp for the order of the steps. A failure is shown
  // with soShowMessage and raised to the caller otherwise.
  void Execute();

  // Specification files (.zaz; ExportSpecification.cpp). Saving with an
  // empty name or file writes nothing; loading a missing file loads nothing;
  // a file with an unknown target or a value out of range is refused with
  // ESMESpecificationException before any setting changes.
  void SaveSpecification(const String& specName, const String& fileName, bool showDialog);
  void LoadSpecification(const String& fileName);
  // The text without the byte-order mark.
  virtual void SaveSpecificationToStream(TStream& stream, const String& specName);
  std::vector<String> SaveSpecificationToStringList(const String& specName);
  void LoadSpecificationFromStream(TStream& stream);
  virtual void LoadSpecificationFromStrings(const std::vector<String>& lines);

  TDataSet* GetDS() const;
  bool IsMemoColumnExist() const;
  bool DetailExists() const;
  // Fills Columns and Bands from the source as a run would.
  void BuildDefaultColumns();
  static void CreateDirIfNotExists(const String& fileName);

  // The progress window of the run.
  bool CreateProgressDlg(const String& caption, const String& status, const String& buttonCaption, Integer minimum,
                         Integer maximum, Integer position);
  // False when there is no window to update; true when nothing was due.
  bool UpdateProgressDlg(const String& text, Integer value);
  void DestroyProgressDlg();
  bool ProgressCanceled() const;
  void SetProgressCanceled(bool value);
  // Walks the source from its first record to its end, or until the run is
  // cancelled: OnBeforeRecord may skip a record, OnProgress and OnAfterRecord
  // may stop the run; writeRecord gets each accepted record with its number
  // from 1. The source's position and its controls are given back at the end.
  void ForEachSourceRecord(TSMECustomDataEngine& source, const std::function<void(Integer written)>& writeRecord);

  // Run state for writers.
  TSMECustomDataEngine* SourceDataEngine() const { return FSourceDataEngine; }
  Integer LastExportColumnCount() const { return FLastExportColumnIndex; }
  Integer RunRecordCount() const { return intRecordCount; }
  bool IsCustomColumns() const { return FIsCustomColumns; }

 protected:
  void Notification(TComponent* component, bool removing) override;
  virtual void CreateSourceDataEngine();
  virtual void DestroySourceDataEngine();
  virtual void InternalBeforeProcess();
  virtual void InternalAfterProcess();
  virtual void AfterExport();

  Integer FLastExportColumnIndex = 0;  // the number of exported columns of the run
  Integer intRecordCount = 0;          // the source's row count at the start of the run
  bool IsAborted = false;

 private:
  // Process settings replaced for a run, and what to undo at its end: a run
  // that fails before it replaced them restores nothing.
  struct TSavedFormats {
    WideChar DecimalSeparator, DateSeparator, TimeSeparator, ThousandSeparator;
    String CurrencyString;
  };
  void ReplaceFormatSettings();
  void RestoreFormatSettings();
  void UseFilledColumns();

  IExportGrid* FDBGrid = nullptr;
  TDataSet* FDataSet = nullptr;
  TSMECustomDataEngine* FDataEngine = nullptr;
  std::unique_ptr<TSMEDataLevels> FDetailSources;
  String FSpecificationDir;
  bool FIsCustomColumns = true;
  std::unique_ptr<TSavedFormats> FSavedFormats;
  bool FControlsDisabled = false;
  bool FBusyCursor = false;
  bool boolAborted = false;
  std::unique_ptr<IExportProgressWindow> frmZAZProcess;
  std::unique_ptr<TSMECustomDataEngine> FOwnedDataEngine;
  TSMECustomDataEngine* FSourceDataEngine = nullptr;
};
