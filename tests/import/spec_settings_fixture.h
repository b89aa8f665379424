// Every setting an import specification holds, set away from its default,
// for the tests that save a specification and read it back.
#pragma once

#include "import/ImportComponent.h"

// Every setting a specification holds, away from its default, with
// characters beyond one byte where a setting can hold them.
inline void SetEverything(TRADerevuBaseComponent& c) {
  c.SetTableName(u"Tabela");
  c.SetDatasetKeys(u"ID;NAME");
  c.SetMode(imAppendUpdate);
  c.SetTableType(teClipboard);
  c.SetSourceFileName(u"/tmp/vhod ščž.csv");
  c.SetCharacterSet(csiASCII_MSDOS);
  c.SetCommitCount(77);
  c.Mappings().Add(u"ID=Field1");
  c.Mappings().Add(u"NAME=UPPER(Field2) + \"λ\"");
  c.Mappings().Add(u"NOTE=Field3 +\r\n\"x\"");  // an expression over two lines
  c.SetFieldDelimiterCustom(u'λ');
  c.SetTextQualifierCustom(u'\'');
  c.SetRecordSeparatorCustom(u"\u2028;");
  c.SetFixed(true);
  c.SetTrimSpaces(tsTrimLeftRight);
  c.SetRowFirst(3);
  c.SetRowLast(99);
  c.SetRowFieldNames(2);
  c.SetMaxScanRows(12);
  TSMIDataFormats& f = c.DataFormats();
  f.SetDateOrder(doYMD);
  f.SetDateSeparator(u'-');
  f.SetTimeSeparator(u'.');
  f.SetThousandSeparator(u'\u00A0');
  f.SetDecimalSeparator(u',');
  f.SetCurrencyString(u"€");
  f.SetFourDigitYear(true);
  f.SetLeadingZerosInDate(true);
  f.SetCustomDateTimeFormat(u"YYYY-MM-DD");
  f.SetBooleanTrue(u"Da");
  f.SetBooleanFalse(u"Ne");
  f.SetUseRegionalSettings(true);
  c.LoadCondition().SetLoadWhen(u"Field1 <> \"ž\"");
  c.LoadCondition().SetSkipIf(String(1, u'\uE000') + u"Field2 = \"\"\n");
}
