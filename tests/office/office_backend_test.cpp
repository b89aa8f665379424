// The office suite driven through the automation layer: LibreOffice
// headless behind "com.sun.star.ServiceManager". These tests start the
// suite, so they live in their own program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/rtl/Strings.h"
#include "platform/win/Automation.h"
#include "platform/win/OfficeAutomation.h"

namespace {

std::filesystem::path Folder(const std::string& name) {
  auto folder = std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

Variant PropertyValue(const Variant& manager, const String& name, const Variant& value) {
  Variant property = OleCall(manager, u"Bridge_GetStruct", {u"com.sun.star.beans.PropertyValue"});
  OlePut(property, u"Name", name);
  OlePut(property, u"Value", value);
  return property;
}

TEST(OfficeBackend, LoadsADocumentAndHandsBackItsObjects) {
  if (!OpenOfficeIsInstalled()) GTEST_SKIP() << "LibreOffice or python3-uno is not installed";
  const auto folder = Folder("office_backend \u010D");
  const auto source = folder / "in put.html";
  std::ofstream(source) << "<html><body><p>First</p><table><tr><td>a1</td><td>b1</td></tr>"
                           "<tr><td>a2</td><td>\xC5\xBE</td></tr></table></body></html>";

  Variant manager = CreateOleObject(OpenOfficeProgID);
  EXPECT_EQ(GetActiveOleObject(OpenOfficeProgID).VarType(), varDispatch);
  Variant desktop = OleCall(manager, u"CreateInstance", {u"com.sun.star.frame.Desktop"});
  Variant document = OleCall(desktop, u"LoadComponentFromURL",
                             {FileNameToURL(Utf8ToString(source.string())), u"_blank", 0,
                              Variant::ArrayOf({PropertyValue(manager, u"Hidden", true)})});
  Variant tables = OleGet(document, u"GetTextTables");
  ASSERT_EQ(OleGet(tables, u"Count").AsInteger(), 1);
  Variant table = OleCall(tables, u"GetByIndex", {0});
  EXPECT_EQ(OleGet(OleCall(table, u"GetCellByPosition", {1, 1}), u"String").AsString(), u"\u017E");
  EXPECT_EQ(OleGet(OleCall(table, u"GetCellByName", {u"A1"}), u"String").AsString(), u"a1");

  // A member the object lacks is the server's error, and the session goes on.
  EXPECT_THROW(OleCall(document, u"NoSuchMember"), EOleException);
  EXPECT_EQ(OleGet(OleGet(document, u"Text"), u"String").AsString().substr(0, 5), u"First");

  OleCall(document, u"Close", {true});
  OleCall(desktop, u"Terminate");
  EXPECT_THROW(GetActiveOleObject(OpenOfficeProgID), EOleSysError);
  std::filesystem::remove_all(folder);
}

}  // namespace
