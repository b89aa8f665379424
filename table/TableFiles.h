// The table's file loading and saving: telling a VTD file from an XML
// rowset, loading either into a table, and saving a table as VTD.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/rtl/Streams.h"
#include "table/VirtualTable.h"

enum TCRFileFormat { ffVTD, ffXML };

// XML when, after an optional UTF-8 byte-order mark, the bytes start with
// "<" and "xml" (in any case), with or without a "?" between; VTD
// otherwise. Raises "Stream read error" for fewer than 5 bytes after the
// mark.
TCRFileFormat DetectFileFormat(const Byte* data, size_t size);

// The steps of TVirtualTable::LoadFromStream (a VTD file or an XML rowset,
// told apart by DetectFileFormat) and SaveToStream. SaveVtd writes defs as
// the header and the rows of the table's store by the descriptors in the
// same places: with allRows every row the store holds (also those a filter,
// a filter event, a master link or a range hides), else the rows the store
// shows.
void LoadTableStream(TVirtualTable& table, TStream& stream, bool loadFields, bool decodeHTMLEntities);
void SaveVtd(TVirtualTable& table, TStream& stream, const std::vector<TVirtualFieldSpec>& defs, bool storeFields,
             bool allRows);
