// The text of the markup and calendar sources from their bytes, and the
// preview callback their wizard previews share.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

// Decodes a source's bytes: by a byte-order mark (UTF-8, UTF-16) when there
// is one; else, with lookForCharset, by a "charset=" the document declares
// in its first 4 KB (UTF-8 or a Windows code page); else as UTF-8 when the
// bytes are valid UTF-8 and hold characters beyond ASCII; else in the ANSI
// code page. So a UTF-8 page or calendar keeps its letters, and 8-bit text
// reads as it always did.
String DecodeSourceText(std::string_view bytes, bool lookForCharset);
// The rest of the stream, from its position, read through the checked
// reader.
std::string ReadRestOfStream(TStream& stream);

// One preview row: the grid (passed through), the number of columns, the
// row's number from 1, the caller's flag and one value per column.
using TMarkupPreviewCallback = std::function<void(void* grid, Integer columnCount, Integer rowNumber, bool flag,
                                                  const std::vector<Variant>& values)>;
