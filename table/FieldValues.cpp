#include "platform/rtl/Exceptions.h"
#include "table/Data.h"

// Placeholder until field values are built.
void TData::PutDateToBuf(void*, const void*, bool, TDateFormat) { AbstractError(); }
void TData::GetField(TFieldDesc*, TRecBuf, void*, bool, bool&) { AbstractError(); }
void TData::GetFieldData(TFieldDesc*, const void*, void*, bool) { AbstractError(); }
void* TData::GetMappedFieldBuf(TRecBuf, TFieldDesc*, TDataType&, Word&, bool&, bool&, bool&, bool&) { AbstractError(); }
void TData::PutField(TFieldDesc*, TRecBuf, const void*, bool, bool) { AbstractError(); }
void TData::PutFieldData(TFieldDesc*, void*, const void*, bool, bool) { AbstractError(); }
void TData::GetDataAsVariant(const void*, TDataType, TDataType, Word, bool, bool, Variant&, bool) { AbstractError(); }
void TData::GetFieldAsVariant(TFieldDesc*, TRecBuf, Variant&, bool) { AbstractError(); }
void TData::GetMappedFieldAsVariant(TFieldDesc*, TRecBuf, Variant&, bool) { AbstractError(); }
void TData::PutDataAsVariant(void*, TDataType, Integer, Word, Word, bool, const Variant&, bool) { AbstractError(); }
void TData::PutFieldAsVariant(TFieldDesc*, TRecBuf, const Variant&, bool) { AbstractError(); }
