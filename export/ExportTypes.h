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
