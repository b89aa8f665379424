// The look every control of the library starts with: the skin defaults
// (scheme colours, font names, sizes and styles, control heights), the
// custom colour tables, the palette, the grid row styles, the edit style
// controllers and the grid-mode registry. Fonts are plain values here; the
// Qt side applies them to widgets.
#pragma once

#include <memory>
#include <set>
#include <vector>

#include "platform/rtl/Types.h"

using TColor = std::uint32_t;
// The colour value that means "no colour of its own".
inline constexpr TColor clNone = 0x1FFFFFFF;

enum TksSkinScheme : Byte { scsUnknown, scsQZ, scsJB, scsMW, scsLX };

enum TksSkinFontGroup {
  sfgNormal,
  sfgLabel,
  sfgHeader,
  sfgHeaderSub,
  sfgEdit,
  sfgCaption,
  sfgCaptionMain,
  sfgButton,
  sfgMenu
};

enum TksSkinFormSizeState { fssNormal, fssTouch };

// Pixels between a control and its caption label.
inline constexpr int cDefaultEditLabelSpacing = 3;

enum TksFontPitch { fpDefault, fpVariable, fpFixed };
enum TksFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType, fqClearTypeNatural };

struct TksFontStyle {
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  bool operator==(const TksFontStyle&) const = default;
};
inline constexpr TksFontStyle fsNone{};
inline constexpr TksFontStyle fsBoldOnly{true, false, false, false};

// A font as the skin sets it up.
struct TksFont {
  String Name;
  int Size = 8;  // points
  TksFontStyle Style;
  TksFontPitch Pitch = fpDefault;
  TksFontQuality Quality = fqDefault;
  bool operator==(const TksFont&) const = default;
};

// The font height for a size on a screen of the given pixels per inch:
// minus size × ppi / 72, cut toward zero.
int FontHeightFromSize(int size, int pixelsPerInch);

struct TksSkinFormButtonsData {
  bool FIsInitialized = false;
  int FParentHeight = 0;
  int FSmallHeight = 0;
  int FSmallWidth = 0;
  int FTop = 0;
  int FDistanceRight = 0;
  int FDistanceBetween = 0;
  void Initialize(TksSkinFormSizeState state);
};

struct TksSkinControlsPaint {
  TColor FColorNormal = 0;
  TColor FColorRequired = 0;
  TColor FColorRequiredAsterisk = 0;
  void Initialize();
  // The normal and required colours become none; the asterisk stays.
  void Clear();
};

struct TksSkinDefaults {
  TColor FColorWidgetSurfaceBackground = 0;
  TColor FColorWidgetSurfaceBackgroundTo = 0;
  TksSkinScheme FSkinScheme = scsUnknown;
  TColor FColorSurfaceBackground = 0;
  TColor FColorBackgroundPanels = 0;
  TColor FColorLookupHeader = 0;
  TColor FColorGridHeaderFont = 0;
  TColor FColorGridRowSelected = 0;
  TColor FColorGridRowOdd = 0;
  TColor FColorGridRowEven = 0;
  TColor FColorGridRowFont = 0;
  TColor FColorRowGroup = 0;
  TColor FColorRowGroupData = 0;
  String FFontName;
  String FFontNameHeader;
  String FFontNameEdit;
  String FFontNameCaption;
  Byte FFontSize = 0;
  Byte FFontSizeMenu = 0;
  Byte FFontSizeHeader = 0;
  Byte FFontSizeEdit = 0;
  Byte FFontSizeCaption = 0;
  Byte FFontSizeCaptionMain = 0;
  TksFontStyle FFontStyle;
  TksFontStyle FFontStyleHeader;
  TksFontStyle FFontStyleEdit;
  TksFontStyle FFontStyleCaption;
  Byte FHeightControlEdit = 0;
  Byte FHeightControlButton = 0;
  int FDistanceLeftHeaderCaption = 0;
  TksFontQuality FFontQuality = fqDefault;
  TksFontPitch FFontPitch = fpDefault;
  TksSkinFormButtonsData FFormButtons;
  TksSkinFormButtonsData FLastFormButtons;
  TksSkinControlsPaint FControlsPaint;

  // Every field for the scheme; FLastFormButtons keeps its value.
  void Initialize(TksSkinScheme scheme);
  void Clear() { Initialize(scsUnknown); }
  // Applies the group's name, size and style, then the pitch and quality;
  // nothing for an absent font.
  void ConfigureFont(TksFont* font, TksSkinFontGroup group) const;
  // Initializes the data for the state and keeps a copy as the last one.
  void FormButtons(TksSkinFormSizeState state, TksSkinFormButtonsData& data);
};

// The font data every new font of the process starts from.
struct TksDefFontData {
  String Name;  // at most 31 characters, as a face name holds
  int Height = 0;
  Byte Charset = 1;  // the system default character set
  TksFontPitch Pitch = fpDefault;
  TksFontQuality Quality = fqDefault;
};
// The defaults for the scheme the library's own forms use, and the process
// default font data made from them for a screen of the pixels per inch.
TksDefFontData DefFontDataFor(TksSkinDefaults& defaults, int pixelsPerInch);

struct TksSkinInfo {
  bool FUseColorScheme = true;
  bool FEnabled = false;
  String FName;
  std::uintptr_t FResInstance = 0;
  const void* FPainterRef = nullptr;  // not owned
  bool GetEnabled() const { return FEnabled; }
  bool GetUseColorScheme() const { return FUseColorScheme; }
  void Clear();
};

struct TksSkinCustomColors {
  std::vector<TColor> FAllColors;
  static const std::vector<TColor> FGraphColors;
  static const std::vector<TColor> FCounterColors;
  static const std::vector<TColor> FCounterXColors;

  // The graph, counter and counter-X colours, 24 in all.
  void Initialize();
  void Finalize() { FAllColors.clear(); }
  // The colour at the index; "Color Index out of range!" outside the table.
  TColor AllColors(int index) const;
  static TColor GraphColors(int index);
  static TColor CounterColor(int index);
  static TColor CounterXColor(int index);
};

// The custom colour items a colour chooser offers: colour and description.
struct TksCustomColorItem {
  TColor Color;
  String Description;
};
std::vector<TksCustomColorItem> CustomColorItems();

// The palette of the skin unit, assigned at start-up.
extern TColor KSCLR_BACKMAIN, KSCLR_BACKBLUE, KSCLR_BORDERDARK, KSCLR_BACKGRAY, KSCLR_EDITBORDER1,
    KSCLR_EDITBORDER2, KSCLR_EDIT, KSCLR_GRIDHEADER, KSCLR_GRIDGRID, KSCLR_MENU, KSCLR_MAINFTOOLBAR1,
    KSCLR_MAINFTOOLBAR2, KSCLR_BTN1, KSCLR_BTN2, KSCLR_BTNHOT1, KSCLR_BTNHOT2, KSCLR_BTNPRESS1, KSCLR_BTNPRESS2,
    KSCLR_BTNBORDER, KSCLR_BTNDISABLED1, KSCLR_BTNDISABLED2;
void AssignSkinPalette();

// A grid row style: the background of the rows it is given to.
struct TcxStyle {
  TColor Color = clNone;
};

enum TcxEditBorderStyle { ebsNone, ebsSingle, ebsThick, ebsFlat, ebs3D, ebsUltraFlat, ebsOffice11 };
enum TcxEditButtonStyle { btsDefault, btsFlat, btsHotFlat, btsOffice11, btsSimple, btsUltraFlat };
enum TcxEditButtonTransparency { ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected };
enum TcxLookAndFeelKind { lfFlat, lfStandard, lfUltraFlat, lfOffice11 };

// The shared look of the editors registered with it.
struct TcxEditStyleController {
  TcxEditBorderStyle BorderStyle = ebsNone;
  TcxEditButtonStyle ButtonStyle = btsDefault;
  TcxEditButtonTransparency ButtonTransparency = ebtNone;
  TColor Color = clNone;
  TcxLookAndFeelKind LookAndFeelKind = lfStandard;
  bool NativeStyle = true;
  bool Shadow = false;
  TColor FocusedColor = clNone;
};

// Which grid views run in grid (server) mode: entries "Owner.View", sorted,
// each once.
class TdummyObj {
 public:
  bool Contains(const String& entry) const { return FGridModeGrids.count(entry) != 0; }
  void Add(const String& entry) { FGridModeGrids.insert(entry); }
  void Delete(const String& entry) { FGridModeGrids.erase(entry); }
  const std::set<String>& GridModeGrids() const { return FGridModeGrids; }

 private:
  std::set<String> FGridModeGrids;
};

// The process-wide records of the skin defaults unit.
extern TksSkinDefaults USkinDefaults;
extern TksSkinInfo USkinInfo;
extern TksSkinCustomColors USkinCustomColors;
extern bool UEnabledDefaultSkin;

// The objects the skin unit makes at start-up; none before or after.
extern std::unique_ptr<TcxStyle> oddStyle;
extern std::unique_ptr<TcxStyle> evenStyle;
extern std::unique_ptr<TcxEditStyleController> ksEditStyleController;
extern std::unique_ptr<TcxEditStyleController> ksLabelStyleController;
extern std::unique_ptr<TdummyObj> GridModeRegistry;

// The skin defaults unit.
void SkinDefaultsInitialize();
void SkinDefaultsFinalize();
// Steps of the skin unit's start-up that need no display.
void InitRowStyles();
void InitEditStyleController();
