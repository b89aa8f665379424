// The vocabulary of the import component: source formats, modes, text-source
// settings, options, column types and the results of a run.
#pragma once

#include <cstdint>

#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

enum TTableTypeImport : Byte {
  teParadox, teDBase, teText, teHTML, teXLS, teWKS, teQuattro, teXML, teAccess, teWord, teADO, teSPSS, teADT,
  teDBISAM, teClarion, teClipboard, teWAB, teVCalendar, teODS, teOutlook, teSkype
};
inline constexpr int ImportTableTypeCount = teSkype + 1;
// A set of source formats, one bit per TTableTypeImport.
using TImportFormatTypes = std::uint32_t;
inline constexpr TImportFormatTypes ImportFormatBit(TTableTypeImport t) { return TImportFormatTypes{1} << t; }

enum TImportMode : Byte { imAppend, imUpdate, imAppendUpdate, imDelete, imCopy, imAppendNewOnly };
using TImportModes = Byte;

enum TSMIAction : Byte { iaUnknown, iaAdd, iaUpdate, iaDelete };
enum TSMIResult : Byte { irUnknown, irExecuted, irCanceled, irFailed };
enum TSMICharacterSet : Byte { csiANSI_WINDOWS, csiASCII_MSDOS, csiEBCDIC };
enum TSMIFieldDelimiter : Byte { fdNone, fdCustom, fdTab, fdSemicolon, fdComma, fdSpace };
enum TSMITextQualifier : Byte { tqNone, tqCustom, tqQuot, tqApos };
enum TSMIRecordSeparator : Byte { rsCustom, rsCRLF, rsCR, rsLF };

enum TSMIOption : Byte {
  soShowMessage, soExtendedStatistic, soSkipEmptyRow, soUseAnimatedControl, soWaitCursor, soAutoCloseStatistic
};
// One bit per TSMIOption.
using TSMIOptions = Byte;
inline constexpr TSMIOptions OptionBit(TSMIOption o) { return static_cast<TSMIOptions>(1u << o); }

enum TSMIDateOrder : Byte { doMDY, doDMY, doYMD, doYDM, doDYM, doMYD };
enum TSMIDataType : Byte {
  itString, itInteger, itFloat, itDateTime, itDate, itTime, itBoolean, itBLOB, itMEMO, itGraphic
};
enum TSMIFieldCharCase : Byte { ifcNormal, ifcUpperCase, ifcLowerCase, ifcProper };
enum TSMITrimSpaces : Byte { tsNoTrim, tsTrimRight, tsTrimLeft, tsTrimLeftRight };
enum TSMIActionKind : Byte { akDatasetApply, akGenerateSQL };
enum TSMIParameterEditor : Byte { ipeEdit, ipeMemo, ipeCheckBox, ipeCombobox, ipeListBox };
enum TSMIParameterMode : Byte { ipmCalculate, ipmCalculateAndAsk, ipmAsk };

// One value of a run: the destination field's name, the mapping source, the
// converted value and the index of the destination field (-1 when the
// dataset has no field of that name).
struct TSMIValueEntry {
  String Name;
  Variant Source;
  Variant Value;
  Integer FieldLink = -1;
};
