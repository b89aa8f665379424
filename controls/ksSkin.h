// The skin unit on the Qt side: fonts of the skin applied to Qt fonts and
// widgets, the process's default fonts, the ribbon and form skins, the base
// forms with their skin hooks, the Slovene texts of the grid and editors,
// and the grid-mode registry's view operations.
#pragma once

#include <QFont>
#include <QWidget>
#include <functional>
#include <memory>

#include "controls/core/ksSkinDefaults.h"

class QPainter;
class QRect;
class TcxGridDBTableView;

// A skin font as a Qt font: family, point size, bold/italic/underline/
// strike-out, fixed pitch and antialiasing from the quality.
void ApplyFont(QFont& target, const TksFont& font);
TksFont FontFromQFont(const QFont& font);
// ConfigureFont on a Qt font; nothing for an absent one.
void ConfigureFont(const TksSkinDefaults& defaults, QFont* font, TksSkinFontGroup group);
void ConfigureControl(const TksSkinDefaults& defaults, QWidget* control, TksSkinFontGroup group);
void ConfigureControlFont(const TksSkinDefaults& defaults, QWidget* control, QFont* font, TksSkinFontGroup group);
// The screen's font height for the size (at the primary screen's pixels
// per inch; 96 without a screen).
int FontHeightFromSize(int size);

// Initializes the record for the scheme the library's forms use, then sets
// the process's default font and the menu, hint and message fonts from it.
// The caption font of windows is the window manager's and is left to it.
void ConfigureDefFontData(TksSkinDefaults& defaults);

// The ribbon skins' own part colours; any other part is the base skin's,
// which has no colour of its own here (clNone).
inline constexpr int rfspRibbonForm = 10018;
inline constexpr int rspRibbonBackground = 10065;
inline constexpr int rspRibbonBottomEdge = 10066;
inline constexpr int rspFormCaptionText = 10130;
inline constexpr int rspDocumentNameText = 10131;
inline constexpr int rspTabHeaderText = 10132;
inline constexpr int rspTabGroupText = 10133;
inline constexpr int rspTabGroupHeaderText = 10134;
inline constexpr int rspStatusBarText = 10138;

class TdxBlackRibbonSkin {
 public:
  virtual ~TdxBlackRibbonSkin() = default;
  virtual TColor GetPartColor(int part, int state) const;
};

class TksRibbonSkin : public TdxBlackRibbonSkin {
 public:
  TColor GetPartColor(int part, int state) const override;
  void DrawRibbonBottomBorder(QPainter& painter, const QRect& rect) const;
};

class TksFormSkin : public TksRibbonSkin {
 public:
  TColor GetPartColor(int part, int state) const override;
};

// What a form or control that follows the skin does when it changes.
class IksSkinSupport {
 public:
  virtual ~IksSkinSupport() = default;
  virtual void ApplySkinModifications(const TksSkinInfo& skinInfo) = 0;
};

class TksBaseForm;
class TksBaseFormSkinned;
// Set by the skin manager: called with each new base form, and with a
// skinned base form when it is shown.
extern std::function<void(TksBaseForm* form)> USkinAddSpecialControl;
extern std::function<void(TksBaseFormSkinned* form)> USkinAdjust;

class TksBaseForm : public QWidget {
  Q_OBJECT

 public:
  explicit TksBaseForm(QWidget* owner = nullptr);
};

class TksBaseFormSkinned : public TksBaseForm, public IksSkinSupport {
  Q_OBJECT

 public:
  explicit TksBaseFormSkinned(QWidget* owner = nullptr);
  void ApplySkinModifications(const TksSkinInfo&) override {}
  bool DefaultSkinAdjusted() const { return FDefaultSkinAdjusted; }
  // Fired when the form is shown, before the skin adjusts it.
  std::function<void(TksBaseFormSkinned* sender)> OnShow;

 protected:
  void showEvent(QShowEvent* event) override;
  virtual void DoShow();

 private:
  bool FDefaultSkinAdjusted = false;
};

// Registers the control with the edit style controller through the skin
// manager; the labels keep their own look.
void SetDefaultStyle(QWidget* control);
void SetDefaultLabelStyle(QWidget* label);

// The view's entry in the grid-mode registry: the name of the form that
// owns the view, a full stop, the view's name; empty when the view has no
// owner (its grid stands alone).
String GridModeEntry(const TcxGridDBTableView* view);
bool GetGridMode(const TcxGridDBTableView* view);
// Only for a view that has an owner.
void SetGridMode(const TcxGridDBTableView* view, bool on);
// Registers the view when its data controller runs in grid mode.
void SaveGridModeSetting(const TcxGridDBTableView* view);

// The Slovene texts of the grid and its editors replace the built-in ones.
void InitDXResourceStrings();

extern std::unique_ptr<TksRibbonSkin> ksRibbonSkin;
extern std::unique_ptr<TksFormSkin> ksFormSkin;

// The skin unit's start-up and its finalization.
void SkinUnitInitialize();
void SkinUnitFinalize();
