#include "export/writers/BDETable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "export/writers/ParadoxTable.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

String BaseName(const String& name) {
  const size_t slash = name.rfind(u'/');
  const String file = slash == String::npos ? name : name.substr(slash + 1);
  return file.substr(0, file.size() - TableFileExt(file).size());
}

bool IsBinaryType(TFieldType type) {
  switch (type) {
    case ftBlob: case ftGraphic: case ftBytes: case ftVarBytes: case ftTypedBinary: case ftParadoxOle:
    case ftDBaseOle: case ftOraBlob:
      return true;
    default:
      return false;
  }
}

bool IsTextType(TFieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString || type == ftFixedWideChar || type == ftGuid;
}

}  // namespace

String TableFileExt(const String& name) {
  const size_t dot = name.rfind(u'.');
  const size_t slash = name.rfind(u'/');
  if (dot == String::npos || (slash != String::npos && dot < slash)) return String();
  return name.substr(dot);
}

String ChangeTableFileExt(const String& name, StringView extension) {
  return name.substr(0, name.size() - TableFileExt(name).size()).append(extension);
}

TTableType ResolveTableType(TTableType type, const String& fileName) {
  if (type != ttDefault) return type;
  const String ext = TableFileExt(fileName);
  if (SameText(ext, u".dbf")) return ttDBase;
  if (SameText(ext, u".txt")) return ttASCII;
  return ttParadox;
}

// One kind of table file.
class TBDETable::TFileWriter {
 public:
  virtual ~TFileWriter() = default;
  virtual void Write(const std::vector<Variant>& record) = 0;
  virtual void Commit() = 0;
};

namespace {

// The Paradox type of a field definition: text of any length stays whole
// (a memo past the 255 characters of an Alpha field), integers beyond 32 bits
// are numbers rather than cut.
TParadoxFieldDef ParadoxField(const TBDEFieldDef& def) {
  TParadoxFieldDef field;
  field.Name = def.Name;
  switch (def.DataType) {
    case ftSmallint: case ftShortint: case ftByte: field.Type = pwShort; break;
    case ftInteger: case ftWord: field.Type = pwLong; break;
    case ftLargeint: case ftLongWord: case ftFloat: case ftExtended: case ftSingle: case ftBCD: case ftFMTBcd:
      field.Type = pwNumber;
      break;
    case ftCurrency: field.Type = pwCurrency; break;
    case ftBoolean: field.Type = pwLogical; break;
    case ftDate: field.Type = pwDate; break;
    case ftTime: field.Type = pwTime; break;
    case ftDateTime: case ftTimeStamp: case ftOraTimeStamp: field.Type = pwTimestamp; break;
    case ftAutoInc: field.Type = pwAutoInc; break;
    default:
      if (IsBinaryType(def.DataType)) {
        field.Type = pwBLOB;
      } else if (IsTextType(def.DataType) && def.Size > 0 && def.Size <= TParadoxTableWriter::MaxAlphaSize) {
        field.Type = pwAlpha;
        field.Size = def.Size;
      } else {
        field.Type = pwMemo;
      }
      break;
  }
  return field;
}

class TParadoxFile : public TBDETable::TFileWriter {
 public:
  TParadoxFile(const String& tableName, const std::vector<TBDEFieldDef>& defs) : FBlobName(ChangeTableFileExt(tableName, u".mb")) {
    std::vector<TParadoxFieldDef> fields;
    for (const TBDEFieldDef& def : defs) fields.push_back(ParadoxField(def));
    const bool blobs = std::any_of(fields.begin(), fields.end(),
                                   [](const TParadoxFieldDef& f) { return f.Type == pwMemo || f.Type == pwBLOB; });
    FTable = std::make_unique<TSafeFileWriter>(tableName);
    if (blobs) FBlobs = std::make_unique<TSafeFileWriter>(FBlobName);
    FWriter = std::make_unique<TParadoxTableWriter>(FTable->Stream(), blobs ? &FBlobs->Stream() : nullptr,
                                                    BaseName(tableName), std::move(fields));
  }
  void Write(const std::vector<Variant>& record) override { FWriter->AppendRecord(record); }
  void Commit() override {
    FWriter->Finish();
    if (FBlobs) FBlobs->Commit();
    else if (FileExists(FBlobName)) DeleteFile(FBlobName);  // it belonged to an earlier table of this name
    FTable->Commit();
  }

 private:
  String FBlobName;
  std::unique_ptr<TSafeFileWriter> FTable, FBlobs;
  std::unique_ptr<TParadoxTableWriter> FWriter;
};

// ASCII tables: one line per record, fields separated by commas, texts in
// double quotes (a quote inside doubled), numbers with a point, dates as
// yyyy-mm-dd; the ".sch" file names the fields and their types.
class TAsciiFile : public TBDETable::TFileWriter {
 public:
  TAsciiFile(const String& tableName, const std::vector<TBDEFieldDef>& defs) : FDefs(defs) {
    FData = std::make_unique<TSafeFileWriter>(tableName);
    FSchema = std::make_unique<TSafeFileWriter>(ChangeTableFileExt(tableName, u".sch"));
    std::string schema = "[" + StringToAnsi(BaseName(tableName)) + "]\r\nFILETYPE = VARYING\r\nCHARSET = ANSIINTL\r\n"
                         "DELIMITER = \"\r\nSEPARATOR = ,\r\n";
    Integer offset = 0;
    for (size_t i = 0; i < FDefs.size(); ++i) {
      const auto [type, width, decimals] = SchemaType(FDefs[i]);
      char line[64];
      std::snprintf(line, sizeof line, ",%s,%d,%02d,%02d\r\n", type, width, decimals, offset);
      schema += "FIELD" + std::to_string(i + 1) + " = " + StringToAnsi(FDefs[i].Name) + line;
      offset += width;
    }
    FSchema->Stream().WriteBuffer(schema.data(), static_cast<Int64>(schema.size()));
  }

  void Write(const std::vector<Variant>& record) override {
    FLine.clear();
    for (size_t i = 0; i < FDefs.size(); ++i) {
      if (i > 0) FLine += ',';
      if (i < record.size()) AppendValue(FDefs[i], record[i]);
    }
    FLine += "\r\n";
    FData->Stream().WriteBuffer(FLine.data(), static_cast<Int64>(FLine.size()));
  }

  void Commit() override {
    FSchema->Commit();
    FData->Commit();
  }

 private:
  struct TSchemaType {
    const char* Type;
    Integer Width;
    Integer Decimals;
  };
  static TSchemaType SchemaType(const TBDEFieldDef& def) {
    switch (def.DataType) {
      case ftSmallint: case ftShortint: case ftByte: case ftWord: return {"NUMBER", 6, 0};
      case ftInteger: case ftAutoInc: return {"LONGINT", 11, 0};
      case ftLargeint: case ftLongWord: return {"NUMBER", 20, 0};
      case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: case ftExtended: case ftSingle:
        return {"FLOAT", 20, 4};
      case ftBoolean: return {"BOOL", 1, 0};
      case ftDate: return {"DATE", 10, 0};
      case ftTime: return {"TIME", 8, 0};
      case ftDateTime: case ftTimeStamp: case ftOraTimeStamp: return {"TIMESTAMP", 19, 0};
      default: return {"CHAR", std::clamp<Integer>(def.Size, 1, 255), 0};
    }
  }

  void AppendValue(const TBDEFieldDef& def, const Variant& value) {
    if (value.IsNull() || value.IsEmpty()) return;
    char text[64];
    switch (def.DataType) {
      case ftSmallint: case ftShortint: case ftByte: case ftWord: case ftInteger: case ftAutoInc: case ftLargeint:
      case ftLongWord:
        FLine += std::to_string(value.AsInt64());
        return;
      case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: case ftExtended: case ftSingle:
        std::snprintf(text, sizeof text, "%.15g", value.AsDouble());
        FLine += text;
        return;
      case ftBoolean: FLine += value.AsBoolean() ? 'T' : 'F'; return;
      case ftDate: case ftTime: case ftDateTime: case ftTimeStamp: case ftOraTimeStamp: {
        const StringView format = def.DataType == ftDate   ? StringView(u"yyyy\"-\"mm\"-\"dd")
                                  : def.DataType == ftTime ? StringView(u"hh\":\"nn\":\"ss")
                                                           : StringView(u"yyyy\"-\"mm\"-\"dd hh\":\"nn\":\"ss");
        FLine += '"' + StringToAnsi(FormatDateTime(format, value.AsDateTime())) + '"';
        return;
      }
      default:
        break;
    }
    std::string bytes;
    if (const std::vector<Byte>* raw = value.ByteArray()) {
      // Bytes have no text form of their own: two hexadecimal digits each.
      static const char digits[] = "0123456789ABCDEF";
      for (Byte b : *raw) bytes += {digits[b >> 4], digits[b & 15]};
    } else {
      bytes = value.VarType() == varString ? value.AsAnsiString() : StringToAnsi(value.AsString());
    }
    FLine += '"';
    for (char c : bytes) {
      if (c == '"') FLine += '"';
      FLine += c;
    }
    FLine += '"';
  }

  std::vector<TBDEFieldDef> FDefs;
  std::unique_ptr<TSafeFileWriter> FData, FSchema;
  std::string FLine;
};

}  // namespace

TBDETable::TBDETable(const String& tableName, TTableType tableType)
    : FTableName(tableName), FTableType(ResolveTableType(tableType, tableName)) {}

TBDETable::~TBDETable() = default;

void TBDETable::CreateTable() {
  if (FieldDefs.empty()) throw EDatabaseError(u"A table needs at least one field.");
  const String folder = ExtractFilePath(FTableName);
  if (!folder.empty() && !DirectoryExists(folder)) ForceDirectories(folder);
  switch (FTableType) {
    case ttParadox: FWriter = std::make_unique<TParadoxFile>(FTableName, FieldDefs); break;
    case ttASCII: FWriter = std::make_unique<TAsciiFile>(FTableName, FieldDefs); break;
    default: throw EDatabaseError(u"dBase and FoxPro tables are written by the DBF writer.");
  }
}

Integer TBDETable::FindField(StringView name) const {
  for (size_t i = 0; i < FieldDefs.size(); ++i)
    if (SameText(FieldDefs[i].Name, name)) return static_cast<Integer>(i);
  return -1;
}

bool TBDETable::IsAutoIncField(Integer index) const {
  return index >= 0 && index < FieldCount() && FieldDefs[static_cast<size_t>(index)].DataType == ftAutoInc;
}

void TBDETable::Append() {
  if (!FWriter) throw EDatabaseError(u"Cannot perform this operation on a closed dataset");
  FRecord.assign(FieldDefs.size(), Variant::Null());
  FInRecord = true;
}

void TBDETable::SetFieldValue(Integer index, const Variant& value) {
  if (!FInRecord || index < 0 || index >= FieldCount()) throw EDatabaseError(u"Dataset not in edit or insert mode");
  FRecord[static_cast<size_t>(index)] = value;
}

void TBDETable::Post() {
  if (!FInRecord) throw EDatabaseError(u"Dataset not in edit or insert mode");
  for (size_t i = 0; i < FieldDefs.size(); ++i) {
    const bool blank = FRecord[i].IsNull() || FRecord[i].IsEmpty() || (FRecord[i].VarType() == varUString && FRecord[i].AsString().empty());
    if (FieldDefs[i].Required && FieldDefs[i].DataType != ftAutoInc && blank)
      throw EDatabaseError(Format(u"Field '%s' must have a value", {FieldDefs[i].Name}));
  }
  FWriter->Write(FRecord);
  FInRecord = false;
}

void TBDETable::Close() {
  if (!FWriter) return;
  FWriter->Commit();
  FWriter.reset();
}
