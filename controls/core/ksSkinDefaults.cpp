#include "controls/core/ksSkinDefaults.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

TksSkinDefaults USkinDefaults;
TksSkinInfo USkinInfo;
TksSkinCustomColors USkinCustomColors;
bool UEnabledDefaultSkin = false;

std::unique_ptr<TcxStyle> oddStyle;
std::unique_ptr<TcxStyle> evenStyle;
std::unique_ptr<TcxEditStyleController> ksEditStyleController;
std::unique_ptr<TcxEditStyleController> ksLabelStyleController;
std::unique_ptr<TdummyObj> GridModeRegistry;

TColor KSCLR_BACKMAIN, KSCLR_BACKBLUE, KSCLR_BORDERDARK, KSCLR_BACKGRAY, KSCLR_EDITBORDER1, KSCLR_EDITBORDER2,
    KSCLR_EDIT, KSCLR_GRIDHEADER, KSCLR_GRIDGRID, KSCLR_MENU, KSCLR_MAINFTOOLBAR1, KSCLR_MAINFTOOLBAR2, KSCLR_BTN1,
    KSCLR_BTN2, KSCLR_BTNHOT1, KSCLR_BTNHOT2, KSCLR_BTNPRESS1, KSCLR_BTNPRESS2, KSCLR_BTNBORDER,
    KSCLR_BTNDISABLED1, KSCLR_BTNDISABLED2;

int FontHeightFromSize(int size, int pixelsPerInch) {
  // Integer division cuts toward zero, as the height is defined.
  return -(size * pixelsPerInch / 72);
}

void TksSkinFormButtonsData::Initialize(TksSkinFormSizeState state) {
  if (state == fssTouch) {
    FParentHeight = 56;
    FSmallHeight = 50;
    FSmallWidth = 50;
    FDistanceRight = 13;
  } else {
    FParentHeight = 28;
    FSmallHeight = 15;
    FSmallWidth = 15;
    FDistanceRight = 3;
  }
  FDistanceBetween = 3;
  FTop = 3;
  FIsInitialized = true;
}

void TksSkinControlsPaint::Initialize() {
  FColorNormal = 0x008000;
  FColorRequired = 0x000099;
  FColorRequiredAsterisk = 0x0000CD;
}

void TksSkinControlsPaint::Clear() {
  FColorNormal = clNone;
  FColorRequired = clNone;
}

void TksSkinDefaults::Initialize(TksSkinScheme scheme) {
  FColorWidgetSurfaceBackground = 0xE7E5E3;
  FColorWidgetSurfaceBackgroundTo = 0xCAC5C1;
  FSkinScheme = scheme;
  FColorSurfaceBackground = 0xE6E4E3;
  FColorBackgroundPanels = 0xFFFFFF;
  switch (scheme) {
    case scsJB:
      FColorLookupHeader = 0x37AC79;
      FColorGridRowSelected = 0xCEE9DE;
      break;
    case scsMW:
      FColorLookupHeader = 0x2082F5;
      FColorGridRowSelected = 0xBDD8FF;
      break;
    default:
      FColorLookupHeader = 0x60D0FE;
      FColorGridRowSelected = 0xBBE9FF;
      break;
  }
  FColorGridHeaderFont = 0x000000;
  FColorGridRowOdd = 0xF4F2F0;
  FColorGridRowEven = 0xE6E4E3;
  FColorGridRowFont = 0x000000;
  FColorRowGroup = 0xFFFFFF;
  FColorRowGroupData = 0xD6D0C9;
  FFontName = u"Calibri";
  FFontNameHeader = FFontName;
  FFontNameEdit = FFontName;
  FFontNameCaption = FFontName;
  FFontSize = 9;
  FFontSizeMenu = 10;
  FFontSizeHeader = 12;
  FFontSizeEdit = FFontSize;
  FFontSizeCaption = FFontSize;
  FFontSizeCaptionMain = 10;
  FFontStyle = fsNone;
  FFontStyleHeader = fsBoldOnly;
  FFontStyleEdit = fsNone;
  FFontStyleCaption = fsBoldOnly;
  FHeightControlEdit = 24;
  FHeightControlButton = 24;
  FDistanceLeftHeaderCaption = 8;
  FFontQuality = fqClearType;
  FFontPitch = fpDefault;
  FFormButtons.Initialize(fssNormal);
  FControlsPaint.Initialize();
}

void TksSkinDefaults::ConfigureFont(TksFont* font, TksSkinFontGroup group) const {
  if (font == nullptr) return;
  switch (group) {
    case sfgHeader:
      font->Name = FFontNameHeader;
      font->Size = FFontSizeHeader;
      font->Style = FFontStyleHeader;
      break;
    case sfgHeaderSub:
      font->Name = FFontName;
      font->Size = FFontSize;
      font->Style = FFontStyleHeader;
      break;
    case sfgEdit:
      font->Name = FFontNameEdit;
      font->Size = FFontSizeEdit;
      break;
    case sfgCaption:
      font->Name = FFontNameCaption;
      font->Size = FFontSizeCaption;
      break;
    case sfgCaptionMain:
      font->Name = FFontNameCaption;
      font->Size = FFontSizeCaptionMain;
      font->Style = FFontStyleHeader;
      break;
    case sfgMenu:
      font->Name = FFontName;
      font->Size = FFontSizeMenu;
      break;
    case sfgNormal:
    case sfgLabel:
    case sfgButton:
      font->Name = FFontName;
      font->Size = FFontSize;
      break;
  }
  font->Pitch = FFontPitch;
  if (group == sfgButton) {
    font->Quality = fqAntialiased;
  } else if (group == sfgMenu) {
    font->Quality = fqDefault;
  } else {
    font->Quality = FFontQuality;
  }
}

void TksSkinDefaults::FormButtons(TksSkinFormSizeState state, TksSkinFormButtonsData& data) {
  data.Initialize(state);
  FLastFormButtons = data;
}

TksDefFontData DefFontDataFor(TksSkinDefaults& defaults, int pixelsPerInch) {
  constexpr size_t FaceNameCapacity = 31;
  defaults.Initialize(scsQZ);
  TksDefFontData data;
  data.Name = defaults.FFontName.substr(0, FaceNameCapacity);
  data.Height = FontHeightFromSize(defaults.FFontSize, pixelsPerInch);
  data.Pitch = defaults.FFontPitch;
  data.Quality = defaults.FFontQuality;
  return data;
}

void TksSkinInfo::Clear() {
  FEnabled = false;
  FUseColorScheme = true;
  FName.clear();
  FResInstance = 0;
  FPainterRef = nullptr;
}

const std::vector<TColor> TksSkinCustomColors::FGraphColors = {
    0xDA7C5C, 0x2FC27F, 0xBE5F87, 0x00CFE7, 0x02622D, 0x00ADE7, 0xE39C84, 0x62D19E, 0xCE86A4,
    0x3EDBED, 0x5B58DE, 0x3EC1ED, 0xE9B19E, 0x83DBB3, 0xD8A0B7, 0x67E2F1, 0x7E7BE5, 0x67CEF1};
const std::vector<TColor> TksSkinCustomColors::FCounterColors = {0x144CD1, 0x53D8E0, 0x0EBEA6};
const std::vector<TColor> TksSkinCustomColors::FCounterXColors = {0x235CF1, 0xADB6B6, 0x6DBE44};

namespace {

TColor ColorAt(const std::vector<TColor>& table, int index) {
  if (index < 0 || static_cast<size_t>(index) >= table.size()) throw Exception(u"Color Index out of range!");
  return table[static_cast<size_t>(index)];
}

}  // namespace

void TksSkinCustomColors::Initialize() {
  FAllColors = FGraphColors;
  FAllColors.insert(FAllColors.end(), FCounterColors.begin(), FCounterColors.end());
  FAllColors.insert(FAllColors.end(), FCounterXColors.begin(), FCounterXColors.end());
}

TColor TksSkinCustomColors::AllColors(int index) const { return ColorAt(FAllColors, index); }
TColor TksSkinCustomColors::GraphColors(int index) { return ColorAt(FGraphColors, index); }
TColor TksSkinCustomColors::CounterColor(int index) { return ColorAt(FCounterColors, index); }
TColor TksSkinCustomColors::CounterXColor(int index) { return ColorAt(FCounterXColors, index); }

std::vector<TksCustomColorItem> CustomColorItems() {
  constexpr char16_t KSColorCaption[] = u"KS Color";
  constexpr char16_t XColorCaption[] = u"QuorzelX Color";
  std::vector<TksCustomColorItem> items;
  auto add = [&](const std::vector<TColor>& colors, const char16_t* caption, int firstNumber) {
    int number = firstNumber;
    for (TColor c : colors) items.push_back({c, String(caption) + u" " + IntToStr(number++)});
  };
  add(TksSkinCustomColors::FCounterColors, KSColorCaption, 1);
  add(TksSkinCustomColors::FCounterXColors, XColorCaption, 1);
  add(TksSkinCustomColors::FGraphColors, XColorCaption, 4);
  return items;
}

void AssignSkinPalette() {
  KSCLR_BACKMAIN = 0xE6E1D7;
  KSCLR_BACKBLUE = 0xBEAF9D;
  KSCLR_BORDERDARK = 0xA09482;
  KSCLR_BACKGRAY = 0xD8CDC3;
  KSCLR_EDITBORDER1 = 0xA5A09B;
  KSCLR_EDITBORDER2 = 0xFFFFFF;
  KSCLR_EDIT = 0xEFEAE6;
  KSCLR_GRIDHEADER = 0xC7C7C7;
  KSCLR_GRIDGRID = 0xF0F0F0;
  KSCLR_MENU = 0xAA9A89;
  KSCLR_MAINFTOOLBAR1 = 0xD8D8D8;
  KSCLR_MAINFTOOLBAR2 = 0xB5B5B5;
  KSCLR_BTN1 = 0xFFFFFF;
  KSCLR_BTN2 = 0xC0C0C0;
  KSCLR_BTNHOT1 = 0xC0C0C0;
  KSCLR_BTNHOT2 = 0xC4EEF7;
  KSCLR_BTNPRESS1 = 0xF5D8CA;
  KSCLR_BTNPRESS2 = 0xF9BDA0;
  KSCLR_BTNBORDER = 0x000000;
  KSCLR_BTNDISABLED1 = 0xC0C0C0;
  KSCLR_BTNDISABLED2 = 0xFFFFFF;
}

void InitRowStyles() {
  oddStyle = std::make_unique<TcxStyle>();
  oddStyle->Color = 0xF0F0F0;
  evenStyle = std::make_unique<TcxStyle>();
}

void InitEditStyleController() {
  ksEditStyleController = std::make_unique<TcxEditStyleController>();
  TcxEditStyleController& edit = *ksEditStyleController;
  edit.BorderStyle = ebs3D;
  edit.ButtonStyle = btsSimple;
  edit.ButtonTransparency = ebtAlways;
  edit.Color = 0xEFEAE6;
  edit.LookAndFeelKind = lfFlat;
  edit.NativeStyle = false;
  edit.Shadow = false;
  edit.FocusedColor = 0xDAECEF;
  ksLabelStyleController = std::make_unique<TcxEditStyleController>();
  TcxEditStyleController& label = *ksLabelStyleController;
  label.BorderStyle = ebsNone;
  label.LookAndFeelKind = lfUltraFlat;
  label.NativeStyle = false;
  label.Shadow = false;
}

void SkinDefaultsInitialize() {
  USkinDefaults.Clear();
  USkinInfo.Clear();
  USkinCustomColors.Initialize();
}

void SkinDefaultsFinalize() {
  USkinDefaults = TksSkinDefaults();
  USkinInfo = TksSkinInfo();
  USkinCustomColors.Finalize();
}
