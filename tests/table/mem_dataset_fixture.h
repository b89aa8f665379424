// A TMemDataSet whose record store makes its descriptors from a list, and
// logs the Internal* calls like the platform's reference dataset, so that a
// test checks the call order and the record store side by side.
#pragma once

#include "tests/table/add_field_desc.h"
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/FormatSettings.h"
#include "table/MemData.h"
#include "table/MemDataSet.h"
#include "tests/db/contract_fixture.h"
#include "tests/support/fixed_formats.h"

struct DescSpec {
  const char16_t* Name;
  TDataType Type;
  Integer Length = 0;
  Integer Scale = 0;
  bool Required = false;
  bool ReadOnly = false;
};

// Descriptors from the list, made when the store prepares or opens.
class ListStore : public TMemData {
 public:
  explicit ListStore(std::vector<DescSpec> specs) : FSpecs(std::move(specs)) {}
  std::vector<DescSpec>& Specs() { return FSpecs; }

 protected:
  void InternalPrepare() override { InitFields(); }
  void InternalOpen(bool) override { InitFields(); }
  void CreateFieldDescs() override {
    for (const DescSpec& s : FSpecs) {
      TFieldDesc* d = AddFieldDesc(*this, s.Name, s.Type, s.Length);
      d->FScale = static_cast<Word>(s.Scale);
      d->FRequired = s.Required;
      d->FReadOnly = s.ReadOnly;
    }
  }

 private:
  std::vector<DescSpec> FSpecs;
};

class ListDataSet : public TMemDataSet {
 public:
  explicit ListDataSet(std::vector<DescSpec> specs) : FSpecs(std::move(specs)) { CreateIRecordSet(); }
  ~ListDataSet() override {
    try {
      Close();
    } catch (...) {
    }
  }
  void CreateIRecordSet() override { SetIRecordSet(new ListStore(FSpecs)); }
  ListStore& Store() { return static_cast<ListStore&>(*Data()); }
  TRecordBuffer ActiveBuf() const { return ActiveBuffer(); }

  Log* CallLog = nullptr;

 protected:
  void Note(const char* text) {
    if (CallLog != nullptr) CallLog->push_back(text);
  }
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override {
    static const char* names[] = {"GetRecord(current)", "GetRecord(next)", "GetRecord(prior)"};
    Note(names[mode]);
    return TMemDataSet::GetRecord(buffer, mode, doCheck);
  }
  void InternalOpen() override { Note("InternalOpen"), TMemDataSet::InternalOpen(); }
  void InternalClose() override { Note("InternalClose"), TMemDataSet::InternalClose(); }
  void InternalFirst() override { Note("InternalFirst"), TMemDataSet::InternalFirst(); }
  void InternalLast() override { Note("InternalLast"), TMemDataSet::InternalLast(); }
  void InternalInsert() override { Note("InternalInsert"), TMemDataSet::InternalInsert(); }
  void InternalEdit() override { Note("InternalEdit"), TMemDataSet::InternalEdit(); }
  void InternalPost() override { Note("InternalPost"), TMemDataSet::InternalPost(); }
  void InternalCancel() override { Note("InternalCancel"), TMemDataSet::InternalCancel(); }
  void InternalDelete() override { Note("InternalDelete"), TMemDataSet::InternalDelete(); }
  void InternalInitRecord(TRecordBuffer b) override { Note("InternalInitRecord"), TMemDataSet::InternalInitRecord(b); }
  void InternalSetToRecord(TRecordBuffer b) override {
    Note("InternalSetToRecord"), TMemDataSet::InternalSetToRecord(b);
  }

 private:
  std::vector<DescSpec> FSpecs;
};

