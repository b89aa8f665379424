// IndexFieldNames text parsed into sort columns.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/exception_message.h"
#include "store_fixture.h"

namespace {

class SortStore : public TestStore {
 public:
  SortStore()
      : TestStore({{u"Name", dtString, 20},
                   {u"Id", dtInt32},
                   {u"Order Date", dtDateTime},
                   {u"Like", dtInt32},
                   {u"Between", dtInt32},
                   {u"1", dtInt32}}) {}

  void Parse(const String& text) {
    FIndexFieldNames = text;
    UpdateIndexFields();
  }
  // "Name DESC CIS, Id ASC CS"
  std::string Columns() const {
    static const char* const types[] = {"CS", "CIS", "BIN"};
    std::string out;
    for (const TSortColumn& c : IndexFields()) {
      if (!out.empty()) out += ", ";
      out += StringToUtf8(c.FieldDesc->FName) + (c.DescendingOrder ? " DESC " : " ASC ") + types[c.SortType];
    }
    return out;
  }
  bool ParserLeft() const { return FParser != nullptr; }
};

TEST(IndexFieldNames, Columns) {
  SortStore store;
  const TextCase cases[] = {
      {u"", ""},
      {u"  \t ", ""},
      {u"Name DESC; Id", "Name DESC CS, Id ASC CS"},
      {u"name desc cis", "Name DESC CIS"},
      {u"Name BIN Desc, Id CS ASC", "Name DESC BIN, Id ASC CS"},
      {u"Name;;Id", "Name ASC CS, Id ASC CS"},
      {u";, Name ,; Id ;", "Name ASC CS, Id ASC CS"},
      {u"[Order Date] DESC", "Order Date DESC CS"},
      {u"'Order Date'", "Order Date ASC CS"},
      {u"\"Order Date\" CIS", "Order Date ASC CIS"},
      // Keywords of filter texts name fields only in brackets or quotes.
      {u"[Like]; 'Between'", "Like ASC CS, Between ASC CS"},
      {u"1 DESC", "1 DESC CS"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Text));
    store.Parse(c.Text);
    EXPECT_EQ(store.Columns(), c.Expected);
    EXPECT_FALSE(store.ParserLeft());
  }
}

TEST(IndexFieldNames, Errors) {
  SortStore store;
  const char* invalid = "Invalid IndexFieldNames format!";
  const TextCase cases[] = {
      {u"Name DESC ASC", invalid},
      {u"Name CIS BIN", invalid},
      {u"Name Id", invalid},
      {u"Name DESC Up", invalid},
      {u"Name 1", invalid},
      {u"Name = Id", invalid},
      {u"Name.Id", invalid},
      {u"Like", invalid},
      {u"(Name)", invalid},
      {u"Nope", "Field Nope not found"},
      {u"'Nope'", "Field Nope not found"},
      {u"[No pe]", "Field No pe not found"},
      {u"''", "Field '' not found"},
      {u"\"", "Field \" not found"},
      {u"Name \x01", "Parser: The unknown symbol $0001  '\x01'"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Text));
    EXPECT_EQ(ExceptionMessage([&] { store.Parse(c.Text); }), c.Expected);
    EXPECT_FALSE(store.ParserLeft());
  }
}

TEST(IndexFieldNames, ColumnsReadBeforeAFailureStay) {
  SortStore store;
  store.Parse(u"Id");
  EXPECT_THROW(store.Parse(u"Name; Id DESC ASC; Like"), Exception);
  EXPECT_EQ(store.Columns(), "Name ASC CS, Id DESC CS");
}

TEST(IndexFieldNames, ColumnsStartFromTheStoresDefaults) {
  class DescendingStore : public SortStore {
   public:
    void SetSortDefaults(TSortColumn& column) override {
      column.DescendingOrder = true;
      column.SortType = stCaseInsensitive;
    }
  } store;
  store.Parse(u"Name; Id ASC; [Order Date] CS");
  EXPECT_EQ(store.Columns(), "Name DESC CIS, Id ASC CIS, Order Date DESC CS");
}

}  // namespace
