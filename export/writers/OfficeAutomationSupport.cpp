#include "export/writers/OfficeAutomationSupport.h"

#include <algorithm>
#include <exception>

#include "export/ExportFiles.h"
#include "export/ExportGraphics.h"
#include "platform/db/Field.h"
#include "platform/rtl/Picture.h"

Variant StartOfficeApplication(const String& progId, bool useCurrentInstance, bool& started) {
  if (useCurrentInstance) {
    try {
      Variant running = GetActiveOleObject(progId);
      started = false;
      return running;
    } catch (const EOleError&) {
      // none runs: a new one is started below
    }
  }
  Variant created = CreateOleObject(progId);
  started = true;
  return created;
}

bool IsPictureCell(TField* field, TCellType cellType) {
  if (field != nullptr) return field->DataType() == ftGraphic && !field->IsNull();
  return cellType == ctGraphic;
}

String SavePictureFile(TField* field, const String& text, Integer* height) {
  const std::vector<Byte> bytes = field != nullptr ? field->AsBytes() : std::vector<Byte>(text.begin(), text.end());
  TPicture picture;
  try {
    picture = TPicture::FromBytes(std::span<const Byte>(bytes));
  } catch (const EInvalidGraphic&) {
    return String();
  }
  const String name = GetFileNameByGraphic(String(), 0, pkBitmap);
  picture.SaveToFile(name);
  if (height != nullptr) *height = picture.Height();
  return name;
}

void CloseOfficeFile(const std::function<void()>& closeDocument, bool started,
                     const std::function<void()>& quitApplication) {
  std::exception_ptr failure;
  try {
    closeDocument();
  } catch (...) {
    failure = std::current_exception();
  }
  if (started) {
    try {
      quitApplication();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

void TOfficeTableShape::SetDimensions(Integer rows, Integer cols) {
  RowCount = rows;
  ColCount = cols;
  ColWidths.assign(static_cast<size_t>(std::max(cols, 0)), 0);
}

void TOfficeTableShape::SetColWidth(Integer column, Integer width) {
  if (width > 0 && column >= 0 && column < 64 && column < static_cast<Integer>(ColWidths.size()))
    ColWidths[static_cast<size_t>(column)] = width * 4;
}

Integer OfficeRGB(TColor color) {
  const TColor bgr = ColorToRGB(color);
  return static_cast<Integer>(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
}
