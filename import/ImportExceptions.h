// The import suite's exception classes. Each carries only its message, which
// is one of the suite's texts (ImportMessages.h) or, for a file, the text
// formatted with the file's name.
#pragma once

#include "platform/rtl/Exceptions.h"

RTL_DECLARE_EXCEPTION(ESMIFileException, Exception)
RTL_DECLARE_EXCEPTION(ESMICryptException, Exception)
RTL_DECLARE_EXCEPTION(ESMIFileFormatException, Exception)
RTL_DECLARE_EXCEPTION(ESMIMemoFileException, Exception)
RTL_DECLARE_EXCEPTION(ESMIUnknownEncryptionException, Exception)
RTL_DECLARE_EXCEPTION(ESMIInvalidSignatureException, Exception)
RTL_DECLARE_EXCEPTION(ESMISpreadsheetType, Exception)
// A property of the import component that a run needs is not set.
RTL_DECLARE_EXCEPTION(ESMIInvalidPropertyException, Exception)
// An expression that cannot be read, built or evaluated, and the limits an
// expression may not pass (nesting, arguments, recursion, text size).
RTL_DECLARE_EXCEPTION(ESMIParseException, Exception)
