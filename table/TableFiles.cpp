// The table's file loading and saving (VTD and XML rowset).
#include "table/TableFiles.h"

#include <cmath>
#include <optional>
#include <typeinfo>

#include "platform/db/Fields.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuards.h"
#include "table/Blob.h"
#include "table/DataSetService.h"
#include "table/VtdCodec.h"
#include "table/XmlRowset.h"

namespace {

constexpr char16_t SNoFieldClass[] = u"Stored field '%s' has a type without a field class";

bool IsBlobType(TDataType t) { return t == dtBlob || t == dtMemo || t == dtWideMemo; }

}  // namespace

TCRFileFormat DetectFileFormat(const Byte* data, size_t size) {
  TByteReader r(data, size, RaiseVtdReadError);
  if (DetectByteOrderMark(data, size) == TByteOrderMark::Utf8) ReadByteOrderMark(r);
  std::span<const Byte> p = r.Bytes(5);
  if (p[0] != '<') return ffVTD;
  size_t at = p[1] == '?' ? 2 : 1;
  auto is = [](Byte c, char lower) { return c == static_cast<Byte>(lower) || c == static_cast<Byte>(lower - 32); };
  return is(p[at], 'x') && is(p[at + 1], 'm') && is(p[at + 2], 'l') ? ffXML : ffVTD;
}

// ---------------------------------------------------------------------------
// Loading

namespace {

// Adds the stream's column definitions to defs without the table reloading
// on each of them.
void AddDefinitions(TFieldDefs& defs, const std::vector<TXmlRowsetColumn>& columns, bool& avoidRefreshData) {
  TRestoreValue refresh(avoidRefreshData, true);
  for (const TXmlRowsetColumn& column : columns) {
    TFieldDef* def = defs.Add(column.Spec.Name, column.Spec.Type, column.Spec.Size, column.Required);
    def->SetPrecision(column.Spec.Precision);
    if (column.Fixed) def->SetAttributes(def->Attributes() | faFixed);
  }
}

// Creates the stored fields of a VTD header as the table's persistent fields.
void CreateStoredFields(TVirtualTable& table, const std::vector<TVtdStoredField>& fields) {
  TComponent* owner = table.Owner() != nullptr ? table.Owner() : &table;
  for (const TVtdStoredField& f : fields) {
    if (f.Kind == fkLookup) continue;
    TFieldClass fieldClass = table.GetFieldClass(static_cast<TFieldType>(f.Type));
    if (fieldClass == nullptr) throw EReadError(Format(SNoFieldClass, {f.Name}));
    std::unique_ptr<TField> field(fieldClass(owner));
    field->SetFieldName(f.Name);
    field->SetFieldKind(static_cast<TFieldKind>(f.Kind));
    if (f.Type == ftString || f.Type == ftWideString) field->SetSize(f.Size);
    field->SetDataSet(&table);
    field.release();
  }
}

// Each stream column, decoded by its own definition, and the table field
// (with its descriptor) of the same name when there is one.
struct TVtdColumn {
  TFieldDesc Stream{nullptr};
  TField* Field = nullptr;
  TFieldDesc* Desc = nullptr;
};

// Reads one record's values into rec. Columns whose table field has another
// layout than the stream's go through the field, which must be in an edit
// state for that.
void ReadVtdRecord(TByteReader& r, bool wide, std::vector<TVtdColumn>& columns, TData& store, TRecBuf rec,
                   std::vector<Byte>& value) {
  for (TVtdColumn& c : columns) {
    size_t n = wide ? r.U32() : r.U16();
    if (n == 0) continue;
    if (c.Stream.FDataType == dtVariant) {
      // The value and the type code after it.
      TByteReader bytes = r.Sub(n + 2);
      Variant v = ReadVtdVariant(bytes, c.Stream.FName);
      if (c.Desc == nullptr) continue;
      if (c.Desc->FDataType == dtVariant) store.PutFieldAsVariant(c.Desc, rec, v);
      else c.Field->SetAsVariant(v);
      continue;
    }
    TByteReader bytes = r.Sub(n);
    DecodeVtdValue(c.Stream, bytes, value);
    if (c.Desc == nullptr) continue;
    if (!SameVtdLayout(c.Stream, *c.Desc)) {
      c.Field->SetAsVariant(DecodedVtdValueAsVariant(c.Stream, value));
    } else if (IsBlobType(c.Desc->FDataType)) {
      // A value read from a file has no earlier contents for a rollback
      // copy to keep.
      store.PutLoadedBlob(c.Desc, rec, value.data(), static_cast<Int64>(value.size()));
    } else {
      store.PutField(c.Desc, rec, value.data());
    }
  }
}

// Whether anything sees rows arrive: a row event, cached updates, or an
// updater of the table's own kind behind the record set's append hook. Then
// each row is appended and posted; otherwise the store is filled directly,
// which gives the same table faster.
bool RowsAreWatched(TVirtualTable& table, TDataSetUpdater* updater) {
  if (table.BeforeInsert || table.AfterInsert || table.OnNewRecord || table.BeforePost || table.AfterPost) {
    return true;
  }
  if (table.CachedUpdates()) return true;
  return updater != nullptr && typeid(*updater) != typeid(TDataSetUpdater);
}

// Appends the records of a VTD file to the open table.
void ReadVtdRows(TVirtualTable& table, TByteReader& r, const TVtdHeader& h, bool loadFields, bool watched) {
  std::vector<TVtdColumn> columns(h.Defs.size());
  bool direct = true;
  for (size_t i = 0; i < h.Defs.size(); ++i) {
    const TVirtualFieldSpec& spec = h.Defs[i];
    TVtdColumn& c = columns[i];
    c.Stream.FName = spec.Name;
    if (!DescribeVirtualTableField(c.Stream, spec.Type, spec.Size, spec.Precision)) {
      throw EDatabaseError(SVTUnsupportedFieldType);
    }
    // The table's own fields made from these definitions pair by number;
    // any other field by name.
    bool byNumber = loadFields && table.DefaultFields();
    c.Field = byNumber ? table.Fields().FieldByNumber(static_cast<Integer>(i) + 1) : table.FindField(c.Stream.FName);
    if (c.Field != nullptr && c.Field->FieldKind() == fkData) c.Desc = table.GetFieldDesc(c.Field);
    if (c.Desc == nullptr) c.Field = nullptr;
    if (c.Desc != nullptr && !SameVtdLayout(c.Stream, *c.Desc)) direct = false;
  }
  TData& data = *table.TMemDataSet::Data();
  auto* store = dynamic_cast<TMemData*>(&data);
  if (store == nullptr || watched) direct = false;
  bool wide = h.Version >= 2;
  std::vector<Byte> value;  // one value as the record set takes it, reused
  table.DoVirtualTableProgress(0);
  auto progress = [&](Integer i) {
    table.DoVirtualTableProgress(static_cast<Integer>(std::nearbyint(i * 100.0 / h.RecordCount)));
  };
  if (!direct) {
    // Record by record through the dataset, with its events; a column that
    // changes type on the way in is converted by the table's field.
    for (Integer i = 0; i < h.RecordCount; ++i) {
      table.Append();
      ReadVtdRecord(r, wide, columns, data, table.GetActiveRecBuf(), value);
      table.Post();
      progress(i);
    }
    return;
  }
  // Every value keeps its layout: the records are filled in the store
  // itself, and numbered once when all are in (also when one fails).
  TItemHeader* first = nullptr;
  TScopeExit endLoad([&] { store->EndLoad(first); });
  for (Integer i = 0; i < h.RecordCount; ++i) {
    TItemHeader* item = store->AppendLoadedRecord();
    if (first == nullptr) first = item;
    ReadVtdRecord(r, wide, columns, data, TBlockManager::GetRecordPtr(item), value);
    store->FinishLoadedRecord(item);
    progress(i);
  }
}

}  // namespace

void LoadTableStream(TVirtualTable& table, TStream& stream, bool loadFields, bool decodeHTMLEntities) {
  TScopedCount avoid(table.FAvoidReload);
  bool wasActive = table.Active() || table.FStreamedActive;
  table.Close();
  table.Clear();
  if (loadFields) table.DeleteFields();

  bool autoCalc = table.AutoCalcFields;
  try {
    Byte head[8] = {};
    stream.SetPosition(0);
    Int64 headSize = stream.Read(head, sizeof head);
    const bool xml = DetectFileFormat(head, static_cast<size_t>(std::max<Int64>(headSize, 0))) == ffXML;

    // XML is read as a stream; a VTD file whole, by its bounds-checked reader.
    std::unique_ptr<XmlTextReader> xmlReader;
    TXmlAliasList aliases;
    std::optional<TByteReader> r;
    TVtdHeader h;
    std::vector<TXmlRowsetColumn> columns;
    if (xml) {
      stream.SetPosition(0);
      xmlReader = std::make_unique<XmlTextReader>(stream, decodeHTMLEntities);
      columns = ReadFieldDefsXML(*xmlReader, aliases, table);
    } else {
      stream.SetPosition(0);
      r.emplace(VtdStreamReader(stream));
      h = ReadVtdHeader(*r);
      for (const TVirtualFieldSpec& spec : h.Defs) columns.push_back({spec, false, false});
    }

    // The stream's definitions: the table's own with loadFields, else a
    // list that only names the columns (its checks of names still apply).
    TFieldDefs scratch(&table);
    AddDefinitions(loadFields ? table.FieldDefs() : scratch, columns, table.FAvoidRefreshData);
    if (loadFields) CreateStoredFields(table, h.Fields);

    if (!xml && h.RecordCount == 0) {
      table.SetActive(wasActive);
      return;
    }
    table.DisableControls();
    TScopeExit enable([&] { table.EnableControls(); });
    table.Open();
    table.AutoCalcFields = false;
    {
      // Rows posted one by one are sorted once, when all are in.
      auto* store = dynamic_cast<TMemData*>(table.TMemDataSet::Data());
      if (store != nullptr) store->BeginDeferredSort();
      TScopeExit endSort([&] {
        if (store != nullptr) store->EndDeferredSort(false);
      });
      if (xml) ProcessXMLData(table, *xmlReader, aliases);
      else ReadVtdRows(table, *r, h, loadFields, RowsAreWatched(table, table.Updater()));
      endSort.Dismiss();
      if (store != nullptr) store->EndDeferredSort(true);
    }
    table.AutoCalcFields = autoCalc;
    table.First();
    if (!wasActive && table.HasOption(voPersistentData)) table.Close();
  } catch (...) {
    // No half-read table stays behind: the caller gets the error and an
    // empty, closed table that cannot be saved over the file by mistake.
    table.AutoCalcFields = autoCalc;
    try {
      if (table.State() == dsInsert || table.State() == dsEdit) table.Cancel();
      table.Close();
      table.Clear();
      if (loadFields) table.DeleteFields();
    } catch (...) {
    }
    throw;
  }
}

// ---------------------------------------------------------------------------
// Saving

namespace {

// Whether a row of the store counts as one of its rows for allRows: every
// row but those cached updates keep only to undo (deleted ones, unless the
// table was asked to show them).
bool IsStoredRow(const TData& store, const TItemHeader* item) {
  return !store.FCachedUpdates || (store.FFilterItemTypes & ItemTypeBit(item->Status)) != 0;
}

}  // namespace

void SaveVtd(TVirtualTable& table, TStream& stream, const std::vector<TVirtualFieldSpec>& defs, bool storeFields,
             bool allRows) {
  TScopedCount avoid(table.FAvoidReload);
  TVtdWriter w(stream);
  std::vector<TField*> stored;
  if (storeFields && !table.DefaultFields()) {
    for (TField* f : table.Fields()) {
      if (f->FieldKind() != fkLookup) stored.push_back(f);
    }
  }
  WriteVtdHeader(w, defs, stored);
  TData& store = *table.TMemDataSet::Data();
  auto* items = dynamic_cast<TMemData*>(&store);
  if (defs.empty() || !store.Active()) {
    w.I32(0);
    w.Flush(true);
    return;
  }
  // A pending edit is part of what the user sees: it is posted first.
  if (table.Active()) table.CheckBrowseMode();

  // Rows are written only for the specs the store was built from, one
  // descriptor each in the same order; pairing by position keeps names that
  // compare alike (case, ignorable characters) apart.
  std::vector<TFieldDesc*> descs;
  for (size_t i = 0; i < defs.size(); ++i) {
    descs.push_back(i < static_cast<size_t>(store.Fields().Count()) ? store.Fields()[static_cast<int>(i)] : nullptr);
  }
  TVtdRecordWriter records(store, descs);
  auto writeRecord = [&](TRecBuf rec) { records.Write(w, rec); };
  Int64 countAt = w.Offset();
  Integer total = 0;
  if (allRows && items != nullptr) {
    for (TItemHeader* item = items->GetFirstItem(); item != nullptr; item = item->Next) {
      if (IsStoredRow(store, item)) ++total;
    }
  } else {
    total = store.GetRecordCount();
  }
  w.I32(total);
  Integer written = 0;
  table.DoVirtualTableProgress(0);
  auto progress = [&] {
    ++written;
    if (total > 0) table.DoVirtualTableProgress(static_cast<Integer>(std::nearbyint(written * 100.0 / total)));
  };
  if (items != nullptr) {
    // Straight from the records in the store's order, the table's position
    // staying where it is: with allRows every row (no filter, filter event,
    // master link or range is asked), otherwise the rows the table shows.
    for (TItemHeader* item = items->GetFirstItem(); item != nullptr; item = item->Next) {
      if (allRows ? !IsStoredRow(store, item) : items->OmitRecord(item)) continue;
      writeRecord(TBlockManager::GetRecordPtr(item));
      progress();
    }
  } else {
    // The rows are read from the store with a buffer of our own, so that the
    // table's fields (which may already follow new definitions) play no part.
    TRecBuf rec = store.AllocRecBuf();
    TScopeExit release([&] {
      TData::FreeRecBuf(rec);
      table.CursorPosChanged();
    });
    store.SetToBegin();
    for (store.GetNextRecord(rec); !store.GetEOF(); store.GetNextRecord(rec)) {
      writeRecord(rec);
      progress();
    }
  }
  if (written != total) w.Patch(countAt, written);
  w.Flush(true);
}

// ---------------------------------------------------------------------------
// The table's file and stream operations

void TVirtualTable::LoadFromStream(TStream& stream, bool loadFields, bool decodeHTMLEntities) {
  LoadTableStream(*this, stream, loadFields, decodeHTMLEntities);
}

void TVirtualTable::LoadFromFile(const String& fileName, bool loadFields, bool decodeHTMLEntities) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream, loadFields, decodeHTMLEntities);
}

void TVirtualTable::SaveToStream(TStream& stream, bool storeFields, bool storeAllData) {
  // Without storeAllData the rows are those the table shows through its
  // filter and master link: a closed table that keeps its rows is opened for
  // the save, so that they are asked as when it is open, and closed again.
  bool opened = false;
  if (!storeAllData && !Active() && TMemDataSet::Data()->Active() && FieldDefs().Count() > 0) {
    Open();
    opened = true;
  }
  TScopeExit close([&] {
    if (!opened) return;
    try {
      Close();
    } catch (...) {
    }
  });
  // An open store is described by what it was built from (the same as the
  // definitions unless persistent fields gave the layout), so that every
  // value is written under the type it has.
  if (TMemDataSet::Data()->Active()) {
    SaveVtd(*this, stream, Store()->BuiltFrom(), storeFields, storeAllData);
    return;
  }
  std::vector<TVirtualFieldSpec> defs;
  for (int i = 0; i < FieldDefs().Count(); ++i) {
    TFieldDef* def = FieldDefs()[i];
    defs.push_back({def->Name(), def->DataType(), def->Size(), def->Precision()});
  }
  SaveVtd(*this, stream, defs, storeFields, storeAllData);
}

void TVirtualTable::SaveToFile(const String& fileName, bool storeFields, bool storeAllData) {
  TSafeFileWriter writer(fileName);
  SaveToStream(writer.Stream(), storeFields, storeAllData);
  writer.Commit();
}
