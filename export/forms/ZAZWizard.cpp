#include "export/forms/ZAZWizard.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "export/ExportMessages.h"
#include "export/ExportSettings.h"
#include "export/FileDialog.h"
#include "export/forms/PromptDataSource.h"
#include "export/forms/ZAZSpecs.h"
#include "export/writers/ExportToADO.h"
#include "export/writers/ExportToOpenOffice.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/QtStrings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

enum class TBindKind { Label, Check, Button, Edit, Combo, EditCombo, Radios, Group, Memo };

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF));
}

// A widget that paints through a function: the layout preview, the side
// strip and the orientation picture.
class TPaintBox : public QWidget {
 public:
  std::function<void(QPainter&, const QRect&)> OnPaint;
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (OnPaint) OnPaint(painter, rect());
  }
};

// A combo box that tells when its list is about to drop down.
class TDropDownCombo : public QComboBox {
 public:
  std::function<void()> OnDropDown;
  using QComboBox::QComboBox;
  void showPopup() override {
    if (OnDropDown) OnDropDown();
    QComboBox::showPopup();
  }
};

QString Plain(const String& caption) {
  // Menu and check-box captions carry "&" mnemonics; a group title has none.
  QString text = ToQString(caption);
  text.remove(QLatin1Char('&'));
  return text.trimmed();
}

std::vector<String> SplitLines(const QString& text) {
  std::vector<String> lines;
  if (text.isEmpty()) return lines;
  for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(FromQString(line));
  return lines;
}

QString JoinLines(const std::vector<String>& lines) {
  QStringList list;
  for (const String& line : lines) list << ToQString(line);
  return list.join(QLatin1Char('\n'));
}

QIcon Swatch(TColor color) {
  QPixmap pixmap(40, 14);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.setBrush(ToQColor(color));
  painter.drawRect(1, 1, 37, 11);
  return QIcon(pixmap);
}

TFont FromQFont(const QFont& font, const TFont& previous) {
  TFont result = previous;
  result.Name = FromQString(font.family());
  result.Size = font.pointSize() > 0 ? font.pointSize() : previous.Size;
  result.Style = static_cast<TFontStyles>((font.bold() ? FontStyleBit(fsBold) : 0) |
                                         (font.italic() ? FontStyleBit(fsItalic) : 0) |
                                         (font.underline() ? FontStyleBit(fsUnderline) : 0) |
                                         (font.strikeOut() ? FontStyleBit(fsStrikeOut) : 0));
  return result;
}

QFont ToQFont(const TFont& font) {
  QFont result(ToQString(font.Name));
  result.setPointSize(font.Size > 0 ? font.Size : 8);
  result.setBold((font.Style & FontStyleBit(fsBold)) != 0);
  result.setItalic((font.Style & FontStyleBit(fsItalic)) != 0);
  result.setUnderline((font.Style & FontStyleBit(fsUnderline)) != 0);
  result.setStrikeOut((font.Style & FontStyleBit(fsStrikeOut)) != 0);
  return result;
}

}  // namespace

struct TWizardBinding {
  TWizardControl* Control = nullptr;
  QWidget* Widget = nullptr;
  TBindKind Kind = TBindKind::Label;
  std::function<void()> OnChange;
  std::vector<String>* Lines = nullptr;  // a memo's
  bool FixedItems = false;               // a list whose items the form made (the colour lists)
  QButtonGroup* Buttons = nullptr;       // a radio group's
  QWidget* Trailing = nullptr;           // shown beside a radio group's last item
  Integer Columns = 1;
};

// ---------------------------------------------------------------------------
// Building

TfrmZAZWizard::TfrmZAZWizard(TSMEWizardDlg& wizard, QWidget* parent) : QDialog(parent), FWizard(wizard) {
  setObjectName(QStringLiteral("frmZAZWizard"));
  setModal(true);
  resize(560, 430);
  QFont font(QStringLiteral("Calibri"));
  font.setPointSize(9);
  setFont(font);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 8);
  root->setSpacing(0);

  // The description band (one style) or the step line (the other).
  FBand = new QWidget(this);
  FBand->setObjectName(QStringLiteral("pnlDescription"));
  FBand->setAutoFillBackground(true);
  QPalette band = FBand->palette();
  band.setColor(QPalette::Window, Qt::white);
  band.setColor(QPalette::WindowText, Qt::black);
  FBand->setPalette(band);
  auto* bandLayout = new QVBoxLayout(FBand);
  bandLayout->setContentsMargins(14, 8, 14, 8);
  bandLayout->setSpacing(2);
  auto* lblCaption = new QLabel(FBand);
  QFont bold = lblCaption->font();
  bold.setBold(true);
  lblCaption->setFont(bold);
  auto* lblDescription = new QLabel(FBand);
  lblDescription->setWordWrap(true);
  lblDescription->setContentsMargins(12, 0, 0, 0);
  bandLayout->addWidget(lblCaption);
  bandLayout->addWidget(lblDescription);
  root->addWidget(FBand);
  auto* bandLine = new QFrame(this);
  bandLine->setFrameShape(QFrame::HLine);
  bandLine->setFrameShadow(QFrame::Sunken);
  root->addWidget(bandLine);

  auto* middle = new QHBoxLayout;
  middle->setContentsMargins(0, 0, 5, 0);
  middle->setSpacing(8);
  auto* logo = new TPaintBox(this);
  logo->setObjectName(QStringLiteral("pbLogo"));
  logo->setFixedWidth(34);
  logo->OnPaint = [this](QPainter& p, const QRect& r) {
    // A vertical gradient in 255 bands, and the caption upwards in white.
    const QColor top = ToQColor(0x0094FF), bottom = ToQColor(0x0168FF);
    const int h = r.height();
    for (int n = 0; n < 255; ++n) {
      const auto mix = [n](int a, int b) { return a + static_cast<int>(std::lround((b - a) * n / 254.0)); };
      const int y0 = static_cast<int>(std::lround(n * h / 256.0)) - 1;
      const int y1 = static_cast<int>(std::lround((n + 1) * h / 256.0));
      p.fillRect(0, y0, r.width(), y1 - y0 + 1,
                 QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()), mix(top.blue(), bottom.blue())));
    }
    p.fillRect(0, static_cast<int>(std::lround(255 * h / 256.0)) - 1, r.width(), h, bottom);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.save();
    p.translate(r.width() / 2 + QFontMetrics(font).ascent() / 2 - 2, h - 6);
    p.rotate(-90);
    p.drawText(0, 0, QStringLiteral("  ") + windowTitle().toUpper());
    p.restore();
  };
  FLogo = logo;
  middle->addWidget(logo);

  auto* content = new QVBoxLayout;
  content->setContentsMargins(0, 6, 0, 6);
  auto* stepLine = new QHBoxLayout;
  auto* lblStep = new QLabel(this);
  lblStep->setFont(bold);
  auto* lblStepInfo = new QLabel(this);
  lblStepInfo->setWordWrap(true);
  stepLine->addWidget(lblStep);
  stepLine->addWidget(lblStepInfo, 1);
  content->addLayout(stepLine);
  FPages = new QStackedWidget(this);
  FPages->setObjectName(QStringLiteral("nbPages"));
  FPages->addWidget(BuildTargetPage());
  FPages->addWidget(BuildOriginPage());
  FPages->addWidget(BuildTextPage());
  FPages->addWidget(BuildSQLPage());
  FPages->addWidget(BuildFormatsPage());
  FPages->addWidget(BuildColumnsPage());
  FPages->addWidget(BuildHeaderFooterPage());
  FPages->addWidget(BuildPageSetupPage());
  FPages->addWidget(BuildLayoutPage());
  FPages->addWidget(BuildFileNamePage());
  content->addWidget(FPages, 1);
  middle->addLayout(content, 1);
  root->addLayout(middle, 1);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  root->addWidget(line);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(10, 8, 10, 0);
  auto* btnSpecs = new QPushButton(this);
  auto* btnFirst = new QPushButton(this);
  auto* btnPrev = new QPushButton(this);
  auto* btnNext = new QPushButton(this);
  auto* btnLast = new QPushButton(this);
  auto* btnCancel = new QPushButton(this);
  btnFirst->setFixedWidth(32);
  btnLast->setFixedWidth(32);
  buttons->addWidget(btnSpecs);
  buttons->addStretch(1);
  buttons->addWidget(btnFirst);
  buttons->addWidget(btnPrev);
  buttons->addSpacing(-1);
  buttons->addWidget(btnNext);
  buttons->addWidget(btnLast);
  buttons->addSpacing(12);
  buttons->addWidget(btnCancel);
  root->addLayout(buttons);
  for (QPushButton* b : {btnSpecs, btnFirst, btnPrev, btnNext, btnLast, btnCancel}) b->setAutoDefault(false);

  TZAZWizardControls& c = FControls;
  Bind(c.lblCaption, lblCaption, "lblCaption");
  Bind(c.lblDescription, lblDescription, "lblDescription");
  Bind(c.lblStep, lblStep, "lblStep");
  Bind(c.lblStepInfo, lblStepInfo, "lblStepInfo");
  Bind(c.btnSpecs, btnSpecs, "btnSpecs");
  Bind(c.btnFirst, btnFirst, "btnFirst");
  Bind(c.btnPrev, btnPrev, "btnPrev");
  Bind(c.btnNext, btnNext, "btnNext");
  Bind(c.btnLast, btnLast, "btnLast");
  Bind(c.btnCancel, btnCancel, "btnCancel");
  connect(btnSpecs, &QPushButton::clicked, this, [this] { Guarded([&] { btnSpecsClick(); }); });
  connect(btnFirst, &QPushButton::clicked, this, [this] { Guarded([&] { btnFirstClick(); }); });
  connect(btnPrev, &QPushButton::clicked, this, [this] { Guarded([&] { btnPrevClick(); }); });
  connect(btnNext, &QPushButton::clicked, this, [this] { Guarded([&] { btnNextClick(); }); });
  connect(btnLast, &QPushButton::clicked, this, [this] { Guarded([&] { btnLastClick(); }); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { Guarded([&] { btnCancelClick(); }); });
}

TfrmZAZWizard::~TfrmZAZWizard() = default;

TWizardBinding& TfrmZAZWizard::Bind(TWizardControl& control, QWidget* widget, const char* name,
                                    std::function<void()> onChange) {
  auto binding = std::make_unique<TWizardBinding>();
  TWizardBinding& b = *binding;
  b.Control = &control;
  b.Widget = widget;
  b.OnChange = std::move(onChange);
  widget->setObjectName(QString::fromLatin1(name));
  const auto changed = [this, &b] {
    Guarded([&] {
      if (b.OnChange) b.OnChange();
    });
    Changed();
  };
  if (qobject_cast<QLabel*>(widget)) {
    b.Kind = TBindKind::Label;
  } else if (auto* box = qobject_cast<QCheckBox*>(widget); box || qobject_cast<QRadioButton*>(widget)) {
    b.Kind = TBindKind::Check;
    auto* button = static_cast<QAbstractButton*>(widget);
    connect(button, &QAbstractButton::toggled, this, [this, &b, changed](bool on) {
      if (FUpdating) return;
      b.Control->Checked = on;
      changed();
    });
  } else if (qobject_cast<QPushButton*>(widget)) {
    b.Kind = TBindKind::Button;
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    b.Kind = TBindKind::Edit;
    connect(edit, &QLineEdit::textEdited, this, [this, &b, changed](const QString& text) {
      if (FUpdating) return;
      b.Control->Text = FromQString(text);
      changed();
    });
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    b.Kind = combo->isEditable() ? TBindKind::EditCombo : TBindKind::Combo;
    connect(combo, &QComboBox::activated, this, [this, &b, combo, changed](int index) {
      if (FUpdating) return;
      b.Control->ItemIndex = index;
      b.Control->Text = FromQString(combo->itemText(index));
      changed();
    });
    if (combo->isEditable())
      connect(combo, &QComboBox::editTextChanged, this, [this, &b](const QString& text) {
        if (FUpdating) return;
        b.Control->Text = FromQString(text);
        b.Control->ItemIndex = -1;
        for (size_t i = 0; i < b.Control->Items.size(); ++i)
          if (b.Control->Items[i] == b.Control->Text) b.Control->ItemIndex = static_cast<Integer>(i);
      });
  } else if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) {
    b.Kind = TBindKind::Memo;
    connect(memo, &QPlainTextEdit::textChanged, this, [this, &b, memo] {
      if (FUpdating || b.Lines == nullptr) return;
      *b.Lines = SplitLines(memo->toPlainText());
    });
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    b.Kind = group->property("radioGroup").toBool() ? TBindKind::Radios : TBindKind::Group;
    if (b.Kind == TBindKind::Radios) {
      b.Buttons = new QButtonGroup(group);
      connect(b.Buttons, &QButtonGroup::idClicked, this, [this, &b, changed](int id) {
        if (FUpdating) return;
        b.Control->ItemIndex = id;
        changed();
      });
    }
  }
  FBindings.push_back(std::move(binding));
  return b;
}

TWizardBinding& TfrmZAZWizard::AddLabelled(QGridLayout* grid, int row, int column, TWizardControl& label,
                                           const char* labelName, TWizardControl& control, QWidget* widget,
                                           const char* name, std::function<void()> onChange) {
  auto* lbl = new QLabel(widget->parentWidget());
  lbl->setBuddy(widget);
  Bind(label, lbl, labelName);
  TWizardBinding& binding = Bind(control, widget, name, std::move(onChange));
  grid->addWidget(lbl, row, column);
  grid->addWidget(widget, row, column + 1);
  return binding;
}

namespace {

QGroupBox* RadioGroup(QWidget* parent) {
  auto* group = new QGroupBox(parent);
  group->setProperty("radioGroup", true);
  new QGridLayout(group);
  return group;
}

QGridLayout* Grid(QWidget* page) {
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(4, 4, 4, 4);
  return grid;
}

}  // namespace

QWidget* TfrmZAZWizard::BuildTargetPage() {
  TZAZWizardControls& c = FControls;
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  FCategoryArea = new QScrollArea(page);
  FCategoryArea->setObjectName(QStringLiteral("sbCategory"));
  FCategoryArea->setFrameShape(QFrame::NoFrame);
  FCategoryArea->setWidgetResizable(false);
  FCategoryBox = new QWidget;
  FCategoryArea->setWidget(FCategoryBox);
  FCategoryArea->viewport()->installEventFilter(this);
  layout->addWidget(FCategoryArea);
  TWizardBinding& list = Bind(c.rgTableType, RadioGroup(page), "rgTableType",
                              [this] { WizardTableTypeClick(FControls, TargetContext()); });
  list.Columns = 2;
  layout->addWidget(list.Widget);
  return page;
}

QWidget* TfrmZAZWizard::BuildOriginPage() {
  TZAZWizardControls& c = FControls;
  auto* page = new QWidget(this);
  auto* grid = Grid(page);
  AddLabelled(grid, 0, 0, c.lblFileOrigin, "lblFileOrigin", c.cbCharacterSet, new QComboBox(page), "cbCharacterSet");
  int row = 1;
  for (auto [control, name] : {std::pair{&c.cbSelectedRecord, "cbSelectedRecord"}, {&c.cbAddTitle, "cbAddTitle"},
                               {&c.cbAddBlankRow, "cbAddBlankRow"}, {&c.cbBlankIfZero, "cbBlankIfZero"},
                               {&c.cbWithoutFieldMask, "cbWithoutFieldMask"}}) {
    auto* box = new QCheckBox(page);
    const bool title = control == &c.cbAddTitle;
    Bind(*control, box, name, title ? std::function<void()>([this] { WizardAddTitleClick(FControls); }) : nullptr);
    grid->addWidget(box, row++, 0, 1, 2, Qt::AlignLeft);
    if (control == &c.cbAddBlankRow) box->setContentsMargins(18, 0, 0, 0);
  }
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(row, 1);
  return page;
}

QWidget* TfrmZAZWizard::BuildTextPage() {
  TZAZWizardControls& c = FControls;
  auto* page = new QWidget(this);
  auto* grid = Grid(page);
  auto* text1 = new QRadioButton(page);
  auto* text2 = new QRadioButton(page);
  Bind(c.rbText1, text1, "rbText1");
  Bind(c.rbText2, text2, "rbText2", [this] {
    if (FControls.rbText2.Checked) WizardFixedWidthClick(FControls);
  });
  grid->addWidget(text1, 0, 0, 1, 3);
  grid->addWidget(text2, 1, 0, 1, 3);
  auto* symbol = new QLineEdit(page);
  symbol->setMaxLength(5);
  symbol->setFixedWidth(48);
  TWizardBinding& separator =
      Bind(c.rgSeparator, RadioGroup(page), "rgSeparator", [this] { WizardSeparatorClick(FControls); });
  separator.Columns = 2;
  separator.Trailing = symbol;
  Bind(c.edSymbol, symbol, "edSymbol", [this] {
    FControls.rgSeparator.ItemIndex = 5;
    WizardSeparatorClick(FControls);
  });
  grid->addWidget(separator.Widget, 2, 0, 3, 1);
  auto* qualifier = new QComboBox(page);
  qualifier->setEditable(true);
  qualifier->setMinimumWidth(90);
  AddLabelled(grid, 2, 1, c.lblQualifier, "lblQualifier", c.cbQualifier, qualifier, "cbQualifier");
  AddLabelled(grid, 3, 1, c.lblRecSeparator, "lblRecSeparator", c.cbRecSeparator, new QComboBox(page),
              "cbRecSeparator");
  grid->setRowStretch(5, 1);
  grid->setColumnStretch(0, 1);
  return page;
}

QWidget* TfrmZAZWizard::BuildSQLPage() {
  TZAZWizardControls& c = FControls;
  auto* page = new QWidget(this);
  auto* grid = Grid(page);
  auto* create = new QCheckBox(page);
  Bind(c.chkAddCreateTable, create, "chkAddCreateTable");
  grid->addWidget(create, 0, 0, 1, 2);
  AddLabelled(grid, 1, 0, c.lblFieldNameCharset, "lblFieldNameCharset", c.cbFieldNameCharset, new QComboBox(page),
              "cbFieldNameCharset");
  auto* group = new QGroupBox(page);
  Bind(c.gbSQL, group, "gbSQL");
  auto* inner = new QGridLayout(group);
  auto* quote = new QComboBox(group);
  quote->setEditable(true);
  auto* term = new QComboBox(group);
  term->setEditable(true);
  AddLabelled(inner, 0, 0, c.lblCommit, "lblCommit", c.edCommit, new QLineEdit(group), "edCommit");
  AddLabelled(inner, 1, 0, c.lblSQLQuote, "lblSQLQuote", c.cbSQLQuote, quote, "cbSQLQuote");
  AddLabelled(inner, 2, 0, c.lblSQLTerm, "lblSQLTerm", c.cbSQLTerm, term, "cbSQLTerm");
  grid->addWidget(group, 2, 0, 1, 2);
  auto* add = new QLineEdit(page);
  add->setValidator(new QIntValidator(0, 1000000000, add));
  add->setAlignment(Qt::AlignRight);
  add->setFixedWidth(70);
  AddLabelled(grid, 3, 0, c.lblAddCommit, "lblAddCommit", c.edAddCommit, add, "edAddCommit");
  auto* multi = new QCheckBox(page);
  Bind(c.chkMultiRowInsert, multi, "chkMultiRowInsert");
  grid->addWidget(multi, 4, 0, 1, 2);
  grid->setRowStretch(5, 1);
  grid->setColumnStretch(2, 1);
  return page;
}

QWidget* TfrmZAZWizard::BuildFormatsPage() {
  TZAZWizardControls& c = FControls;
  auto* page = new QWidget(this);
  auto* outer = Grid(page);
  auto* group = new QGroupBox(page);
  Bind(c.gbFormat, group, "gbFormat");
  auto* grid = new QGridLayout(group);
  const auto field = [&](TWizardControl& label, const char* labelName, TWizardControl& control, QWidget* widget,
                         const char* name, int row, int column) {
    AddLabelled(grid, row, column, label, labelName, control, widget, name);
  };
  const auto small = [&](int maxLength) {
    auto* edit = new QLineEdit(group);
    edit->setMaxLength(maxLength);
    edit->setFixedWidth(maxLength == 1 ? 30 : 60);
    return edit;
  };
  field(c.lblDateOrder, "lblDateOrder", c.cbDateOrder, new QComboBox(group), "cbDateOrder", 0, 0);
  field(c.lblDateDelimiter, "lblDateDelimiter", c.edDateDelimiter, small(1), "edDateDelimiter", 1, 0);
  field(c.lblTimeDelimiter, "lblTimeDelimiter", c.edTimeDelimiter, small(1), "edTimeDelimiter", 2, 0);
  auto* fourDigit = new QCheckBox(group);
  auto* leadingZeros = new QCheckBox(group);
  Bind(c.cbFourDigitYear, fourDigit, "cbFourDigitYear");
  Bind(c.cbLeadingZerosInDate, leadingZeros, "cbLeadingZerosInDate");
  grid->addWidget(fourDigit, 3, 0, 1, 2);
  grid->addWidget(leadingZeros, 4, 0, 1, 2);
  field(c.lblDecimalSymbol, "lblDecimalSymbol", c.edDecimalSymbol, small(1), "edDecimalSymbol", 0, 3);
  field(c.lblThousandSymbol, "lblThousandSymbol", c.edThousandSymbol, small(1), "edThousandSymbol", 1, 3);
  field(c.lblCurrencyString, "lblCurrencyString", c.edCurrencyString, small(10), "edCurrencyString", 2, 3);
  auto* lblLogical = new QLabel(group);
  Bind(c.lblLogical, lblLogical, "lblLogical");
  auto* logical = new QHBoxLayout;
  auto* edTrue = small(10);
  auto* edFalse = small(10);
  Bind(c.edTrue, edTrue, "edTrue");
  Bind(c.edFalse, edFalse, "edFalse");
  logical->addWidget(edTrue);
  logical->addWidget(edFalse);
  logical->addStretch(1);
  grid->addWidget(lblLogical, 3, 3);
  grid->addLayout(logical, 3, 4);
  grid->setColumnMinimumWidth(2, 16);
  grid->setColumnStretch(5, 1);
  outer->addWidget(group, 0, 0);
  outer->setRowStretch(1, 1);
  return page;
}

QWidget* TfrmZAZWizard::BuildColumnsPage() {
  TZAZWizardControls& c = FControls;
  auto* page = new QWidget(this);
  auto* grid = Grid(page);
  FFields = new QListWidget(page);
  FFields->setObjectName(QStringLiteral("clbFields"));
  FFields->setDragDropMode(QAbstractItemView::InternalMove);
  FFields->setDefaultDropAction(Qt::MoveAction);
  FFields->setContextMenuPolicy(Qt::CustomContextMenu);
  FFields->setMinimumWidth(150);
  connect(FFields, &QListWidget::customContextMenuRequested, this, &TfrmZAZWizard::ShowFieldsMenu);
  connect(FFields, &QListWidget::currentRowChanged, this, [this](int row) {
    if (FUpdating || row < 0) return;
    FControls.clbFields.ItemIndex = row;
    WizardFieldsClick(FControls);
    Changed();
  });
  connect(FFields, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (FUpdating) return;
    WizardSetChecked(FControls, FFields->row(item), item->checkState() == Qt::Checked);
    Changed();
  });
  connect(FFields->model(), &QAbstractItemModel::rowsMoved, this,
          [this](const QModelIndex&, int start, int, const QModelIndex&, int row) {
            if (FUpdating) return;
            WizardMoveField(FControls, start, row > start ? row - 1 : row);
            // The list has finished its own move only after this signal.
            QTimer::singleShot(0, this, [this] { Changed(); });
          });
  grid->addWidget(FFields, 0, 0, 3, 1);

  const auto exitOn = [this](Integer tag) {
    return [this, tag] { WizardPropertyExit(FControls, tag, FWizard.FieldDisplayFormat); };
  };
  const auto colours = [](QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setIconSize(QSize(40, 14));
    for (TColor colour : ColorValues) combo->addItem(Swatch(colour), QString());
    return combo;
  };
  const auto fontRow = [&](QGroupBox* group, QGridLayout* inner, int row, TWizardControl& label, const char* labelName,
                           TWizardControl& edit, const char* editName, TWizardControl& button, const char* buttonName,
                           bool title) {
    auto* lbl = new QLabel(group);
    auto* ed = new QLineEdit(group);
    ed->setReadOnly(true);
    auto* btn = new QPushButton(QStringLiteral("..."), group);
    btn->setAutoDefault(false);
    btn->setFixedWidth(28);
    Bind(label, lbl, labelName);
    Bind(edit, ed, editName);
    Bind(button, btn, buttonName);
    connect(btn, &QPushButton::clicked, this, [this, title] { Guarded([&] { PickFont(title); }); });
    auto* line = new QHBoxLayout;
    line->addWidget(ed, 1);
    line->addWidget(btn);
    inner->addWidget(lbl, row, 0);
    inner->addLayout(line, row, 1);
  };

  auto* title = new QGroupBox(page);
  Bind(c.gbTitle, title, "gbTitle");
  auto* ti = new QGridLayout(title);
  auto* caption = new QLineEdit(title);
  AddLabelled(ti, 0, 0, c.lblTitleCaption, "lblTitleCaption", c.edTitleCaption, caption, "edTitleCaption");
  connect(caption, &QLineEdit::editingFinished, this, [this, f = exitOn(1)] {
    if (FUpdating) return;
    f();
    Changed();
  });
  AddLabelled(ti, 1, 0, c.lblTitleAlignment, "lblTitleAlignment", c.cbTitleAlignment, new QComboBox(title),
              "cbTitleAlignment", exitOn(2));
  AddLabelled(ti, 2, 0, c.lblTitleColor, "lblTitleColor", c.SMColorsCBTitle, colours(title), "SMColorsCBTitle",
              exitOn(3)).FixedItems = true;
  fontRow(title, ti, 3, c.lblTitleFont, "lblTitleFont", c.edTitleFont, "edTitleFont", c.btnTitleFont, "btnTitleFont",
          true);
  grid->addWidget(title, 0, 1);

  auto* data = new QGroupBox(page);
  Bind(c.gbData, data, "gbData");
  auto* di = new QGridLayout(data);
  AddLabelled(di, 0, 0, c.lblDataAlignment, "lblDataAlignment", c.cbDataAlignment, new QComboBox(data),
              "cbDataAlignment", exitOn(5));
  AddLabelled(di, 1, 0, c.lblDataColor, "lblDataColor", c.SMColorsCBData, colours(data), "SMColorsCBData", exitOn(6))
      .FixedItems = true;
  fontRow(data, di, 2, c.lblDataFont, "lblDataFont", c.edDataFont, "edDataFont", c.btnDataFont, "btnDataFont", false);
  grid->addWidget(data, 1, 1);

  auto* widthLine = new QHBoxLayout;
  auto* lblWidth = new QLabel(page);
  auto* width = new QLineEdit(page);
  width->setValidator(new QIntValidator(0, 100000, width));
  width->setFixedWidth(50);
  auto* lblWidthFix = new QLabel(page);
  Bind(c.lblWidth, lblWidth, "lblWidth");
  Bind(c.edWidth, width, "edWidth");
  Bind(c.lblWidthFix, lblWidthFix, "lblWidthFix");
  connect(width, &QLineEdit::editingFinished, this, [this, f = exitOn(9)] {
    if (FUpdating) return;
    f();
    Changed();
  });
  widthLine->addWidget(lblWidth);
  widthLine->addWidget(width);
  widthLine->addWidget(lblWidthFix);
  widthLine->addStretch(1);
  grid->addLayout(widthLine, 2, 1, Qt::AlignBottom);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  return page;
}

QWidget* TfrmZAZWizard::BuildHeaderFooterPage() {
  TZAZWizardControls& c = FControls;
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  for (auto [check, checkName, memo, memoName, lines] :
       {std::tuple{&c.chkHeader, "chkHeader", &c.memoHeader, "memoHeader", &c.HeaderLines},
        std::tuple{&c.chkFooter, "chkFooter", &c.memoFooter, "memoFooter", &c.FooterLines}}) {
    auto* box = new QCheckBox(page);
    auto* edit = new QPlainTextEdit(page);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Bind(*check, box, checkName, [this] { WizardHeaderFooterClick(FControls); });
    Bind(*memo, edit, memoName).Lines = lines;
    layout->addWidget(box);
    layout->addWidget(edit, 1);
  }
  return page;
}

QWidget* TfrmZAZWizard::BuildPageSetupPage() {
  TZAZWizardControls& c = FControls;
  auto* page = new QWidget(this);
  auto* grid = Grid(page);
  auto* margin = new QGroupBox(page);
  Bind(c.gbMargin, margin, "gbMargin");
  auto* mi = new QGridLayout(margin);
  const auto edge = [&](TWizardControl& label, const char* labelName, TWizardControl& edit, const char* editName,
                        int row, int column) {
    auto* ed = new QLineEdit(margin);
    ed->setFixedWidth(60);
    ed->setAlignment(Qt::AlignRight);
    AddLabelled(mi, row, column, label, labelName, edit, ed, editName);
  };
  edge(c.lblTop, "lblTop", c.edMarginTop, "edMarginTop", 0, 0);
  edge(c.lblBottom, "lblBottom", c.edMarginBottom, "edMarginBottom", 1, 0);
  edge(c.lblLeft, "lblLeft", c.edMarginLeft, "edMarginLeft", 0, 2);
  edge(c.lblRight, "lblRight", c.edMarginRight, "edMarginRight", 1, 2);
  grid->addWidget(margin, 0, 0);

  auto* orientation = new QGroupBox(page);
  Bind(c.gbOrientation, orientation, "gbOrientation");
  auto* oi = new QGridLayout(orientation);
  auto* picture = new TPaintBox(orientation);
  picture->setObjectName(QStringLiteral("imgOrientation"));
  picture->setFixedSize(44, 44);
  picture->OnPaint = [this](QPainter& p, const QRect& r) {
    // A sheet standing or lying; a dashed one for the printer's default.
    const bool landscape = FControls.rbOrientLandscape.Checked;
    const QSize size = landscape ? QSize(38, 28) : QSize(28, 38);
    const QRect sheet(QPoint(r.center().x() - size.width() / 2, r.center().y() - size.height() / 2), size);
    p.setBrush(Qt::white);
    p.setPen(QPen(Qt::black, 1, FControls.rbOrientDefault.Checked ? Qt::DashLine : Qt::SolidLine));
    p.drawRect(sheet);
    p.setPen(Qt::gray);
    for (int y = sheet.top() + 6; y < sheet.bottom() - 3; y += 5) p.drawLine(sheet.left() + 4, y, sheet.right() - 4, y);
  };
  oi->addWidget(picture, 0, 0, 3, 1);
  int row = 0;
  for (auto [control, name] : {std::pair{&c.rbOrientDefault, "rbOrientDefault"},
                               {&c.rbOrientPortrait, "rbOrientPortrait"}, {&c.rbOrientLandscape, "rbOrientLandscape"}}) {
    auto* button = new QRadioButton(orientation);
    Bind(*control, button, name, [picture] { picture->update(); });
    oi->addWidget(button, row++, 1);
  }
  grid->addWidget(orientation, 1, 0);
  auto* autofit = new QCheckBox(page);
  Bind(c.chkAutofit, autofit, "chkAutofit");
  grid->addWidget(autofit, 2, 0);
  grid->setRowStretch(3, 1);
  grid->setColumnStretch(1, 1);
  return page;
}

QWidget* TfrmZAZWizard::BuildLayoutPage() {
  TZAZWizardControls& c = FControls;
  auto* page = new QWidget(this);
  auto* grid = Grid(page);
  auto* colors = new QRadioButton(page);
  auto* dataOnly = new QRadioButton(page);
  Bind(c.rbColorsFonts, colors, "rbColorsFonts", [this] { WizardColorsFontsClick(FControls); });
  Bind(c.rbDataOnly, dataOnly, "rbDataOnly", [this] { WizardColorsFontsClick(FControls); });
  grid->addWidget(colors, 0, 0);
  grid->addWidget(dataOnly, 1, 0);
  TWizardBinding& layout = Bind(c.rgLayout, RadioGroup(page), "rgLayout");
  grid->addWidget(layout.Widget, 2, 0);
  auto* styleLine = new QHBoxLayout;
  auto* lblStyle = new QLabel(page);
  auto* style = new QComboBox(page);
  lblStyle->setBuddy(style);
  Bind(c.lblStyle, lblStyle, "lblStyle");
  Bind(c.cbColorStyle, style, "cbColorStyle");
  styleLine->addWidget(lblStyle);
  styleLine->addWidget(style, 1);
  grid->addLayout(styleLine, 3, 0);
  grid->setRowStretch(4, 1);

  auto* preview = new QGroupBox(page);
  Bind(c.gbPreview, preview, "gbPreview");
  auto* pi = new QVBoxLayout(preview);
  auto* box = new TPaintBox(preview);
  box->setObjectName(QStringLiteral("pbLayout"));
  box->setFixedSize(116, 124);
  box->OnPaint = [this](QPainter& p, const QRect& r) {
    const TZAZWizardControls& m = FControls;
    p.fillRect(r, Qt::white);
    p.fillRect(10, 5, 35, 5, Qt::black);              // a caption
    p.fillRect(r.width() - 30, 120, 20, 5, Qt::gray);  // a footer
    // The plain style is the window's colour on every row.
    TRODirezaStyle style;
    style.OddColor = style.EvenColor = clWindow;
    const bool plain = m.cbColorStyle.ItemIndex < 0 || m.rbDataOnly.Checked || !m.cbColorStyle.Visible;
    if (!plain) style.SetStyle(static_cast<TSMEStyle>(m.cbColorStyle.ItemIndex));
    const QColor odd = ToQColor(style.OddColor), even = ToQColor(style.EvenColor);
    QRandomGenerator random(7);  // the same picture on every paint
    if (m.rgLayout.ItemIndex == elTabularForm) {
      for (int i = 0; i < 5; ++i) p.fillRect(9, 16 + 21 * i, 99, 18, i % 2 == 0 ? odd : even);
      int y = 18;
      for (int line = 0; line < 15; ++line) {
        p.fillRect(10, y, 16, 3, Qt::black);
        p.fillRect(30, y, static_cast<int>(random.bounded(16, 66)), 3, Qt::gray);
        y += 6;
        if (line % 3 == 2) {
          p.setPen(Qt::black);
          p.setBrush(Qt::NoBrush);
          p.drawRect(8, y - 19, 100, 18);
          y += 3;
        }
      }
      return;
    }
    const bool reversed = m.rgLayout.ItemIndex == elReversedColumnar;
    for (int row = 0; row < 16; ++row)
      for (int col = 0; col < 5; ++col) {
        const int x = 8 + col * 20, y = 18 + row * 6;
        p.fillRect(x, y, 20, 6, row % 2 == 0 ? odd : even);
        const bool head = reversed ? col == 0 : row == 0;
        p.fillRect(x + 4, y + 3, 12, 2, head ? Qt::black : Qt::gray);
      }
    p.setPen(Qt::black);
    for (int col = 0; col <= 5; ++col) p.drawLine(8 + col * 20, 18, 8 + col * 20, 114);
    for (int row = 0; row <= 16; ++row) p.drawLine(8, 18 + row * 6, 108, 18 + row * 6);
  };
  FPreview = box;
  pi->addWidget(box, 0, Qt::AlignCenter);
  grid->addWidget(preview, 0, 1, 5, 1, Qt::AlignTop);
  grid->setColumnStretch(0, 1);
  return page;
}

QWidget* TfrmZAZWizard::BuildFileNamePage() {
  TZAZWizardControls& c = FControls;
  auto* page = new QWidget(this);
  auto* grid = Grid(page);
  auto* lblFile = new QLabel(page);
  auto* file = new QLineEdit(page);
  auto* browse = new QPushButton(QStringLiteral("..."), page);
  browse->setAutoDefault(false);
  browse->setFixedWidth(28);
  lblFile->setBuddy(file);
  Bind(c.lblFileName, lblFile, "lblFileName");
  Bind(c.edFileName, file, "edFileName", [this] { FileNameChanged(); });
  Bind(c.btnFileName, browse, "btnFileName");
  connect(browse, &QPushButton::clicked, this, [this] {
    Guarded([&] { BrowseFileName(); });
    Changed();
  });
  grid->addWidget(lblFile, 0, 0, 1, 3);
  grid->addWidget(file, 1, 0, 1, 2);
  grid->addWidget(browse, 1, 2);

  const auto labelled = [&](TWizardControl& label, const char* labelName, TWizardControl& control, QWidget* widget,
                            const char* name, int row) { AddLabelled(grid, row, 0, label, labelName, control, widget, name); };
  auto* tables = new TDropDownCombo(page);
  tables->setEditable(true);
  tables->OnDropDown = [this] {
    TZAZWizardControls& m = FControls;
    if (!m.cbTableNames.Items.empty() || GetTableTypeIndex(m) != teADO) return;
    Guarded([&] {
      std::vector<String> names;
      GetADOTableNames(names, m.edFileName.Text, false);
      m.cbTableNames.SetItems(std::move(names));
    });
    Refresh();
  };
  labelled(c.lblTableName, "lblTableName", c.cbTableNames, tables, "cbTableNames", 2);
  tables->installEventFilter(this);
  labelled(c.lblOOFileFilter, "lblOOFileFilter", c.cbOOFileFilter, new QComboBox(page), "cbOOFileFilter", 3);
  labelled(c.lblKeyGenerator, "lblKeyGenerator", c.edKeyGenerator, new QLineEdit(page), "edKeyGenerator", 4);
  auto* version = new QComboBox(page);
  Bind(c.cbAccessVersion, version, "cbAccessVersion");
  grid->addWidget(version, 5, 1, Qt::AlignLeft);

  auto* merged = new QCheckBox(page);
  Bind(c.cbMerged, merged, "cbMerged");
  grid->addWidget(merged, 6, 0, 1, 2);
  auto* perFile = new QCheckBox(page);
  auto* rows = new QLineEdit(page);
  rows->setValidator(new QIntValidator(0, 2147483647, rows));
  rows->setFixedWidth(80);
  rows->setAlignment(Qt::AlignRight);
  Bind(c.cbRowsPerFile, perFile, "cbRowsPerFile");
  Bind(c.edRowsPerFile, rows, "edRowsPerFile");
  auto* perFileLine = new QHBoxLayout;
  perFileLine->addWidget(perFile);
  perFileLine->addWidget(rows);
  perFileLine->addStretch(1);
  grid->addLayout(perFileLine, 7, 0, 1, 2);
  TWizardBinding& action = Bind(c.rbActionAfterExport, RadioGroup(page), "rbActionAfterExport");
  grid->addWidget(action.Widget, 8, 0, 1, 3);
  grid->setRowStretch(9, 1);
  grid->setColumnStretch(1, 1);
  return page;
}

// ---------------------------------------------------------------------------
// Showing the model

void TfrmZAZWizard::Refresh() {
  FUpdating = true;
  TZAZWizardControls& c = FControls;
  // The band (one style) or the step line (the other), and the side strip.
  const bool band = FWizard.WizardStyle == wsWindows2000;
  c.lblStep.Visible = c.lblStepInfo.Visible = !band;
  FBand->setVisible(band);
  FLogo->setVisible(FWizard.ShowPicture);
  setWindowTitle(ToQString(c.Caption));
  for (const auto& binding : FBindings) {
    TWizardBinding& b = *binding;
    const TWizardControl& ctl = *b.Control;
    QWidget* w = b.Widget;
    w->setEnabled(ctl.Enabled);
    w->setVisible(ctl.Visible);
    switch (b.Kind) {
      case TBindKind::Label: static_cast<QLabel*>(w)->setText(ToQString(ctl.Caption)); break;
      case TBindKind::Button:
        if (!ctl.Caption.empty()) static_cast<QPushButton*>(w)->setText(ToQString(ctl.Caption));
        break;
      case TBindKind::Check: {
        auto* button = static_cast<QAbstractButton*>(w);
        button->setText(ToQString(ctl.Caption));
        if (button->isChecked() != ctl.Checked) {
          // A radio button is unchecked only by checking another; the model
          // may clear all of a set, so exclusivity steps aside for that.
          button->setAutoExclusive(false);
          button->setChecked(ctl.Checked);
          button->setAutoExclusive(qobject_cast<QRadioButton*>(button) != nullptr);
        }
        break;
      }
      case TBindKind::Edit: {
        auto* edit = static_cast<QLineEdit*>(w);
        if (edit->text() != ToQString(ctl.Text)) edit->setText(ToQString(ctl.Text));
        break;
      }
      case TBindKind::Combo:
      case TBindKind::EditCombo: {
        auto* combo = static_cast<QComboBox*>(w);
        if (!b.FixedItems) {
          bool same = combo->count() == static_cast<int>(ctl.Items.size());
          for (int i = 0; same && i < combo->count(); ++i) same = combo->itemText(i) == ToQString(ctl.Items[static_cast<size_t>(i)]);
          if (!same) {
            combo->clear();
            for (const String& item : ctl.Items) combo->addItem(ToQString(item));
          }
        }
        combo->setCurrentIndex(ctl.ItemIndex < combo->count() ? ctl.ItemIndex : -1);
        if (b.Kind == TBindKind::EditCombo) combo->setEditText(ToQString(ctl.Text));
        break;
      }
      case TBindKind::Group: static_cast<QGroupBox*>(w)->setTitle(Plain(ctl.Caption)); break;
      case TBindKind::Memo: {
        auto* memo = static_cast<QPlainTextEdit*>(w);
        if (b.Lines != nullptr && memo->toPlainText() != JoinLines(*b.Lines)) memo->setPlainText(JoinLines(*b.Lines));
        break;
      }
      case TBindKind::Radios: {
        auto* group = static_cast<QGroupBox*>(w);
        group->setTitle(Plain(ctl.Caption));
        QList<QAbstractButton*> buttons = b.Buttons->buttons();
        bool same = buttons.size() == static_cast<int>(ctl.Items.size());
        for (int i = 0; same && i < buttons.size(); ++i)
          same = b.Buttons->button(i)->text() == ToQString(ctl.Items[static_cast<size_t>(i)]);
        if (!same) {
          for (QAbstractButton* button : buttons) delete button;
          auto* grid = static_cast<QGridLayout*>(group->layout());
          const int columns = std::max<int>(1, ctl.Tag > 0 ? ctl.Tag : b.Columns);
          const int count = static_cast<int>(ctl.Items.size());
          const int rowsPerColumn = (count + columns - 1) / columns;
          for (int i = 0; i < count; ++i) {
            auto* button = new QRadioButton(ToQString(ctl.Items[static_cast<size_t>(i)]), group);
            b.Buttons->addButton(button, i);
            grid->addWidget(button, rowsPerColumn > 0 ? i % rowsPerColumn : 0, rowsPerColumn > 0 ? i / rowsPerColumn : 0);
          }
          if (b.Trailing != nullptr && count > 0) {
            const int last = count - 1;
            auto* line = new QHBoxLayout;
            grid->removeWidget(b.Buttons->button(last));
            line->addWidget(b.Buttons->button(last));
            line->addWidget(b.Trailing);
            line->addStretch(1);
            grid->addLayout(line, last % rowsPerColumn, last / rowsPerColumn);
          }
        }
        for (int i = 0; i < static_cast<int>(ctl.Items.size()); ++i) {
          QAbstractButton* button = b.Buttons->button(i);
          button->setEnabled(ctl.ItemIsEnabled(i));
          if (button->isChecked() != (i == ctl.ItemIndex)) {
            b.Buttons->setExclusive(false);
            button->setChecked(i == ctl.ItemIndex);
            b.Buttons->setExclusive(true);
          }
        }
        break;
      }
    }
  }

  // Page 1, the category list.
  FCategoryArea->setVisible(c.ShowCategories);
  RebuildCategories();
  size_t k = 0;
  for (auto& [label, radios] : FCategoryWidgets)
    for (QRadioButton* radio : radios) {
      const bool on = FCategoryTargets[k++] == c.CategoryChecked;
      if (radio->isChecked() != on) {
        radio->setAutoExclusive(false);
        radio->setChecked(on);
        radio->setAutoExclusive(true);
      }
      radio->setEnabled(c.rgTableType.Enabled);
    }

  RefreshFields();
  FPages->setCurrentIndex(FStep - 1);
  auto* next = findChild<QPushButton*>(QStringLiteral("btnNext"));
  auto* cancel = findChild<QPushButton*>(QStringLiteral("btnCancel"));
  next->setDefault(c.NextIsDefault);
  cancel->setDefault(!c.NextIsDefault);
  update();  // the paint boxes follow the model too
  FUpdating = false;
}

void TfrmZAZWizard::RefreshFields() {
  TZAZWizardControls& c = FControls;
  FFields->setEnabled(c.clbFields.Enabled);
  FFields->setVisible(c.clbFields.Visible);
  bool same = FFields->count() == static_cast<int>(c.FieldItems.size());
  for (int i = 0; same && i < FFields->count(); ++i)
    same = FFields->item(i)->text() == ToQString(c.FieldItems[static_cast<size_t>(i)].Caption);
  if (!same) {
    FFields->clear();
    for (const TWizardFieldItem& item : c.FieldItems) {
      auto* row = new QListWidgetItem(ToQString(item.Caption), FFields);
      row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled);
    }
  }
  for (int i = 0; i < FFields->count(); ++i)
    FFields->item(i)->setCheckState(c.FieldItems[static_cast<size_t>(i)].Checked ? Qt::Checked : Qt::Unchecked);
  if (FFields->currentRow() != c.clbFields.ItemIndex) FFields->setCurrentRow(c.clbFields.ItemIndex);
}

void TfrmZAZWizard::RebuildCategories() {
  const TZAZWizardControls& c = FControls;
  std::vector<TTableTypeExport> targets;
  for (const TWizardCategory& group : c.CategoryGroups)
    targets.insert(targets.end(), group.Targets.begin(), group.Targets.end());
  bool same = targets == FCategoryTargets && FCategoryWidgets.size() == c.CategoryGroups.size();
  for (size_t i = 0; same && i < FCategoryWidgets.size(); ++i)
    same = FCategoryWidgets[i].first->text() == ToQString(c.CategoryGroups[i].Caption);
  if (same) return;
  for (auto& [label, radios] : FCategoryWidgets) {
    delete label;
    for (QRadioButton* radio : radios) delete radio;
  }
  FCategoryWidgets.clear();
  FCategoryTargets = targets;
  const TSMECategories& look = FWizard.Categories;
  for (const TWizardCategory& group : c.CategoryGroups) {
    auto* label = new QLabel(ToQString(group.Caption), FCategoryBox);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, ToQColor(look.BackColor));
    palette.setColor(QPalette::WindowText,
                     look.TextFont.Color == 0xFF00000E ? QColor(Qt::white) : ToQColor(look.TextFont.Color));
    label->setPalette(palette);
    QFont font = label->font();
    font.setBold((look.TextFont.Style & FontStyleBit(fsBold)) != 0);
    label->setFont(font);
    std::vector<QRadioButton*> radios;
    for (TTableTypeExport target : group.Targets) {
      auto* radio = new QRadioButton(ToQString(FWizard.GetCaptionForFormat(target)), FCategoryBox);
      radio->setObjectName(QStringLiteral("rbFormat%1").arg(static_cast<int>(target)));
      connect(radio, &QRadioButton::toggled, this, [this, target](bool on) {
        if (FUpdating || !on) return;
        SelectTarget(target);
      });
      radios.push_back(radio);
    }
    FCategoryWidgets.emplace_back(label, std::move(radios));
  }
  LayoutCategories();
}

void TfrmZAZWizard::LayoutCategories() {
  // Groups go down a column and start a new column where they do not fit.
  const int height = std::max(FCategoryArea->viewport()->height(), 120);
  int x = 5, y = 5, columnWidth = 0, right = 0, bottom = 0;
  for (auto& [label, radios] : FCategoryWidgets) {
    int groupHeight = label->sizeHint().height() + 3;
    int groupWidth = label->sizeHint().width() + 12;
    for (QRadioButton* radio : radios) {
      groupHeight += radio->sizeHint().height() + 1;
      groupWidth = std::max(groupWidth, radio->sizeHint().width() + 10);
    }
    if (y > 5 && y + groupHeight > height) {
      x += columnWidth + 10;
      y = 5;
      columnWidth = 0;
    }
    columnWidth = std::max(columnWidth, groupWidth);
    label->setGeometry(x, y, groupWidth, label->sizeHint().height());
    y += label->sizeHint().height() + 3;
    for (QRadioButton* radio : radios) {
      radio->setGeometry(x + 8, y, radio->sizeHint().width(), radio->sizeHint().height());
      y += radio->sizeHint().height() + 1;
    }
    y += 4;
    right = std::max(right, x + columnWidth);
    bottom = std::max(bottom, y);
  }
  // A caption band spans its column.
  for (auto& [label, radios] : FCategoryWidgets) {
    int width = label->width();
    for (auto& [other, unused] : FCategoryWidgets)
      if (other->x() == label->x()) width = std::max(width, other->width());
    label->resize(width, label->height());
  }
  FCategoryBox->resize(right + 5, bottom);
  for (auto& [label, radios] : FCategoryWidgets) {
    label->show();
    for (QRadioButton* radio : radios) radio->show();
  }
}

// ---------------------------------------------------------------------------
// Changes

void TfrmZAZWizard::Changed() {
  if (FUpdating) return;
  UpdateWizardButtons(FControls, FStep, FWizard.Context());
  Refresh();
}

void TfrmZAZWizard::SelectTarget(TTableTypeExport target) {
  TZAZWizardControls& c = FControls;
  if (c.ShowCategories) {
    c.CategoryChecked = target;
  } else {
    for (size_t i = 0; i < c.TableTypeValues.size(); ++i)
      if (c.TableTypeValues[i] == target) c.rgTableType.ItemIndex = static_cast<Integer>(i);
  }
  WizardTableTypeClick(c, TargetContext());
  Changed();
}

TWizardContext TfrmZAZWizard::TargetContext() const {
  TWizardContext context = FWizard.Context();
  context.FilterNames = [] {
    std::vector<String> names;
    TRODirezaToOpenOffice::GetFilterNames(names);
    return names;
  };
  return context;
}

void TfrmZAZWizard::FileNameChanged() {
  TZAZWizardControls& c = FControls;
  if (GetTableTypeIndex(c) != teADO && !ValidFileName(c.edFileName.Text))
    throw ESMEInvalidFileNameException(Format(strFileNameNotValid, {c.edFileName.Text}));
  if (c.cbTableNames.Visible) c.cbTableNames.SetItems({});
  UpdateMergeStatus(c, FWizard.Context());
}

void TfrmZAZWizard::BrowseFileName() {
  TZAZWizardControls& c = FControls;
  const TTableTypeExport t = GetTableTypeIndex(c);
  // An ADO target names a connection: the data-link dialog builds its string.
  if (t == teADO) {
    const String chosen = PromptDataSource(this, c.edFileName.Text);
    if (chosen == c.edFileName.Text) return;
    c.edFileName.Text = chosen;
    FileNameChanged();
    return;
  }
  String name = c.edFileName.Text;
  if (ZAZOpenSaveFileDialog(this, TSMECustomBaseComponent::GetDefExt(t), WizardFileFilter(t), FWizard.InitialDir,
                            FWizard.GetLanguageString(80), name, false)) {
    c.edFileName.Text = name;
    FileNameChanged();
  }
}

void TfrmZAZWizard::TableNamesLeft() {
  TZAZWizardControls& c = FControls;
  if (GetTableTypeIndex(c) != teSQL || !Trim(c.cbTableNames.Text).empty()) return;
  findChild<QComboBox*>(QStringLiteral("cbTableNames"))->setFocus();
  throw ESMEInvalidFileNameException(Format(FWizard.GetLanguageString(0), {String(u"TableName")}));
}

void TfrmZAZWizard::PickFont(bool title) {
  TZAZWizardControls& c = FControls;
  TFont& font = title ? c.TitleFont : c.DataFont;
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, ToQFont(font), this);
  if (!ok) return;
  font = FromQFont(chosen, font);
  (title ? c.edTitleFont : c.edDataFont).Text = GetCaptionFont(font);
  WizardPropertyExit(c, title ? 4 : 7, FWizard.FieldDisplayFormat);
  Changed();
}

void TfrmZAZWizard::ShowFieldsMenu(const QPoint& at) {
  QMenu menu(this);
  const auto text = [this](Integer id) { return ToQString(FWizard.GetLanguageString(id)); };
  for (Integer mode = 0; mode < 3; ++mode)
    menu.addAction(text(105 + mode), this, [this, mode] {
      WizardSelectAll(FControls, mode);
      Changed();
    });
  menu.addSeparator();
  QMenu* sysVars = menu.addMenu(text(151));
  sysVars->setEnabled(FFields->isEnabled());
  for (Integer tag = 1; tag <= 5; ++tag) {
    const String caption = FWizard.GetLanguageString(151 + tag);
    sysVars->addAction(ToQString(caption), this, [this, tag, caption] {
      WizardInsertSysVar(FControls, tag, caption, FWizard.FieldDisplayFormat);
      WizardFieldsClick(FControls);
      Changed();
    });
  }
  menu.exec(FFields->viewport()->mapToGlobal(at));
}

// ---------------------------------------------------------------------------
// Steps

bool TfrmZAZWizard::AllowStepChange() {
  bool allow = true;
  if (FWizard.OnStepChange) FWizard.OnStepChange(this, allow);
  return allow;
}

void TfrmZAZWizard::MoveStep(bool forward) {
  if (!AllowStepChange()) return;
  const TTableTypeExport target = GetTableTypeIndex(FControls);
  const auto valid = [this](Integer step) { return IsValidWizardStep(FControls, step); };
  FStep = forward ? WizardNextStep(FStep, target, valid) : WizardPrevStep(FStep, target, valid);
  Changed();
}

void TfrmZAZWizard::btnNextClick() { MoveStep(true); }
void TfrmZAZWizard::btnPrevClick() { MoveStep(false); }

void TfrmZAZWizard::btnFirstClick() {
  for (Integer before = 0; FStep > 1 && before != FStep;) {
    before = FStep;
    MoveStep(false);
  }
}

void TfrmZAZWizard::btnLastClick() {
  for (Integer before = 0; FStep < WizardStepCount && before != FStep;) {
    before = FStep;
    MoveStep(true);
  }
}

void TfrmZAZWizard::btnCancelClick() {
  FIsRun = FStep == WizardStepCount;
  if (FIsRun) {
    if (CanClose()) QDialog::accept();
  } else {
    reject();
  }
}

bool TfrmZAZWizard::CanClose() {
  TZAZWizardControls& c = FControls;
  const String caption = c.Caption;
  if (FIsRun) {
    FIsRun = false;
    if (FWizard.ConfirmExecuteStart && !MessageConfirm(this, caption, strExportStart)) return false;
    if (FWizard.ConfirmFileOverwrite && FileExists(c.edFileName.Text) && !c.cbMerged.Checked && c.cbMerged.Enabled &&
        !MessageConfirm(this, caption, Format(strFileOverwrite, {c.edFileName.Text})))
      return false;
    FIsRun = true;
    return true;
  }
  if (FWizard.ConfirmCancelExit && !MessageConfirm(this, caption, c.sAbort)) return false;
  FIsCanceled = true;
  return true;
}

void TfrmZAZWizard::reject() {
  // Cancel, Esc and the close box.
  FIsRun = false;
  if (CanClose()) QDialog::reject();
}

bool TfrmZAZWizard::ShowModal() {
  FStep = 1;
  FIsRun = FIsCanceled = false;
  Changed();
  return exec() == QDialog::Accepted;
}

void TfrmZAZWizard::btnSpecsClick() {
  TZAZWizardControls& c = FControls;
  TfrmZAZSpecs dialog(FWizard.GetSpecifications(), this);
  dialog.OnLoadSpec = [this](const String& fileName) {
    FWizard.LoadSpecClick(FControls, fileName);
    LayoutCategories();
  };
  const int result = dialog.exec();
  if (result == TfrmZAZSpecs::SaveResult) {
    const TSMESpecificationFile* entry = dialog.SelectedEntry();
    FWizard.SaveSpecClick(c, entry ? entry->Caption : String(), entry ? entry->FileName : String());
  }
  Changed();
}

// ---------------------------------------------------------------------------
// Keys and events

void TfrmZAZWizard::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((event->modifiers() & Qt::AltModifier) && key >= Qt::Key_1 && key <= Qt::Key_9) {
    const Integer target = key - Qt::Key_0;
    // One direction, one move at a time: a step that Next passes over is
    // passed here too, and the walk ends on the page after it.
    const bool forward = target > FStep;
    Guarded([&] {
      for (Integer before = 0; (forward ? FStep < target : FStep > target) && before != FStep;) {
        before = FStep;
        MoveStep(forward);
      }
    });
    return;
  }
  // On the last page the final button is no cancel button: Esc does nothing.
  if (key == Qt::Key_Escape && !FControls.CancelIsEscape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmZAZWizard::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  LayoutCategories();
  // The window opens wide enough for every format of the category list.
  const int missing = FCategoryBox->width() - FCategoryArea->viewport()->width();
  if (FCategoryArea->isVisible() && missing > 0) resize(width() + missing + 2, height());
}

bool TfrmZAZWizard::eventFilter(QObject* watched, QEvent* event) {
  if (FCategoryArea != nullptr && watched == FCategoryArea->viewport() && event->type() == QEvent::Resize)
    LayoutCategories();
  if (event->type() == QEvent::FocusOut && !FUpdating) {
    auto* tables = findChild<QComboBox*>(QStringLiteral("cbTableNames"));
    if (tables != nullptr && watched == tables) Guarded([&] { TableNamesLeft(); });
  }
  return QDialog::eventFilter(watched, event);
}

std::unique_ptr<IZAZWizardForm> CreateZAZWizardForm(TSMEWizardDlg& wizard) {
  return std::make_unique<TfrmZAZWizard>(wizard, QApplication::activeWindow());
}
