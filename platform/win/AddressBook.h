// The address-book library stand-in. Linux address books exchange contacts
// as vCard files (versions 2.1, 3.0 and 4.0), so the library opens such a
// file and presents each card as an entry of the personal address book: a
// contents table of rows (the columns asked for with SetColumns) and, per
// entry, its properties as MAPI property values, under the public property
// tags of the platform's headers (AddressBookTags.inc). A card of kind
// "group" is a distribution list; any other is a mail user.
//
// The file is parsed through the checked byte reader: folded lines, quoted-
// printable values (with soft line breaks), CHARSET parameters, escaped
// characters and structured values are understood; a binary address-book
// file (".wab") is refused with a clear error.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

RTL_DECLARE_EXCEPTION(EAddressBookError, Exception)

// Property types (the low 16 bits of a tag).
inline constexpr Word PT_I2 = 2, PT_LONG = 3, PT_R4 = 4, PT_DOUBLE = 5, PT_ERROR = 10, PT_BOOLEAN = 11,
                      PT_STRING8 = 30, PT_UNICODE = 31, PT_SYSTIME = 64, PT_BINARY = 258,
                      PT_MV_STRING8 = 0x101E, PT_MV_UNICODE = 0x101F;
inline constexpr Word PROP_TYPE(Cardinal tag) { return static_cast<Word>(tag & 0xFFFF); }
inline constexpr Word PROP_ID(Cardinal tag) { return static_cast<Word>(tag >> 16); }
inline constexpr Cardinal PROP_TAG(Word type, Word id) { return (Cardinal(id) << 16) | type; }

// The object types of entries.
inline constexpr Integer MAPI_MAILUSER = 6;
inline constexpr Integer MAPI_DISTLIST = 8;

// One property value; which member holds it follows PROP_TYPE(ulPropTag).
struct SPropValue {
  Cardinal ulPropTag = 0;
  Integer l = 0;              // PT_I2, PT_LONG, PT_BOOLEAN
  double dbl = 0;             // PT_R4, PT_DOUBLE
  Int64 ft = 0;               // PT_SYSTIME: 100-ns intervals since 1601-01-01 UTC
  AnsiString lpszA;           // PT_STRING8 (the ANSI code page)
  String lpszW;               // PT_UNICODE
  std::vector<Byte> bin;      // PT_BINARY
  std::vector<AnsiString> MVszA;  // PT_MV_STRING8
  std::vector<String> MVszW;      // PT_MV_UNICODE
};

// What WABOpen is given: the file to open.
struct WAB_PARAM {
  Cardinal cbSize = 32;
  void* hwnd = nullptr;
  String szFileName;
  Cardinal ulFlags = 0;
};

// One card as the library keeps it: its object type and its properties.
struct TAddressBookEntry {
  Integer ObjectType = MAPI_MAILUSER;
  std::vector<SPropValue> Props;
};

// An opened address book: the personal address book's contents table and
// its entries.
class TAddressBook {
 public:
  // Opens the file named in the parameter block; raises EAddressBookError
  // for a file that cannot be read or is no vCard file.
  static std::unique_ptr<TAddressBook> WABOpen(const WAB_PARAM& param);
  // The entries of vCard text (bytes of the file).
  static std::vector<TAddressBookEntry> ParseVCards(std::span<const Byte> bytes);

  // The contents table: the columns each row holds (tags), the position.
  void SetColumns(std::vector<Cardinal> tags) { FColumns = std::move(tags); }
  void SeekRow(size_t row) { FRow = row; }
  // The next row's values (one per column; a property the entry lacks has
  // the column's tag with type PT_ERROR); false after the last row.
  bool QueryRows(std::vector<SPropValue>& row);
  // The properties of the entry an entry identifier names; raises
  // EAddressBookError for an identifier of no entry.
  const std::vector<SPropValue>& GetProps(const std::vector<Byte>& entryId) const;

  const std::vector<TAddressBookEntry>& Entries() const { return FEntries; }

 private:
  std::vector<TAddressBookEntry> FEntries;
  std::vector<Cardinal> FColumns;
  size_t FRow = 0;
};

// The local date and time of a file time, and back.
TDateTime FileTimeToLocalDateTime(Int64 fileTime);
Int64 LocalDateTimeToFileTime(TDateTime value);
