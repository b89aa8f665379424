#include "import/readers/ImportFromText.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

#include "import/DateMask.h"
#include "import/ImportMessages.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "platform/win/Clipboard.h"

// ---- Lines ----

void TFreeDeleter::operator()(char16_t* p) const { std::free(p); }

TTextBuffer NewTextBuffer(size_t count) {
  constexpr size_t kHugePage = size_t{2} << 20;
  const size_t bytes = std::max<size_t>(count, 1) * sizeof(char16_t);
  char16_t* p = nullptr;
  if (bytes < kHugePage) {
    p = static_cast<char16_t*>(std::malloc(bytes));
  } else {
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    p = static_cast<char16_t*>(std::aligned_alloc(kHugePage, rounded));
    if (p != nullptr) madvise(p, rounded, MADV_HUGEPAGE);
  }
  if (p == nullptr) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  return TTextBuffer(p);
}

StringView TTextLines::Line(Integer index) const {
  if (index < 0 || index >= Count()) return {};
  const auto& span = FSpans[static_cast<size_t>(index)];
  return Text().substr(span.first, span.second);
}

void TTextLines::Clear() {
  FText.reset();
  FLength = 0;
  FSpans.clear();
}

void TTextLines::SetText(TTextBuffer text, size_t length) {
  FText = std::move(text);
  FLength = length;
  FSpans.clear();
}

namespace {

constexpr size_t kChunkBytes = size_t{1} << 22;

// Bytes of a UTF-8 sequence that its lead byte announces; 1 for anything
// that is not a lead byte (the decoder replaces it).
size_t Utf8SequenceLength(unsigned char lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

// How many bytes at the end of a block begin a UTF-8 sequence that the
// block does not finish; they are decoded with the next block.
size_t IncompleteUtf8Tail(std::string_view block) {
  const size_t n = block.size();
  for (size_t back = 1; back <= std::min<size_t>(4, n); ++back) {
    const auto b = static_cast<unsigned char>(block[n - back]);
    if ((b & 0xC0) == 0x80) continue;  // continuation byte: keep looking for its lead
    return Utf8SequenceLength(b) > back ? back : 0;
  }
  return 0;
}

// Decodes UTF-8 into text from position length on (text has room: UTF-8
// never gives more UTF-16 units than bytes); returns the new length. Runs
// of ASCII are copied directly, the rest goes through the runtime's decoder.
size_t AppendUtf8(std::string_view bytes, char16_t* text, size_t length) {
  size_t i = 0;
  while (i < bytes.size()) {
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80)
      text[length++] = static_cast<char16_t>(bytes[i++]);
    size_t j = i;
    while (j < bytes.size() && static_cast<unsigned char>(bytes[j]) >= 0x80) ++j;
    if (j == i) continue;
    const String wide = Utf8ToString(bytes.substr(i, j - i));
    std::copy(wide.begin(), wide.end(), text + length);
    length += wide.size();
    i = j;
  }
  return length;
}

enum class TTextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

// Reads until count bytes arrived or the stream ends; a stream may hand
// over less than asked at a time.
Int64 ReadUpTo(TStream& stream, void* buffer, Int64 count) {
  Int64 total = 0;
  while (total < count) {
    const Int64 got = stream.Read(static_cast<char*>(buffer) + total, count - total);
    if (got <= 0) break;
    total += got;
  }
  return total;
}

// The characters of the 256 bytes of a single-byte code page.
std::array<char16_t, 256> SingleByteTable(int codePage) {
  std::array<char16_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    const String c = CodePageToString(std::string_view(&byte, 1), codePage);
    table[static_cast<size_t>(b)] = c.size() == 1 ? c[0] : u'?';
  }
  return table;
}

// A decoded text in a buffer of at least its length.
struct TDecodedText {
  TTextBuffer Chars;
  size_t Length = 0;
};

// Reads up to budget bytes of the stream in blocks into one buffer, sized
// once (no encoding here makes more characters than bytes).
TDecodedText DecodeBytes(TStream& stream, Int64 budget, TTextEncoding encoding) {
  TDecodedText text;
  if (budget <= 0) return text;
  if (encoding == TTextEncoding::Utf16LE || encoding == TTextEncoding::Utf16BE) {
    // An odd last byte holds no character.
    const size_t chars = static_cast<size_t>(budget / 2);
    text.Chars = NewTextBuffer(chars);
    text.Length = static_cast<size_t>(ReadUpTo(stream, text.Chars.get(), static_cast<Int64>(chars * 2)) / 2);
    if (encoding == TTextEncoding::Utf16BE) {
      for (size_t i = 0; i < text.Length; ++i)
        text.Chars[i] = static_cast<char16_t>((text.Chars[i] >> 8) | (text.Chars[i] << 8));
    }
    return text;
  }
  if (encoding == TTextEncoding::Ansi && IsMultiByteAnsiCodePage()) {
    // A multi-byte code page cannot be cut at any byte: read it whole.
    std::string bytes(static_cast<size_t>(budget), '\0');
    bytes.resize(static_cast<size_t>(ReadUpTo(stream, bytes.data(), budget)));
    const String decoded = AnsiToString(bytes);
    text.Chars = NewTextBuffer(decoded.size());
    std::copy(decoded.begin(), decoded.end(), text.Chars.get());
    text.Length = decoded.size();
    return text;
  }
  text.Chars = NewTextBuffer(static_cast<size_t>(budget));
  char16_t* out = text.Chars.get();
  std::array<char16_t, 256> table{};
  if (encoding == TTextEncoding::Ansi) table = SingleByteTable(AnsiCodePage());
  std::string block(std::min<size_t>(kChunkBytes, static_cast<size_t>(budget)) + 4, '\0');
  size_t carry = 0;
  bool first = true;
  while (budget > 0) {
    const size_t want = std::min<size_t>(block.size() - carry, static_cast<size_t>(budget));
    const Int64 got = stream.Read(block.data() + carry, static_cast<Int64>(want));
    budget = got <= 0 ? 0 : budget - got;
    std::string_view bytes(block.data(), carry + static_cast<size_t>(std::max<Int64>(got, 0)));
    carry = 0;
    if (encoding == TTextEncoding::Ansi) {
      for (char b : bytes) out[text.Length++] = table[static_cast<unsigned char>(b)];
    } else {
      // Some writers put the mark twice.
      if (first && bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
      carry = budget > 0 ? IncompleteUtf8Tail(bytes) : 0;
      text.Length = AppendUtf8(bytes.substr(0, bytes.size() - carry), out, text.Length);
      std::memmove(block.data(), bytes.data() + bytes.size() - carry, carry);
    }
    first = false;
  }
  return text;
}

bool SeparatorAt(StringView text, size_t p, const String& separator) {
  return text.size() - p >= separator.size() && std::memcmp(text.data() + p, separator.data(), separator.size() * 2) == 0;
}

bool IsBlank(StringView s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c <= u' '; });
}

// Cuts the text into lines: a separator inside qualifiers belongs to the
// line, so one quoted field may span several physical lines; a qualifier
// right after a backslash neither opens nor closes such a section.
void SplitLines(const TTextLoadOptions& options, Int64 lastRow, String& captions, TTextLines& lines) {
  const StringView text = lines.Text();
  const String& sep = options.RecordSeparator;
  const WideChar q = options.TextQualifier;
  const size_t n = text.size();
  const Int64 wanted = lastRow >= options.FirstRow ? lastRow - options.FirstRow + 1 : 0;
  Int64 kept = 0;
  Int64 lineNo = 1;
  size_t p = 0;
  while (p < n) {
    const size_t start = p;
    bool quoted = false;
    if (sep.empty()) {
      p = options.FixedLineLength > 0 ? std::min<size_t>(n, p + static_cast<size_t>(options.FixedLineLength)) : n;
    } else {
      const char16_t first = sep[0];
      for (; p < n; ++p) {
        const char16_t c = text[p];
        if (q != 0 && c == q && (p == start || text[p - 1] != u'\\')) quoted = !quoted;
        if (!quoted && c == first && SeparatorAt(text, p, sep)) break;
      }
    }
    const StringView line = text.substr(start, p - start);
    if (!(options.SkipEmpty && IsBlank(line))) {
      if (lineNo == options.FieldNamesRow) captions = String(line);
      if (lineNo >= options.FirstRow && lineNo <= lastRow) {
        lines.AddSpan(start, p - start);
        ++kept;
      }
      // Nothing further is needed once the rows and the names are read.
      if (kept >= wanted && lineNo >= options.FieldNamesRow) break;
    }
    ++lineNo;
    if (!quoted && !sep.empty() && p < n && SeparatorAt(text, p, sep)) p += sep.size();
  }
}

}  // namespace

void LoadTextFromStream(const TTextLoadOptions& options, String& captions, TTextLines& lines, TStream& stream) {
  lines.Clear();
  // Everything from the current position on is the text, wherever the
  // caller's stream starts.
  Int64 budget = std::max<Int64>(0, stream.Size() - stream.Position());
  Int64 lastRow = options.LastRow;
  if (options.Preview) {
    if (options.PreviewRows < lastRow - options.FirstRow) lastRow = options.FirstRow + options.PreviewRows - 1;
    const Int64 previewBytes = (lastRow - options.FirstRow + 1) * 4096;
    if (previewBytes < budget && options.FirstRow < 10) budget = std::max<Int64>(previewBytes, 0);
  }

  TTextEncoding encoding = TTextEncoding::Ansi;
  unsigned char mark[3] = {0, 0, 0};
  const Int64 start = stream.Position();
  const Int64 got = stream.Read(mark, std::min<Int64>(2, budget));
  if (got == 2 && ((mark[0] == 0xFF && mark[1] == 0xFE) || (mark[0] == 0xFE && mark[1] == 0xFF))) {
    encoding = mark[0] == 0xFF ? TTextEncoding::Utf16LE : TTextEncoding::Utf16BE;
    budget -= 2;
  } else if (got == 2 && mark[0] == 0xEF && mark[1] == 0xBB && budget >= 3 && stream.Read(mark + 2, 1) == 1 &&
             mark[2] == 0xBF) {
    encoding = TTextEncoding::Utf8;
    budget -= 3;
  } else {
    stream.SetPosition(start);
  }

  TDecodedText text = DecodeBytes(stream, budget, encoding);
  while (text.Length > 0 && (text.Chars[text.Length - 1] == 26 || text.Chars[text.Length - 1] == 27)) --text.Length;
  lines.SetText(std::move(text.Chars), text.Length);
  SplitLines(options, lastRow, captions, lines);
}

void LoadTextFile(const TTextLoadOptions& options, String& captions, TTextLines& lines, const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
  LoadTextFromStream(options, captions, lines, stream);
}

namespace {

// The clipboard's text as UTF-16 with its mark, so that no character is
// lost on the way to the loader.
std::unique_ptr<TStream> ClipboardStream() {
  auto stream = std::make_unique<TMemoryStream>();
  const String text = Clipboard().GetUnicodeText();
  const unsigned char mark[2] = {0xFF, 0xFE};
  stream->WriteBuffer(mark, 2);
  for (char16_t c : text) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(c & 0xFF), static_cast<unsigned char>(c >> 8)};
    stream->WriteBuffer(bytes, 2);
  }
  stream->SetPosition(0);
  return stream;
}

}  // namespace

void LoadClipboard(const TTextLoadOptions& options, String& captions, TTextLines& lines) {
  TTextLoadOptions clipboardOptions = options;
  clipboardOptions.FixedLineLength = 0;
  auto stream = ClipboardStream();
  LoadTextFromStream(clipboardOptions, captions, lines, *stream);
}

// ---- Fields ----

void FillFields(const TDataSet* dataSet, bool fixed, WideChar delimiter, WideChar qualifier, StringView line,
                TFieldBoundsList& list) {
  list.clear();
  const Int64 n = static_cast<Int64>(line.size());
  // 1-based access; 0 (matching no set delimiter or qualifier) outside.
  auto at = [&](Int64 i) -> char16_t { return i >= 1 && i <= n ? line[static_cast<size_t>(i - 1)] : 0; };
  auto isQualifier = [&](Int64 i) { return qualifier != 0 && at(i) == qualifier; };
  auto isDelimiter = [&](Int64 i) { return delimiter != 0 && at(i) == delimiter; };

  if (fixed) {
    if (dataSet == nullptr) return;
    Int64 s = 1;
    for (const TField* field : dataSet->Fields()) {
      if (s >= n) break;
      Int64 c = s + field->DisplayWidth();
      Int64 end;
      if (c > n) {
        c = n;
        end = n;
      } else {
        end = qualifier == 0 || isQualifier(c) || isDelimiter(c) ? c - 1 : c;
      }
      list.push_back({s, end});
      s = c + (qualifier != 0 ? 1 : 0);
      if (isDelimiter(s)) ++s;
    }
    return;
  }

  Int64 s = 1;
  bool quoted = false;
  for (Int64 i = 1; i <= n; ++i) {
    if (isQualifier(i)) quoted = !quoted;
    const bool delimiterHere = isDelimiter(i);
    if (!((delimiterHere && !quoted) || i == n)) continue;
    const Int64 e = delimiterHere ? i - 1 : i;
    const Int64 start = isQualifier(s) || isDelimiter(s) ? s + 1 : s;
    const Int64 end = isQualifier(e) ? e - 1 : e;
    list.push_back({start, end});
    s = e + 1;
    if (isDelimiter(s)) ++s;
  }
  if (n > 0 && isDelimiter(n)) list.push_back({n + 1, n + 1});
}

String ExtractFieldText(StringView line, Int64 from, Int64 to, WideChar delimiter, WideChar qualifier) {
  if (from < 1 || to < from || from > static_cast<Int64>(line.size())) return String();
  StringView value = line.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from + 1));
  if (delimiter != 0 && !value.empty() && value.back() == delimiter) value.remove_suffix(1);
  if (qualifier == 0 || value.find(qualifier) == StringView::npos) return String(value);
  String out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == qualifier && i + 1 < value.size() && value[i + 1] == qualifier) continue;
    out += value[i];
  }
  return out;
}

// ---- Component ----

TRADerevuFromText::TRADerevuFromText(TComponent* owner) : TRADerevuBaseComponent(owner) {
  SetTableType(teText);
}

TTextLoadOptions TRADerevuFromText::RunLoadOptions() const {
  TTextLoadOptions options;
  options.SkipEmpty = HasOption(soSkipEmptyRow);
  options.RecordSeparator = RecordSeparatorCustom();
  options.TextQualifier = TextQualifierCustom();
  options.FieldDelimiter = FieldDelimiterCustom();
  options.FirstRow = RowFirst();
  options.LastRow = RowLast();
  options.FieldNamesRow = RowFieldNames();
  options.FixedLineLength = FFixedLineLength;
  return options;
}

void TRADerevuFromText::BeforeImport() {
  // Regional data formats and the pause flag are the engine's to reset.
  TRADerevuBaseComponent::BeforeImport();
  intLenText = static_cast<Integer>(String(strTextFieldName).size());
  intLenField = static_cast<Integer>(String(strField).size());
  lstFileRows = std::make_unique<TTextLines>();
  lst.clear();
  intCurRow = 0;
  strFromFile = {};
  if (DataStream != nullptr)
    LoadTextFromStream(RunLoadOptions(), strCaptions, *lstFileRows, *DataStream);
  else
    LoadTextFile(RunLoadOptions(), strCaptions, *lstFileRows, SourceFileName());
}

void TRADerevuFromText::AfterImport() {
  strFromFile = {};
  lst.clear();
  lstFileRows.reset();
}

bool TRADerevuFromText::NeedMore() {
  return lstFileRows != nullptr && intCurRow < lstFileRows->Count() &&
         Int64{intCurRow} <= Int64{RowLast()} - RowFirst();
}

Integer TRADerevuFromText::GetTotalCount() { return lstFileRows != nullptr ? lstFileRows->Count() : 0; }

bool TRADerevuFromText::LoadRecord() {
  strFromFile = lstFileRows != nullptr ? lstFileRows->Line(intCurRow) : StringView();
  if (!Fixed()) FillFields(DataSet(), false, FieldDelimiterCustom(), TextQualifierCustom(), strFromFile, lst);
  return TRADerevuBaseComponent::LoadRecord();
}

namespace {

// The number a column identifier ends with; plain digits are read directly
// (every row asks for every column), anything else as the runtime reads it.
Integer IdentifierNumber(StringView digits) {
  if (!digits.empty() && digits.size() <= 9 &&
      std::all_of(digits.begin(), digits.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
    Integer n = 0;
    for (char16_t c : digits) n = n * 10 + (c - u'0');
    return n;
  }
  return StrToIntDef(digits, 0);
}

}  // namespace

void TRADerevuFromText::GetFieldValue(const Variant& name, Variant& value) {
  // The identifier is the requested name as text, as the engine hands it;
  // the engine's own names are read in place.
  const String* text = name.StringValue();
  const String converted = text != nullptr ? String() : name.AsString();
  const String& id = text != nullptr ? *text : converted;
  const String& textPrefix = strTextFieldName;
  const String& fieldPrefix = strField;
  if (id == textPrefix) {
    value = Variant(String(strFromFile));
    return;
  }
  Int64 from = 0;
  Int64 to = 0;
  if (Fixed()) {
    if (id.starts_with(textPrefix)) {
      const size_t minus = id.find(u'-', textPrefix.size());
      if (minus != String::npos) {
        from = IdentifierNumber(StringView(id).substr(textPrefix.size(), minus - textPrefix.size()));
        to = IdentifierNumber(StringView(id).substr(minus + 1));
      }
    }
  } else if (id.starts_with(fieldPrefix)) {
    const Integer k = IdentifierNumber(StringView(id).substr(fieldPrefix.size()));
    if (k < 1 || k > static_cast<Integer>(lst.size())) {
      value = Variant(String());
      return;
    }
    from = lst[static_cast<size_t>(k - 1)].Start;
    to = lst[static_cast<size_t>(k - 1)].End;
  }
  if (from <= 0) {
    value = Variant(id);
    return;
  }
  value = Variant(to <= 0 ? String() : ExtractFieldText(strFromFile, from, to, FieldDelimiterCustom(), TextQualifierCustom()));
}

bool TRADerevuFromText::NotDefined(String& propertyName) {
  if (TRADerevuBaseComponent::NotDefined(propertyName)) return true;
  if (!SourceFileName().empty()) return false;
  propertyName = u"SourceFileName";
  return true;
}

String TRADerevuFromText::FillFileFilters() const {
  return String(strFormat3A) + u"|*.CSV|" + strFormat3 + u"|*.TXT|" + strFormat3B + u"|*.DAT|" + strFormat3C +
         u"|*.PRN|" + strFormat3D + u"|*.TAB|" + strFormat3E + u"|*.ASC|" + TRADerevuBaseComponent::FillFileFilters();
}

void TRADerevuFromText::GetColumnFieldName(Integer index, String& name) {
  name = Columns().Columns(index).Caption;
  if (name.find(u' ') != String::npos) name = u"[" + name + u"]";
}

void TRADerevuFromText::DetectAutoMapping() {
  const bool namesBeforeData = Int64{RowFirst()} - RowFieldNames() > 0;
  const bool noFields = DataSet() == nullptr || DataSet()->Fields().Count() == 0;
  const String& textPrefix = strTextFieldName;
  const String& fieldPrefix = strField;
  if (namesBeforeData || noFields) {
    TFieldBoundsList bounds;
    FillFields(DataSet(), Fixed(), FieldDelimiterCustom(), TextQualifierCustom(), strCaptions, bounds);
    const StringView captions(strCaptions);
    Int64 from = 1;
    for (size_t k = 0; k < bounds.size(); ++k) {
      TSMIColumn* column = Columns().Add();
      column->DataType = itString;
      String id;
      if (Fixed()) {
        id = textPrefix + IntToStr(from) + u"-" + IntToStr(bounds[k].End);
        column->Size = static_cast<Integer>(std::clamp<Int64>(bounds[k].End - from + 1, 0, 2147483647));
        from = bounds[k].End + 1 + (FieldDelimiterCustom() != 0 ? 1 : 0);
      } else {
        id = fieldPrefix + IntToStr(static_cast<Int64>(k + 1));
      }
      column->Caption = Trim(id);
      String name = id;
      if (namesBeforeData) {
        const Int64 start = bounds[k].Start;
        const Int64 end = std::min<Int64>(bounds[k].End, static_cast<Int64>(captions.size()));
        name = start >= 1 && end >= start ? String(captions.substr(static_cast<size_t>(start - 1),
                                                                   static_cast<size_t>(end - start + 1)))
                                          : String();
      }
      column->FieldName = Trim(name);
    }
  } else {
    TRADerevuBaseComponent::DetectAutoMapping();
    // Each column stands for its destination field, in order: the field's
    // name stays the column's name (so the mapping pairs them) and the
    // caption becomes the source identifier the mapping reads.
    Integer a = 1;
    for (int k = 0; k < Columns().Count(); ++k) {
      TSMIColumn& column = Columns()[k];
      if (Fixed()) {
        column.Caption = textPrefix + IntToStr(a) + u"-" + IntToStr(Int64{a} + column.Size);
        a = a + column.Size + 1;
      } else {
        column.Caption = fieldPrefix + IntToStr(k + 1);
      }
    }
  }
  if (MaxScanRows() > 0) ScanColumnTypes();
}

void TRADerevuFromText::ScanColumnTypes() {
  if (lstFileRows == nullptr) return;
  TFormatSettings numbers = FormatSettings;
  numbers.DecimalSeparator = DataFormats().DecimalSeparator();
  const String mask = BuildDTFormat();
  const Int64 first = Int64{RowFirst()} + RowFieldNames() - 1;
  const Int64 last = std::min<Int64>(first + MaxScanRows(), lstFileRows->Count() - 1);
  for (Int64 row = first; row <= last; ++row) {
    intCurRow = static_cast<Integer>(row);
    if (!NeedMore() || !LoadRecord()) break;
    for (int k = 0; k < Columns().Count(); ++k) {
      TSMIColumn& column = Columns()[k];
      Variant value;
      GetFieldValue(Variant(column.Caption), value);
      const String text = value.AsString();
      if (text.empty()) continue;
      double number = 0;
      Integer integer = 0;
      if (text == DataFormats().BooleanTrue() || text == DataFormats().BooleanFalse()) {
        column.DataType = itBoolean;
      } else if (TryStrToFloat(text, number, numbers)) {
        column.DataType = TryStrToInt(text, integer) ? itInteger : itFloat;
      } else {
        try {
          if (GetDTByMask(text, mask, DataFormats().DateSeparator(), DataFormats().TimeSeparator()) != 0)
            column.DataType = itDateTime;
        } catch (const Exception&) {
          // A value that is no date leaves the column's type as it was.
        }
      }
    }
  }
  intCurRow = 0;
  strFromFile = {};
}

// ---- Clipboard ----

TRADerevuFromClipboard::~TRADerevuFromClipboard() {
  if (FClipboardStream != nullptr && DataStream == FClipboardStream.get()) DataStream = nullptr;
}

void TRADerevuFromClipboard::BeforeImport() {
  FClipboardStream = ClipboardStream();
  DataStream = FClipboardStream.get();
  TRADerevuFromText::BeforeImport();
}

void TRADerevuFromClipboard::AfterImport() {
  TRADerevuFromText::AfterImport();
  if (DataStream == FClipboardStream.get()) DataStream = nullptr;
  FClipboardStream.reset();
}
