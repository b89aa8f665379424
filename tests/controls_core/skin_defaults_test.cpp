#include "controls/core/ksSkinDefaults.h"

#include <gtest/gtest.h>

#include "tests/support/exception_message.h"

TEST(SkinDefaults, FontHeightFromSize) {
  struct Case {
    int Size, Ppi, Height;
  };
  for (const Case& c : {Case{9, 96, -12}, Case{9, 120, -15}, Case{12, 144, -24}, Case{10, 96, -13},
                        Case{11, 96, -14}, Case{0, 96, 0}}) {
    SCOPED_TRACE(testing::Message() << c.Size << "pt at " << c.Ppi);
    EXPECT_EQ(FontHeightFromSize(c.Size, c.Ppi), c.Height);
  }
}

TEST(SkinDefaults, InitializeFillsTheSchemeColoursAndKeepsTheLastFormButtons) {
  struct Case {
    TksSkinScheme Scheme;
    TColor Lookup, Selected;
  };
  for (const Case& c : {Case{scsUnknown, 0x60D0FE, 0xBBE9FF}, Case{scsQZ, 0x60D0FE, 0xBBE9FF},
                        Case{scsLX, 0x60D0FE, 0xBBE9FF}, Case{scsJB, 0x37AC79, 0xCEE9DE},
                        Case{scsMW, 0x2082F5, 0xBDD8FF}}) {
    SCOPED_TRACE(static_cast<int>(c.Scheme));
    TksSkinDefaults d;
    d.FLastFormButtons.FParentHeight = 77;
    d.Initialize(c.Scheme);
    EXPECT_EQ(d.FSkinScheme, c.Scheme);
    EXPECT_EQ(d.FColorSurfaceBackground, 0xE6E4E3u);
    EXPECT_EQ(d.FColorLookupHeader, c.Lookup);
    EXPECT_EQ(d.FColorGridRowSelected, c.Selected);
    EXPECT_EQ(d.FLastFormButtons.FParentHeight, 77);
    EXPECT_EQ(d.FFontName, u"Calibri");
    EXPECT_EQ(d.FFontSizeEdit, 9);
    EXPECT_EQ(d.FFontQuality, fqClearType);
    EXPECT_TRUE(d.FFormButtons.FIsInitialized);
    EXPECT_EQ(d.FFormButtons.FParentHeight, 28);
    EXPECT_EQ(d.FControlsPaint.FColorRequiredAsterisk, 0x0000CDu);
  }
}

TEST(SkinDefaults, ConfigureFontByGroup) {
  TksSkinDefaults d;
  d.Initialize(scsQZ);
  d.FFontNameHeader = u"Head";
  d.FFontNameEdit = u"Edit";
  d.FFontNameCaption = u"Cap";
  const TksFontStyle italic{false, true, false, false};
  struct Case {
    TksSkinFontGroup Group;
    const char16_t* Name;
    int Size;
    TksFontStyle Style;
    TksFontQuality Quality;
  };
  for (const Case& c : {
           Case{sfgNormal, u"Calibri", 9, italic, fqClearType},
           Case{sfgLabel, u"Calibri", 9, italic, fqClearType},
           Case{sfgButton, u"Calibri", 9, italic, fqAntialiased},
           Case{sfgHeader, u"Head", 12, fsBoldOnly, fqClearType},
           Case{sfgHeaderSub, u"Calibri", 9, fsBoldOnly, fqClearType},
           Case{sfgEdit, u"Edit", 9, italic, fqClearType},
           Case{sfgCaption, u"Cap", 9, italic, fqClearType},
           Case{sfgCaptionMain, u"Cap", 10, fsBoldOnly, fqClearType},
           Case{sfgMenu, u"Calibri", 10, italic, fqDefault},
       }) {
    SCOPED_TRACE(static_cast<int>(c.Group));
    TksFont font{u"Arial", 20, italic, fpFixed, fqDraft};
    d.ConfigureFont(&font, c.Group);
    EXPECT_EQ(font.Name, c.Name);
    EXPECT_EQ(font.Size, c.Size);
    EXPECT_EQ(font.Style, c.Style);
    EXPECT_EQ(font.Pitch, fpDefault);
    EXPECT_EQ(font.Quality, c.Quality);
  }
  d.ConfigureFont(nullptr, sfgNormal);  // an absent font is skipped
}

TEST(SkinDefaults, DefaultFontDataAndFormButtons) {
  TksSkinDefaults d;
  const TksDefFontData data = DefFontDataFor(d, 96);
  EXPECT_EQ(d.FSkinScheme, scsQZ);
  EXPECT_EQ(data.Name, u"Calibri");
  EXPECT_EQ(data.Height, -12);
  EXPECT_EQ(data.Charset, 1);
  EXPECT_EQ(data.Quality, fqClearType);

  TksSkinFormButtonsData touch;
  d.FormButtons(fssTouch, touch);
  EXPECT_EQ(touch.FParentHeight, 56);
  EXPECT_EQ(touch.FSmallWidth, 50);
  EXPECT_EQ(touch.FDistanceRight, 13);
  EXPECT_EQ(touch.FDistanceBetween, 3);
  EXPECT_EQ(d.FLastFormButtons.FSmallHeight, 50);

  TksSkinControlsPaint paint;
  paint.Initialize();
  paint.Clear();
  EXPECT_EQ(paint.FColorNormal, clNone);
  EXPECT_EQ(paint.FColorRequired, clNone);
  EXPECT_EQ(paint.FColorRequiredAsterisk, 0x0000CDu);
}

TEST(SkinCustomColors, TablesAndTheirRangeError) {
  TksSkinCustomColors colors;
  colors.Initialize();
  ASSERT_EQ(colors.FAllColors.size(), 24u);
  EXPECT_EQ(colors.AllColors(0), 0xDA7C5Cu);
  EXPECT_EQ(colors.AllColors(17), 0x67CEF1u);
  EXPECT_EQ(colors.AllColors(18), 0x144CD1u);
  EXPECT_EQ(colors.AllColors(23), 0x6DBE44u);
  EXPECT_EQ(TksSkinCustomColors::GraphColors(17), 0x67CEF1u);
  EXPECT_EQ(TksSkinCustomColors::CounterColor(2), 0x0EBEA6u);
  EXPECT_EQ(TksSkinCustomColors::CounterXColor(0), 0x235CF1u);
  const String range = u"Color Index out of range!";
  ExpectError([&] { colors.AllColors(24); }, range);
  ExpectError([&] { colors.AllColors(-1); }, range);
  ExpectError([] { TksSkinCustomColors::GraphColors(18); }, range);
  ExpectError([] { TksSkinCustomColors::CounterColor(-1); }, range);
  ExpectError([] { TksSkinCustomColors::CounterXColor(3); }, range);
}

TEST(SkinCustomColors, ColourChooserItems) {
  const auto items = CustomColorItems();
  ASSERT_EQ(items.size(), 24u);
  EXPECT_EQ(items[0].Description, u"KS Color 1");
  EXPECT_EQ(items[0].Color, 0x144CD1u);
  EXPECT_EQ(items[3].Description, u"QuorzelX Color 1");
  EXPECT_EQ(items[5].Description, u"QuorzelX Color 3");
  EXPECT_EQ(items[6].Description, u"QuorzelX Color 4");
  EXPECT_EQ(items[6].Color, 0xDA7C5Cu);
  EXPECT_EQ(items[23].Description, u"QuorzelX Color 21");
}

TEST(SkinUnit, PaletteRowStylesControllersAndGridModeRegistry) {
  AssignSkinPalette();
  EXPECT_EQ(KSCLR_BACKMAIN, 0xE6E1D7u);
  EXPECT_EQ(KSCLR_MENU, 0xAA9A89u);
  EXPECT_EQ(KSCLR_BTNDISABLED2, 0xFFFFFFu);
  InitRowStyles();
  EXPECT_EQ(oddStyle->Color, 0xF0F0F0u);
  EXPECT_EQ(evenStyle->Color, clNone);
  InitEditStyleController();
  EXPECT_EQ(ksEditStyleController->Color, 0xEFEAE6u);
  EXPECT_EQ(ksEditStyleController->FocusedColor, 0xDAECEFu);
  EXPECT_EQ(ksEditStyleController->BorderStyle, ebs3D);
  EXPECT_EQ(ksLabelStyleController->BorderStyle, ebsNone);
  EXPECT_EQ(ksLabelStyleController->LookAndFeelKind, lfUltraFlat);
  oddStyle.reset();
  evenStyle.reset();
  ksEditStyleController.reset();
  ksLabelStyleController.reset();

  TdummyObj registry;
  registry.Add(u"Form1.View2");
  registry.Add(u"Form1.View1");
  registry.Add(u"Form1.View2");
  EXPECT_EQ(registry.GridModeGrids(), (std::set<String>{u"Form1.View1", u"Form1.View2"}));
  registry.Delete(u"Form1.View1");
  EXPECT_FALSE(registry.Contains(u"Form1.View1"));
}
