// The settings objects an import component owns: the data formats of the
// source, the load conditions, the SQL text options and the statistic of
// the last run.
#pragma once

#include "import/ImportTypes.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TRADerevuBaseComponent;

// How the source writes numbers, dates, times and booleans.
class TSMIDataFormats {
 public:
  TSMIDataFormats() = default;

  TSMIDateOrder DateOrder() const { return FDateOrder; }
  void SetDateOrder(TSMIDateOrder value) { FDateOrder = value; }
  WideChar DateSeparator() const { return FDateSeparator; }
  void SetDateSeparator(WideChar value) { FDateSeparator = value; }
  WideChar TimeSeparator() const { return FTimeSeparator; }
  void SetTimeSeparator(WideChar value) { FTimeSeparator = value; }
  bool FourDigitYear() const { return FFourDigitYear; }
  void SetFourDigitYear(bool value) { FFourDigitYear = value; }
  bool LeadingZerosInDate() const { return FLeadingZerosInDate; }
  void SetLeadingZerosInDate(bool value) { FLeadingZerosInDate = value; }
  WideChar ThousandSeparator() const { return FThousandSeparator; }
  void SetThousandSeparator(WideChar value) { FThousandSeparator = value; }
  WideChar DecimalSeparator() const { return FDecimalSeparator; }
  void SetDecimalSeparator(WideChar value) { FDecimalSeparator = value; }
  const String& CurrencyString() const { return FCurrencyString; }
  void SetCurrencyString(const String& value) { FCurrencyString = value; }
  const String& CustomDateTimeFormat() const { return FCustomDateTimeFormat; }
  void SetCustomDateTimeFormat(const String& value) { FCustomDateTimeFormat = value; }
  const String& BooleanTrue() const { return FBooleanTrue; }
  void SetBooleanTrue(const String& value) { FBooleanTrue = value; }
  const String& BooleanFalse() const { return FBooleanFalse; }
  void SetBooleanFalse(const String& value) { FBooleanFalse = value; }
  bool UseRegionalSettings() const { return FUseRegionalSettings; }
  void SetUseRegionalSettings(bool value) { FUseRegionalSettings = value; }

  // Separators, date order, year and zero style and currency from the
  // process-wide format settings; the custom format is cleared, the boolean
  // words and UseRegionalSettings are kept.
  void LoadRegionalSettings();
  void Assign(const TSMIDataFormats& source) { *this = source; }
  bool operator==(const TSMIDataFormats&) const = default;

  // The character as text, empty for #0.
  static String GetDTSeparator(WideChar c);
  // Masks of the letters D, M, Y, H, N, S and Z (see GetDTByMask).
  String GetDateFormat() const;
  String GetTimeFormat(bool withMilliseconds) const;
  String GetDateTimeFormat() const;
  // The mask the conversion reads dates and date-times by: the custom
  // format, else two letters for each date part in DateOrder (four for the
  // year with FourDigitYear), then a blank and the time mask.
  String BuildDTFormat(bool xmlTime) const;
  // HH:NN:SS.ZZZ with the time separator; "T" in front and no milliseconds
  // for XML sources.
  String BuildTimeFormat(bool xmlTime) const;

 private:
  TSMIDateOrder FDateOrder = doMDY;
  WideChar FDateSeparator = u'/';
  WideChar FTimeSeparator = u':';
  bool FFourDigitYear = false;
  bool FLeadingZerosInDate = false;
  WideChar FThousandSeparator = u',';
  WideChar FDecimalSeparator = u'.';
  String FCurrencyString;
  String FCustomDateTimeFormat;
  String FBooleanTrue;
  String FBooleanFalse;
  bool FUseRegionalSettings = false;
};

// Row filters: a row is imported when LoadWhen is true and SkipIf is not.
class TSMILoadCondition {
 public:
  const String& LoadWhen() const { return FLoadWhen; }
  void SetLoadWhen(const String& value) { FLoadWhen = value; }
  const String& SkipIf() const { return FSkipIf; }
  void SetSkipIf(const String& value) { FSkipIf = value; }
  void Assign(const TSMILoadCondition& source) { *this = source; }

 private:
  String FLoadWhen;
  String FSkipIf;
};

class TSMISQLFieldNameOptions {
 public:
  WideChar SQLQuoteOpen() const { return FSQLQuoteOpen; }
  void SetSQLQuoteOpen(WideChar value) { FSQLQuoteOpen = value; }
  WideChar SQLQuoteClose() const { return FSQLQuoteClose; }
  void SetSQLQuoteClose(WideChar value) { FSQLQuoteClose = value; }
  void Assign(const TSMISQLFieldNameOptions& source) { *this = source; }

 private:
  WideChar FSQLQuoteOpen = u'[';
  WideChar FSQLQuoteClose = u']';
};

// How generated SQL text is written.
class TSMISQLOptions {
 public:
  const String& SQLTerm() const { return FSQLTerm; }
  void SetSQLTerm(const String& value) { FSQLTerm = value; }
  WideChar SQLQuote() const { return FSQLQuote; }
  void SetSQLQuote(WideChar value) { FSQLQuote = value; }
  TSMIFieldCharCase FieldNameCharCase() const { return FFieldNameCharCase; }
  void SetFieldNameCharCase(TSMIFieldCharCase value) { FFieldNameCharCase = value; }
  TSMISQLFieldNameOptions& FieldNameOptions() { return FFieldNameOptions; }
  const TSMISQLFieldNameOptions& FieldNameOptions() const { return FFieldNameOptions; }
  void Assign(const TSMISQLOptions& source) { *this = source; }

 private:
  String FSQLTerm = u";";
  WideChar FSQLQuote = u'"';
  TSMIFieldCharCase FFieldNameCharCase = ifcNormal;
  TSMISQLFieldNameOptions FFieldNameOptions;
};

// The counters and outcome of the last run.
class TSMIStatistic {
 public:
  explicit TSMIStatistic(TRADerevuBaseComponent* owner = nullptr) : FOwner(owner) {}

  Integer TotalCount = 0;
  Integer TotalImported = 0;
  Integer TotalAdded = 0;
  Integer TotalDeleted = 0;
  Integer TotalUpdated = 0;
  Integer TotalErrors = 0;
  Integer TotalSkipped = 0;
  Integer UpdateStep = 1;
  TSMIAction LastAction = iaUnknown;
  String LastGeneratedSQL;
  TSMIResult Result = irUnknown;
  Integer CurrentRow = 0;
  Integer CurrentCol = 0;
  Variant CurrentParsedValue;

  TRADerevuBaseComponent* Owner() const { return FOwner; }
  // Every field but the owner.
  void Assign(const TSMIStatistic& source);
  // The current row as one line: for every value entry whose destination
  // field exists, qualifier, value text, qualifier and delimiter.
  String GetCurrentRowsValues() const;

 private:
  TRADerevuBaseComponent* FOwner;
};
