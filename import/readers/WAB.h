// The address-book source: one row per entry of the personal address book
// (the contacts of a vCard file, read by the address-book library stand-in
// in platform/win), one column per known address-book property, numbered
// from 1 in the order of WABTagNames.
#pragma once

#include <memory>

#include "import/readers/ImportFromCell.h"
#include "platform/win/AddressBook.h"

// One column of the address-book source.
struct TWABTagName {
  Cardinal Tag;
  const char16_t* Name;
  const char16_t* Caption;
};
inline constexpr Integer WABTagCount = 291;
// Entry n (1-based) is WABTagNames()[n - 1].
const TWABTagName* WABTagNames();

// The number of the first entry whose tag has the value's property
// identifier, -1 when none.
Integer GetTagIndex(const SPropValue& value);
// A property value as text.
String SPropValueToStr(const SPropValue& value);

class TSMIWAB : public TSpreadSheetFile {
 public:
  explicit TSMIWAB(TComponent* owner = nullptr);
  ~TSMIWAB() override;
  const char* ClassName() const override { return "TSMIWAB"; }

  void LoadFromFile(const String& fileName) override;
  // Reads the book named by FileName (the stream's content is not read).
  void LoadFromStream(TStream& stream) override;
  void BeforeLoad() override;
  bool LoadRecord(Integer recNo) override;
  Integer FindColumn(const String& fieldName) override;
  void FillColumnList(TColumnList& list, const String& fieldList) override;

  // No registry here: both are empty.
  static String GetDefaultWABFileName() { return String(); }
  static String GetWABDLLName() { return String(); }

 private:
  std::vector<SPropValue> TableRow;
  std::unique_ptr<TAddressBook> AddrBook;
};

class TRADerevuFromWAB : public TRADerevuFromCell {
 public:
  explicit TRADerevuFromWAB(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromWAB"; }
  std::unique_ptr<TSpreadSheetFile> WorkBookCreation() override { return std::make_unique<TSMIWAB>(); }
  String Extension() const override { return u".WAB"; }
  String FillFileFilters() const override;
  void DetectAutoMapping() override;
};
