// The settings objects of an export component: data formats, e-mail,
// run statistic, row colour style and page setup. Each copies all its
// fields with Assign.
#pragma once

#include "export/ExportGraphics.h"
#include "export/ExportTypes.h"
#include "platform/rtl/Types.h"

struct TFormatSettings;
class TSMEDataLevel;

// Number, date and boolean formats of an export. During a run the
// separators and currency text replace the process-wide ones.
struct TSMEDataFormats {
  TSMEDateOrder DateOrder = doMDY;
  WideChar DateSeparator = 0;  // character 0: none
  WideChar TimeSeparator = 0;
  bool FourDigitYear = false;
  bool LeadingZerosInDate = false;
  WideChar ThousandSeparator = 0;
  WideChar DecimalSeparator = 0;
  String CurrencyString;
  String CustomDateTimeFormat;
  String BooleanTrue;
  String BooleanFalse;
  bool UseRegionalSettings = false;

  void Assign(const TSMEDataFormats& source) { *this = source; }
  // Separators, currency text and the date order, year and zero flags from
  // the settings; the custom format is emptied, the boolean texts stay.
  void LoadRegionalSettings(const TFormatSettings& settings);
  // Patterns for writers that format dates themselves (D, M, Y, HH, NN, SS).
  String GetDateFormat() const;
  String GetTimeFormat() const;
  String GetDateTimeFormat() const;
  static String GetDTSeparator(WideChar separator);
};

struct TSMESendTo {
  String EMailRecipient;  // each recipient field may hold several addresses separated by ";"
  String EMailCC;
  String EMailBCC;
  String EMailSubject;
  String EMailBody;
  bool EMailOpenBeforeSend = true;

  void Assign(const TSMESendTo& source) { *this = source; }
};

// The state and result of a run, and the position writers read while they
// write.
struct TSMEStatistic {
  Integer TotalCount = 0;
  Integer TotalErrors = 0;  // no run changes it
  Integer UpdateStep = 1;   // the progress display is refreshed every that many records
  TSMEResult Result = erInProgress;
  Integer CurrentRow = 0;
  Integer CurrentCol = 0;
  TSMESection CurrentSection = esHeader;
  Integer CurrentDataLevel = 0;  // 0 master, 1 detail
  Integer CurrentRowHeight = 0;
  TSMEDataLevel* CurrentDetailLevel = nullptr;

  void Assign(const TSMEStatistic& source) { *this = source; }
};

// Alternating row colours.
class TRODirezaStyle {
 public:
  TSMEStyle Style() const { return FStyle; }
  // A different style also sets both colours from the style's table.
  void SetStyle(TSMEStyle value);
  TColor OddColor = 0;
  TColor EvenColor = 0;

  void Assign(const TRODirezaStyle& source) { *this = source; }

 private:
  TSMEStyle FStyle = esNormal;
};

struct TSMEPageSetup {
  TSMEMeasure Measure = emPoint;
  bool UseDefault = true;
  float TopMargin = 0;
  float BottomMargin = 0;
  float LeftMargin = 0;
  float RightMargin = 0;
  Integer Zoom = 100;
  Integer FitToPagesWide = 1;
  Integer FitToPagesTall = 1;
  float TableWidth = 0;
  TSMEOrientation Orientation = emDefault;

  void Assign(const TSMEPageSetup& source) { *this = source; }
};
