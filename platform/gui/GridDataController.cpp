#include "platform/gui/GridDataController.h"

#include <QBrush>
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <algorithm>

#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/gui/GridView.h"
#include "platform/gui/QtStrings.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/ScopeGuards.h"

namespace {

// Rows kept read; painting a screen needs a few dozen.
constexpr size_t CacheLimit = 512;

bool IsDateType(TFieldType t) { return t == ftDate || t == ftTime || t == ftDateTime || t == ftTimeStamp; }

QDateTime ToQDateTime(TDateTime value) {
  Word y, mo, d, h, mi, s, ms;
  DecodeDateTime(value, y, mo, d, h, mi, s, ms);
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

TDateTime FromQDateTime(const QDateTime& value) {
  const QDate d = value.date();
  const QTime t = value.time();
  return EncodeDateTime(static_cast<Word>(d.year()), static_cast<Word>(d.month()), static_cast<Word>(d.day()),
                        static_cast<Word>(t.hour()), static_cast<Word>(t.minute()), static_cast<Word>(t.second()),
                        static_cast<Word>(t.msec()));
}

}  // namespace

// The controller's connection to the data source: every notification
// invalidates what was read and tells the view.
class TcxGridDataController::Link : public TDataLink {
 public:
  explicit Link(TcxGridDataController* owner) : FOwner(owner) {}
  void ActiveChanged() override {
    FOwner->FInsertRow = -1;
    FOwner->Rebuild();
    emit FOwner->StateChanged();
  }
  void LayoutChanged() override {
    FOwner->Rebuild();
    emit FOwner->FocusedRowChanged(FOwner->FocusedRow());
  }
  void DataSetChanged() override { FOwner->DataChanged(); }
  void DataSetScrolled(int) override { FOwner->DataChanged(); }
  void RecordChanged(TField*) override { FOwner->DataChanged(); }
  void EditingChanged() override {
    TcxGridDataController& c = *FOwner;
    if (DataSet() != nullptr && DataSet()->State() == dsInsert) {
      const int stored = DataSet()->RecordCount();
      c.FInsertRow = c.FAppending ? stored : std::clamp(c.FLastBrowseRow, 0, std::max(stored, 0));
    } else {
      c.FInsertRow = -1;
      c.FAppending = false;
    }
    c.DataChanged();
    emit c.StateChanged();
  }
  void UpdateData() override { emit FOwner->UpdateDataRequested(); }

 private:
  TcxGridDataController* FOwner;
};

TcxGridDataController::TcxGridDataController(TcxGridDBTableView* view)
    : QAbstractTableModel(nullptr), FView(view), FLink(std::make_unique<Link>(this)) {}

TcxGridDataController::~TcxGridDataController() { FLink->SetDataSource(nullptr); }

TDataSource* TcxGridDataController::DataSource() const { return FLink->DataSource(); }

void TcxGridDataController::SetDataSource(TDataSource* value) {
  if (value == FLink->DataSource()) return;
  FLink->SetDataSource(value);
  FInsertRow = -1;
  Rebuild();
  emit StateChanged();
  emit FocusedRowChanged(FocusedRow());
}

TDataSet* TcxGridDataController::DataSet() const { return FLink->Active() ? FLink->DataSet() : nullptr; }

TField* TcxGridDataController::ColumnField(int column) const {
  return column >= 0 && static_cast<size_t>(column) < FFields.size() ? FFields[static_cast<size_t>(column)] : nullptr;
}

void TcxGridDataController::ColumnsChanged() { Rebuild(); }

void TcxGridDataController::BindFields() {
  FFields.clear();
  TDataSet* dataSet = DataSet();
  for (int i = 0; i < FView->ColumnCount(); ++i) {
    FFields.push_back(dataSet != nullptr ? dataSet->FindField(FView->Columns(i)->DataBinding().FieldName()) : nullptr);
  }
}

int TcxGridDataController::CountRows() const {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return 0;
  return std::max(dataSet->RecordCount(), 0) + (FInsertRow >= 0 ? 1 : 0);
}

void TcxGridDataController::Rebuild() {
  beginResetModel();
  FCache.clear();
  BindFields();
  FRowCount = CountRows();
  endResetModel();
}

void TcxGridDataController::SyncRowCount() {
  const int rows = CountRows();
  if (rows > FRowCount) {
    beginInsertRows({}, FRowCount, rows - 1);
    FRowCount = rows;
    endInsertRows();
  } else if (rows < FRowCount) {
    beginRemoveRows({}, rows, FRowCount - 1);
    FRowCount = rows;
    endRemoveRows();
  }
}

void TcxGridDataController::DataChanged() {
  FCache.clear();
  SyncRowCount();
  TDataSet* dataSet = DataSet();
  if (dataSet != nullptr && FInsertRow < 0 && !dataSet->IsEmpty()) FLastBrowseRow = dataSet->RecNo() - 1;
  if (FRowCount > 0 && !FFields.empty()) {
    emit dataChanged(index(0, 0), index(FRowCount - 1, static_cast<int>(FFields.size()) - 1));
  }
  emit FocusedRowChanged(FocusedRow());
}

int TcxGridDataController::FocusedRow() const {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return -1;
  if (FInsertRow >= 0) return FInsertRow;
  return dataSet->IsEmpty() ? -1 : dataSet->RecNo() - 1;
}

Integer TcxGridDataController::RecNoOfRow(int row) const {
  if (FInsertRow >= 0 && row > FInsertRow) return row;
  return row + 1;
}

void TcxGridDataController::FocusRow(int row) {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || row < 0 || row >= FRowCount || row == FocusedRow()) return;
  if (FInsertRow >= 0) {
    // Posting the insert keeps every row where it was shown; cancelling an
    // unchanged one takes its row away.
    const int insertRow = FInsertRow;
    const Integer before = dataSet->RecordCount();
    dataSet->CheckBrowseMode();
    if (dataSet->RecordCount() == before && row > insertRow) --row;
    if (row == FocusedRow()) return;
  }
  dataSet->SetRecNo(row + 1);
}

void TcxGridDataController::InsertRecord(bool append) {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return;
  FAppending = append;
  if (append) {
    dataSet->Append();
  } else {
    dataSet->Insert();
  }
}

void TcxGridDataController::DeleteRows(std::vector<int> rows) {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return;
  if (FInsertRow >= 0 || rows.size() <= 1) {
    if (rows.size() == 1) FocusRow(rows.front());
    dataSet->Delete();
    return;
  }
  // From the last row up, so the record numbers still to come stay put.
  std::sort(rows.begin(), rows.end(), std::greater<int>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  dataSet->DisableControls();
  TScopeExit enable([dataSet] { dataSet->EnableControls(); });
  for (int row : rows) {
    dataSet->SetRecNo(row + 1);
    if (dataSet->RecNo() == row + 1) dataSet->Delete();
  }
}

template <class Fn>
bool TcxGridDataController::ReadRecord(int row, Fn&& fn) const {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || row < 0 || row >= FRowCount) return false;
  if (row == FInsertRow) {
    fn();
    return true;
  }
  return dataSet->ReadRow(RecNoOfRow(row), fn);
}

const TcxGridDataController::Row& TcxGridDataController::CachedRow(int row) const {
  auto found = FCache.find(row);
  if (found != FCache.end()) return found->second;
  if (FCache.size() >= CacheLimit) FCache.clear();
  Row cells(FFields.size());
  try {
    ReadRecord(row, [&] {
      for (size_t i = 0; i < FFields.size(); ++i) {
        TField* field = FFields[i];
        if (field == nullptr) continue;
        Cell& cell = cells[i];
        cell.Null = field->IsNull();
        if (cell.Null) continue;
        cell.Value = field->AsVariant();
        if (field->DataType() != ftBoolean) cell.Text = ToQString(field->DisplayText());
      }
    });
  } catch (...) {
    // A row that cannot be read shows empty; painting must not raise.
  }
  return FCache.emplace(row, std::move(cells)).first->second;
}

Variant TcxGridDataController::CellValue(int row, int column) {
  if (row < 0 || row >= FRowCount || column < 0 || static_cast<size_t>(column) >= FFields.size()) return Variant();
  return CachedRow(row)[static_cast<size_t>(column)].Value;
}

bool TcxGridDataController::RowValues(int row, std::vector<Variant>& values) const {
  values.assign(FFields.size(), Variant::Null());
  return ReadRecord(row, [&] {
    for (size_t i = 0; i < FFields.size(); ++i) {
      TField* field = FFields[i];
      if (field != nullptr && !field->IsNull()) values[i] = field->AsVariant();
    }
  });
}

bool TcxGridDataController::CellIsNull(int row, int column) {
  if (row < 0 || row >= FRowCount || column < 0 || static_cast<size_t>(column) >= FFields.size()) return true;
  return CachedRow(row)[static_cast<size_t>(column)].Null;
}

int TcxGridDataController::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FRowCount; }

int TcxGridDataController::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(FFields.size());
}

QVariant TcxGridDataController::EditValue(TField* field) const {
  if (field->DataType() == ftBoolean) return field->IsNull() ? QVariant() : QVariant(field->AsBoolean());
  if (IsDateType(field->DataType())) {
    if (field->IsNull()) return QVariant();
    const QDateTime value = ToQDateTime(field->AsDateTime());
    if (field->DataType() == ftDate) return value.date();
    if (field->DataType() == ftTime) return value.time();
    return value;
  }
  return ToQString(field->Text());
}

QVariant TcxGridDataController::data(const QModelIndex& index, int role) const {
  TField* field = ColumnField(index.column());
  if (field == nullptr || index.row() >= FRowCount) return {};
  switch (role) {
    case Qt::DisplayRole:
      return CachedRow(index.row())[static_cast<size_t>(index.column())].Text;
    case Qt::CheckStateRole: {
      if (field->DataType() != ftBoolean) return {};
      const Cell& cell = CachedRow(index.row())[static_cast<size_t>(index.column())];
      return !cell.Null && cell.Value.AsBoolean() ? Qt::Checked : Qt::Unchecked;
    }
    case Qt::EditRole: {
      QVariant value;
      try {
        ReadRecord(index.row(), [&] { value = EditValue(field); });
      } catch (...) {
        return {};
      }
      return value;
    }
    case Qt::TextAlignmentRole:
      switch (field->Alignment()) {
        case taRightJustify: return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case taCenter: return QVariant::fromValue(Qt::AlignCenter);
        default: return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
      }
    default:
      return {};
  }
}

void TcxGridDataController::WriteValue(TField* field, const QVariant& value, int role) {
  if (role == Qt::CheckStateRole) {
    field->SetAsBoolean(value.toInt() == Qt::Checked);
    return;
  }
  switch (value.typeId()) {
    case QMetaType::QDate: field->SetAsDateTime(FromQDateTime(QDateTime(value.toDate(), QTime(0, 0)))); return;
    case QMetaType::QTime: field->SetAsDateTime(FromQDateTime(QDateTime(QDate(1899, 12, 30), value.toTime()))); return;
    case QMetaType::QDateTime: field->SetAsDateTime(FromQDateTime(value.toDateTime())); return;
    default: break;
  }
  const String text = FromQString(value.toString());
  const TFieldType type = field->DataType();
  const bool textType = type == ftString || type == ftWideString || type == ftFixedChar ||
                        type == ftFixedWideChar || type == ftMemo || type == ftWideMemo || type == ftFmtMemo;
  // An emptied number or date is no value, not a conversion error.
  if (text.empty() && !textType) {
    field->Clear();
  } else {
    field->SetText(text);
  }
}

bool TcxGridDataController::setData(const QModelIndex& index, const QVariant& value, int role) {
  TField* field = ColumnField(index.column());
  TDataSet* dataSet = DataSet();
  if (field == nullptr || dataSet == nullptr || (role != Qt::EditRole && role != Qt::CheckStateRole)) return false;
  FocusRow(index.row());
  if (dataSet->State() == dsBrowse && !FLink->Edit()) return false;
  WriteValue(field, value, role);
  return true;
}

Qt::ItemFlags TcxGridDataController::flags(const QModelIndex& index) const {
  TField* field = ColumnField(index.column());
  if (field == nullptr) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  TDataSet* dataSet = DataSet();
  const bool editable = dataSet != nullptr && dataSet->CanModify() && !field->ReadOnly() && !FLink->ReadOnly &&
                        (!field->IsBlob() || field->DataType() == ftMemo || field->DataType() == ftWideMemo);
  if (editable) flags |= field->DataType() == ftBoolean ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable;
  return flags;
}

QVariant TcxGridDataController::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= FView->ColumnCount()) return {};
  TField* field = ColumnField(section);
  return ToQString(field != nullptr ? field->DisplayLabel() : FView->Columns(section)->DataBinding().FieldName());
}
