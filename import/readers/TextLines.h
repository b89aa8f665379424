// Reading a text source line by line: the bytes are decoded one block at a
// time (a UTF-16 LE or BE mark, a UTF-8 mark, else the ANSI code page) and
// cut into lines as views into the decoded block, so a file of any size
// costs a block and its longest line, never a copy of the whole text.
#pragma once

#include <array>
#include <memory>
#include <span>
#include <vector>

#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Types.h"

class TStream;

// What the loader is told: how records are separated and quoted, and which
// lines it keeps.
struct TTextLoadOptions {
  // A preview reads at most PreviewRows lines and about 4 KB per line.
  bool Preview = false;
  // Blank lines are dropped (they still count as lines).
  bool SkipEmpty = false;
  // Empty: fixed-length records of FixedLineLength characters, or the whole
  // text as one line when that is 0.
  String RecordSeparator = u"\r\n";
  WideChar TextQualifier = u'"';  // 0: none
  WideChar FieldDelimiter = u'\t';  // taken for symmetry; lines ignore it
  Int64 FirstRow = 1;
  Int64 LastRow = 2147483647;
  Int64 PreviewRows = -1;
  Int64 FieldNamesRow = 1;
  Int64 FixedLineLength = 0;
  // Bytes decoded at a time; tests set it small to cut characters and
  // separators at block edges.
  size_t BlockSize = size_t{1} << 20;
};

// Decodes the bytes of a stream from its position, one block at a time.
class TTextDecoder {
 public:
  // budget: the most bytes read from the start (mark included); < 0: all.
  TTextDecoder(TStream& stream, size_t blockSize, Int64 budget = -1);
  // Appends the characters of the next block to text; false when the bytes
  // are all decoded (text is left as it was). A character cut by the block
  // edge is decoded with the next block; an odd last byte of UTF-16 text
  // holds no character and is ignored.
  bool DecodeNext(String& text);
  // Back to the first character after the mark.
  void Restart();
  TByteOrderMark Encoding() const { return FEncoding; }

 private:
  void DecodeBytes(std::span<const Byte> bytes, bool last, String& text);

  TByteReader FReader;
  size_t FBlockSize;
  UInt64 FLimit;
  TByteOrderMark FEncoding = TByteOrderMark::None;
  bool FMultiByteAnsi = false;
  bool FAnsiTableReady = false;
  std::array<char16_t, 256> FAnsiTable{};
  // Bytes of a character the last block did not finish.
  std::vector<Byte> FCarry;
};

// Cuts decoded text into lines: a separator inside qualifiers belongs to
// the line, so one quoted field may span several physical lines; a
// qualifier right after a backslash neither opens nor closes such a
// section. Trailing SUB (26) and ESC (27) characters of the text are
// dropped.
class TTextLineReader {
 public:
  TTextLineReader(TStream& stream, const TTextLoadOptions& options);
  // The next kept line from FirstRow to LastRow (blank lines dropped with
  // SkipEmpty); false after the last. The view holds until the next call.
  bool Next(StringView& line);
  // Back to the first line of the text.
  void Restart();
  // The text of line FieldNamesRow once Next has passed it.
  const String& Captions() const { return FCaptions; }
  bool HasCaptions() const { return FHaveCaptions; }

 private:
  // The next physical line; false at the end of the text.
  bool NextPhysical(StringView& line);
  // Decodes more text behind what is unread; false at the end.
  bool Refill();

  TTextLoadOptions FOptions;
  Int64 FLastRow;
  TTextDecoder FDecoder;
  String FText;       // decoded text not yet cut, from FStart on
  size_t FStart = 0;
  bool FEnd = false;  // the decoder has nothing more
  Int64 FLineNo = 1;  // number of the next physical line
  Int64 FKept = 0;
  String FCaptions;
  bool FHaveCaptions = false;
};

// Lines kept as a list, for the loaders below (previews and tests).
class TTextLines {
 public:
  Integer Count() const { return static_cast<Integer>(FSpans.size()); }
  // The line's text; empty outside 0 .. Count-1. Valid until the next load.
  StringView Line(Integer index) const;
  void Clear();
  void Add(StringView line);

 private:
  String FText;
  std::vector<std::pair<size_t, size_t>> FSpans;  // offset, length
};

// Decodes the stream from its current position to its end and cuts it into
// lines; the line numbered FieldNamesRow goes into captions.
void LoadTextFromStream(const TTextLoadOptions& options, String& captions, TTextLines& lines, TStream& stream);
// The same from a file, opened for reading while others may read and write.
void LoadTextFile(const TTextLoadOptions& options, String& captions, TTextLines& lines, const String& fileName);
// The same from the clipboard's text (FixedLineLength is not used).
void LoadClipboard(const TTextLoadOptions& options, String& captions, TTextLines& lines);
// The clipboard's text as a UTF-16 stream with its mark, so that no
// character is lost on the way to the loader.
std::unique_ptr<TStream> ClipboardStream();
