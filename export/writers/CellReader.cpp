#include "export/writers/CellReader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <typeinfo>

#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// Only the platform's own classes are read directly: a subclass may give
// other texts than its base.
template <class... T>
bool IsClass(const TField* field) {
  const std::type_info& type = typeid(*field);
  return ((type == typeid(T)) || ...);
}

// A value read through the field class's own GetValue into a member of the
// cell; a null value leaves the cell null.
template <class TFieldClass, class TValue, class TMember>
void ReadValue(TField* field, TCellValue& cell, TCellValueKind kind, TMember TCellValue::*member) {
  TValue value;
  if (!static_cast<TFieldClass*>(field)->GetValue(value)) return;
  cell.Kind = kind;
  cell.*member = value;
}

// 8-bit text of the ANSI code page as UTF-16, into a reused string.
void DecodeAnsi(std::string_view bytes, String& out) {
  out.resize(bytes.size());
  char16_t* to = out.data();
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      out = AnsiToString(bytes);
      return;
    }
    *to++ = static_cast<char16_t>(c);
  }
}

template <class T>
void AppendDigits(T value, String& out) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

// The texts a boolean field gives: its DisplayValues "true;false", or the
// platform's "True" and "False" without them.
void AppendBoolean(const TBooleanField& field, bool value, String& out) {
  const String& values = field.DisplayValues();
  if (values.empty()) {
    out.append(value ? DBMessages::STextTrue : DBMessages::STextFalse);
    return;
  }
  const size_t semicolon = values.find(u';');
  if (value) {
    out.append(StringView(values).substr(0, semicolon));
  } else if (semicolon != String::npos) {
    out.append(StringView(values).substr(semicolon + 1));
  }
}

}  // namespace

bool TCellReader::Read(TField* field, TCellValue& cell) {
  switch (field->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftShortint: case ftByte:
      if (!IsClass<TIntegerField, TSmallintField, TWordField, TAutoIncField, TShortintField, TByteField>(field))
        return false;
      ReadValue<TIntegerField, Integer>(field, cell, cvInteger, &TCellValue::Int);
      return true;
    case ftLongWord:
      if (!IsClass<TLongWordField>(field)) return false;
      ReadValue<TLongWordField, LongWord>(field, cell, cvInteger, &TCellValue::Int);
      return true;
    case ftLargeint:
      if (!IsClass<TLargeintField>(field)) return false;
      ReadValue<TLargeintField, Int64>(field, cell, cvInteger, &TCellValue::Int);
      return true;
    case ftFloat: case ftCurrency: case ftSingle: case ftExtended:
      if (!IsClass<TFloatField, TCurrencyField, TSingleField, TExtendedField>(field)) return false;
      ReadValue<TRealField, double>(field, cell, cvFloat, &TCellValue::Float);
      return true;
    case ftBCD:
      if (!IsClass<TBCDField>(field)) return false;
      ReadValue<TBCDField, Currency>(field, cell, cvCurrency, &TCellValue::Curr);
      return true;
    case ftBoolean:
      if (!IsClass<TBooleanField>(field)) return false;
      ReadValue<TBooleanField, bool>(field, cell, cvBoolean, &TCellValue::Bool);
      return true;
    case ftDate: case ftTime: case ftDateTime:
      if (!IsClass<TDateField, TTimeField, TDateTimeField>(field)) return false;
      ReadValue<TDateTimeField, TDateTime>(field, cell, cvDateTime, &TCellValue::Float);
      return true;
    case ftString: case ftFixedChar: {
      if (!IsClass<TStringField>(field)) return false;
      const size_t size = static_cast<size_t>(field->DataSize());
      FBytes.resize(size);
      if (!field->GetData(FBytes.data())) return true;
      const size_t length = strnlen(FBytes.data(), std::min(size, static_cast<size_t>(field->Size())));
      DecodeAnsi(std::string_view(FBytes.data(), length), FText);
      cell.Kind = cvText;
      cell.Text = FText;
      return true;
    }
    case ftWideString: case ftFixedWideChar: {
      if (!IsClass<TWideStringField>(field)) return false;
      FBytes.resize(static_cast<size_t>(field->DataSize()));
      if (!field->GetData(FBytes.data())) return true;
      const size_t limit = static_cast<size_t>(field->Size());
      FText.resize(limit);
      std::memcpy(FText.data(), FBytes.data(), limit * 2);
      size_t length = 0;
      while (length < limit && FText[length] != 0) ++length;
      cell.Kind = cvText;
      cell.Text = StringView(FText).substr(0, length);
      return true;
    }
    case ftMemo: case ftOraClob: case ftWideMemo: {
      const bool wide = field->DataType() == ftWideMemo;
      if (wide ? !IsClass<TWideMemoField>(field) : !IsClass<TMemoField>(field)) return false;
      if (field->DataSet() == nullptr || field->IsNull()) return true;
      FBytes.clear();
      field->DataSet()->ReadBlobData(field, FBytes);
      if (wide) {
        FText.resize(FBytes.size() / 2);
        std::memcpy(FText.data(), FBytes.data(), FText.size() * 2);
      } else {
        DecodeAnsi(FBytes, FText);
      }
      cell.Kind = cvText;
      cell.Text = FText;
      return true;
    }
    default:
      return false;
  }
}

bool TCellReader::IsBlankedByZero(const TCellValue& cell) {
  if (cell.Kind == cvNull) return true;
  switch (cell.Field->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
    case ftLargeint: case ftDate: case ftTime: case ftDateTime:
      return cell.AsDouble() == 0;
    default:
      return false;
  }
}

void TCellReader::AppendText(const TCellValue& cell, String& out, const TFormatSettings& fs) {
  switch (cell.Kind) {
    case cvNull:
      return;
    case cvInteger:
      if (cell.Field->DataType() == ftLongWord)
        AppendDigits(static_cast<UInt64>(cell.Int), out);
      else
        AppendDigits(cell.Int, out);
      return;
    case cvFloat:
      out.append(cell.Field->DataType() == ftSingle ? FloatToStrF(cell.Float, ffGeneral, 7, 0, fs)
                                                    : FloatToStr(cell.Float, fs));
      return;
    case cvCurrency:
      out.append(CurrToStr(cell.Curr, fs));
      return;
    case cvBoolean:
      AppendBoolean(*static_cast<const TBooleanField*>(cell.Field), cell.Bool, out);
      return;
    case cvDateTime:
      AppendDateTime(cell, out, fs);
      return;
    case cvText:
      out.append(cell.Text);
      return;
  }
}

void TCellReader::AppendDateTime(const TCellValue& cell, String& out, const TFormatSettings& fs) {
  const TFieldType type = cell.Field->DataType();
  const String& format = type == ftDate ? fs.ShortDateFormat : type == ftTime ? fs.LongTimeFormat : String();
  TDateCache& cache = FDateCache[type == ftDate ? 0 : type == ftTime ? 1 : 2];
  if (!cache.Valid || cache.Value != cell.Float || cache.Format != format) {
    cache.Text = FormatDateTime(format, cell.Float, fs);
    cache.Format = format;
    cache.Value = cell.Float;
    cache.Valid = true;
  }
  out.append(cache.Text);
}
