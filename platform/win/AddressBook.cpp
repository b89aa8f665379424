#include "platform/win/AddressBook.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>

#include "platform/rtl/ByteReader.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Strings.h"

namespace {

struct TTagName {
  Cardinal Tag;
  const char* Name;
};

constexpr TTagName kTags[] = {
#define WAB_TAG(tag, name, caption) {tag, name},
#include "platform/win/AddressBookTags.inc"
#undef WAB_TAG
};

// The tag of a property name of the table (its 8-bit string form for text).
Cardinal TagOf(const char* name) {
  for (const TTagName& t : kTags)
    if (std::strcmp(t.Name, name) == 0) return t.Tag;
  throw EAddressBookError(u"Unknown address-book property " + StrFromAscii(name));
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool IEquals(std::string_view a, std::string_view b) { return Upper(a) == Upper(b); }

// One content line of a card.
struct TLine {
  std::string Name;                                  // upper case, without its group
  std::vector<std::pair<std::string, std::string>> Params;  // upper-case names
  std::string Value;                                 // raw, still encoded
  bool HasParam(std::string_view name, std::string_view value) const {
    for (const auto& p : Params) {
      if (p.first != name) continue;
      size_t start = 0;
      for (;;) {
        const size_t comma = p.second.find(',', start);
        if (IEquals(std::string_view(p.second).substr(start, comma - start), value)) return true;
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    }
    return false;
  }
  std::string Param(std::string_view name) const {
    for (const auto& p : Params)
      if (p.first == name) return p.second;
    return std::string();
  }
};

// Splits "name;params" at separators outside double quotes.
std::vector<std::string> SplitOutsideQuotes(std::string_view text, char separator) {
  std::vector<std::string> parts(1);
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == separator && !quoted) {
      parts.emplace_back();
      continue;
    }
    parts.back() += c;
  }
  return parts;
}

bool ParseLine(const std::string& logical, TLine& line) {
  bool quoted = false;
  size_t colon = std::string::npos;
  for (size_t i = 0; i < logical.size(); ++i) {
    if (logical[i] == '"') quoted = !quoted;
    if (logical[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  if (colon == std::string::npos) return false;
  std::vector<std::string> head = SplitOutsideQuotes(std::string_view(logical).substr(0, colon), ';');
  std::string name = head[0];
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name = name.substr(dot + 1);
  line.Name = Upper(name);
  line.Params.clear();
  for (size_t i = 1; i < head.size(); ++i) {
    const std::string& p = head[i];
    const size_t eq = p.find('=');
    std::string key = eq == std::string::npos ? std::string() : Upper(p.substr(0, eq));
    std::string value = eq == std::string::npos ? p : p.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (key.empty()) {
      // vCard 2.1 writes bare parameter values.
      const std::string v = Upper(value);
      key = v == "QUOTED-PRINTABLE" || v == "BASE64" || v == "8BIT" || v == "7BIT" || v == "B" ? "ENCODING" : "TYPE";
    }
    line.Params.emplace_back(std::move(key), std::move(value));
  }
  line.Value = logical.substr(colon + 1);
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string DecodeQuotedPrintable(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else if (text[i] == '=' && i + 1 == text.size()) {
      // a soft line break at the very end
    } else {
      out += text[i];
    }
  }
  return out;
}

bool IsUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 4;
    if (n == 4 || n >= s.size() - i) return n == 0;
    for (size_t k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += n + 1;
  }
  return true;
}

int CodePageOfCharset(const std::string& charset) {
  const std::string c = Upper(charset);
  if (c.empty() || c == "UTF-8" || c == "UTF8") return 65001;
  if (c == "US-ASCII" || c == "ASCII") return 20127;
  if (c.rfind("ISO-8859-", 0) == 0) return 28590 + std::atoi(c.c_str() + 9);
  if (c.rfind("WINDOWS-", 0) == 0) return std::atoi(c.c_str() + 8);
  if (c.rfind("CP", 0) == 0) return std::atoi(c.c_str() + 2);
  return 65001;
}

// The decoded text of a value, escapes still in place.
String DecodeText(const TLine& line, std::string_view raw) {
  const std::string encoding = Upper(line.Param("ENCODING"));
  const std::string bytes = encoding == "QUOTED-PRINTABLE" ? DecodeQuotedPrintable(raw) : std::string(raw);
  const std::string charset = line.Param("CHARSET");
  if (charset.empty() && !IsUtf8(bytes)) return AnsiToString(bytes);
  const int codePage = CodePageOfCharset(charset);
  if (codePage == 65001) return Utf8ToString(bytes);
  try {
    return CodePageToString(bytes, codePage);
  } catch (const Exception&) {
    return AnsiToString(bytes);
  }
}

// The structured components of a value (split at unescaped ";"), each
// unescaped.
std::vector<String> Components(const String& text) {
  std::vector<String> parts(1);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\\' && i + 1 < text.size()) {
      const char16_t n = text[++i];
      parts.back() += n == u'n' || n == u'N' ? u'\n' : n;
    } else if (c == u';') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

String Unescaped(const String& text) {
  String out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\\' && i + 1 < text.size()) {
      const char16_t n = text[++i];
      out += n == u'n' || n == u'N' ? u'\n' : n;
    } else {
      out += text[i];
    }
  }
  return out;
}

void AddText(TAddressBookEntry& entry, const char* name, const String& text) {
  if (text.empty()) return;
  const Cardinal tag = PROP_TAG(PT_UNICODE, PROP_ID(TagOf(name)));
  for (const SPropValue& p : entry.Props)
    if (p.ulPropTag == tag) return;  // the first value of a kind stands
  SPropValue value;
  value.ulPropTag = tag;
  value.lpszW = text;
  entry.Props.push_back(std::move(value));
}

void AddLong(TAddressBookEntry& entry, const char* name, Word type, Integer number) {
  SPropValue value;
  value.ulPropTag = PROP_TAG(type, PROP_ID(TagOf(name)));
  value.l = number;
  entry.Props.push_back(std::move(value));
}

bool ParseDate(const String& text, TDateTime& date) {
  std::string digits;
  for (char16_t c : text) {
    if (c == u'T') break;
    if (c >= u'0' && c <= u'9') digits += static_cast<char>(c);
    else if (c != u'-') return false;
  }
  if (digits.size() != 8 || text.rfind(u"--", 0) == 0) return false;
  return TryEncodeDate(static_cast<Word>(std::stoi(digits.substr(0, 4))), static_cast<Word>(std::stoi(digits.substr(4, 2))),
                       static_cast<Word>(std::stoi(digits.substr(6, 2))), date);
}

void AddDate(TAddressBookEntry& entry, const char* name, const String& text) {
  TDateTime date = 0;
  if (!ParseDate(text, date)) return;
  SPropValue value;
  value.ulPropTag = TagOf(name);
  value.ft = LocalDateTimeToFileTime(date);
  entry.Props.push_back(std::move(value));
}

struct TTelKind {
  const char* Type;
  const char* Property;
};

const char* TelephoneProperty(const TLine& line) {
  const bool fax = line.HasParam("TYPE", "FAX");
  if (fax) return line.HasParam("TYPE", "HOME") ? "HOME_FAX_NUMBER" : "BUSINESS_FAX_NUMBER";
  static const TTelKind kinds[] = {{"CELL", "MOBILE_TELEPHONE_NUMBER"}, {"PAGER", "PAGER_TELEPHONE_NUMBER"},
                                   {"CAR", "CAR_TELEPHONE_NUMBER"},     {"ISDN", "ISDN_NUMBER"},
                                   {"WORK", "BUSINESS_TELEPHONE_NUMBER"}, {"HOME", "HOME_TELEPHONE_NUMBER"},
                                   {"TEXTPHONE", "TTYTDD_PHONE_NUMBER"}, {"PREF", "PRIMARY_TELEPHONE_NUMBER"}};
  for (const TTelKind& k : kinds)
    if (line.HasParam("TYPE", k.Type)) return k.Property;
  return line.Params.empty() ? "PRIMARY_TELEPHONE_NUMBER" : "OTHER_TELEPHONE_NUMBER";
}

void AddAddress(TAddressBookEntry& entry, const TLine& line, const std::vector<String>& parts) {
  const bool home = line.HasParam("TYPE", "HOME"), work = line.HasParam("TYPE", "WORK");
  const std::string prefix = work ? "BUSINESS_ADDRESS_" : home ? "HOME_ADDRESS_" : "OTHER_ADDRESS_";
  const char* fields[] = {"POST_OFFICE_BOX", nullptr, "STREET", "CITY", "STATE_OR_PROVINCE", "POSTAL_CODE", "COUNTRY"};
  for (size_t i = 0; i < parts.size() && i < std::size(fields); ++i)
    if (fields[i] != nullptr) AddText(entry, (prefix + fields[i]).c_str(), parts[i]);
}

// The entry of one card's lines.
TAddressBookEntry MakeEntry(const std::vector<TLine>& lines, Integer number) {
  TAddressBookEntry entry;
  SPropValue id;
  id.ulPropTag = TagOf("ENTRYID");
  id.bin.resize(4);
  for (int i = 0; i < 4; ++i) id.bin[static_cast<size_t>(i)] = static_cast<Byte>(static_cast<Cardinal>(number) >> (8 * i));
  entry.Props.push_back(id);
  std::vector<String> emails;
  size_t preferred = 0;
  String given, middle, surname;
  for (const TLine& line : lines) {
    const String text = DecodeText(line, line.Value);
    const std::string& n = line.Name;
    if (n == "KIND" || n == "X-ADDRESSBOOKSERVER-KIND") {
      if (IEquals(StringToUtf8(Trim(text)), "group")) entry.ObjectType = MAPI_DISTLIST;
    } else if (n == "FN") {
      AddText(entry, "DISPLAY_NAME", Unescaped(text));
    } else if (n == "N") {
      const std::vector<String> parts = Components(text);
      auto part = [&](size_t i) { return i < parts.size() ? parts[i] : String(); };
      surname = part(0), given = part(1), middle = part(2);
      AddText(entry, "SURNAME", surname);
      AddText(entry, "GIVEN_NAME", given);
      AddText(entry, "MIDDLE_NAME", middle);
      AddText(entry, "DISPLAY_NAME_PREFIX", part(3));
      AddText(entry, "GENERATION", part(4));
    } else if (n == "NICKNAME") {
      const String all = Unescaped(text);
      AddText(entry, "NICKNAME", all.substr(0, all.find(u',')));
    } else if (n == "EMAIL") {
      if (line.HasParam("TYPE", "PREF") || !line.Param("PREF").empty()) preferred = emails.size();
      emails.push_back(Trim(Unescaped(text)));
    } else if (n == "ORG") {
      const std::vector<String> parts = Components(text);
      AddText(entry, "COMPANY_NAME", parts[0]);
      if (parts.size() > 1) AddText(entry, "DEPARTMENT_NAME", parts[1]);
    } else if (n == "TITLE") {
      AddText(entry, "TITLE", Unescaped(text));
    } else if (n == "ROLE") {
      AddText(entry, "PROFESSION", Unescaped(text));
    } else if (n == "TEL") {
      AddText(entry, TelephoneProperty(line), Unescaped(text));
    } else if (n == "ADR") {
      AddAddress(entry, line, Components(text));
    } else if (n == "URL") {
      AddText(entry, line.HasParam("TYPE", "WORK") ? "BUSINESS_HOME_PAGE" : "PERSONAL_HOME_PAGE", Unescaped(text));
    } else if (n == "NOTE") {
      AddText(entry, "COMMENT", Unescaped(text));
    } else if (n == "LANG") {
      AddText(entry, "LANGUAGE", Unescaped(text));
    } else if (n == "BDAY") {
      AddDate(entry, "BIRTHDAY", text);
    } else if (n == "ANNIVERSARY" || n == "X-ANNIVERSARY") {
      AddDate(entry, "WEDDING_ANNIVERSARY", text);
    } else if (n == "GENDER" || n == "X-GENDER") {
      const String g = UpperCase(Trim(text));
      AddLong(entry, "GENDER", PT_I2, g.rfind(u"F", 0) == 0 ? 1 : g.rfind(u"M", 0) == 0 ? 2 : 0);
    }
  }
  String display;
  for (const String& part : {given, middle, surname})
    if (!part.empty()) display += (display.empty() ? u"" : u" ") + part;
  AddText(entry, "DISPLAY_NAME", display);
  if (!emails.empty()) {
    AddText(entry, "EMAIL_ADDRESS", emails[preferred]);
    AddText(entry, "ADDRTYPE", u"SMTP");
    SPropValue all;
    all.ulPropTag = PROP_TAG(PT_MV_UNICODE, PROP_ID(TagOf("CONTACT_EMAIL_ADDRESSES")));
    all.MVszW = emails;
    entry.Props.push_back(std::move(all));
    AddLong(entry, "CONTACT_DEFAULT_ADDRESS_INDEX", PT_LONG, static_cast<Integer>(preferred));
  }
  AddLong(entry, "OBJECT_TYPE", PT_LONG, entry.ObjectType);
  return entry;
}

// The logical lines of the text: folded lines joined (vCard 2.1 keeps the
// blank that begins a continuation, later versions drop it), and quoted-
// printable values continued across their soft line breaks.
std::vector<std::string> LogicalLines(const std::string& text) {
  std::vector<std::string> lines;
  bool version21 = false;
  bool softBreak = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string physical = text.substr(start, end - start);
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
    const bool continuation = !lines.empty() && !physical.empty() && (physical[0] == ' ' || physical[0] == '\t');
    if (softBreak && !lines.empty()) {
      lines.back().pop_back();  // the "=" of the soft break
      lines.back() += physical;
    } else if (continuation) {
      lines.back() += version21 ? physical : physical.substr(1);
    } else {
      if (!lines.empty() && IEquals(lines.back(), "VERSION:2.1")) version21 = true;
      if (physical.empty()) continue;
      lines.push_back(std::move(physical));
    }
    const std::string& current = lines.back();
    const size_t colon = current.find(':');
    softBreak = !current.empty() && current.back() == '=' && colon != std::string::npos &&
                Upper(current.substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
  }
  return lines;
}

}  // namespace

std::vector<TAddressBookEntry> TAddressBook::ParseVCards(std::span<const Byte> bytes) {
  TByteReader reader(bytes);
  const TByteOrderMark mark = ReadByteOrderMark(reader);
  std::string text;
  if (mark == TByteOrderMark::Utf16LE || mark == TByteOrderMark::Utf16BE) {
    String wide;
    while (reader.Remaining() >= 2) wide += static_cast<char16_t>(mark == TByteOrderMark::Utf16LE ? reader.U16() : reader.U16BE());
    text = StringToUtf8(wide);
  } else {
    const AnsiString rest = reader.Ansi(static_cast<size_t>(reader.Remaining()));
    text = rest;
  }
  std::vector<TAddressBookEntry> entries;
  std::vector<TLine> card;
  int depth = 0;
  bool sawCard = false;
  for (const std::string& logical : LogicalLines(text)) {
    TLine line;
    if (!ParseLine(logical, line)) continue;
    if (line.Name == "BEGIN" && IEquals(line.Value, "VCARD")) {
      // A card inside a card (a 2.1 agent) belongs to the outer one.
      if (depth++ == 0) card.clear();
      sawCard = true;
      continue;
    }
    if (line.Name == "END" && IEquals(line.Value, "VCARD")) {
      if (depth > 0 && --depth == 0) entries.push_back(MakeEntry(card, static_cast<Integer>(entries.size()) + 1));
      continue;
    }
    if (depth == 1) card.push_back(std::move(line));
  }
  if (!sawCard) throw EAddressBookError(u"The file holds no vCard contacts.");
  return entries;
}

std::unique_ptr<TAddressBook> TAddressBook::WABOpen(const WAB_PARAM& param) {
  const String& name = param.szFileName;
  if (name.size() >= 4 && UpperCase(name.substr(name.size() - 4)) == u".WAB")
    throw EAddressBookError(u"Windows Address Book files (.wab) cannot be read here; export the contacts as vCard files (.vcf).");
  std::ifstream file(StringToUtf8(name), std::ios::binary);
  if (!file) throw EAddressBookError(Format(u"Cannot open file \"%s\".", {name}));
  const std::vector<Byte> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  auto book = std::make_unique<TAddressBook>();
  try {
    book->FEntries = ParseVCards(bytes);
  } catch (const EAddressBookError& e) {
    throw EAddressBookError(Format(u"%s is not a vCard file: %s", {name, e.Message()}));
  }
  return book;
}

bool TAddressBook::QueryRows(std::vector<SPropValue>& row) {
  row.clear();
  if (FRow >= FEntries.size()) return false;
  const TAddressBookEntry& entry = FEntries[FRow++];
  for (Cardinal tag : FColumns) {
    SPropValue value;
    value.ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(tag));
    for (const SPropValue& p : entry.Props)
      if (PROP_ID(p.ulPropTag) == PROP_ID(tag)) {
        value = p;
        break;
      }
    row.push_back(std::move(value));
  }
  return true;
}

const std::vector<SPropValue>& TAddressBook::GetProps(const std::vector<Byte>& entryId) const {
  if (entryId.size() == 4) {
    const Cardinal n = entryId[0] | (entryId[1] << 8) | (entryId[2] << 16) | (Cardinal(entryId[3]) << 24);
    if (n >= 1 && n <= FEntries.size()) return FEntries[n - 1].Props;
  }
  throw EAddressBookError(u"The entry does not exist.");
}

namespace {
constexpr Int64 kFileTimeUnixEpoch = 116444736000000000LL;  // 1970-01-01 in 100-ns units since 1601
constexpr double kUnixEpochDays = 25569.0;                   // 1970-01-01 as a date-time
}  // namespace

TDateTime FileTimeToLocalDateTime(Int64 fileTime) {
  const std::time_t utc = static_cast<std::time_t>((fileTime - kFileTimeUnixEpoch) / 10000000);
  std::tm local{};
  localtime_r(&utc, &local);
  const Int64 offset = local.tm_gmtoff;
  return kUnixEpochDays + static_cast<double>((fileTime - kFileTimeUnixEpoch) / 10000 + offset * 1000) / 86400000.0;
}

Int64 LocalDateTimeToFileTime(TDateTime value) {
  Word year, month, day, hour, minute, second, msec;
  DecodeDateTime(value, year, month, day, hour, minute, second, msec);
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const std::time_t utc = mktime(&local);
  return kFileTimeUnixEpoch + static_cast<Int64>(utc) * 10000000 + msec * 10000LL;
}
