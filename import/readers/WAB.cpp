#include "import/readers/WAB.h"

#include <cstring>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

constexpr TWABTagName kTagNames[] = {
#define WAB_TAG(tag, name, caption) {tag, u##name, u##caption},
#include "platform/win/AddressBookTags.inc"
#undef WAB_TAG
};
static_assert(std::size(kTagNames) == WABTagCount);

// The contents table's columns: display name, e-mail address, home page,
// entry identifier, object type.
const std::vector<Cardinal> kTableColumns = {0x3001001E, 0x3003001E, 0x3A50001E, 0x0FFF0102, 0x0FFE0003};

}  // namespace

const TWABTagName* WABTagNames() { return kTagNames; }

Integer GetTagIndex(const SPropValue& value) {
  for (Integer i = 0; i < WABTagCount; ++i)
    if (PROP_ID(kTagNames[i].Tag) == PROP_ID(value.ulPropTag)) return i + 1;
  return -1;
}

String SPropValueToStr(const SPropValue& value) {
  switch (PROP_TYPE(value.ulPropTag)) {
    case PT_I2: return IntToStr(static_cast<SmallInt>(value.l));
    case PT_LONG: return IntToStr(value.l);
    case PT_R4:
    case PT_DOUBLE: return FloatToStr(value.dbl);
    case PT_ERROR: return String();
    case PT_BOOLEAN: return IntToStr(static_cast<Word>(value.l));
    case PT_STRING8: return AnsiToString(value.lpszA);
    // The stand-in keeps texts in Unicode, so none of them is lost to the
    // ANSI code page.
    case PT_UNICODE: return value.lpszW;
    case PT_SYSTIME: return DateTimeToStr(FileTimeToLocalDateTime(value.ft));
    case PT_BINARY: {
      const std::vector<Byte>& b = value.bin;
      if (b.size() == 4) return IntToStr(static_cast<Integer>(b[0] | (b[1] << 8) | (b[2] << 16) | (Cardinal(b[3]) << 24)));
      if (b.size() >= 8) {
        double number = 0;
        std::memcpy(&number, b.data(), 8);
        return FormatFloat(u"#,##0.00", number);
      }
      return String();  // 1 to 3 or 5 to 7 bytes: no number to show
    }
    // A multi-valued text shows its first value; an empty one shows nothing.
    case PT_MV_STRING8: return value.MVszA.empty() ? String() : AnsiToString(value.MVszA.front());
    case PT_MV_UNICODE: return value.MVszW.empty() ? String() : value.MVszW.front();
    default: return Format(u"[Unknown type %x]", {Integer(PROP_TYPE(value.ulPropTag))});
  }
}

TSMIWAB::TSMIWAB(TComponent* owner) : TSpreadSheetFile(owner) { SetNameKind(nkFieldName); }

TSMIWAB::~TSMIWAB() {
  if (IsIncrementalLoad) AfterLoad();
}

void TSMIWAB::LoadFromFile(const String& fileName) {
  TSpreadSheetFile::LoadFromFile(fileName);
  TFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
  stream.SetPosition(0);
  LoadFromStream(stream);
}

void TSMIWAB::LoadFromStream(TStream& stream) {
  TSpreadSheetFile::LoadFromStream(stream);
  BeforeLoad();
  WAB_PARAM param;
  param.szFileName = FFileName;
  try {
    AddrBook = TAddressBook::WABOpen(param);
  } catch (const Exception& e) {
    throw ESMIFileFormatException(e.Message());
  }
  TScopeExit release([this] {
    TableRow.clear();
    AddrBook.reset();
  });
  AddrBook->SetColumns(kTableColumns);
  AddrBook->SeekRow(0);
  for (Integer n = 0; AddrBook->QueryRows(TableRow); ++n) LoadRecord(n);
  if (!IsIncrementalLoad) AfterLoad();
}

void TSMIWAB::BeforeLoad() {
  TSpreadSheetFile::BeforeLoad();
  TSpreadSheet& sheet = Sheets.Spreadsheet(0);
  const size_t slash = FFileName.rfind(u'/');
  sheet.Caption = slash == String::npos ? FFileName : FFileName.substr(slash + 1);
  sheet.Cells.AutoUsedRangeDetect = true;
}

bool TSMIWAB::LoadRecord(Integer recNo) {
  if (TableRow.size() >= 5 && AddrBook && TableRow[4].l == MAPI_MAILUSER && OnCellValue) {
    const std::vector<SPropValue>& props = AddrBook->GetProps(TableRow[3].bin);
    if (props.empty()) {
      OnCellValue(this, 0, recNo, 0, 0, SPropValueToStr(TableRow[0]), taLeftJustify, ictString);
    } else {
      for (const SPropValue& prop : props) {
        const Integer column = GetTagIndex(prop);
        if (column > 0) OnCellValue(this, 0, recNo, column, 0, SPropValueToStr(prop), taLeftJustify, ictString);
      }
    }
  }
  TableRow.clear();
  return TSpreadSheetFile::LoadRecord(recNo);
}

Integer TSMIWAB::FindColumn(const String& fieldName) {
  // Every entry, the last one (RECIPIENT_TYPE) included.
  for (Integer i = 0; i < WABTagCount; ++i)
    if (SameText(kTagNames[i].Name, fieldName)) return i + 1;
  return TSpreadSheetFile::FindColumn(fieldName);
}

void TSMIWAB::FillColumnList(TColumnList& list, const String& fieldList) {
  TSpreadSheetFile::FillColumnList(list, fieldList);
  for (Integer i = 0; i < WABTagCount; ++i) list.push_back({kTagNames[i].Name, i + 1});
}

TRADerevuFromWAB::TRADerevuFromWAB(TComponent* owner) : TRADerevuFromCell(owner) { SetTableType(teWAB); }

String TRADerevuFromWAB::FillFileFilters() const { return String(strFormatL) + u"|*.WAB|" + strAllFiles; }

void TRADerevuFromWAB::DetectAutoMapping() {
  if (dynamic_cast<const TSMIWAB*>(WorkBook()) == nullptr) {
    TRADerevuFromCell::DetectAutoMapping();
    return;
  }
  for (Integer i = 0; i < WABTagCount; ++i) {
    TSMIColumn& column = *Columns().Add();
    column.FieldName = WABTagNames()[i].Name;
    column.Caption = WABTagNames()[i].Caption;
    column.Size = 0;
    column.Precision = 0;
    column.DataType = itString;
  }
}
