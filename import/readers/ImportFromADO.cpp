#include "import/readers/ImportFromADO.h"

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "import/readers/ImportFromOLE.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Automation.h"

namespace {

TDataLinkDialog& Dialog() {
  static TDataLinkDialog dialog;
  return dialog;
}

}  // namespace

void SetDataLinkDialog(TDataLinkDialog dialog) { Dialog() = std::move(dialog); }

String PromptDataSource(void* parentWindow, const String& initialString) {
  String chosen = initialString;
  if (Dialog() && Dialog()(parentWindow, chosen)) return chosen;
  return initialString;
}

void GetADOTables(std::vector<String>& list, const String& connectionString, bool includeSystemTables) {
  if (connectionString.empty())
    throw ESMIInvalidPropertyException(Format(strPropertyError, {String(u"ConnectionString")}));
  list.clear();
  Variant connection, recordset;
  LoadADO(connection, recordset, connectionString, String());
  try {
    if (!VarIsClear(connection) && !connection.IsNull()) {
      const Variant schema = OleCall(connection, u"OpenSchema", {adSchemaTables});
      const Variant fields = OleGet(schema, u"Fields");
      const Variant nameField = OleCall(fields, u"Item", {String(u"TABLE_NAME")});
      const Variant typeField = OleCall(fields, u"Item", {String(u"TABLE_TYPE")});
      while (!OleGet(schema, u"EOF").AsBoolean()) {
        const String type = VarToStr(OleGet(typeField, u"Value"));
        if (type == u"TABLE" || type == u"VIEW" || (includeSystemTables && type == u"SYSTEM TABLE"))
          list.push_back(VarToStr(OleGet(nameField, u"Value")));
        OleCall(schema, u"MoveNext");
      }
    }
  } catch (const Exception&) {
    // The list holds what was read before the failure.
  }
  UnLoadADO(connection, recordset);
}
