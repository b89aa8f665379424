// TRADerevuBaseComponent: the root of every import source. It holds the
// destination dataset, the field mappings, the mode and key fields, the text
// and data-format settings, the load conditions, the SQL options, the
// statistic of the last run, the source columns and the parameters, and the
// events a host hooks.
//
// A source derives from it and overrides the reader operations: BeforeImport
// opens the source, GoFirst / NeedMore / LoadRecord / GoNext walk its rows,
// GetFieldValue gives a column's value of the current row, AfterImport
// closes it. The base converts the values (ImportValues.cpp); the run that
// drives these operations is Execute / Prepare (ImportRun.cpp).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "import/ImportColumns.h"
#include "import/ImportProgress.h"
#include "import/ImportSettings.h"
#include "import/ImportTypes.h"
#include "import/WideStrings.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Variant.h"

class TDataSet;
class TField;
class TRADerevuBaseComponent;

using TNotifyEvent = std::function<void(TComponent* sender)>;
using TErrorEvent = std::function<void(TComponent* sender, const Exception& error, bool& abort)>;
using TGetCellParamsEvent = std::function<void(TComponent* sender, TField* field, Variant& value)>;
using TSMIParsedValue = std::function<void(TComponent* sender, TField* field, Variant& value)>;
using TSMIParserEvaluateEvent =
    std::function<void(TComponent* sender, const String& eval, const std::vector<Variant>& args, int argCount,
                       bool isChild, Variant& value, bool& done)>;
using TBeforeRecordEvent =
    std::function<void(TComponent* sender, const String& fields, std::vector<TSMIValueEntry>& values, bool& accept)>;
using TAfterRecordEvent = std::function<void(TComponent* sender, bool& abort)>;
using TSMIGetRowMode =
    std::function<void(TComponent* sender, const std::vector<TSMIValueEntry>& values, TImportMode& modeForRow)>;
using TBeforeFieldEvent = std::function<void(TComponent* sender, TField* field, Variant& value, bool& accept)>;
using TSMISpecificationEvent = std::function<void(TComponent* sender, String& fileName)>;
using TLocateRecordEvent = std::function<void(TComponent* sender, const String& keyFields, const Variant& values,
                                              bool& exist, bool& executeLocate)>;
using TSMIOnCreateStructure = std::function<void(TComponent* sender, TSMIColumns& columns)>;

class TSMIParser;

class TRADerevuBaseComponent : public TComponent {
 public:
  explicit TRADerevuBaseComponent(TComponent* owner = nullptr);
  ~TRADerevuBaseComponent() override;
  const char* ClassName() const override { return "TRADerevuBaseComponent"; }

  // ---- Settings ----
  bool AbortOnProblem() const { return FAbortOnProblem; }
  void SetAbortOnProblem(bool value) { FAbortOnProblem = value; }
  TSMIActionKind ActionKind() const { return FActionKind; }
  void SetActionKind(TSMIActionKind value) { FActionKind = value; }
  bool AnimatedStatus() const { return FAnimatedStatus; }
  void SetAnimatedStatus(bool value) { FAnimatedStatus = value; }
  TSMICharacterSet CharacterSet() const { return FCharacterSet; }
  void SetCharacterSet(TSMICharacterSet value) { FCharacterSet = value; }
  TSMIDataFormats& DataFormats() { return FDataFormats; }
  const TSMIDataFormats& DataFormats() const { return FDataFormats; }
  void SetDataFormats(const TSMIDataFormats& value) { FDataFormats.Assign(value); }
  TDataSet* DataSet() const { return FDataSet; }
  // Watches the dataset for its end; takes its published IndexFieldName as
  // the key fields when it has one that differs.
  void SetDataSet(TDataSet* value);
  const String& DatasetKeys() const { return FDatasetKeys; }
  void SetDatasetKeys(const String& value) { FDatasetKeys = value; }
  TSMILoadCondition& LoadCondition() { return FLoadCondition; }
  const TSMILoadCondition& LoadCondition() const { return FLoadCondition; }
  void SetLoadCondition(const TSMILoadCondition& value) { FLoadCondition.Assign(value); }
  TSMISQLOptions& SQLOptions() { return FSQLOptions; }
  const TSMISQLOptions& SQLOptions() const { return FSQLOptions; }
  void SetSQLOptions(const TSMISQLOptions& value) { FSQLOptions.Assign(value); }
  // One line per mapping: destination field "=" source.
  TWideStrings& Mappings() { return FMappings; }
  const TWideStrings& Mappings() const { return FMappings; }
  void SetMappings(const TWideStrings& value) { FMappings = value; }
  TImportMode Mode() const { return FMode; }
  void SetMode(TImportMode value) { FMode = value; }
  TSMIOptions Options() const { return FOptions; }
  void SetOptions(TSMIOptions value) { FOptions = value; }
  bool HasOption(TSMIOption option) const { return (FOptions & OptionBit(option)) != 0; }
  TSMIParameters& Parameters() { return FParameters; }
  const TSMIParameters& Parameters() const { return FParameters; }
  void SetParameters(const TSMIParameters& value) { FParameters.Assign(value); }
  const String& TableName() const { return FTableName; }
  void SetTableName(const String& value) { FTableName = value; }
  const String& TitleStatus() const { return FTitleStatus; }
  void SetTitleStatus(const String& value) { FTitleStatus = value; }
  TSMIStatistic& Statistic() { return FStatistic; }
  const TSMIStatistic& Statistic() const { return FStatistic; }
  void SetStatistic(const TSMIStatistic& value) { FStatistic.Assign(value); }
  const String& SpecificationDir() const { return FSpecificationDir; }
  void SetSpecificationDir(const String& value) { FSpecificationDir = value; }
  bool UseDisplayNames() const { return FUseDisplayNames; }
  void SetUseDisplayNames(bool value) { FUseDisplayNames = value; }
  TSMITrimSpaces TrimSpaces() const { return FTrimSpaces; }
  void SetTrimSpaces(TSMITrimSpaces value) { FTrimSpaces = value; }
  Integer CommitCount() const { return FCommitCount; }
  void SetCommitCount(Integer value) { FCommitCount = value; }
  TSMIColumns& Columns() { return FColumns; }
  const TSMIColumns& Columns() const { return FColumns; }

  // Until set: "RADerevu" and the source's own Extension (a constructor
  // cannot ask the descendant, so the default is made when read).
  String SourceFileName() const { return FSourceFileName.value_or(u"RADerevu" + Extension()); }
  void SetSourceFileName(const String& value) { FSourceFileName = value; }
  Integer RowFirst() const { return FRowFirst; }
  void SetRowFirst(Integer value) { FRowFirst = value; }
  Integer RowLast() const { return FRowLast; }
  void SetRowLast(Integer value) { FRowLast = value; }
  Integer RowFieldNames() const { return FRowFieldNames; }
  void SetRowFieldNames(Integer value) { FRowFieldNames = value; }
  Integer MaxScanRows() const { return FMaxScanRows; }
  void SetMaxScanRows(Integer value) { FMaxScanRows = value; }
  TTableTypeImport TableType() const { return FTableType; }
  void SetTableType(TTableTypeImport value) { FTableType = value; }
  bool Fixed() const { return FFixed; }
  void SetFixed(bool value) { FFixed = value; }

  // The delimiter, qualifier and separator settings keep their kind and
  // their character (text) in step: setting either one sets the other.
  TSMIFieldDelimiter FieldDelimiter() const { return FFieldDelimiter; }
  void SetFieldDelimiter(TSMIFieldDelimiter value);
  WideChar FieldDelimiterCustom() const { return FFieldDelimiterCustom; }
  void SetFieldDelimiterCustom(WideChar value);
  TSMITextQualifier TextQualifier() const { return FTextQualifier; }
  void SetTextQualifier(TSMITextQualifier value);
  WideChar TextQualifierCustom() const { return FTextQualifierCustom; }
  void SetTextQualifierCustom(WideChar value);
  TSMIRecordSeparator RecordSeparator() const { return FRecordSeparator; }
  void SetRecordSeparator(TSMIRecordSeparator value);
  const String& RecordSeparatorCustom() const { return FRecordSeparatorCustom; }
  void SetRecordSeparatorCustom(const String& value);

  // ---- Events ----
  TErrorEvent OnErrorEvent;
  TGetCellParamsEvent OnGetCellParams;
  TSMIParsedValue OnParsedValue;
  TSMIParserEvaluateEvent OnParserEvaluate;
  TNotifyEvent OnBeforeExecute;
  TNotifyEvent OnAfterExecute;
  TBeforeRecordEvent OnBeforeRecordEvent;
  TAfterRecordEvent OnAfterRecordEvent;
  TSMIGetRowMode OnGetRowMode;
  TNotifyEvent OnBeforeUpdate;
  TBeforeFieldEvent OnBeforeFieldUpdate;
  TSMISpecificationEvent OnBeforeLoadSpecification;
  TSMISpecificationEvent OnAfterLoadSpecification;
  TSMISpecificationEvent OnBeforeSaveSpecification;
  TSMISpecificationEvent OnAfterSaveSpecification;
  TLocateRecordEvent OnLocateRecord;
  TNotifyEvent OnStartTransaction;
  TNotifyEvent OnFinishTransaction;
  TSMIOnCreateStructure OnCreateStructure;

  // ---- Run state ----
  // Set to stop the run (by OnAfterRecordEvent or a reader).
  bool Abort = false;
  bool PausedProcess = false;
  // Key entries, value entries and their union, rebuilt by every run.
  std::vector<TSMIValueEntry> vLocate;
  std::vector<TSMIValueEntry> vValues;
  std::vector<TSMIValueEntry> vFields;
  // The destination field whose value is being converted; -1 when none.
  Integer intCurrentParsedFieldIndex = -1;
  // The source stream during LoadFromStream, else nullptr.
  TStream* DataStream = nullptr;

  // Copies the settings, mappings, parameters, handlers, statistic and
  // formats of another import component (not AbortOnProblem, TableName,
  // SpecificationDir, OnGetRowMode or the specification events).
  virtual void Assign(const TRADerevuBaseComponent& source);

  // ---- The run (ImportRun.cpp) ----
  // Raises ESMIInvalidPropertyException when a required setting is missing
  // and passes on failures of BeforeImport; any other failure ends in the
  // statistic's Result. True when every row went in (irExecuted). A call
  // while a run of this component is going on does nothing and gives false.
  bool Execute();
  bool Running() const { return FRunning; }
  // The row loop; called once per run by Execute.
  virtual void Prepare();
  // FillKey4Locate, then FillKey4Values.
  virtual void BuildFieldMapping();
  // Builds vFields from vValues and vLocate and links the three.
  virtual void BuildArrayIntersection();
  void FillKey4Values();
  void FillKey4Locate();
  // Asked before each row with the number of rows visited; the base
  // accepts all.
  virtual bool IsGoodRow(Integer /*rowsVisited*/) { return true; }

  // ---- SQL generation (ImportRunSql.cpp), for akGenerateSQL ----
  String GetSQLFieldName(const String& name) const;
  static bool IsStandardFieldName(const String& name);
  // NULL, a bare number for a numeric field, else the text quoted.
  String GetSQLValue(const Variant& value, const TField* field) const;
  String GetSQLPart(const TSMIValueEntry& entry, const TField* field) const;
  void AddWhereClause(int keyEntry);
  // The statement for the current row's action from the collected parts.
  String BuildSQLStatement(TSMIAction action) const;
  // Reloads the regional formats when asked and clears the pause; readers
  // open the source here after calling the base.
  virtual void BeforeImport();
  // Readers close what BeforeImport opened; called after failed runs too.
  virtual void AfterImport() {}
  // Converts the current row's values into vFields and applies the load
  // conditions: true to import the row, false to count it as skipped.
  // Readers position on the row first, then call the base.
  virtual bool LoadRecord();
  virtual void GoFirst() {}
  virtual void GoNext() {}
  // True while a current row exists and RowLast is not passed.
  virtual bool NeedMore() { return false; }
  // The number of rows the run will visit, for the progress bar.
  virtual Integer GetTotalCount() { return 0; }
  virtual Variant GetValues(Integer index);
  // The current row's value of the source column named by name (null when
  // there is none); the base hands the name back unchanged. A mapping
  // source that is one plain name comes here straight, without the
  // expression road.
  virtual void GetFieldValue(const Variant& name, Variant& value);
  // A reader that can hand a column's text of the current row as a view
  // names the column of a mapping source here (-1: the source takes the
  // road of expressions and GetFieldValue). The run asks once per source
  // and reads each row's value with SourceColumnText, which gives what
  // GetFieldValue would give as text: a view into the reader's text, or
  // into scratch; it holds until the reader moves on.
  virtual Integer SourceColumnIndex(const String& /*name*/) { return -1; }
  virtual StringView SourceColumnText(Integer /*index*/, String& /*scratch*/) { return {}; }
  // The value of one mapping source, load condition or parameter expression.
  virtual void GetParsedValue(const Variant& expression, Integer fieldIndex, Variant& value);
  // True makes the run use only the first 10 characters of each source.
  virtual bool FieldIsTruncated() { return false; }
  // The name of a required setting that is missing ("DataSet"); readers add
  // their own and call the base.
  virtual bool NotDefined(String& propertyName);
  // True when source blob values are Base64 text.
  virtual bool BLOBIsMIME() { return false; }
  // True for readers that guess column types from up to MaxScanRows rows.
  virtual bool ProcessRowsForColumnTypes() { return false; }
  // Runs Execute with the source read from the stream.
  void LoadFromStream(TStream& stream);
  // The source's default file extension with its dot.
  virtual String Extension() const { return u".VOD"; }
  virtual String FillFileFilters() const;
  // Adds one column per source column; the base adds one per destination
  // field.
  virtual void DetectAutoMapping();
  // Builds Mappings from Columns (one line per matched column, then a line
  // for every visible field still without one).
  virtual void Columns2Mapping();
  // How a column is written on the source side of a mapping line: its name,
  // bracketed when it holds a blank, "/", "\", ";" or "-".
  virtual void GetColumnFieldName(Integer index, String& name);

  // ---- Specification files (SpecificationFiles.cpp) ----
  // Saves the settings under specName into fileName (a UTF-16 text with a
  // byte-order mark); showDialog first asks for both. Nothing is saved
  // while either is empty.
  void SaveSpecification(const String& specName, const String& fileName, bool showDialog);
  // Loads the settings from fileName (an empty name asks for the file).
  // Raises ESMIFileException for a missing file and ESMIFileFormatException
  // for a file that is no specification; settings change only when the
  // whole file is valid.
  void LoadSpecification(const String& fileName);
  void LoadSpecificationFromStream(TStream& stream);
  // Applies the lines of a specification; a descendant reads its own keys
  // after calling the base.
  virtual void LoadSpecificationFromStrings(const TWideStrings& list);
  // Writes the lines as UTF-16LE, each followed by CR LF, without a mark.
  virtual void SaveSpecificationToStream(TStream& stream, const String& specName);
  // The lines SaveSpecificationToStream writes; a descendant appends its
  // own sections after calling the base.
  virtual void SaveSpecificationToStringList(TWideStrings& list, const String& specName);
  // Characters to their hexadecimal codes (toHex) or back.
  static String Translate(const String& text, bool toHex);

  // ---- Value resolution (ImportValues.cpp) ----
  void EvaluateExpression(const String& expression, Variant& value);
  // The name resolver of the expression engine: literals, lookup functions,
  // statistic counters, parameters, dataset fields and source columns.
  void ParserEvaluate(TComponent* sender, const String& eval, const std::vector<Variant>& args, int argCount,
                      bool isChild, Variant& value, bool& done);
  String BuildDTFormat() const { return FDataFormats.BuildDTFormat(FTableType == teXML); }
  String BuildTimeFormat(bool xmlTime) const { return FDataFormats.BuildTimeFormat(xmlTime); }
  // The dataset a name refers to in GETFIELDVALUE, LOOKUP and dotted names.
  TDataSet* GetDatasetByName(const String& name) const;

  // ---- Helpers ----
  // TableName for a dataset import, else the destination dataset's table.
  String GetTableName() const;

  // ---- Progress window and parameter prompt (ImportProgress.cpp) ----
  // Computes every parameter's Value and asks for those that want asking;
  // false when the user cancelled or a required parameter stays empty.
  bool AskParameters();
  // Opens the window through the display hooks (closing a previous one);
  // false when there is no hook or the window could not be made.
  bool CreateProgressDlg(const TImportProgressLayout& layout);
  bool ChangeProgressDlg(Integer minimum, Integer maximum, Integer position);
  bool UpdateProgressDlg(const String& status, const TImportCounters& counters);
  bool DestroyProgressDlg();
  // Pausing holds the run between rows, with or without a window.
  void PauseImport();
  void ContinueImport();
  bool ProgressPaused() const;
  bool ProgressCanceled() const;
  // The progress window while a run shows one.
  std::unique_ptr<IImportProgressWindow> frmVODProcess;
  static void CreateDirIfNotExists(const String& fileName);
  static TSMIDataType GetVODDataType(TFieldType fieldType);
  static String GetDefExt(TTableTypeImport tableType);
  static TImportFormatTypes GetAvailableImportFormats();

 protected:
  void Notification(TComponent* component, bool removing) override;

 private:
  TField* CurrentParsedField() const;
  // For each vFields entry, the reader's column it reads directly, or -1;
  // else the source name that the expression road would hand to
  // GetFieldValue unchanged, or Empty when the value takes that road.
  void PlanSourceColumns();
  // The name a mapping source reads by GetFieldValue alone; Empty when
  // the expression road may give something else.
  Variant PlainSourceName(const String& source);
  // The value of a directly read column, as the expression road gives it.
  void ReadSourceColumn(Integer column, Variant& value);
  // What the expression road does to a resolved value: trimming, empty
  // text as null, conversion for the destination field.
  void FinishParsedValue(Variant& value, bool isChild);
  // Converts a value for its destination field with the run's formats.
  void ConvertForField(Variant& value, const TField& field);
  // The row loop's parts.
  void ProcessAcceptedRow();
  void WriteRow();
  void LocateRow();
  void WaitWhilePaused();
  // Takes the source's row count again once the run has passed it: a source
  // that reads its rows as they are asked for (a large sheet) knows more of
  // them as the run goes on.
  void UpdateTotalCount();
  void SetFieldValue(TField& field, const Variant& value);
  bool IsKeyedMode(TImportMode mode) const;
  bool KeyedModeOrRowMode() const;
  void FinishRun(const String& message);
  TImportCounters Counters() const;
  bool SkipEmptyRow() const;
  // The parser that evaluates this expression text, built once and kept.
  std::shared_ptr<TSMIParser> ExpressionParser(const String& expression);
  // The conversion masks of the current data formats.
  struct TConversionMasks {
    TSMIDataFormats Formats;
    bool Xml = false;
    bool Valid = false;
    String DateTime;
    String Time;
  };
  const TConversionMasks& ConversionMasks();

  bool FAnimatedStatus = true;
  bool FAbortOnProblem = true;
  TDataSet* FDataSet = nullptr;
  String FDatasetKeys;
  TWideStrings FMappings;
  TImportMode FMode = imAppend;
  TSMILoadCondition FLoadCondition;
  TSMISQLOptions FSQLOptions;
  TSMIActionKind FActionKind = akDatasetApply;
  TSMIOptions FOptions;
  String FTitleStatus;
  TSMIFieldDelimiter FFieldDelimiter = fdTab;
  WideChar FFieldDelimiterCustom = u'\t';
  TSMITextQualifier FTextQualifier = tqQuot;
  WideChar FTextQualifierCustom = u'"';
  TSMIRecordSeparator FRecordSeparator = rsCRLF;
  String FRecordSeparatorCustom = u"\r\n";
  bool FFixed = false;
  std::optional<String> FSourceFileName;
  Integer FRowFirst = 1;
  Integer FRowLast = 2147483647;
  Integer FRowFieldNames = 1;
  Integer FMaxScanRows = 0;
  String FTableName;
  TSMICharacterSet FCharacterSet = csiANSI_WINDOWS;
  TSMIDataFormats FDataFormats;
  TTableTypeImport FTableType = teText;
  TSMITrimSpaces FTrimSpaces = tsNoTrim;
  Integer FCommitCount = 300;
  String FSpecificationDir;
  TSMIStatistic FStatistic;
  bool FUseDisplayNames = false;
  TSMIColumns FColumns;
  TSMIParameters FParameters;
  bool FRunning = false;
  // Run state of the row loop.
  bool FInTransaction = false;
  bool FFound = false;
  TImportMode FRowMode = imAppend;
  Integer FProgressStep = 0;
  String FRunTableName;
  std::vector<String> FSQLFields;
  std::vector<String> FSQLValues;
  std::vector<String> FSQLWhere;
  // Set by the write handler so the row handler does not count its error
  // twice.
  bool FRowErrorCounted = false;
  // Every value of every row is an expression; these keep its parsing and
  // its masks from being redone per value.
  std::unordered_map<String, std::shared_ptr<TSMIParser>> FExpressionParsers;
  std::vector<Integer> FSourceColumns;
  std::vector<Variant> FSourceNames;
  String FSourceScratch;
  TConversionMasks FConversionMasks;
};
