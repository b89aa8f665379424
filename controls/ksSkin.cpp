#include "controls/ksSkin.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QToolTip>

#include "platform/gui/GridDataController.h"
#include "platform/gui/GridView.h"
#include "platform/gui/QtStrings.h"
#include "platform/gui/ResourceStrings.h"

std::function<void(TksBaseForm*)> USkinAddSpecialControl;
std::function<void(TksBaseFormSkinned*)> USkinAdjust;
std::unique_ptr<TksRibbonSkin> ksRibbonSkin;
std::unique_ptr<TksFormSkin> ksFormSkin;

// ---------------------------------------------------------------------------
// Fonts

void ApplyFont(QFont& target, const TksFont& font) {
  target.setFamily(ToQString(font.Name));
  if (font.Size > 0) target.setPointSize(font.Size);
  target.setBold(font.Style.Bold);
  target.setItalic(font.Style.Italic);
  target.setUnderline(font.Style.Underline);
  target.setStrikeOut(font.Style.StrikeOut);
  target.setFixedPitch(font.Pitch == fpFixed);
  switch (font.Quality) {
    case fqNonAntialiased:
    case fqDraft:
      target.setStyleStrategy(QFont::NoAntialias);
      break;
    case fqAntialiased:
    case fqClearType:
    case fqClearTypeNatural:
      target.setStyleStrategy(QFont::PreferAntialias);
      break;
    default:
      target.setStyleStrategy(QFont::PreferDefault);
      break;
  }
}

TksFont FontFromQFont(const QFont& font) {
  TksFont result;
  result.Name = FromQString(font.family());
  result.Size = font.pointSize();
  result.Style = {font.bold(), font.italic(), font.underline(), font.strikeOut()};
  result.Pitch = font.fixedPitch() ? fpFixed : fpDefault;
  const QFont::StyleStrategy strategy = font.styleStrategy();
  if (strategy & QFont::NoAntialias) {
    result.Quality = fqNonAntialiased;
  } else if (strategy & QFont::PreferAntialias) {
    result.Quality = fqClearType;
  }
  return result;
}

void ConfigureFont(const TksSkinDefaults& defaults, QFont* font, TksSkinFontGroup group) {
  if (font == nullptr) return;
  TksFont skinFont = FontFromQFont(*font);
  defaults.ConfigureFont(&skinFont, group);
  ApplyFont(*font, skinFont);
}

void ConfigureControl(const TksSkinDefaults& defaults, QWidget* control, TksSkinFontGroup group) {
  if (control == nullptr) return;
  QFont font = control->font();
  ConfigureFont(defaults, &font, group);
  control->setFont(font);
}

void ConfigureControlFont(const TksSkinDefaults& defaults, QWidget* control, QFont* font, TksSkinFontGroup group) {
  ConfigureControl(defaults, control, group);
  ConfigureFont(defaults, font, group);
}

int FontHeightFromSize(int size) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int ppi = screen != nullptr ? static_cast<int>(screen->logicalDotsPerInchY()) : 96;
  return FontHeightFromSize(size, ppi);
}

void ConfigureDefFontData(TksSkinDefaults& defaults) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int ppi = screen != nullptr ? static_cast<int>(screen->logicalDotsPerInchY()) : 96;
  const TksDefFontData data = DefFontDataFor(defaults, ppi);
  // Calibri's metric twin stands in for it where Calibri is not installed.
  QFont::insertSubstitution(QStringLiteral("Calibri"), QStringLiteral("Carlito"));

  QFont base = QApplication::font();
  base.setFamily(ToQString(data.Name));
  base.setPixelSize(-data.Height);
  base.setFixedPitch(data.Pitch == fpFixed);
  QFont application = base;
  ConfigureFont(defaults, &application, sfgNormal);
  QApplication::setFont(application);
  QFont menu = base;
  ConfigureFont(defaults, &menu, sfgMenu);
  QApplication::setFont(menu, "QMenu");
  QApplication::setFont(menu, "QMenuBar");
  // The hint and message fonts are both of the label group.
  QFont label = base;
  ConfigureFont(defaults, &label, sfgLabel);
  QToolTip::setFont(label);
  QApplication::setFont(label, "QMessageBox");
}

// ---------------------------------------------------------------------------
// Ribbon and form skins

TColor TdxBlackRibbonSkin::GetPartColor(int, int) const { return clNone; }

TColor TksRibbonSkin::GetPartColor(int part, int state) const {
  switch (part) {
    case rfspRibbonForm:
      return 0x808080;
    case rspRibbonBackground:
    case rspRibbonBottomEdge:
      return KSCLR_MENU;
    case rspFormCaptionText:
      return 0xFFFFFF;
    case rspDocumentNameText:
      return state == 0 ? 0xFFFFFF : TdxBlackRibbonSkin::GetPartColor(part, state);
    case rspTabHeaderText:
      return 0x595453;
    case rspTabGroupText:
    case rspTabGroupHeaderText:
      return 0x5C534C;
    case rspStatusBarText:
      return state == 0 ? 0x595453 : TdxBlackRibbonSkin::GetPartColor(part, state);
    default:
      return TdxBlackRibbonSkin::GetPartColor(part, state);
  }
}

void TksRibbonSkin::DrawRibbonBottomBorder(QPainter& painter, const QRect& rect) const {
  painter.fillRect(rect.adjusted(0, 0, 0, -1), ToQColor(0x808080));
  painter.fillRect(rect.translated(0, 1), ToQColor(0xDCE1EB));
}

TColor TksFormSkin::GetPartColor(int part, int state) const {
  return part == rfspRibbonForm ? KSCLR_BACKMAIN : TksRibbonSkin::GetPartColor(part, state);
}

// ---------------------------------------------------------------------------
// Base forms

TksBaseForm::TksBaseForm(QWidget* owner) : QWidget(owner, owner != nullptr ? Qt::Window : Qt::WindowFlags()) {
  if (USkinAddSpecialControl) USkinAddSpecialControl(this);
}

TksBaseFormSkinned::TksBaseFormSkinned(QWidget* owner) : TksBaseForm(owner) {}

void TksBaseFormSkinned::showEvent(QShowEvent* event) {
  TksBaseForm::showEvent(event);
  DoShow();
}

void TksBaseFormSkinned::DoShow() {
  if (OnShow) OnShow(this);
  if (USkinAdjust) {
    FDefaultSkinAdjusted = true;
    USkinAdjust(this);
  }
}

// The skin manager that attaches style controllers is not part of this
// program; without it the editors keep the platform's look.
void SetDefaultStyle(QWidget*) {}
void SetDefaultLabelStyle(QWidget*) {}

// ---------------------------------------------------------------------------
// Grid mode

String GridModeEntry(const TcxGridDBTableView* view) {
  if (view == nullptr) return {};
  const QWidget* grid = view->parentWidget();
  const QWidget* owner = grid != nullptr ? grid->parentWidget() : nullptr;
  if (owner == nullptr) return {};
  return FromQString(owner->window()->objectName()) + u"." + view->Name();
}

bool GetGridMode(const TcxGridDBTableView* view) {
  const String entry = GridModeEntry(view);
  return GridModeRegistry != nullptr && !entry.empty() && GridModeRegistry->Contains(entry);
}

void SetGridMode(const TcxGridDBTableView* view, bool on) {
  const String entry = GridModeEntry(view);
  if (GridModeRegistry == nullptr || entry.empty()) return;
  if (on) {
    GridModeRegistry->Add(entry);
  } else {
    GridModeRegistry->Delete(entry);
  }
}

void SaveGridModeSetting(const TcxGridDBTableView* view) {
  if (view != nullptr && view->DataController()->DataModeController().GridMode) SetGridMode(view, true);
}

// ---------------------------------------------------------------------------
// Texts

namespace {

struct TksReplacedText {
  TcxResourceString Id;
  const char16_t* Text;
};

// The program's own texts for the platform's, in the order they replace them.
constexpr TksReplacedText ReplacedTexts[] = {
    {cxSDatePopupClear, u"Zbriši"},
    {cxSDatePopupNow, u"Zdaj"},
    {cxSDatePopupOK, u"Potrdi"},
    {cxSDatePopupToday, u"Danes"},
    {cxSDateError, u"Neveljaven datum"},
    {scxGridNewItemRowInfoText, u"Vnos novega zapisa"},
    {scxGridNoDataInfoText, u"<Ni podatkov>"},
    {scxGridGroupByBoxCaption, u"Sem povlecite stolpec za grupiranje po izbranem stolpcu."},
    // The confirmation boxes' caption, hooked between the grid's texts.
    {SMsgDlgConfirm, u"Potrdi"},
    {scxGridDeletingFocusedConfirmationText, u"Ste prepričani, da želite izbrisati zapis?"},
    {scxGridDeletingSelectedConfirmationText, u"Ali želite izbrisati vse zapise?"},
    {cxSGridSortColumnAsc, u"Uredi naraščajoče"},
    {cxSGridSortColumnDesc, u"Uredi padajoče"},
    {cxSGridClearSorting, u"Neurejeno"},
    {cxSGridGroupByThisField, u"Grupiraj po tem stolpcu"},
    {cxSGridRemoveThisGroupItem, u"Odstrani iz grupiranja"},
    {cxSGridGroupByBox, u"Vrstica za grupiranje"},
    {cxSGridAlignmentSubMenu, u"Poravnava"},
    {cxSGridAlignLeft, u"Poravnaj levo"},
    {cxSGridAlignRight, u"Poravnaj desno"},
    {cxSGridAlignCenter, u"Poravnaj sredinsko"},
    {cxSGridRemoveColumn, u"Odstrani ta stolpec"},
    {cxSGridFieldChooser, u"Izbira stolpcev"},
    {cxSGridBestFit, u"Najboljše ujemanje"},
    {cxSGridBestFitAllColumns, u"Najboljše ujemanje (vsi stolpci)"},
    {cxSGridShowFooter, u"Noga"},
    {cxSGridShowGroupFooter, u"Noga za grupo"},
};

}  // namespace

void InitDXResourceStrings() {
  for (const TksReplacedText& t : ReplacedTexts) SetResourceString(t.Id, t.Text);
}

// ---------------------------------------------------------------------------
// The unit

void SkinUnitInitialize() {
  GridModeRegistry = std::make_unique<TdummyObj>();
  ksRibbonSkin = std::make_unique<TksRibbonSkin>();
  ksFormSkin = std::make_unique<TksFormSkin>();
  AssignSkinPalette();
  InitRowStyles();
  InitDXResourceStrings();
  InitEditStyleController();
}

void SkinUnitFinalize() {
  oddStyle.reset();
  GridModeRegistry.reset();
  ksRibbonSkin.reset();
  ksFormSkin.reset();
  evenStyle.reset();
  ksEditStyleController.reset();
  ksLabelStyleController.reset();
}
