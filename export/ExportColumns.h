// What an export writes: the columns (a field, a fixed text or a system
// variable, each with its title, width, colours, font and cell type), the
// bands above them and the groupings; and the mapping between the dataset's
// field types and the cell types the writers receive.
#pragma once

#include <memory>
#include <vector>

#include "export/ExportGraphics.h"
#include "export/ExportTypes.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Variant.h"

class TComponent;
class TField;

enum TSMEColumnKind : Byte { ckField, ckConstant, ckSysVar };
enum TSMEFieldDisplayFormat : Byte { dfFull, dfFieldCaption, dfFieldName };

// The settings objects copy all their stored fields; the C++ types already
// refuse a source of another class.
struct TSMEColumnTitle {
  String Caption;
  TColor Color = clSilver;
  TAlignment Alignment = taLeftJustify;
  TFont Font;

  void Assign(const TSMEColumnTitle& source) { *this = source; }
};

class TSMEColumns;

class TSMEColumn {
 public:
  String FieldName;
  TColor Color = clWhite;
  Integer Width = 0;
  Integer Precision = 0;  // decimals of a float column; 0 when not set
  TFont Font;
  TAlignment Alignment = taLeftJustify;
  bool Visible = true;
  TSMEColumnTitle Title;
  TCellType DataType = ctString;
  TSMEColumnKind ColumnKind = ckField;
  Integer BandIndex = -1;
  // The source field found for this column in the current run; not copied.
  TField* Field = nullptr;

  TSMEColumns* Collection() const { return FCollection; }
  Integer Index() const;
  // Every setting and the title; the source field stays.
  void Assign(const TSMEColumn& source);
  String GetItemCaption(TSMEFieldDisplayFormat format) const;

 private:
  friend class TSMEColumns;
  TSMEColumns* FCollection = nullptr;
};

struct TSMEColumnBand {
  // A new band is left-aligned; a stored band without an alignment is centred.
  TAlignment Alignment = taLeftJustify;
  String Caption;
  bool Visible = true;
  TColor Color = clSilver;
  TFont Font;

  void Assign(const TSMEColumnBand& source) { *this = source; }
};

struct TSMEGrouping {
  String Caption;
  TColor Color = clSilver;
  TFont Font;
  String Expression;
  Variant FPrevValue;
  Variant FCurrValue;

  void Assign(const TSMEGrouping& source) { *this = source; }
  // A grouping with an expression whose value moved: either value is
  // unassigned, or the two differ.
  bool GroupIsChanged() const;
};

// An owning list of items; items keep their address while they are in it.
template <class T>
class TSMECollection {
 public:
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  bool Empty() const { return FItems.empty(); }
  T& operator[](Integer index) const { return *FItems.at(static_cast<size_t>(index)); }
  void Clear() { FItems.clear(); }
  void Delete(Integer index) { FItems.erase(FItems.begin() + CheckedIndex(index)); }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 protected:
  T& Append(std::unique_ptr<T> item) { return *FItems.emplace_back(std::move(item)); }
  Integer IndexOf(const T* item) const {
    for (size_t i = 0; i < FItems.size(); ++i)
      if (FItems[i].get() == item) return static_cast<Integer>(i);
    return -1;
  }
  std::ptrdiff_t CheckedIndex(Integer index) const {
    (void)FItems.at(static_cast<size_t>(index));
    return index;
  }
  std::vector<std::unique_ptr<T>> FItems;
};

class TSMEColumns : public TSMECollection<TSMEColumn> {
 public:
  explicit TSMEColumns(TComponent* owner = nullptr) : FSMEControl(owner) {}
  TSMEColumns(const TSMEColumns&) = delete;
  TSMEColumns& operator=(const TSMEColumns&) = delete;

  TComponent* SMEControl() const { return FSMEControl; }
  TSMEColumn& Add();
  TSMEColumn& GetColumn(Integer index) const { return (*this)[index]; }
  void SetColumn(Integer index, const TSMEColumn& column) { (*this)[index].Assign(column); }
  // Index of the first column whose FieldName equals the name exactly (case
  // matters); -1 when none.
  Integer ColumnByFieldName(StringView name) const;
  void ClearFields();
  // The first visible column under the band; -1 when none.
  Integer MergedColStart(Integer bandIndex) const;
  // Consecutive visible columns under the band from the start index on.
  Integer MergedColCount(Integer bandIndex, Integer start) const;
  // Replaces the columns by copies of the source's.
  void Assign(const TSMEColumns& source);

 private:
  friend class TSMEColumn;
  TComponent* FSMEControl;
};

class TSMEColumnBands : public TSMECollection<TSMEColumnBand> {
 public:
  explicit TSMEColumnBands(TComponent* owner = nullptr) : FSMEControl(owner) {}
  TSMEColumnBands(const TSMEColumnBands&) = delete;
  TSMEColumnBands& operator=(const TSMEColumnBands&) = delete;
  TSMEColumnBand& Add() { return Append(std::make_unique<TSMEColumnBand>()); }
  void Assign(const TSMEColumnBands& source);

 private:
  TComponent* FSMEControl;
};

class TSMEGroupings : public TSMECollection<TSMEGrouping> {
 public:
  explicit TSMEGroupings(TComponent* owner = nullptr) : FSMEControl(owner) {}
  TSMEGroupings(const TSMEGroupings&) = delete;
  TSMEGroupings& operator=(const TSMEGroupings&) = delete;
  TSMEGrouping& Add() { return Append(std::make_unique<TSMEGrouping>()); }
  void Assign(const TSMEGroupings& source);
  void InitPrevDataValues();

 private:
  TComponent* FSMEControl;
};

// The cell type of a value of a field type. With blankIfZero, a number or
// date that is null, unassigned or zero is a blank cell, and any other date
// value is written as a string.
TCellType GetValueType(TFieldType fieldType, const Variant& value, bool blankIfZero);
// The field type a table-creating writer gives a column of a cell type.
TFieldType CellType2FieldType(TCellType cellType);
