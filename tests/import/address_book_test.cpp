// The address-book source over vCard files: a file python3-vobject wrote
// (3.0) and hand-written 2.1 and 4.0 files (quoted-printable with soft line
// breaks, character sets, folded lines, several e-mail addresses, photos, a
// group), imported into a table column by column; the property texts and
// the column lookups.
#include <gtest/gtest.h>

#include <fstream>

#include "import/ImportExceptions.h"
#include "import/readers/WAB.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/TextConvert.h"
#include "tests/import/markup_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

std::filesystem::path VCardFixture(const char* name) {
  return std::filesystem::path(__FILE__).parent_path() / "fixtures" / "vcard" / name;
}

// The imported rows as maps from column name to non-empty value.
std::vector<std::map<String, String>> ImportBook(const std::filesystem::path& file, TSMIStatistic* statistic = nullptr) {
  TRADerevuFromWAB source;
  source.SetSourceFileName(Utf8ToString(file.string()));
  const TImportResult got = RunIntoTable(source);
  if (statistic != nullptr) statistic->Assign(got.Statistic);
  EXPECT_EQ(got.Columns.size(), 291u);
  std::vector<std::map<String, String>> rows;
  for (const auto& row : got.Rows) {
    std::map<String, String> values;
    for (size_t c = 0; c < row.size(); ++c)
      if (!row[c].empty()) values[got.Columns[c]] = row[c];
    rows.push_back(std::move(values));
  }
  return rows;
}

TEST(AddressBook, ContactsOfPythonVobjectLandInTheirColumns) {
  TSMIStatistic statistic;
  const auto rows = ImportBook(VCardFixture("python_contacts.vcf"), &statistic);
  EXPECT_EQ(statistic.Result, irExecuted);
  ASSERT_EQ(rows.size(), 2u);
  const std::map<String, String> ana = {
      {u"ENTRYID", u"1"},
      {u"OBJECT_TYPE", u"6"},
      {u"DISPLAY_NAME", u"Ana Novak"},
      {u"SURNAME", u"Novak"},
      {u"GIVEN_NAME", u"Ana"},
      {u"MIDDLE_NAME", u"Marija"},
      // The preferred address is the contact's address; the list keeps all.
      {u"EMAIL_ADDRESS", u"ana.novak@work.example"},
      {u"ADDRTYPE", u"SMTP"},
      {u"CONTACT_EMAIL_ADDRESSES", u"ana@example.org"},
      {u"CONTACT_DEFAULT_ADDRESS_INDEX", u"1"},
      {u"COMPANY_NAME", u"Žito d.d."},
      {u"DEPARTMENT_NAME", u"Razvoj"},
      {u"TITLE", u"Vodja; projektov"},
      {u"BUSINESS_TELEPHONE_NUMBER", u"+386 1 234 5678"},
      {u"MOBILE_TELEPHONE_NUMBER", u"+386 41 000 111"},
      {u"HOME_ADDRESS_STREET", u"Čopova 1"},
      {u"HOME_ADDRESS_CITY", u"Ljubljana"},
      {u"HOME_ADDRESS_POSTAL_CODE", u"1000"},
      {u"HOME_ADDRESS_COUNTRY", u"Slovenija"},
      {u"BIRTHDAY", DateTimeToStr(EncodeDate(1980, 4, 15))},
      {u"COMMENT", u"Prva vrstica\nDruga, z vejico " + [] {
         String s;
         for (int i = 0; i < 5; ++i) s += u"in dolgim besedilom ";
         return s;
       }()},
      {u"PERSONAL_HOME_PAGE", u"https://ana.example.org/"},
  };
  EXPECT_EQ(rows[0], ana);
  EXPECT_EQ(rows[1].at(u"DISPLAY_NAME"), u"Janez Kovač");
  EXPECT_EQ(rows[1].at(u"EMAIL_ADDRESS"), u"janez@example.si");
  EXPECT_EQ(rows[1].at(u"ENTRYID"), u"2");
}

TEST(AddressBook, HandWrittenVersionsTwoAndFour) {
  const auto old = ImportBook(VCardFixture("hand_21.vcf"));
  ASSERT_EQ(old.size(), 2u);
  EXPECT_EQ(old[0].at(u"DISPLAY_NAME"), u"Mojca Žagar");
  EXPECT_EQ(old[0].at(u"SURNAME"), u"Žagar");
  EXPECT_EQ(old[0].at(u"COMMENT"), u"Vrstica ena\r\nvrstica dva");
  EXPECT_EQ(old[0].at(u"EMAIL_ADDRESS"), u"mojca@pref.example");
  EXPECT_EQ(old[0].at(u"CONTACT_EMAIL_ADDRESSES"), u"mojca@example.org");
  EXPECT_EQ(old[0].at(u"HOME_TELEPHONE_NUMBER"), u"01 111 222");
  EXPECT_EQ(old[0].at(u"BUSINESS_FAX_NUMBER"), u"01 333 444");
  // Business addresses share their identifiers with the plain address
  // properties, so they land in those columns.
  EXPECT_EQ(old[0].at(u"STREET_ADDRESS"), u"Tržaška 5");
  EXPECT_EQ(old[0].at(u"LOCALITY"), u"Maribor");
  EXPECT_EQ(old[0].at(u"BIRTHDAY"), DateTimeToStr(EncodeDate(1975, 1, 2)));
  EXPECT_EQ(old[0].count(u"DISPLAY_NAME_W"), 0u);
  EXPECT_EQ(old[1].at(u"DISPLAY_NAME"), u"Imena Brez");

  const auto now = ImportBook(VCardFixture("hand_40.vcf"));
  ASSERT_EQ(now.size(), 2u);
  // A group is a distribution list: a row without values.
  EXPECT_TRUE(now[0].empty());
  EXPECT_EQ(now[1].at(u"DISPLAY_NAME_PREFIX"), u"dr.");
  EXPECT_EQ(now[1].at(u"GENDER"), u"2");
  EXPECT_EQ(now[1].at(u"NICKNAME"), u"Pero");
  EXPECT_EQ(now[1].at(u"EMAIL_ADDRESS"), u"peter@example.com");
  EXPECT_EQ(now[1].at(u"MOBILE_TELEPHONE_NUMBER"), u"tel:+386-40-123-456");
  EXPECT_EQ(now[1].at(u"BUSINESS_HOME_PAGE"), u"https://firma.example/");
  EXPECT_EQ(now[1].at(u"WEDDING_ANNIVERSARY"), DateTimeToStr(EncodeDate(2005, 6, 18)));
  EXPECT_EQ(now[1].at(u"COMMENT"), u"Dolga opomba, ki se  nadaljuje\n na drugi vrstici");
}

TEST(AddressBook, UnreadableBooksFailTheRun) {
  TempFolder folder;
  const struct {
    const char* Name;
    std::string Bytes;
    const char* Message;
  } cases[] = {{"old.wab", "\x9c\xcb\xcb\x8d\x13\x75\xd2\x11", ".wab"},
               {"notes.vcf", "just some text\n", "no vCard"}};
  for (const auto& c : cases) {
    std::ofstream(folder.PathOf(c.Name), std::ios::binary) << c.Bytes;
    TRADerevuFromWAB source;
    source.SetSourceFileName(folder.File(c.Name));
    try {
      RunIntoTable(source);
      ADD_FAILURE() << c.Name << " must not import as a success";
    } catch (const ESMIFileFormatException& e) {
      EXPECT_NE(StringToUtf8(e.Message()).find(c.Message), std::string::npos) << StringToUtf8(e.Message());
    }
  }
}

TEST(AddressBook, PropertyTextsAndColumnLookups) {
  auto prop = [](Word type) {
    SPropValue v;
    v.ulPropTag = PROP_TAG(type, 0x3A00);
    return v;
  };
  SPropValue shortValue = prop(PT_I2);
  shortValue.l = -5;
  SPropValue flag = prop(PT_BOOLEAN);
  flag.l = 1;
  SPropValue four = prop(PT_BINARY);
  four.bin = {0x2A, 0, 0, 0};
  SPropValue three = prop(PT_BINARY);
  three.bin = {1, 2, 3};
  SPropValue emptyList = prop(PT_MV_UNICODE);
  SPropValue emptyAnsiList = prop(PT_MV_STRING8);
  SPropValue ansi = prop(PT_STRING8);
  ansi.lpszA = "\x8a";  // Š in the ANSI code page
  const struct {
    SPropValue Value;
    String Text;
  } cases[] = {{shortValue, u"-5"},      {flag, u"1"},      {prop(PT_ERROR), u""}, {four, u"42"},
               {three, u""},             {emptyList, u""},  {emptyAnsiList, u""}, {ansi, u"Š"},
               {prop(0x48), u"[Unknown type 48]"}};
  for (const auto& c : cases) EXPECT_EQ(SPropValueToStr(c.Value), c.Text) << PROP_TYPE(c.Value.ulPropTag);

  TSMIWAB reader;
  EXPECT_EQ(reader.FindColumn(u"email_address"), 4);
  // The last entry is found too.
  EXPECT_EQ(reader.FindColumn(u"RECIPIENT_TYPE"), 291);
  EXPECT_EQ(reader.FindColumn(u"NOPE"), -1);
  TColumnList list;
  reader.FillColumnList(list, String());
  ASSERT_EQ(list.size(), 291u);
  EXPECT_EQ(list.back().Name, u"RECIPIENT_TYPE");
  EXPECT_EQ(list.back().Column, 291);
  EXPECT_EQ(String(WABTagNames()[17].Caption), u"Display Name (Unicode)");
  EXPECT_EQ(String(WABTagNames()[288].Caption), u"Business Address State");
  // Entries sharing an identifier: the value lands in the first one.
  SPropValue wide;
  wide.ulPropTag = 0x3001001F;
  EXPECT_EQ(GetTagIndex(wide), 3);
}

}  // namespace
