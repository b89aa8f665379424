#include "export/writers/CellReader.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <typeinfo>

#include "export/ExportColumns.h"
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

// 8-bit text of the ANSI code page as UTF-16, into a reused string; ASCII
// is widened eight bytes a step.
static_assert(std::endian::native == std::endian::little, "the widening below stores little-endian words");
void DecodeAnsi(std::string_view bytes, String& out) {
  const size_t n = bytes.size();
  out.resize(n);
  char16_t* to = out.data();
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    UInt64 eight;
    std::memcpy(&eight, bytes.data() + i, sizeof eight);
    if ((eight & 0x8080808080808080ull) != 0) break;
    // Each byte spread into a 16-bit unit, four at a time.
    for (int half = 0; half < 2; ++half) {
      UInt64 x = (eight >> (32 * half)) & 0xFFFFFFFFull;
      x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
      x = (x | (x << 8)) & 0x00FF00FF00FF00FFull;
      std::memcpy(to + i + 4 * half, &x, sizeof x);
    }
  }
  for (; i < n; ++i) {
    if (static_cast<unsigned char>(bytes[i]) >= 0x80) {
      out = AnsiToString(bytes);
      return;
    }
    to[i] = static_cast<char16_t>(bytes[i]);
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

void TCellReader::Reset() {
  for (TPlan& plan : FPlans) plan = TPlan();
}

TCellReader::TReadKind TCellReader::KindOf(const TField* field) {
  switch (field->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftShortint: case ftByte:
      return IsClass<TIntegerField, TSmallintField, TWordField, TAutoIncField, TShortintField, TByteField>(field)
                 ? rkInteger : rkNone;
    case ftLongWord: return IsClass<TLongWordField>(field) ? rkLongWord : rkNone;
    case ftLargeint: return IsClass<TLargeintField>(field) ? rkLargeint : rkNone;
    case ftFloat: case ftCurrency: case ftSingle: case ftExtended:
      return IsClass<TFloatField, TCurrencyField, TSingleField, TExtendedField>(field) ? rkReal : rkNone;
    case ftBCD: return IsClass<TBCDField>(field) ? rkBCD : rkNone;
    case ftBoolean: return IsClass<TBooleanField>(field) ? rkBoolean : rkNone;
    case ftDate: case ftTime: case ftDateTime:
      return IsClass<TDateField, TTimeField, TDateTimeField>(field) ? rkDateTime : rkNone;
    case ftString: case ftFixedChar: return IsClass<TStringField>(field) ? rkAnsi : rkNone;
    case ftWideString: case ftFixedWideChar: return IsClass<TWideStringField>(field) ? rkWide : rkNone;
    case ftMemo: case ftOraClob: return IsClass<TMemoField>(field) ? rkMemo : rkNone;
    case ftWideMemo: return IsClass<TWideMemoField>(field) ? rkWideMemo : rkNone;
    default: return rkNone;
  }
}

const TCellReader::TPlan& TCellReader::PlanOf(const TField* field) {
  // Fibonacci hashing spreads fields that lie a fixed size apart.
  const std::uintptr_t slot = (reinterpret_cast<std::uintptr_t>(field) * 0x9E3779B97F4A7C15ull) >> 58;
  TPlan& plan = FPlans[slot % std::size(FPlans)];
  if (plan.Field != field || plan.Kind == rkUnknown)
    plan = TPlan{field, KindOf(field), GetValueType(field->DataType(), Variant(), false)};
  return plan;
}

bool TCellReader::Read(TField* field, TCellValue& cell) {
  const TPlan& plan = PlanOf(field);
  cell.CellType = plan.CellType;
  switch (plan.Kind) {
    case rkUnknown: case rkNone:
      return false;
    case rkInteger:
      ReadValue<TIntegerField, Integer>(field, cell, cvInteger, &TCellValue::Int);
      return true;
    case rkLongWord:
      ReadValue<TLongWordField, LongWord>(field, cell, cvInteger, &TCellValue::Int);
      return true;
    case rkLargeint:
      ReadValue<TLargeintField, Int64>(field, cell, cvInteger, &TCellValue::Int);
      return true;
    case rkReal:
      ReadValue<TRealField, double>(field, cell, cvFloat, &TCellValue::Float);
      return true;
    case rkBCD:
      ReadValue<TBCDField, Currency>(field, cell, cvCurrency, &TCellValue::Curr);
      return true;
    case rkBoolean:
      ReadValue<TBooleanField, bool>(field, cell, cvBoolean, &TCellValue::Bool);
      return true;
    case rkDateTime:
      ReadValue<TDateTimeField, TDateTime>(field, cell, cvDateTime, &TCellValue::Float);
      return true;
    case rkAnsi: {
      const size_t size = static_cast<size_t>(field->DataSize());
      FBytes.resize(size);
      if (!field->GetData(FBytes.data())) return true;
      const size_t length = strnlen(FBytes.data(), std::min(size, static_cast<size_t>(field->Size())));
      DecodeAnsi(std::string_view(FBytes.data(), length), FText);
      cell.Kind = cvText;
      cell.Text = FText;
      return true;
    }
    case rkWide: {
      // The native value is UTF-16 already: read straight into the text.
      const size_t limit = static_cast<size_t>(field->Size());
      FText.resize((static_cast<size_t>(field->DataSize()) + 1) / 2);
      if (!field->GetData(FText.data())) return true;
      size_t length = 0;
      while (length < limit && FText[length] != 0) ++length;
      cell.Kind = cvText;
      cell.Text = StringView(FText).substr(0, length);
      return true;
    }
    case rkMemo: case rkWideMemo: {
      if (field->DataSet() == nullptr) return true;
      FBytes.clear();
      field->DataSet()->ReadBlobData(field, FBytes);
      // Only an empty value can be null; asking costs another read.
      if (FBytes.empty() && field->IsNull()) return true;
      if (field->DataType() == ftWideMemo) {
        FText.resize(FBytes.size() / 2);
        std::memcpy(FText.data(), FBytes.data(), FText.size() * 2);
      } else {
        DecodeAnsi(FBytes, FText);
      }
      cell.Kind = cvText;
      cell.Text = FText;
      return true;
    }
  }
  return false;
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
      if (cell.Field->DataType() == ftSingle)
        out.append(FloatToStrF(cell.Float, ffGeneral, 7, 0, fs));
      else
        AppendFloatToStr(out, cell.Float, fs);
      return;
    case cvCurrency:
      out.append(CurrToStr(cell.Curr, fs));
      return;
    case cvBoolean:
      AppendBoolean(*static_cast<const TBooleanField*>(cell.Field), cell.Bool, out);
      return;
    case cvDateTime: {
      const TFieldType type = cell.Field->DataType();
      AppendFormatDateTime(out, type == ftDate ? StringView(fs.ShortDateFormat)
                                : type == ftTime ? StringView(fs.LongTimeFormat) : StringView(),
                           cell.Float, fs);
      return;
    }
    case cvText:
      out.append(cell.Text);
      return;
  }
}
