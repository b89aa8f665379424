#include "import/ImportComponent.h"

#include <algorithm>

#include "import/ImportMessages.h"
#include "import/VODUtils.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/PublishedProperties.h"
#include "platform/rtl/Strings.h"

TRADerevuBaseComponent::TRADerevuBaseComponent(TComponent* owner)
    : TComponent(owner), FStatistic(this), FColumns(this), FParameters(this) {
  FOptions = OptionBit(soShowMessage) | OptionBit(soExtendedStatistic) | OptionBit(soUseAnimatedControl) |
             OptionBit(soWaitCursor) | OptionBit(soAutoCloseStatistic);
  FTitleStatus = strImporting;
  FDataFormats.LoadRegionalSettings();
  FDataFormats.SetBooleanTrue(strTrue);
  FDataFormats.SetBooleanFalse(strFalse);
  SetRecordSeparator(rsCRLF);
}

TRADerevuBaseComponent::~TRADerevuBaseComponent() { SetDataSet(nullptr); }

void TRADerevuBaseComponent::Notification(TComponent* component, bool removing) {
  TComponent::Notification(component, removing);
  if (removing && component == FDataSet) FDataSet = nullptr;
}

void TRADerevuBaseComponent::SetDataSet(TDataSet* value) {
  if (FDataSet == value) return;
  if (FDataSet != nullptr) FDataSet->RemoveFreeNotification(this);
  FDataSet = value;
  if (FDataSet == nullptr) return;
  FDataSet->FreeNotification(this);
  const auto* properties = dynamic_cast<const IPublishedProperties*>(FDataSet);
  String keys;
  if (properties != nullptr && properties->ReadPublishedText(u"IndexFieldName", keys) && keys != FDatasetKeys)
    FDatasetKeys = keys;
}

void TRADerevuBaseComponent::SetFieldDelimiter(TSMIFieldDelimiter value) {
  FFieldDelimiter = value;
  switch (value) {
    case fdNone: FFieldDelimiterCustom = 0; break;
    case fdTab: FFieldDelimiterCustom = u'\t'; break;
    case fdSemicolon: FFieldDelimiterCustom = u';'; break;
    case fdComma: FFieldDelimiterCustom = u','; break;
    case fdSpace: FFieldDelimiterCustom = u' '; break;
    case fdCustom: break;
  }
}

void TRADerevuBaseComponent::SetFieldDelimiterCustom(WideChar value) {
  FFieldDelimiterCustom = value;
  switch (value) {
    case 0: FFieldDelimiter = fdNone; break;
    case u'\t': FFieldDelimiter = fdTab; break;
    case u' ': FFieldDelimiter = fdSpace; break;
    case u',': FFieldDelimiter = fdComma; break;
    case u';': FFieldDelimiter = fdSemicolon; break;
    default: FFieldDelimiter = fdCustom; break;
  }
}

void TRADerevuBaseComponent::SetTextQualifier(TSMITextQualifier value) {
  FTextQualifier = value;
  switch (value) {
    case tqNone: FTextQualifierCustom = 0; break;
    case tqQuot: FTextQualifierCustom = u'"'; break;
    case tqApos: FTextQualifierCustom = u'\''; break;
    case tqCustom: break;
  }
}

void TRADerevuBaseComponent::SetTextQualifierCustom(WideChar value) {
  FTextQualifierCustom = value;
  switch (value) {
    case 0: FTextQualifier = tqNone; break;
    case u'"': FTextQualifier = tqQuot; break;
    case u'\'': FTextQualifier = tqApos; break;
    default: FTextQualifier = tqCustom; break;
  }
}

void TRADerevuBaseComponent::SetRecordSeparator(TSMIRecordSeparator value) {
  FRecordSeparator = value;
  switch (value) {
    case rsCRLF: FRecordSeparatorCustom = u"\r\n"; break;
    case rsCR: FRecordSeparatorCustom = u"\r"; break;
    case rsLF: FRecordSeparatorCustom = u"\n"; break;
    case rsCustom: break;
  }
}

void TRADerevuBaseComponent::SetRecordSeparatorCustom(const String& value) {
  FRecordSeparatorCustom = value;
  if (value == u"\r\n") FRecordSeparator = rsCRLF;
  else if (value == u"\r") FRecordSeparator = rsCR;
  else if (value == u"\n") FRecordSeparator = rsLF;
  else FRecordSeparator = rsCustom;
}

void TRADerevuBaseComponent::Assign(const TRADerevuBaseComponent& source) {
  if (&source == this) return;
  FTableType = source.FTableType;
  FAnimatedStatus = source.FAnimatedStatus;
  FActionKind = source.FActionKind;
  SetDataSet(source.FDataSet);
  FDatasetKeys = source.FDatasetKeys;
  FFixed = source.FFixed;
  FUseDisplayNames = source.FUseDisplayNames;
  SetRecordSeparatorCustom(source.FRecordSeparatorCustom);
  SetFieldDelimiterCustom(source.FFieldDelimiterCustom);
  SetTextQualifierCustom(source.FTextQualifierCustom);
  FRowFirst = source.FRowFirst;
  FRowLast = source.FRowLast;
  FRowFieldNames = source.FRowFieldNames;
  FMaxScanRows = source.FMaxScanRows;
  FMappings.Clear();
  for (int i = 0; i < source.FMappings.Count(); ++i) FMappings.Add(source.FMappings.Get(i));
  FParameters.Assign(source.FParameters);
  FMode = source.FMode;
  FOptions = source.FOptions;
  FSourceFileName = source.SourceFileName();
  FCharacterSet = source.FCharacterSet;
  FTrimSpaces = source.FTrimSpaces;
  FTitleStatus = source.FTitleStatus;
  OnCreateStructure = source.OnCreateStructure;
  OnErrorEvent = source.OnErrorEvent;
  OnGetCellParams = source.OnGetCellParams;
  OnParsedValue = source.OnParsedValue;
  OnParserEvaluate = source.OnParserEvaluate;
  OnBeforeExecute = source.OnBeforeExecute;
  OnAfterExecute = source.OnAfterExecute;
  OnBeforeRecordEvent = source.OnBeforeRecordEvent;
  OnAfterRecordEvent = source.OnAfterRecordEvent;
  OnLocateRecord = source.OnLocateRecord;
  OnBeforeUpdate = source.OnBeforeUpdate;
  OnBeforeFieldUpdate = source.OnBeforeFieldUpdate;
  OnStartTransaction = source.OnStartTransaction;
  OnFinishTransaction = source.OnFinishTransaction;
  FStatistic.Assign(source.FStatistic);
  FDataFormats.Assign(source.FDataFormats);
  FLoadCondition.Assign(source.FLoadCondition);
  FSQLOptions.Assign(source.FSQLOptions);
  FCommitCount = source.FCommitCount;
}

void TRADerevuBaseComponent::BeforeImport() {
  if (FDataFormats.UseRegionalSettings()) FDataFormats.LoadRegionalSettings();
  PausedProcess = false;
}

Variant TRADerevuBaseComponent::GetValues(Integer) { return Variant::Null(); }

void TRADerevuBaseComponent::GetFieldValue(const Variant& name, Variant& value) { value = name; }

bool TRADerevuBaseComponent::NotDefined(String& propertyName) {
  if (FDataSet != nullptr) return false;
  propertyName = u"DataSet";
  return true;
}

void TRADerevuBaseComponent::LoadFromStream(TStream& stream) {
  DataStream = &stream;
  try {
    Execute();
  } catch (...) {
    DataStream = nullptr;
    throw;
  }
  DataStream = nullptr;
}

String TRADerevuBaseComponent::FillFileFilters() const { return strAllFiles; }

void TRADerevuBaseComponent::DetectAutoMapping() {
  if (FDataSet == nullptr) return;
  for (TField* field : FDataSet->Fields()) {
    TSMIColumn* column = FColumns.Add();
    column->FieldName = field->FieldName();
    column->Caption = field->DisplayLabel();
    column->DataType = GetVODDataType(field->DataType());
    column->Alignment = field->Alignment();
    column->Size = field->Size();
    if (const auto* real = dynamic_cast<const TFloatField*>(field); real != nullptr && field->DataType() == ftFloat)
      column->Precision = real->Precision();
  }
}

void TRADerevuBaseComponent::GetColumnFieldName(Integer index, String& name) {
  name = FColumns.Columns(index).FieldName;
  if (name.find_first_of(u" /\\;-") != String::npos) name = u"[" + name + u"]";
}

namespace {

bool ColumnMatchesField(const TSMIColumn& column, const TField& field, bool useDisplayNames) {
  const String& name = column.FieldName;
  if (SameText(name, field.FieldName())) return true;
  if (name.find_first_of(u" /\\") != String::npos &&
      (SameText(name, u"[" + field.FieldName() + u"]") || SameText(name, u"\"" + field.FieldName() + u"\"")))
    return true;
  return useDisplayNames && (SameText(name, field.DisplayLabel()) || SameText(column.Caption, field.DisplayLabel()));
}

// The destination field of a mapping line: the text before its first "=",
// trimmed.
String MappedFieldName(const String& line) { return Trim(StringView(line).substr(0, line.find(u'='))); }

bool HasMappingFor(const TWideStrings& mappings, const String& fieldName) {
  for (int i = 0; i < mappings.Count(); ++i) {
    if (SameText(MappedFieldName(mappings.Get(i)), fieldName)) return true;
  }
  return false;
}

}  // namespace

void TRADerevuBaseComponent::Columns2Mapping() {
  FMappings.Clear();
  if (FDataSet == nullptr) return;
  const TFields& fields = FDataSet->Fields();
  String source;
  for (int c = 0; c < FColumns.Count(); ++c) {
    for (TField* field : fields) {
      if (field->FieldKind() != fkData || !ColumnMatchesField(FColumns.Columns(c), *field, FUseDisplayNames))
        continue;
      GetColumnFieldName(c, source);
      FMappings.Add(field->FieldName() + u"=" + source);
      break;
    }
  }
  if (FMappings.Count() < fields.Count()) {
    int position = 0;
    for (TField* field : fields) {
      if (field->FieldKind() != fkData || !field->Visible()) continue;
      if (!HasMappingFor(FMappings, field->FieldName()))
        FMappings.Insert(std::min(position, FMappings.Count()), field->FieldName() + u"=");
      ++position;
    }
  }
  if (FMappings.Count() == 0) {
    for (int c = 0; c < FColumns.Count() && c < fields.Count(); ++c) {
      GetColumnFieldName(c, source);
      FMappings.Add(fields[c]->FieldName() + u"=" + source);
    }
  }
}

String TRADerevuBaseComponent::GetTableName() const {
  if (!FTableName.empty() && FActionKind == akDatasetApply) return FTableName;
  return GetParsedTableName(FDataSet);
}

void TRADerevuBaseComponent::CreateDirIfNotExists(const String& fileName) {
  String folder = ExtractFilePath(fileName);
  if (!folder.empty() && !DirectoryExists(folder)) ForceDirectories(folder);
}

TSMIDataType TRADerevuBaseComponent::GetVODDataType(TFieldType fieldType) {
  switch (fieldType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return itInteger;
    case ftBoolean: return itBoolean;
    case ftFloat:
    case ftCurrency:
    case ftBCD: return itFloat;
    case ftDate: return itDate;
    case ftTime: return itTime;
    case ftDateTime: return itDateTime;
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo:
    case ftTypedBinary: return itBLOB;
    case ftMemo: return itMEMO;
    default: return itString;
  }
}

String TRADerevuBaseComponent::GetDefExt(TTableTypeImport tableType) {
  switch (tableType) {
    case teParadox: return u".DB";
    case teDBase: return u".DBF";
    case teText: return u".TXT";
    case teHTML: return u".HTM";
    case teXLS: return u".XLS";
    case teWKS: return u".WK1";
    case teQuattro: return u".WQ1";
    case teXML: return u".XML";
    case teAccess: return u".MDB";
    case teSPSS: return u".SAV";
    case teADT: return u".ADT";
    case teDBISAM:
    case teClarion: return u".DAT";
    default: return String();
  }
}

TImportFormatTypes TRADerevuBaseComponent::GetAvailableImportFormats() {
  return (TImportFormatTypes{1} << ImportTableTypeCount) - 1;
}
