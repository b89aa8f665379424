#include "import/readers/TextLines.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Clipboard.h"

namespace {

// Bytes of a UTF-8 sequence that its lead byte announces; 1 for anything
// that is not a lead byte (the decoder replaces it).
size_t Utf8SequenceLength(Byte lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

// How many bytes at the end of a block begin a UTF-8 sequence that the
// block does not finish; they are decoded with the next block.
size_t IncompleteUtf8Tail(std::span<const Byte> block) {
  const size_t n = block.size();
  for (size_t back = 1; back <= std::min<size_t>(4, n); ++back) {
    const Byte b = block[n - back];
    if ((b & 0xC0) == 0x80) continue;  // continuation byte: keep looking for its lead
    return Utf8SequenceLength(b) > back ? back : 0;
  }
  return 0;
}

// In the multi-byte ANSI code pages no byte below 0x40 is part of a
// two-byte character, so a block can be cut after the last such byte.
size_t IncompleteMultiByteTail(std::span<const Byte> block) {
  for (size_t i = block.size(); i-- > 0;) {
    if (block[i] < 0x40) return block.size() - 1 - i;
  }
  return block.size();
}

std::string_view AsChars(std::span<const Byte> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Appends UTF-8 to text: runs of ASCII directly, the rest through the
// runtime's decoder.
void AppendUtf8(std::span<const Byte> bytes, String& text) {
  const size_t base = text.size();
  text.resize(base + bytes.size());  // UTF-8 never gives more units than bytes
  size_t length = base;
  size_t i = 0;
  while (i < bytes.size()) {
    while (i < bytes.size() && bytes[i] < 0x80) text[length++] = static_cast<char16_t>(bytes[i++]);
    size_t j = i;
    while (j < bytes.size() && bytes[j] >= 0x80) ++j;
    if (j == i) continue;
    const String wide = Utf8ToString(AsChars(bytes.subspan(i, j - i)));
    std::copy(wide.begin(), wide.end(), text.begin() + static_cast<std::ptrdiff_t>(length));
    length += wide.size();
    i = j;
  }
  text.resize(length);
}

bool IsBlank(StringView s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c <= u' '; });
}

bool SeparatorAt(const String& text, size_t p, const String& separator) {
  return text.size() - p >= separator.size() &&
         std::memcmp(text.data() + p, separator.data(), separator.size() * sizeof(char16_t)) == 0;
}

}  // namespace

// ---- Decoder ----

TTextDecoder::TTextDecoder(TStream& stream, size_t blockSize, Int64 budget)
    : FReader(stream, std::max<size_t>(blockSize, 1)), FBlockSize(std::max<size_t>(blockSize, 1)) {
  FLimit = budget < 0 ? FReader.Size() : std::min<UInt64>(static_cast<UInt64>(budget), FReader.Size());
  Restart();
}

void TTextDecoder::Restart() {
  FReader.Seek(0);
  FCarry.clear();
  FEncoding = FLimit >= 2 ? ReadByteOrderMark(FReader) : TByteOrderMark::None;
  if (FEncoding == TByteOrderMark::Utf8) {
    // Some writers put the mark twice.
    const UInt64 after = FReader.Position();
    if (ReadByteOrderMark(FReader) != TByteOrderMark::Utf8) FReader.Seek(after);
  }
  if (FReader.Position() > FLimit) FReader.Seek(FLimit);
  FMultiByteAnsi = FEncoding == TByteOrderMark::None && IsMultiByteAnsiCodePage();
  if (FEncoding == TByteOrderMark::None && !FMultiByteAnsi && !FAnsiTableReady) {
    FAnsiTableReady = true;
    // The characters of the 256 bytes of a single-byte code page.
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      const String c = AnsiToString(std::string_view(&byte, 1));
      FAnsiTable[static_cast<size_t>(b)] = c.size() == 1 ? c[0] : u'?';
    }
  }
}

bool TTextDecoder::DecodeNext(String& text) {
  const UInt64 position = FReader.Position();
  if (position >= FLimit) return false;
  const size_t n = static_cast<size_t>(std::min<UInt64>(FBlockSize, FLimit - position));
  std::span<const Byte> bytes = FReader.Bytes(n);
  const bool last = position + n >= FLimit;
  if (!FCarry.empty()) {
    // Complete the character the last block cut, then go on with the rest.
    size_t take = bytes.size();
    if (FEncoding == TByteOrderMark::Utf16LE || FEncoding == TByteOrderMark::Utf16BE) take = 1;
    else if (FEncoding == TByteOrderMark::Utf8) take = Utf8SequenceLength(FCarry[0]) - FCarry.size();
    take = std::min(take, bytes.size());
    std::vector<Byte> joined = std::move(FCarry);
    FCarry.clear();
    joined.insert(joined.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
    bytes = bytes.subspan(take);
    DecodeBytes(joined, last && bytes.empty(), text);
    if (!FCarry.empty()) {
      // Still incomplete: everything of this block went into it.
      FCarry.insert(FCarry.end(), bytes.begin(), bytes.end());
      return true;
    }
  }
  DecodeBytes(bytes, last, text);
  return true;
}

void TTextDecoder::DecodeBytes(std::span<const Byte> bytes, bool last, String& text) {
  size_t tail = 0;
  switch (FEncoding) {
    case TByteOrderMark::Utf16LE:
    case TByteOrderMark::Utf16BE: {
      // An odd last byte of the text holds no character.
      tail = bytes.size() % 2;
      const size_t chars = bytes.size() / 2;
      const size_t base = text.size();
      text.resize(base + chars);
      const bool le = FEncoding == TByteOrderMark::Utf16LE;
      for (size_t i = 0; i < chars; ++i) {
        const Byte a = bytes[2 * i];
        const Byte b = bytes[2 * i + 1];
        text[base + i] = static_cast<char16_t>(le ? (a | b << 8) : (b | a << 8));
      }
      break;
    }
    case TByteOrderMark::Utf8:
      tail = last ? 0 : IncompleteUtf8Tail(bytes);
      AppendUtf8(bytes.first(bytes.size() - tail), text);
      break;
    case TByteOrderMark::None:
      if (FMultiByteAnsi) {
        tail = last ? 0 : IncompleteMultiByteTail(bytes);
        text += AnsiToString(AsChars(bytes.first(bytes.size() - tail)));
      } else {
        const size_t base = text.size();
        text.resize(base + bytes.size());
        for (size_t i = 0; i < bytes.size(); ++i) text[base + i] = FAnsiTable[bytes[i]];
      }
      break;
  }
  if (!last) FCarry.assign(bytes.end() - static_cast<std::ptrdiff_t>(tail), bytes.end());
}

// ---- Lines ----

namespace {

// The bytes a load may read (a preview reads about 4 KB per line) and the
// last row it keeps.
Int64 LoadBudget(const TTextLoadOptions& options, TStream& stream, Int64& lastRow) {
  Int64 budget = std::max<Int64>(0, stream.Size() - stream.Position());
  lastRow = options.LastRow;
  if (options.Preview) {
    if (options.PreviewRows < lastRow - options.FirstRow) lastRow = options.FirstRow + options.PreviewRows - 1;
    const Int64 previewBytes = (lastRow - options.FirstRow + 1) * 4096;
    if (previewBytes < budget && options.FirstRow < 10) budget = std::max<Int64>(previewBytes, 0);
  }
  return budget;
}

}  // namespace

TTextLineReader::TTextLineReader(TStream& stream, const TTextLoadOptions& options)
    : FOptions(options), FLastRow(options.LastRow), FDecoder(stream, options.BlockSize, LoadBudget(options, stream, FLastRow)) {}

void TTextLineReader::Restart() {
  FDecoder.Restart();
  FText.clear();
  FStart = 0;
  FEnd = false;
  FLineNo = 1;
  FKept = 0;
}

bool TTextLineReader::Refill() {
  FText.erase(0, FStart);
  FStart = 0;
  if (FDecoder.DecodeNext(FText)) return true;
  FEnd = true;
  while (!FText.empty() && (FText.back() == 26 || FText.back() == 27)) FText.pop_back();
  return false;
}

bool TTextLineReader::NextPhysical(StringView& line) {
  const String& sep = FOptions.RecordSeparator;
  const WideChar q = FOptions.TextQualifier;
  size_t scanned = 0;  // characters after FStart already looked at
  bool quoted = false;
  for (;;) {
    const size_t n = FText.size();
    if (sep.empty()) {
      const auto length = static_cast<size_t>(std::max<Int64>(FOptions.FixedLineLength, 0));
      if (length > 0 && n - FStart >= length) {
        line = StringView(FText).substr(FStart, length);
        FStart += length;
        return true;
      }
    } else {
      size_t p = FStart + scanned;
      const char16_t first = sep[0];
      for (; p < n; ++p) {
        const char16_t c = FText[p];
        bool nowQuoted = quoted;
        if (q != 0 && c == q && (p == FStart || FText[p - 1] != u'\\')) nowQuoted = !nowQuoted;
        if (!nowQuoted && c == first) {
          if (n - p < sep.size() && !FEnd) break;  // the rest of the separator is still to come
          if (SeparatorAt(FText, p, sep)) {
            line = StringView(FText).substr(FStart, p - FStart);
            FStart = p + sep.size();
            return true;
          }
        }
        quoted = nowQuoted;
      }
      scanned = p - FStart;
    }
    if (!FEnd) {
      Refill();
      scanned = std::min(scanned, FText.size() - FStart);
      continue;
    }
    if (FStart >= n) return false;
    line = StringView(FText).substr(FStart);
    FStart = n;
    return true;
  }
}

bool TTextLineReader::Next(StringView& line) {
  const Int64 wanted = FLastRow >= FOptions.FirstRow ? FLastRow - FOptions.FirstRow + 1 : 0;
  for (;;) {
    // Nothing further is needed once the rows and the names are read.
    if (FKept >= wanted && FLineNo > FOptions.FieldNamesRow) return false;
    StringView raw;
    if (!NextPhysical(raw)) return false;
    const Int64 number = FLineNo++;
    if (FOptions.SkipEmpty && IsBlank(raw)) continue;
    if (number == FOptions.FieldNamesRow) {
      FCaptions = String(raw);
      FHaveCaptions = true;
    }
    if (number >= FOptions.FirstRow && number <= FLastRow && FKept < wanted) {
      ++FKept;
      line = raw;
      return true;
    }
  }
}

StringView TTextLines::Line(Integer index) const {
  if (index < 0 || index >= Count()) return {};
  const auto& span = FSpans[static_cast<size_t>(index)];
  return StringView(FText).substr(span.first, span.second);
}

void TTextLines::Clear() {
  FText.clear();
  FSpans.clear();
}

void TTextLines::Add(StringView line) {
  FSpans.emplace_back(FText.size(), line.size());
  FText.append(line);
}

void LoadTextFromStream(const TTextLoadOptions& options, String& captions, TTextLines& lines, TStream& stream) {
  lines.Clear();
  TTextLineReader reader(stream, options);
  StringView line;
  while (reader.Next(line)) lines.Add(line);
  if (reader.HasCaptions()) captions = reader.Captions();
}

void LoadTextFile(const TTextLoadOptions& options, String& captions, TTextLines& lines, const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
  LoadTextFromStream(options, captions, lines, stream);
}

std::unique_ptr<TStream> ClipboardStream() {
  auto stream = std::make_unique<TMemoryStream>();
  const String text = Clipboard().GetUnicodeText();
  const std::span<const Byte> mark = ByteOrderMarkBytes(TByteOrderMark::Utf16LE);
  stream->WriteBuffer(mark.data(), static_cast<Int64>(mark.size()));
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  stream->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

void LoadClipboard(const TTextLoadOptions& options, String& captions, TTextLines& lines) {
  TTextLoadOptions clipboardOptions = options;
  clipboardOptions.FixedLineLength = 0;
  auto stream = ClipboardStream();
  LoadTextFromStream(clipboardOptions, captions, lines, *stream);
}
