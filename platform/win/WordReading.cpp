#include "platform/win/WordReading.h"

#include <functional>
#include <map>
#include <vector>

#include "platform/rtl/Strings.h"
#include "platform/win/OfficeAutomation.h"

namespace {

using TMember = std::function<Variant(const TOleArgs&)>;

// An object whose members are functions, matched without regard to case.
class TFacade : public TAutomationObject {
 public:
  explicit TFacade(const char* kind) : FKind(kind) {}
  const char* ClassName() const override { return "TWordFacade"; }
  void Add(const String& name, TMember member) { FMembers[LowerCase(name)] = std::move(member); }
  Variant Get(const String& name, const TOleArgs& args) override { return Call(name, args); }
  void Put(const String& name, const Variant&, const TOleArgs&) override {
    throw EOleSysError(u"Unknown name: " + StrFromAscii(FKind) + u"." + name);
  }
  Variant Call(const String& name, const TOleArgs& args) override {
    auto found = FMembers.find(LowerCase(name));
    if (found == FMembers.end()) throw EOleSysError(u"Unknown name: " + StrFromAscii(FKind) + u"." + name);
    return found->second(args);
  }

 private:
  const char* FKind;
  std::map<String, TMember> FMembers;
};

// A new object in a variant that holds its only reference.
Variant Hold(TFacade* facade) {
  Variant held = Variant::FromDispatch(facade);
  facade->Release();
  return held;
}

Integer IntArg(const TOleArgs& args, size_t index) {
  if (index >= args.size()) throw EOleException(u"Argument not optional");
  return args[index].AsInteger();
}

Variant MakeTable(const Variant& table) {
  auto* t = new TFacade("Table");
  Variant held = Hold(t);
  t->Add(u"Rows", [table](const TOleArgs&) {
    auto* rows = new TFacade("Rows");
    Variant result = Hold(rows);
    rows->Add(u"Count", [table](const TOleArgs&) { return OleCall(OleCall(table, u"GetRows"), u"GetCount"); });
    return result;
  });
  t->Add(u"Columns", [table](const TOleArgs&) {
    auto* columns = new TFacade("Columns");
    Variant result = Hold(columns);
    auto count = [table] { return OleCall(OleCall(table, u"GetColumns"), u"GetCount").AsInteger(); };
    columns->Add(u"Count", [count](const TOleArgs&) { return Variant(count()); });
    columns->Add(u"Item", [table, count](const TOleArgs& args) {
      const Integer n = IntArg(args, 0), total = count();
      if (n < 1 || n > total) throw EOleException(u"The requested member of the collection does not exist.");
      auto* column = new TFacade("Column");
      Variant held = Hold(column);
      column->Add(u"Width", [table, total](const TOleArgs&) {
        // Columns share the table's width (1/100 mm) evenly; in points.
        const double width = OleGet(table, u"Width").AsDouble();
        return Variant(width / total * 72.0 / 2540.0);
      });
      return held;
    });
    return result;
  });
  t->Add(u"Cell", [table](const TOleArgs& args) {
    const Integer row = IntArg(args, 0), column = IntArg(args, 1);
    if (row < 1 || column < 1) throw EOleException(u"The requested member of the collection does not exist.");
    const Variant cell = OleCall(table, u"GetCellByPosition", {column - 1, row - 1});
    auto* c = new TFacade("Cell");
    Variant held = Hold(c);
    c->Add(u"Range", [cell](const TOleArgs&) {
      auto* range = new TFacade("Range");
      Variant result = Hold(range);
      auto text = [cell](const TOleArgs&) { return Variant(VarToStr(OleCall(cell, u"GetString")) + u"\r\a"); };
      range->Add(u"Text", text);
      range->Add(u"FormattedText", text);
      return result;
    });
    return held;
  });
  return held;
}

Variant MakeDocument(const Variant& document) {
  auto* d = new TFacade("Document");
  Variant held = Hold(d);
  d->Add(u"Tables", [document](const TOleArgs&) {
    const Variant tables = OleCall(document, u"GetTextTables");
    auto* t = new TFacade("Tables");
    Variant result = Hold(t);
    t->Add(u"Count", [tables](const TOleArgs&) { return OleCall(tables, u"GetCount"); });
    t->Add(u"Item", [tables](const TOleArgs& args) {
      const Integer n = IntArg(args, 0);
      if (n < 1 || n > OleCall(tables, u"GetCount").AsInteger())
        throw EOleException(u"The requested member of the collection does not exist.");
      return MakeTable(OleCall(tables, u"GetByIndex", {n - 1}));
    });
    return result;
  });
  return held;
}

// The application: the office suite while it runs, and the documents it
// opened (the last one is the active document).
struct TWordState {
  Variant Office, Desktop;
  std::vector<Variant> Documents;
};

Variant MakeApplication() {
  auto state = std::make_shared<TWordState>();
  state->Office = CreateOleObject(OpenOfficeProgID);
  auto* app = new TFacade("Application");
  Variant held = Hold(app);
  app->Add(u"Documents", [state](const TOleArgs&) {
    auto* docs = new TFacade("Documents");
    Variant result = Hold(docs);
    docs->Add(u"Open", [state](const TOleArgs& args) {
      if (args.empty()) throw EOleException(u"Argument not optional");
      if (state->Desktop.IsEmpty())
        state->Desktop = OleCall(state->Office, u"CreateInstance", {u"com.sun.star.frame.Desktop"});
      Variant hidden = OleCall(state->Office, u"Bridge_GetStruct", {u"com.sun.star.beans.PropertyValue"});
      OlePut(hidden, u"Name", u"Hidden");
      OlePut(hidden, u"Value", true);
      Variant readOnly = OleCall(state->Office, u"Bridge_GetStruct", {u"com.sun.star.beans.PropertyValue"});
      OlePut(readOnly, u"Name", u"ReadOnly");
      OlePut(readOnly, u"Value", true);
      const Variant document = OleCall(state->Desktop, u"LoadComponentFromURL",
                                       {FileNameToURL(args[0].AsString()), u"_blank", 0,
                                        Variant::ArrayOf({hidden, readOnly})});
      if (document.IsNull() || document.IsEmpty())
        throw EOleException(u"The document could not be opened: " + args[0].AsString());
      state->Documents.push_back(document);
      return MakeDocument(document);
    });
    return result;
  });
  app->Add(u"ActiveDocument", [state](const TOleArgs&) {
    if (state->Documents.empty()) throw EOleException(u"This command is not available because no document is open.");
    return MakeDocument(state->Documents.back());
  });
  app->Add(u"Quit", [state](const TOleArgs&) {
    for (const Variant& document : state->Documents) {
      try {
        OleCall(document, u"Close", {true});
      } catch (const Exception&) {
        // A document that cannot close goes with the suite.
      }
    }
    state->Documents.clear();
    state->Desktop.Clear();
    state->Office.Clear();
    return Variant();
  });
  return held;
}

class TWordReadingServer : public IAutomationServer {
 public:
  Variant CreateObject() override { return MakeApplication(); }
};

}  // namespace

std::shared_ptr<IAutomationServer> CreateWordReadingServer() { return std::make_shared<TWordReadingServer>(); }
