// Reading date-time texts by a mask of letters.
#include <gtest/gtest.h>

#include "import/DateMask.h"
#include "tests/import/expression_eval.h"

namespace {

std::string ReadByMask(const char16_t* text, const char16_t* mask, WideChar dateSeparator = u'.',
                       WideChar timeSeparator = u':') {
  try {
    const TDateTime value = GetDTByMask(text, mask, dateSeparator, timeSeparator);
    if (value == 0) return "0";
    return StringToUtf8(FormatDateTime(u"yyyy-mm-dd hh:nn:ss.zzz", value));
  } catch (const Exception& e) {
    return StringToUtf8(e.Message());
  }
}

TEST(DateMask, ReadsPartsByTheirLetters) {
  TSloveneSettings slovene;
  const Word window = FormatSettings.TwoDigitYearCenturyWindow;
  const std::string twoDigitYear = CurrentYear() - window < 2020 ? "2020" : "2120";
  const struct {
    const char16_t* Text;
    const char16_t* Mask;
    WideChar DateSeparator;
    std::string Expected;
  } cases[] = {
      {u"1.2.2000", u"DD.MM.YYYY", u'.', "2000-02-01 00:00:00.000"},
      {u"01.02.2000 10:30:15.250", u"dd.mm.yyyy hh:nn:ss.zzz", u'.', "2000-02-01 10:30:15.250"},
      // A text without a date separator holds only the time.
      {u"10:30", u"DD.MM.YYYY HH:NN", u'.', "1899-12-30 10:30:00.000"},
      {u"01-Jan-2000", u"DD-MMM-YYYY", u'-', "2000-01-01 00:00:00.000"},
      {u"7 dec 1999", u"D MMM YYYY", u' ', "1999-12-07 00:00:00.000"},
      {u"7 december 1999", u"D MMMMMMMM YYYY", u' ', "1999-12-07 00:00:00.000"},
      {u"20000201", u"YYYYMMDD", u'-', "2000-02-01 00:00:00.000"},
      {u"5.6.20", u"D.M.YY", u'.', twoDigitYear + "-06-05 00:00:00.000"},
      {u"", u"DD.MM.YYYY", u'.', "0"},
      {u"1.13.2000", u"DD.MM.YYYY", u'.', "0"},
      {u"30.2.2000", u"DD.MM.YYYY", u'.', "Invalid argument to date encode"},
      // A year beyond 9999 is refused, not cut to 16 bits.
      {u"1.2.70000", u"DD.MM.YYYYY", u'.', "Invalid argument to date encode"},
      {u"ab.2.2000", u"DD.MM.YYYY", u'.', "'ab' is not a valid integer value"},
      {u"24:00", u"HH:NN", u'.', "Invalid argument to time encode"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Text));
    EXPECT_EQ(ReadByMask(c.Text, c.Mask, c.DateSeparator), c.Expected);
  }
}

TEST(DateMask, AfternoonAndMidnightMarkers) {
  TSloveneSettings slovene;
  FormatSettings.TimeAMString = String(u"AM");
  FormatSettings.TimePMString = String(u"PM");
  EXPECT_EQ(ReadByMask(u"01.02.2000 03:15 PM", u"DD.MM.YYYY HH:NN"), "2000-02-01 15:15:00.000");
  EXPECT_EQ(ReadByMask(u"01.02.2000 12:15 am", u"DD.MM.YYYY HH:NN"), "2000-02-01 00:15:00.000");
  EXPECT_EQ(ReadByMask(u"01.02.2000 12:15 PM", u"DD.MM.YYYY HH:NN"), "2000-02-01 12:15:00.000");
}

}  // namespace
