// The export's shared vocabulary: its target formats and the character sets
// of text output.
#pragma once

#include "platform/rtl/Types.h"

// The export targets; specification files store these numbers.
enum TTableTypeExport : Byte {
  teParadox, teDBase, teText, teHTML, teXLS, teExcel, teWord, teSYLK, teDIF, teWKS, teQuattro, teSQL, teXML,
  teAccess, teClipboard, teRTF, teSPSS, tePDF, teLDIF, teADO, teOpenOffice, teExcel2007, teJSON
};

enum TCharacterSet : Byte { csANSI_WINDOWS, csASCII_MSDOS, csEBCDIC, csUTF8, csUnicode };

// The type of a cell value handed to a writer.
enum TCellType : Byte {
  ctBlank, ctInteger, ctDouble, ctString, ctDateTime, ctDate, ctCurrency, ctTime, ctMEMO, ctGraphic, ctBoolean,
  ctBLOB
};

// The options of an export run: bits of the 16-bit set TSMOptions.
enum TSMOption : Byte {
  soFieldMask, soShowMessage, soBlankRowAfterCaptions, soMergeData, soWaitCursor, soDisableControls,
  soUseFieldNameAsCaption, soColLines, soRowLines, soColorsFonts, soExportBlankValues, soExportBands,
  soExportInvisibleFields, soAutoCloseStatistic
};
using TSMOptions = Word;
constexpr TSMOptions OptionBit(TSMOption option) { return static_cast<TSMOptions>(1u << option); }
constexpr bool HasOption(TSMOptions options, TSMOption option) { return (options & OptionBit(option)) != 0; }
// What a new component starts with: show messages, wait cursor, detach the
// controls, column and row lines, close the progress window by itself.
inline constexpr TSMOptions DefaultSMOptions = 0x21B2;

enum TColumnSource : Byte { csDBGrid, csDataSet, csDataEngine };
enum TSMELayout : Byte { elColumnar, elReversedColumnar, elTabularForm };
enum TActionAfterExport : Byte { aeNone, aeOpenView, aeEMail };
enum TSMEResult : Byte { erInProgress, erCompleted, erCanceled, erFailed };
enum TSMESection : Byte { esHeader, esBand, esTitle, esData, esFooter, esDetail };
enum TSMEStyle : Byte {
  esNormal, esPriceList, esMSMoney, esBrick, esDesert, esEggplant, esLilac, esMaple, esMarine, esRose, esSpruce,
  esWheat
};
enum TSMEDateOrder : Byte { doMDY, doDMY, doYMD, doYDM, doDYM, doMYD };
enum TSMEMeasure : Byte { emPoint, emInch, emCentimeters, emPicas };
enum TSMEOrientation : Byte { emDefault, emPortrait, emLandscape };

// A set of export targets: bit n stands for the target of value n.
using TExportFormatTypes = Cardinal;
constexpr TExportFormatTypes FormatBit(TTableTypeExport tableType) {
  return tableType < 32 ? TExportFormatTypes{1} << tableType : 0;
}
constexpr bool HasFormat(TExportFormatTypes formats, TTableTypeExport tableType) {
  return (formats & FormatBit(tableType)) != 0;
}
inline constexpr int TableTypeCount = teJSON + 1;
