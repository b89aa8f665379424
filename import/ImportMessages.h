// The import suite's user-visible texts: messages, captions of the wizard and
// the progress window, format names, help items of the expression builder
// and error texts of the readers and the expression engine.
//
// Each text is a process-wide variable that InitImportMessages fills at start
// and ClearImportMessages empties at the end. The variables are writable so
// that a host can replace a text at run time; code therefore always reads the
// variable at the moment of use and never keeps a copy.
//
// Expression-builder items that carry a five-digit code in front ("30002...")
// are "code display|template|help"; the builder splits them. Items whose
// template the builder assembles from parts (CHR, ORD, POWER, RANDOM,
// REPLACESTR, ISCONTAIN, ISSTARTSWITH, ISENDSWITH, LOOKUP, SUBSTITUTE and "+")
// keep only their help text here, next to the texts of those parts.
#pragma once

#include "platform/rtl/Types.h"

#define SMI_MESSAGES(X)                                                                                             \
  X(strMappingsNotDefined, u"You did not map any fields.")                                                          \
  X(strPropertyError, u"Property %s wasn't specified.")                                                             \
  X(strImportFinished, u"The data import process has completed successfully.")                                      \
  X(strImportError, u"An error has occurred during the data import process.")                                       \
  X(strImportOk, u"The data import process has completed successfully.")                                            \
  X(strFileCreateError, u"Could not create the %s file.")                                                           \
  X(strFilePrompt, u"File %s already exists. Do you want to replace it?")                                           \
  X(strDeleteSpecPrompt, u"Delete import specification %s?")                                                       \
  X(strReading, u"Reading...")                                                                                      \
  X(strImporting, u"Importing...")                                                                                  \
  X(strLoadError, u"Can't create a process dialog")                                                                 \
  X(strSetupDlgCaption, u"Data Import Setup")                                                                       \
  X(strBtnOk, u"&OK")                                                                                               \
  X(strBtnCancel, u"&Cancel")                                                                                       \
  X(strBtnBack, u"< &Back")                                                                                         \
  X(strBtnNext, u"&Next >")                                                                                         \
  X(strExecute, u"Execute")                                                                                         \
  X(strPreview, u"Preview")                                                                                         \
  X(strBtnPause, u"&Pause")                                                                                         \
  X(strBtnContinue, u"C&ontinue")                                                                                   \
  X(strImportCanceled, u"The data import process was canceled by the user.")                                        \
  X(strVODWizardCaption, u"Import Wizard")                                                                          \
  X(strStepDisplay, u"Step %d of %d")                                                                               \
  X(strWizardAbort,                                                                                                 \
    u"The Import Wizard has not completed. If you quit the Import Wizard now, the import process will not "         \
    u"complete. Do you want to quit the Import Wizard?")                                                            \
  X(strImportStart, u"Do you want to start the import process?")                                                    \
  X(strLblStep1,                                                                                                    \
    u"This wizard allows you to specify details on how you would like to import data. Please select the file "      \
    u"format of the data you would like to import.")                                                                \
  X(strLblStep2, u"Select the file that contains the data you would like to import.")                               \
  X(strLblStep3, u"Select the appropriate delimiter used to separate the fields in the data file.")                 \
  X(strLblStep3XML, u"Select the appropriate tag names to separate the fields in the data file.")                   \
  X(strLblStep3Outlook,                                                                                             \
    u"Select the appropriate folder name and other properties to filter items in MS Outlook.")                      \
  X(strLblStep4, u"Define additional options for the data file.")                                                   \
  X(strLblStep5A,                                                                                                   \
    u"The wizard has made some guesses about where your field breaks occur. If they are not correct, you can "      \
    u"make adjustments now.")                                                                                       \
  X(strLblStep5B,                                                                                                   \
    u"Lines with arrows signify field breaks.\r\nTo CREATE a break line, click at the desired position\r\n"         \
    u"To DELETE a break line, double click on the line\r\nTo MOVE a break line, click and drag it")                 \
  X(strLblStep6,                                                                                                    \
    u"Set field mappings to specify the correspondence between fields in the source and destination files.")        \
  X(strLblStep7, u"Please check your data before importing.")                                                       \
  X(strLblStep8,                                                                                                    \
    u"We've gathered all the information the wizard needs to import your data. Please click Execute to begin "      \
    u"the import process.")                                                                                         \
  X(strTableType, u" Table type ")                                                                                  \
  X(strFormat1, u"Paradox file (*.db)")                                                                             \
  X(strFormat2, u"DBase file (*.dbf)")                                                                              \
  X(strFormat3, u"Text file (*.txt)")                                                                               \
  X(strFormat3A, u"Comma-delimited file (*.csv)")                                                                   \
  X(strFormat3B, u"Data file (*.dat)")                                                                              \
  X(strFormat3C, u"Text file (*.prn)")                                                                              \
  X(strFormat3D, u"Tabular file (*.tab)")                                                                           \
  X(strFormat3E, u"ASCII file (*.asc)")                                                                             \
  X(strFormat4, u"HTML file (*.htm;*.html)")                                                                        \
  X(strFormat5, u"Excel spreadsheet (*.xls)")                                                                       \
  X(strFormat6, u"Excel file (*.xls)")                                                                              \
  X(strFormat6A, u"Excel 12 Workbook (*.xlsx)")                                                                     \
  X(strFormat6B, u"Excel 12 Macro-Enabled Workbook (*.xlsm)")                                                       \
  X(strFormat6C, u"Excel 12 Binary Workbook (*.xlsb)")                                                              \
  X(strFormat6D, u"Excel 12 Template (*.xltx)")                                                                     \
  X(strFormat6E, u"Excel 12  Macro-Enabled Template (*.xltm)")                                                      \
  X(strFormat7, u"Word file (*.doc)")                                                                               \
  X(strFormat8, u"SYLK (Symbolic Link) (*.slk)")                                                                    \
  X(strFormat9, u"DIF (Data Interchange Format) (*.dif)")                                                           \
  X(strFormatA, u"Lotus 1-2-3 file (*.wk1)")                                                                        \
  X(strFormatA1, u"Lotus 1-2-3 file (*.wk2)")                                                                       \
  X(strFormatA2, u"Lotus Symphony file (*.wr1)")                                                                    \
  X(strFormatA3, u"Lotus 1-2-3/98 file (*.123)")                                                                    \
  X(strFormatA4, u"Lotus 1-2-3 file (*.wk3)")                                                                       \
  X(strFormatA5, u"Lotus 1-2-3 file (*.wk4)")                                                                       \
  X(strFormatB, u"QuattroPro file (*.wq1)")                                                                         \
  X(strFormatB1, u"QuattroPro file (*.wq2)")                                                                        \
  X(strFormatB2, u"QuattroPro file (*.wkq)")                                                                        \
  X(strFormatB3, u"QuattroPro for Windows 7.0 (*.wb3)")                                                             \
  X(strFormatB4, u"QuattroPro Project File (*.qpw)")                                                                \
  X(strFormatC, u"SQL script file (*.sql)")                                                                         \
  X(strFormatD, u"XML file (*.xml)")                                                                                \
  X(strFormatE, u"MS Access database (*.mdb)")                                                                      \
  X(strFormatE2007, u"MS Access 2007 database (*.accdb)")                                                           \
  X(strFormatF, u"MS Windows clipboard")                                                                            \
  X(strFormatG, u"ADO connection")                                                                                  \
  X(strFormatH, u"SPSS file (*.sav)")                                                                               \
  X(strFormatI, u"Advantage table (*.adt)")                                                                         \
  X(strFormatJ, u"DBISAM table (*.dat)")                                                                            \
  X(strFormatK, u"Clarion table (*.dat)")                                                                           \
  X(strFormatL, u"Windows Address Book (*.wab)")                                                                    \
  X(strFormatM, u"VCalendar Data file (*.vcs)")                                                                     \
  X(strFormatM2, u"ICalendar Data file (*.ics)")                                                                    \
  X(strFormatN, u"OpenOffice spreadsheets (*.ods)")                                                                 \
  X(strFormatO, u"MS Outlook")                                                                                      \
  X(strFormatP, u"Skype log (*.dbb)")                                                                               \
  X(strSpecs, u"Specifications...")                                                                                 \
  X(strSpecCaption, u"Import specification")                                                                        \
  X(strSpecPrompt, u"List of available specifications:")                                                            \
  X(strLoad, u"Load")                                                                                               \
  X(strSave, u"Save")                                                                                               \
  X(strDelete, u"Delete")                                                                                           \
  X(strClose, u"Close")                                                                                             \
  X(strField, u"Field")                                                                                             \
  X(strTextFieldName, u"Text")                                                                                      \
  X(strSeparatorType, u" Field delimiter ")                                                                         \
  X(strDelimiter1, u"Tab")                                                                                          \
  X(strDelimiter2, u"Semicolon (;)")                                                                                \
  X(strDelimiter3, u"Comma (,)")                                                                                    \
  X(strDelimiter4, u"Space")                                                                                        \
  X(strDelimiter5, u"Other symbol:")                                                                                \
  X(strFixed, u"Fixed column length")                                                                               \
  X(strText1, u"&Delimited - Characters such as comma or tab that separate each field")                             \
  X(strText2, u"Fixed &Width - Fields are aligned in columns with spaces between each field")                       \
  X(strRecordSeparator, u"Record separator:")                                                                       \
  X(strTextQualifier, u"Text qualifier:")                                                                           \
  X(strNone, u"None")                                                                                               \
  X(strFirstRow, u"First row:")                                                                                     \
  X(strLastRow, u"Last row:")                                                                                       \
  X(strFieldNameRow, u"Row with field names:")                                                                      \
  X(strFileName, u"Import from File:")                                                                              \
  X(strSaveDlgTitle, u"Select a file for data importing")                                                           \
  X(strAllFiles, u"All files (*.*)|*.*")                                                                            \
  X(strDestination, u"Destination")                                                                                 \
  X(strSource, u"Source")                                                                                           \
  X(strModeCaption, u" Import mode ")                                                                               \
  X(strMode1, u"Append: add records to the destination table")                                                      \
  X(strMode2, u"Update: update record in destination with matching record from source")                             \
  X(strMode3, u"Append/Update: if record exists in destination, update it. Otherwise, add it")                      \
  X(strMode4, u"Delete: delete records in destination that match records in source")                                \
  X(strMode5, u"Copy: delete all records in destination, repopulate from the source")                               \
  X(strMode6, u"Append New: add records only if they are not in destination table")                                 \
  X(strProcessed, u"Processed:")                                                                                    \
  X(strErrors, u"Errors:")                                                                                          \
  X(strAdded, u"Added:")                                                                                            \
  X(strUpdated, u"Updated:")                                                                                        \
  X(strDeleted, u"Deleted:")                                                                                        \
  X(strSkipped, u"Skipped:")                                                                                        \
  X(strDateNumFormat, u" Dates, Times and Numbers ")                                                                \
  X(strMDY, u"MDY")                                                                                                 \
  X(strDMY, u"DMY")                                                                                                 \
  X(strYMD, u"YMD")                                                                                                 \
  X(strYDM, u"YDM")                                                                                                 \
  X(strDYM, u"DYM")                                                                                                 \
  X(strMYD, u"MYD")                                                                                                 \
  X(strDateOrder, u"Date &Order:")                                                                                  \
  X(strDateDelimiter, u"Date De&limiter:")                                                                          \
  X(strTimeDelimiter, u"Time Deli&miter:")                                                                          \
  X(strFourDigitYears, u"Four Digit &Years")                                                                        \
  X(strLeadingZerosInDate, u"Leading &Zeros in Dates")                                                              \
  X(strDecimalSymbol, u"Decimal Sym&bol:")                                                                          \
  X(strThousandSymbol, u"&Thousand Separator:")                                                                     \
  X(strCurrencyString, u"&Currency Symbol:")                                                                        \
  X(strLogicalValues, u"Logical values:")                                                                           \
  X(strTrue, u"True")                                                                                               \
  X(strFalse, u"False")                                                                                             \
  X(strVODFileOrigin, u"File Origin:")                                                                              \
  X(strSheetName, u"Sheet")                                                                                         \
  X(strVODTrimValues, u"Trim values:")                                                                              \
  X(strVODTrim, u"Trim")                                                                                            \
  X(strVODTrimLeft, u"Trim Left")                                                                                   \
  X(strVODTrimRight, u"Trim Right")                                                                                 \
  X(strTableName, u"Table name:")                                                                                   \
  X(strExpressionBuilder, u"Expression Builder")                                                                    \
  X(strEBData, u"data")                                                                                             \
  X(strEBString, u"string")                                                                                         \
  X(strEBNumber, u"number")                                                                                         \
  X(strEBBoolean, u"boolean")                                                                                       \
  X(strEBDateTime, u"datetime")                                                                                     \
  X(strEBVariant, u"variant")                                                                                       \
  X(strEBDataSources, u"Data sources")                                                                              \
  X(strEBVariables, u"Variables list")                                                                              \
  X(strEBSysVaraiables, u"System variables")                                                                        \
  X(strEBCustomVaraiables, u"Custom variables")                                                                     \
  X(strEBConst, u"Constants")                                                                                       \
  X(strEBOperators, u"Operators")                                                                                   \
  X(strEBFunctions, u"Functions")                                                                                   \
  X(strEBAll, u"<All>")                                                                                             \
  X(strEBArithmetic, u"Arithmetic")                                                                                 \
  X(strEBComparison, u"Comparison")                                                                                 \
  X(strEBLogic, u"Logic")                                                                                           \
  X(strEBConversion, u"Conversion")                                                                                 \
  X(strEBDT, u"Date/time")                                                                                          \
  X(strEBMath, u"Math")                                                                                             \
  X(strEBFlow, u"Program Flow")                                                                                     \
  X(strEBAggregate, u"Aggregate")                                                                                   \
  X(strEBStrCategory, u"String")                                                                                    \
  X(strStepHeader1, u"File Format")                                                                                 \
  X(strStepHeader2, u"File Name")                                                                                   \
  X(strStepHeader3, u"Text Settings")                                                                               \
  X(strStepHeader3XML, u"XML Settings")                                                                             \
  X(strStepHeader3Outlook, u"MS Outlook Settings")                                                                  \
  X(strStepHeader4, u"Data Formats")                                                                                \
  X(strStepHeader5, u"Columns")                                                                                     \
  X(strStepHeader6, u"File preview")                                                                                \
  X(strStepHeader7, u"Mappings")                                                                                    \
  X(strStepHeader8, u"Data preview")                                                                                \
  X(strStepHeader9, u"Summary")                                                                                     \
  X(strCustom, u"custom")                                                                                           \
  X(strLoadWhen, u"Load when")                                                                                      \
  X(strSkipIf, u"Skip if")                                                                                          \
  X(strDetectAutoMap, u"Auto map the parsed columns/fields")                                                        \
  X(strOutlookItemType, u"Item type:")                                                                              \
  X(strOutlookMailItem, u"Mail")                                                                                    \
  X(strOutlookAppointmentItem, u"Appointment")                                                                      \
  X(strOutlookContactItem, u"Contact")                                                                              \
  X(strOutlookTaskItem, u"Task")                                                                                    \
  X(strOutlookJournalItem, u"Journal")                                                                              \
  X(strOutlookNoteItem, u"Note")                                                                                    \
  X(strOutlookPostItem, u"Post")                                                                                    \
  X(strOutlookDistributionListItem, u"Distribution list")                                                           \
  X(strOutlookLoadSubFolders, u"Load sub-folders")                                                                  \
  X(strEBFalse, u"10000False||Logical False")                                                                       \
  X(strEBNULL, u"10000NULL||indicates a variant initialized with no value assigned.")                               \
  X(strEBTrue, u"10000True||Logical True")                                                                          \
  X(strEBAdd, u"Add/concatenation for two values")                                                                  \
  X(strEBCharCode, u"character code")                                                                               \
  X(strEBChar, u"character")                                                                                        \
  X(strEBCHR, u"returns the character for a specified ASCII value")                                                 \
  X(strEBDateToStr, u"30000DATETOSTR(%d)|DateToStr(%d)|converts a date/time parameter to a formatted string")       \
  X(strEBFloatToStr,                                                                                                \
    u"30000FLOATTOSTR(%n)|FloatToStr(%n)|converts the floating-point value to its string representation")           \
  X(strEBIntToStr,                                                                                                  \
    u"30000INTTOSTR(%n)|IntToStr(%n)|converts an integer into a string containing the decimal representation of "   \
    u"that number")                                                                                                 \
  X(strEBVarToStr, u"30000VARTOSTR(%v)|VarToStr(%v)|converts any value into a string")                              \
  X(strEBCoalesce,                                                                                                  \
    u"30000COALESCE(%v, ..., %v)|Coalesce(%v, ..., %v)|returns the first nonnull expression among its arguments")   \
  X(strEBORD, u"returns the code of specified character")                                                           \
  X(strEBStrToDate, u"30000STRTODATE(%s)|StrToDate(%s)|converts a string to a date format")                         \
  X(strEBStrToFloat, u"30000STRTOFLOAT(%s)|StrToFloat(%s)|converts given string to a floating-point value")         \
  X(strEBStrToInt,                                                                                                  \
    u"30000STRTOINT(%s)|StrToInt(%s)|converts a string representing an integer (decimal or hex notation) to a "     \
    u"number")                                                                                                      \
  X(strEBDatePart,                                                                                                  \
    u"30001DATEPART(%d)|DatePart(%d)|returns the date part (without time) from date/time parameter")                \
  X(strEBDay, u"30001DAY(%d)|Day(%d)|returns the day number for date parameter")                                    \
  X(strEBGetDate, u"30001GETDATE|GetDate|returns the current date and time")                                        \
  X(strEBHour, u"30001HOUR(%d)|Hour(%d)|returns the hour number for time parameter")                                \
  X(strEBMinute, u"30001MINUTE(%d)|Minute(%d)|returns the minute number for time parameter")                        \
  X(strEBMonth, u"30001MONTH(%d)|Month(%d)|returns the month number for date parameter")                            \
  X(strEBSecond, u"30001SECOND(%d)|Second(%d)|returns the seconds number for time parameter")                       \
  X(strEBTimePart,                                                                                                  \
    u"30001TIMEPART(%d)|TimePart(%d)|returns the time part (without date) from date/time parameter")                \
  X(strEBYear, u"30001YEAR(%d)|Year(%d)|returns the year number for date parameter")                                \
  X(strEBAbs, u"30002ABS(%n)|Abs(%n)|returns the absolute value of the argument")                                   \
  X(strEBExp,                                                                                                       \
    u"30002EXP(%n)|Exp(%n)|returns the value of e raised to the power of X, where e is the base of the natural "    \
    u"logarithms")                                                                                                  \
  X(strEBFrac, u"30002FRAC(%n)|Frac(%n)|returns the fractional part of a real number")                              \
  X(strEBInt, u"30002INT(%n)|Int(%n)|returns the integer part of a real number")                                    \
  X(strEBLn, u"30002LN(%n)|Ln(%n)|returns the natural log of a real expression")                                    \
  X(strEBLog, u"30002LOG(%n)|Log(%n)|calculates log base 10")                                                       \
  X(strEBBase, u"Base")                                                                                             \
  X(strEBExponent, u"Exponent")                                                                                     \
  X(strEBPower, u"raises Base to any power")                                                                        \
  X(strEBRange, u"Range")                                                                                           \
  X(strEBRandom, u"generates random numbers within a specified range (0 <= X < Range)")                             \
  X(strEBRound, u"30002ROUND(%n)|Round(%n)|returns the value of parameter rounded to the nearest whole number")     \
  X(strEBSqr, u"30002SQR(%n)|SQR(%n)|returns the square of the argument")                                           \
  X(strEBSqrt, u"30002SQRT(%n)|Sqrt(%n)|returns the square root of argument")                                       \
  X(strEBPercent, u"30002PERCENT(%n, %n)|PERCENT(%n, %n)|returns the calculated percent from value (45%)")          \
  X(strEBIIF,                                                                                                       \
    u"30003IIF(%b, %a, %a)|IIF(%b, %a, %a)|if first argument is true, then second argument returned. Else third "   \
    u"argument returns")                                                                                            \
  X(strEBIsNull,                                                                                                    \
    u"30003ISNULL(%a)|IsNull(%a)|returns True is the specified variant is Null or is not assigned")                 \
  X(strEBIsAlpha,                                                                                                   \
    u"30005ISALPHA(%s)|IsAlpha(%s)|returns True is the specified string contain only the alphabetical characters")  \
  X(strEBIsNumeric,                                                                                                 \
    u"30002ISNUMERIC(%s)|IsNumeric(%s)|returns True is the specified string contain only the digit characters")     \
  X(strEBIsContain, u"returns True is the specified string contain the substring")                                  \
  X(strEBIsStartsWith, u"returns True is the specified string starts from the substring")                           \
  X(strEBIsEndsWith, u"returns True is the specified string ends from the substring")                               \
  X(strEBAvg, u"30004AVG(%n, ..., %n)|AVG(%n, ..., %n)|returns the average value for all arguments")                \
  X(strEBCount, u"30004COUNT(%n, ..., %n)|COUNT(%n, ..., %n)|returns the argument count")                           \
  X(strEBMax, u"30004MAX(%n, ..., %n)|MAX(%n, ..., %n)|returns the max of the elements from arguments")             \
  X(strEBMin, u"30004MIN(%n, ..., %n)|MIN(%n, ..., %n)|returns the min of the elements from arguments")             \
  X(strEBSum, u"30004SUM(%n, ..., %n)|SUM(%n, ..., %n)|returns the sum of the elements from arguments")             \
  X(strEBLength, u"30005LENGTH(%s)|Length(%s)|returns the number of characters used in a string")                   \
  X(strEBLower, u"30005LOWER(%s)|Lower(%s)|converts an ASCII string to lowercase")                                  \
  X(strEBPos,                                                                                                       \
    u"30005POS(%s, %s)|Pos(%s, %s)|returns the index value of the first character in a specified substring that "   \
    u"occurs in a given string")                                                                                    \
  X(strEBReplaceStr, u"returns a string with occurrences of one substring replaced by another substring")           \
  X(strEBSubString, u"30005SUBSTRING(%s, %n, %n)|SubString(%s, %n, %n)|returns a substring of a string")            \
  X(strEBPadL,                                                                                                      \
    u"30005PADL(%s, %n, %s)|PadL(%s, %n, %s)|returns a string, padded with spaces or characters to a specified "    \
    u"length on the left side")                                                                                     \
  X(strEBPadR,                                                                                                      \
    u"30005PADR(%s, %n, %s)|PadR(%s, %n, %s)|returns a string, padded with spaces or characters to a specified "    \
    u"length on the right side")                                                                                    \
  X(strEBTrim, u"30005TRIM(%s)|Trim(%s)|trims a string of leading and trailing spaces and control characters")      \
  X(strEBTrimLeft, u"30005TRIMLEFT(%s)|TrimLeft(%s)|trims string of leading spaces and control characters")         \
  X(strEBTrimRight, u"30005TRIMRIGHT(%s)|TrimRight(%s)|trims string of trailing spaces and control characters")     \
  X(strEBUpper, u"30005UPPER(%s)|Upper(%s)|returns a string in uppercase")                                          \
  X(strEBTable, u"table")                                                                                           \
  X(strEBLookupField, u"lookup field")                                                                              \
  X(strEBValue, u"value")                                                                                           \
  X(strEBReturnField, u"return field")                                                                              \
  X(strEBLookup, u"returns the lookup value from another dataset (convert IL to Illinois, for example)")            \
  X(strEBSourceValues, u"source values")                                                                            \
  X(strEBResultValues, u"result values")                                                                            \
  X(strEBSubstitute,                                                                                                \
    u"returns the result value at the position of the value among the source values (SUBSTITUTE(\"M\", "            \
    u"\"M;F\", \"Male;Female\") returns Male)")                                                                     \
  X(strEBSysTotalCount,                                                                                             \
    u"40000StatTotalCount|StatTotalCount|returns the total number of lines/rows which must be imported")            \
  X(strEBSysTotalImported,                                                                                          \
    u"40000StatTotalImported|StatTotalImported|returns the total number of lines/rows which already processed")     \
  X(strEBSysTotalAdded, u"40000StatTotalAdded|StatTotalAdded|returns the total number of new added records")        \
  X(strEBSysTotalDeleted, u"40000StatTotalDeleted|StatTotalDeleted|returns the total number of deleted records")    \
  X(strEBSysTotalUpdated,                                                                                           \
    u"40000StatTotalUpdated|StatTotalUpdated|returns the total number of existing updated records")                 \
  X(strEBSysErrorCount,                                                                                             \
    u"40000StatErrorCount|StatErrorCount|returns the total number of errors occured during loading")                \
  X(strEBSysTotalSkipped,                                                                                           \
    u"40000StatTotalSkipped|StatTotalSkipped|returns the total number of records skipped during import process")   \
  X(strEBIgnoreCase, u"ignore case")                                                                                \
  X(strEBReplaceAll, u"replace all")                                                                                \
  X(strEBOld, u"old")                                                                                               \
  X(strEBNew, u"new")                                                                                               \
  X(strEBSubStringText, u"substring")                                                                               \
  X(strAPCaption, u"Parameter properties")                                                                          \
  X(strBtnValidate, u"&Validate")                                                                                   \
  X(strExpressionIsValid, u"Expression is valid and no error is found.")                                            \
  X(strShowFileHeader, u"Show file header")                                                                         \
  X(strWMIW_Documents, u"Documents")                                                                                \
  X(strWMIW_Databases, u"Databases")                                                                                \
  X(strWMIW_Spreadsheets, u"Spreadsheets/Workbooks")                                                                \
  X(strWMIW_Web, u"WEB publishing")                                                                                 \
  X(strWMIW_Email, u"E-Mail")                                                                                       \
  X(strWMIW_Other, u"Other")                                                                                        \
  X(strEFileIsEmpty, u"File is not defined.")                                                                       \
  X(strEFileNotExist, u"File %s does not exist.")                                                                   \
  X(strEInvalidPassword, u"This file is encrypted but valid password is not specified.")                            \
  X(strEProtectedFile, u"Password protected file is not supported.")                                                \
  X(strEUnknownEncryption, u"Unknown encryption for data file.")                                                    \
  X(strEInvalidMemoFile, u"Memo file is not valid")                                                                 \
  X(strEInvalidFileFormat, u"Invalid file version or file format.")                                                 \
  X(strEInvalidSignature, u"File signature is not correct. Possible bad file.")                                     \
  X(strEDBISAM123, u"This version of DBISAM table is not supported.")                                               \
  X(strESpreadsheetType, u"Incorrect type of spreadsheet.")                                                         \
  X(strEPDBMultiRecord, u"PDB file with multiple records is not supported.")                                        \
  X(strEXLSContinueNotFound, u"CONTINUE record is not found in the stream")                                         \
  X(strEXLSInvalidSST, u"String in SST (Options byte is 0x%.2x) can not be processed.")                             \
  X(strEXLSCMONotSupported, u"CMO object type is not supported.")                                                   \
  X(strEOutOfMemory, u"Out of memory.")                                                                             \
  X(strEParseInvalidCharacter, u"Parse error: illegal character \"%s\" at position %d.")                            \
  X(strEParseSyntax, u"Compile error: syntax fault.")                                                               \
  X(strEParse, u"Function parse error.")                                                                            \
  X(strEParseParenthesis, u"Compile error: parenthesis mismatch.")                                                  \
  X(strEParseTree, u"Calculate error: syntax tree fault.")                                                          \
  X(strEParseFunction, u"Function \"%s\" is not valid.")                                                            \
  X(strEParseFunctionHeader, u"Function header \"%s\" is not valid.")                                               \
  X(strEParseDelimiter, u"Function parse error: delimitor \"%s\" expected between arguments.")

#define SMI_DECLARE_MESSAGE(name, text) extern String name;
SMI_MESSAGES(SMI_DECLARE_MESSAGE)
#undef SMI_DECLARE_MESSAGE

// Number of texts in the table.
int ImportMessageCount();
// Gives every text its English value (unit start).
void InitImportMessages();
// Empties every text (unit end).
void ClearImportMessages();
