#include "import/readers/ImportFromXML.h"

#include <algorithm>

#include "import/ImportMessages.h"
#include "import/VODUtils.h"
#include "import/readers/SMXMLEngine.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// The value of an attribute item of the element (name without case).
String AttributeValue(const TSMXMLItem& element, StringView name, bool& found) {
  for (const auto& item : element.Items) {
    if (item->Kind == ikAttribute && SameText(item->TagName, name)) {
      found = true;
      return item->GetTagXMLValue();
    }
  }
  found = false;
  return {};
}

String AttributeValue(const TSMXMLItem& element, StringView name) {
  bool found = false;
  return AttributeValue(element, name, found);
}

String EncodeMarkup(StringView text) {
  String out;
  for (char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"': out += u"&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// One load's state: the tags, the counters and the lists being filled.
class TXMLRecordLoader {
 public:
  TXMLRecordLoader(const TSMIXMLTags& tags, const String& tableName, std::vector<TXMLField>* fields,
                   std::vector<String>* records, Integer first, Integer last)
      : FTags(tags), FTable(UpperCase(tableName)), FFields(fields), FRecords(records), FFirst(first), FLast(last) {
    FRecordsName = tags.RecordsTag.empty() ? u"ROWDATA" : tags.RecordsTag;
    FRowName = tags.RowTag.empty() ? u"ROW" : tags.RowTag;
    FRecordName = tags.RecordTag.empty() ? u"RECORD" : tags.RecordTag;
  }

  void Load(TStream& stream, String& encoding) {
    FEngine.OnAfterTag = [this](TComponent*, TSMXMLItem*& node, bool& cancel) { AfterTag(node, cancel); };
    FEngine.LoadFromStream(0, stream);
    encoding.clear();
    const TSMXMLItem* root = FEngine.RootItem();
    if (SameText(root->TagName, u"?xml") && FindAttribute(root->Attributes, u"encoding", encoding)) {
      while (!encoding.empty() && (encoding.back() == u'"' || encoding.back() == u'?')) encoding.pop_back();
    }
    ReadFieldList();
  }

 private:
  void AfterTag(TSMXMLItem*& node, bool& cancel) {
    if (FDone) {
      cancel = true;
      return;
    }
    TSMXMLItem* parent = node->ParentItem();
    const bool underRecords =
        parent != nullptr && (parent == FRecordsItem || (FRecordsItem == nullptr && SameText(parent->TagName, FRecordsName)));
    if (underRecords) {
      // Each child of the records element is taken as it closes and freed.
      FRecordsItem = parent;
      Process(*node);
      node->Free();
      node = nullptr;
      if (FDone) cancel = true;
    } else if (node == FRecordsItem || (FRecordsItem == nullptr && SameText(node->TagName, FRecordsName))) {
      // The first records element has ended: later ones are not read.
      FDone = true;
    }
  }

  // One child of the records element (or, with SubNodes, below it).
  void Process(TSMXMLItem& item) {
    if (FDone) return;
    item.ProcessAttributes();
    std::vector<String> names;
    String record;
    if (FTags.SameStrings(item.TagName, FRowName)) {
      Normalize(item, true, record, names);
    } else if (FTags.SameStrings(item.TagName, FRecordName) ||
               (!FTable.empty() && FTags.SameStrings(item.TagName, FTable))) {
      Normalize(item, false, record, names);
    } else {
      if (FTags.SubNodes)
        for (auto& child : item.Items)
          if (child->Kind == ikProperty) Process(*child);
      return;
    }
    if (record.empty()) return;
    if (FCounter == 1 && FFields != nullptr) {
      ReadFieldList();
      if (FFields->empty())
        for (String& name : names) FFields->push_back({std::move(name), false, itString, 0});
    }
    if (FRecords != nullptr && FCounter >= FFirst && FCounter <= FLast) FRecords->push_back(std::move(record));
    if (++FCounter > FLast) FDone = true;
  }

  // The record's fields into the normalized form; nested elements give
  // their leaves. names receives each field name once.
  static void Normalize(const TSMXMLItem& item, bool attributes, String& out, std::vector<String>& names) {
    for (const auto& child : item.Items) {
      if (child->Kind == ikComment) continue;
      String value;
      if (child->Items.size() == 1 && child->Items[0]->Kind == ikCDATA) {
        // A section's text is held encoded like every other value, so its
        // markup characters cannot end the field early.
        value = EncodeMarkup(child->Items[0]->GetTagXMLValue());
      } else if (child->Items.empty()) {
        value = child->GetTagXMLValue();
      } else {
        Normalize(*child, attributes, out, names);
        continue;
      }
      const String& name = child->TagName;
      if (attributes)
        out += u" " + name + u"=\"" + value + u"\"";
      else
        out += u" <" + name + u">" + value + u"</" + name + u">";
      if (std::none_of(names.begin(), names.end(), [&](const String& n) { return SameText(n, name); }))
        names.push_back(name);
    }
  }

  // The dataset packet's field list, once, when the list is still empty.
  void ReadFieldList() {
    if (FFieldListRead || FFields == nullptr) return;
    FFieldListRead = true;
    if (!FFields->empty()) return;
    TSMXMLItem* at = nullptr;
    for (const char16_t* name : {u"DATAPACKET", u"METADATA", u"FIELDS"}) at = FEngine.GetItemByTag(at, name);
    if (at == nullptr) return;
    for (auto& child : at->Items) {
      if (child->Kind != ikProperty || !FTags.SameStrings(child->TagName, u"FIELD")) continue;
      child->ProcessAttributes();
      TXMLField field;
      field.HasDescription = true;
      bool hasType = false;
      const String type = AttributeValue(*child, u"fieldtype", hasType);
      field.DataType = hasType ? GetDataType(type, AttributeValue(*child, u"SUBTYPE")) : itString;
      field.Width = StrToIntDef(AttributeValue(*child, u"WIDTH"), 0);
      bool named = false;
      field.Name = AttributeValue(*child, u"attrname", named);
      if (!named) field.Name = String(strField) + IntToStr(static_cast<Int64>(FFields->size() + 1));
      FFields->push_back(std::move(field));
    }
  }

  TSMXMLEngine FEngine;
  TSMIXMLTags FTags;
  String FTable, FRecordsName, FRowName, FRecordName;
  std::vector<TXMLField>* FFields;
  std::vector<String>* FRecords;
  Integer FFirst, FLast;
  Int64 FCounter = 1;
  TSMXMLItem* FRecordsItem = nullptr;
  bool FDone = false;
  bool FFieldListRead = false;
};

// Where `pattern` (upper case) first stands in the upper-case record.
size_t FindUpper(StringView upper, StringView pattern) { return upper.find(pattern); }

}  // namespace

TSMIDataType GetDataType(const String& fieldType, const String& subType) {
  const String type = LowerCase(fieldType), sub = LowerCase(subType);
  if (type == u"i2" || type == u"i4" || type == u"ui2") return itInteger;
  if (type == u"boolean") return itBoolean;
  if (type == u"r8") return itFloat;
  if (type == u"date") return itDate;
  if (type == u"time") return itTime;
  if (type == u"datetime") return itDateTime;
  if (type == u"blob") {
    if (sub == u"text") return itMEMO;
    if (sub == u"graphic" || sub == u"picture" || sub == u"image") return itGraphic;
    return itBLOB;
  }
  if (type == u"memo") return itMEMO;
  if (type == u"graphic" || type == u"picture") return itGraphic;
  if (sub == u"image") return itGraphic;
  if (type == u"fixed") return itFloat;
  if (type == u"bin.hex") return sub == u"graphic" ? itGraphic : sub == u"text" ? itMEMO : itBLOB;
  return itString;
}

void LoadXMLFromStream(bool preview, std::vector<TXMLField>* fields, std::vector<String>* records, TStream& stream,
                       const String& tableName, String& encoding, Integer firstRecord, Integer lastRecord,
                       Integer previewCount, const TSMIXMLTags& tags) {
  if (fields != nullptr) fields->clear();
  if (records != nullptr) records->clear();
  if (preview && Int64{firstRecord} + previewCount - 1 < lastRecord)
    lastRecord = static_cast<Integer>(Int64{firstRecord} + previewCount - 1);
  TXMLRecordLoader loader(tags, tableName, fields, records, firstRecord, lastRecord);
  loader.Load(stream, encoding);
}

void LoadXMLFile(bool preview, std::vector<TXMLField>* fields, std::vector<String>* records, const String& fileName,
                 const String& tableName, String& encoding, Integer firstRecord, Integer lastRecord,
                 Integer previewCount, const TSMIXMLTags& tags) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadXMLFromStream(preview, fields, records, stream, tableName, encoding, firstRecord, lastRecord, previewCount, tags);
}

bool FindXMLValue(StringView name, StringView record, String& value, const String* upperRecord) {
  const String upperText = upperRecord != nullptr ? String() : UpperCase(record);
  const StringView upper = upperRecord != nullptr ? StringView(*upperRecord) : StringView(upperText);
  const String n = UpperCase(name);
  // The attribute forms, in this order.
  for (const String& form : {u" " + n + u"=\"", u" " + n + u" = \"", u"\n" + n + u"=\""}) {
    const size_t at = FindUpper(upper, form);
    if (at == StringView::npos) continue;
    const size_t start = at + form.size();
    const size_t quote = record.find(u'"', start);
    if (quote == StringView::npos) return false;
    value.assign(record.substr(start, quote - start));
    return true;
  }
  // The element form.
  const size_t open = FindUpper(upper, u"<" + n + u">");
  if (open == StringView::npos) return false;
  const size_t close = FindUpper(upper, u"</" + n + u">");
  if (close == StringView::npos) return false;
  const size_t start = open + n.size() + 2;
  size_t i = start;
  while (i < close && i < record.size()) {
    const char16_t c = record[i];
    if ((c == u'<' || c == u'>') && !(i + 1 < record.size() && record[i + 1] == u'!')) break;
    ++i;
  }
  value.assign(record.substr(start, i > start ? i - start : 0));
  if (value.size() >= 3 && value.compare(0, 2, u"<!") == 0) value = value.substr(2, value.size() - 3);
  return true;
}

String GetValue(const String& name, const String& record) {
  String value;
  return FindXMLValue(name, record, value) ? value : name;
}

void LoadXMLPreview(void* grid, const String& fieldList, const String& fileName, const String& tableName,
                    Integer firstRecord, Integer lastRecord, Integer previewCount, bool flag,
                    std::vector<String>& fieldNames, const TMarkupPreviewCallback& callback,
                    const TSMIXMLTags& tags) {
  std::vector<TXMLField> fields;
  std::vector<String> records;
  String encoding;
  LoadXMLFile(true, &fields, &records, fileName, tableName, encoding, firstRecord, lastRecord, previewCount, tags);
  fieldNames.clear();
  if (fieldList.empty()) {
    for (const TXMLField& field : fields) fieldNames.push_back(field.Name);
  } else {
    for (size_t start = 0; start <= fieldList.size();) {
      const size_t semi = std::min(fieldList.find(u';', start), fieldList.size());
      fieldNames.push_back(fieldList.substr(start, semi - start));
      start = semi + 1;
    }
  }
  std::vector<Variant> values;
  for (size_t r = 0; r < records.size(); ++r) {
    values.clear();
    for (const String& name : fieldNames) {
      String value;
      values.push_back(FindXMLValue(name, records[r], value) ? Variant(value) : Variant::Null());
    }
    if (callback) callback(grid, static_cast<Integer>(fieldNames.size()), static_cast<Integer>(r + 1), flag, values);
  }
}

// ---- the import component ---------------------------------------------------------

TRADerevuFromXML::TRADerevuFromXML(TComponent* owner) : TRADerevuBaseComponent(owner) { SetTableType(teXML); }

void TRADerevuFromXML::Assign(const TRADerevuBaseComponent& source) {
  if (const auto* xml = dynamic_cast<const TRADerevuFromXML*>(&source)) {
    FXMLTags.Assign(xml->FXMLTags);
    FEncoding = xml->FEncoding;
    FBLOBEncoding = xml->FBLOBEncoding;
    return;
  }
  TRADerevuBaseComponent::Assign(source);
}

void TRADerevuFromXML::BeforeImport() {
  if (DataStream != nullptr)
    LoadXMLFromStream(false, &lstCaptions, &lstFileRows, *DataStream, GetTableName(), FEncoding, RowFirst(), RowLast(),
                      -1, FXMLTags);
  else
    LoadXMLFile(false, &lstCaptions, &lstFileRows, SourceFileName(), GetTableName(), FEncoding, RowFirst(), RowLast(),
                -1, FXMLTags);
}

void TRADerevuFromXML::AfterImport() {
  lstFileRows.clear();
  lstCaptions.clear();
  strFromFile.clear();
  strFromFileUpper.clear();
}

bool TRADerevuFromXML::NeedMore() {
  return intCurRow < static_cast<Integer>(lstFileRows.size()) && Int64{intCurRow} <= Int64{RowLast()} - RowFirst();
}

bool TRADerevuFromXML::LoadRecord() {
  strFromFile = intCurRow >= 0 && intCurRow < static_cast<Integer>(lstFileRows.size())
                    ? lstFileRows[static_cast<size_t>(intCurRow)]
                    : String();
  // Every field of the row is looked up in it.
  strFromFileUpper = UpperCase(strFromFile);
  return TRADerevuBaseComponent::LoadRecord();
}

void TRADerevuFromXML::GetFieldValue(const Variant& name, Variant& value) {
  TRADerevuBaseComponent::GetFieldValue(name, value);
  String text;
  if (!FindXMLValue(value.AsString(), strFromFile, text, &strFromFileUpper)) {
    value = Variant::Null();
    return;
  }
  ReplaceHTMLChars(text);
  value = Variant(text);
}

bool TRADerevuFromXML::NotDefined(String& propertyName) {
  if (TRADerevuBaseComponent::NotDefined(propertyName)) return true;
  if (!SourceFileName().empty()) return false;
  propertyName = u"SourceFileName";
  return true;
}

String TRADerevuFromXML::FillFileFilters() const { return String(strFormatD) + u"|*.XML|" + strAllFiles; }

void TRADerevuFromXML::DetectAutoMapping() {
  if (RowFieldNames() <= 0 && DataSet() != nullptr && DataSet()->Fields().Count() > 0) {
    TRADerevuBaseComponent::DetectAutoMapping();
    return;
  }
  for (size_t k = 0; k < lstCaptions.size(); ++k) {
    const TXMLField& field = lstCaptions[k];
    TSMIColumn& column = *Columns().Add();
    if (field.HasDescription) {
      column.FieldName = column.Caption = field.Name;
      column.DataType = field.DataType;
      column.Size = field.Width;
      continue;
    }
    // A plain name reads as itself; an entry that looks like a record
    // names its field by its attributes.
    String name = GetValue(u"attrname", field.Name);
    if (name == u"attrname")
      name = field.Name.find_first_of(u"=<>") == String::npos ? field.Name : u"attrname" + IntToStr(static_cast<Int64>(k + 1));
    column.FieldName = column.Caption = name;
    column.DataType = GetDataType(GetValue(u"fieldtype", field.Name), GetValue(u"subtype", field.Name));
    column.Size = StrToIntDef(GetValue(u"width", field.Name), 0);
  }
}

void TRADerevuFromXML::LoadSpecificationFromStrings(const TWideStrings& list) {
  TRADerevuBaseComponent::LoadSpecificationFromStrings(list);
  FXMLTags.LoadFromStrings(list);
}

void TRADerevuFromXML::SaveSpecificationToStringList(TWideStrings& list, const String& specName) {
  TRADerevuBaseComponent::SaveSpecificationToStringList(list, specName);
  FXMLTags.SaveToStrings(list);
}
