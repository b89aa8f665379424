// The wizard's file preview, break editor and data preview without a display.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "import/ImportWizard.h"
#include "import/WizardPreview.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

// A text file that lives as long as the object.
struct TempText {
  String Path;
  explicit TempText(const std::string& text) {
    static int serial = 0;
    Path = u"/tmp/import_wizard_preview_" + IntToStr(::getpid()) + u"_" + IntToStr(++serial) + u".txt";
    std::ofstream(StringToUtf8(Path), std::ios::binary) << text;
  }
  ~TempText() { DeleteFile(Path); }
};

struct PreviewFixture {
  TSMIWizardDlg Wizard;
  TWizardFormState State;
  TWizardPreview Preview{State, &Wizard};

  explicit PreviewFixture(const String& fileName) {
    Wizard.SetTableType(teText);
    Wizard.SetSourceFileName(fileName);
    PropertiesToControls(Wizard, State);
  }
  std::vector<String> Row(Integer row) const {
    std::vector<String> cells;
    for (Integer c = 1; c < Preview.Grid.ColCount(); ++c) cells.push_back(Preview.Grid.Cell(c, row));
    return cells;
  }
};

}  // namespace

TEST(ImportWizardPreview, DelimitedLinesBecomeColumns) {
  TempText file("a;b;\r\nc;d;e\r\n");
  PreviewFixture f(file.Path);
  f.State.DelimiterIndex = diSemicolon;
  f.Preview.LoadFileToGrid();
  // The line that ends with the delimiter shows one more, empty, field.
  EXPECT_EQ(f.Row(0), (std::vector<String>{u"Field1", u"Field2", u"Field3"}));
  EXPECT_EQ(f.Row(2), (std::vector<String>{u"a", u"b", u""}));
  EXPECT_EQ(f.Row(3), (std::vector<String>{u"c", u"d", u"e"}));
  EXPECT_EQ(f.Preview.FieldList, (std::vector<String>{u"", u"Field1", u"Field2", u"Field3"}));
}

TEST(ImportWizardPreview, FixedWidthColumnsFollowTheBreaks) {
  TempText file("abcdefghijkl\r\n");
  PreviewFixture f(file.Path);
  f.State.Fixed = true;
  f.Preview.LoadFileToGrid();
  EXPECT_EQ(f.Row(0), std::vector<String>{u"Text1-2147483647"});
  EXPECT_EQ(f.Row(2), std::vector<String>{u"abcdefghijkl"});
  f.State.Breaks = {10, 5};
  f.Preview.LoadFileToGrid();
  EXPECT_EQ(f.Row(0), (std::vector<String>{u"Text1-5", u"Text6-10"}));
  EXPECT_EQ(f.Row(2), (std::vector<String>{u"abcde", u"fghij"}));
}

TEST(ImportWizardPreview, BreakEditorClicksAndDrags) {
  TWizardFormState state;
  TBreakEditor editor(state);
  editor.CharWidth = 10;
  editor.MouseDown(5, false);  // column 0 takes no break
  EXPECT_TRUE(state.Breaks.empty());
  editor.MouseDown(42, false);
  editor.MouseUp();
  EXPECT_EQ(state.Breaks, std::vector<Integer>{4});
  editor.MouseDown(40, false);
  editor.MouseMove(71);
  editor.MouseUp();
  EXPECT_EQ(state.Breaks, std::vector<Integer>{7});
  editor.MouseDown(70, true);
  EXPECT_TRUE(state.Breaks.empty());
  // A font without width divides nothing and adds nothing.
  editor.CharWidth = 0;
  EXPECT_EQ(editor.VisibleColumns(300), 0);
  editor.MouseDown(40, false);
  editor.MouseMove(80);
  EXPECT_TRUE(state.Breaks.empty());
}

TEST(ImportWizardPreview, ColumnsMapToFieldsAndShowInTheDataPreview) {
  TempText file("ID,NAME\r\n1, Ann \r\n2,Bob\r\n");
  PreviewFixture f(file.Path);
  f.State.DelimiterIndex = diComma;
  f.State.FirstRowText = u"2";
  f.State.TrimIndex = 3;
  f.State.Mappings.Add(u"ID=");
  f.State.Mappings.Add(u"NAME=");
  f.State.Mappings.Add(u"LABEL=");
  f.Preview.LoadFileToGrid();
  f.Preview.AutoMapColumns();
  EXPECT_EQ(f.State.Mappings.GetText(), u"ID=Field1\r\nNAME=Field2\r\nLABEL=\r\n");
  // Mapping a column elsewhere takes it from the field that had it.
  f.Preview.MapColumn(2, u"LABEL");
  EXPECT_EQ(f.State.Mappings.GetText(), u"ID=Field1\r\nNAME=\r\nLABEL=Field2\r\n");
  f.State.Mappings.Put(1, u"NAME=UPPER(Field2) + \"!\"");
  f.State.BuildListField(&f.Wizard);
  TPreviewGrid data;
  BuildPreviewGrid(f.State, f.Preview.Grid, data);
  ASSERT_EQ(data.ColCount(), 4);
  EXPECT_EQ(data.Cell(2, 0), u"NAME");
  // Columns are trimmed, expressions shown as they evaluate.
  EXPECT_EQ(data.Cell(3, 1), u"Ann");
  EXPECT_EQ(data.Cell(2, 1), u" ANN !");
  EXPECT_EQ(data.Cell(1, 2), u"2");
  EXPECT_EQ(data.Cell(0, 2), u"2");
}
