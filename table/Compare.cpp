#include "platform/rtl/Exceptions.h"
#include "table/Data.h"

// Placeholder until comparison is built.
int TData::InternalCompareFieldValue(const void*, TDataType, const void*, TDataType, Word, bool, bool,
                                     TCompareOptions) { AbstractError(); }
int TData::InternalAnsiStrComp(const char*, const char*, TCompareOptions) { AbstractError(); }
int TData::InternalAnsiCompareText(const AnsiString&, const AnsiString&, TCompareOptions) { AbstractError(); }
int TData::InternalWStrLComp(const String&, const String&, TCompareOptions) { AbstractError(); }
int TData::InternalWStrComp(const String&, const String&, TCompareOptions) { AbstractError(); }
int TData::CompareStrValues(const AnsiString&, const AnsiString&, TCompareOptions) { AbstractError(); }
int TData::CompareWideStrValues(const String&, const String&, TCompareOptions) { AbstractError(); }
TCompareOptions TData::GetSortOptions(const TSortColumn&) { AbstractError(); }
