#include "import/forms/VODWizard.h"

#include <set>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "import/ImportMessages.h"
#include "import/forms/ExpressionBuilderForm.h"
#include "import/forms/WizardBreakBox.h"
#include "import/forms/WizardDialogHooks.h"
#include "import/readers/ImportFromADO.h"
#include "import/readers/ImportFromOLE.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/QtStrings.h"
#include "platform/rtl/FileDialog.h"
#include "platform/rtl/Strings.h"

// The column left of the pages: the form's caption in capitals, reading
// upwards, over an orange gradient.
class TWizardSideBand : public QWidget {
 public:
  explicit TWizardSideBand(QWidget* parent) : QWidget(parent) { setFixedWidth(34); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(255, 148, 0));
    gradient.setColorAt(1, QColor(255, 104, 1));
    painter.fillRect(rect(), gradient);
    QFont big = font();
    big.setPixelSize(20);
    big.setBold(true);
    painter.setFont(big);
    painter.setPen(Qt::white);
    painter.translate(0, height());
    painter.rotate(-90);
    painter.drawText(QRect(0, 0, height(), width()), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("  ") + window()->windowTitle().toUpper());
  }
};

// The category page lays its blocks out in columns whenever it is resized.
class TCategoryPage : public QWidget {
 public:
  TCategoryPage(TfrmVODWizard* form, QWidget* parent) : QWidget(parent), FForm(form) {}

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    FForm->LayoutCategories();
  }

 private:
  TfrmVODWizard* FForm;
};

namespace {

constexpr int FormWidth = 640;
constexpr int FormHeight = 450;
constexpr int CategoryLabelWidth = 155;
constexpr int CategoryLabelHeight = 18;

// A small key, the header of the key column.
QIcon KeyIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(150, 110, 0), 2));
  painter.setBrush(QColor(240, 200, 40));
  painter.drawEllipse(QRectF(1.5, 4.5, 7, 7));
  painter.drawLine(QPointF(8.5, 8), QPointF(15, 8));
  painter.drawLine(QPointF(12, 8), QPointF(12, 11));
  painter.drawLine(QPointF(14.5, 8), QPointF(14.5, 11));
  return QIcon(pixmap);
}

// The texts of a resource with CR LF breaks as Qt shows line breaks.
QString Lines(const String& text) { return ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

void SetText(QLineEdit* edit, const String& text) {
  const QString value = ToQString(text);
  if (edit->text() != value) edit->setText(value);
}

void SetComboText(QComboBox* combo, const String& text) {
  const QString value = ToQString(text);
  const int index = combo->findText(value);
  if (index >= 0 && !combo->isEditable()) {
    combo->setCurrentIndex(index);
  } else if (combo->currentText() != value) {
    if (index >= 0) combo->setCurrentIndex(index);
    if (combo->isEditable()) combo->setEditText(value);
  }
}

void SetAccess(QWidget* widget, const TControlAccess& access) {
  widget->setEnabled(access.Enabled);
  widget->setVisible(access.Visible);
}

QLabel* BuddyLabel(const String& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(ToQString(text), parent);
  label->setBuddy(buddy);
  return label;
}

QLineEdit* CharBox(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(1);
  edit->setFixedWidth(28);
  return edit;
}

QTableWidget* MakeGrid(QWidget* parent) {
  auto* grid = new QTableWidget(parent);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->verticalHeader()->setMinimumWidth(30);
  grid->verticalHeader()->setDefaultSectionSize(20);
  grid->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  grid->horizontalHeader()->setHighlightSections(false);
  QFont bold = grid->horizontalHeader()->font();
  bold.setBold(true);
  grid->horizontalHeader()->setFont(bold);
  return grid;
}

QTableWidgetItem* ReadOnlyItem(const String& text) {
  auto* item = new QTableWidgetItem(QStringLiteral(" ") + ToQString(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

// The source editor of the mapping grid: the source columns to pick from
// or an expression to type, and "..." for the expression builder.
class TSourceEditor : public QWidget {
 public:
  TSourceEditor(TfrmVODWizard* form, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Box = new QComboBox(this);
    Box->setEditable(true);
    Box->setInsertPolicy(QComboBox::NoInsert);
    const TWideStrings fields = form->SourceFields();
    Box->addItem(QString());
    for (int i = 0; i < fields.Count(); ++i) Box->addItem(ToQString(fields.Get(i)));
    layout->addWidget(Box, 1);
    Button = new QToolButton(this);
    Button->setText(QStringLiteral("..."));
    Button->setVisible(form->ExpressionBuilderAvailable());
    layout->addWidget(Button);
    setFocusProxy(Box);
    setAutoFillBackground(true);
  }
  QComboBox* Box;
  QToolButton* Button;
};

class TSourceDelegate : public QStyledItemDelegate {
 public:
  explicit TSourceDelegate(TfrmVODWizard* form) : QStyledItemDelegate(form), FForm(form) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
    auto* editor = new TSourceEditor(FForm, parent);
    auto commit = [this, editor] { emit const_cast<TSourceDelegate*>(this)->commitData(editor); };
    connect(editor->Box, &QComboBox::activated, editor, commit);
    connect(editor->Box->lineEdit(), &QLineEdit::editingFinished, editor, commit);
    connect(editor->Button, &QToolButton::clicked, editor, [this, editor, commit] {
      String expression = FromQString(editor->Box->currentText());
      if (FForm->EditExpression(expression)) {
        editor->Box->setEditText(ToQString(expression));
        commit();
      }
    });
    return editor;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    static_cast<TSourceEditor*>(editor)->Box->setEditText(index.data(Qt::EditRole).toString().trimmed());
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    const QString text = static_cast<TSourceEditor*>(editor)->Box->currentText();
    FForm->SetMappingSource(index.row(), FromQString(text));
    model->setData(index, QStringLiteral(" ") + ToQString(FForm->State().MappingRows[index.row()].Source));
  }
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const override {
    editor->setGeometry(option.rect.adjusted(1, 1, 0, 0));
  }

 private:
  TfrmVODWizard* FForm;
};

}  // namespace

// ---------------------------------------------------------------------------
// Construction

TfrmVODWizard::TfrmVODWizard(TSMIWizardDlg* wizard, QWidget* parent)
    : QDialog(parent),
      FWizard(wizard),
      FSteps(FState, wizard),
      FPreview(FState, wizard),
      FBreakEditor(FState) {
  QFont font(QStringLiteral("Calibri"));
  font.setPixelSize(12);
  setFont(font);
  setWindowTitle(ToQString(strVODWizardCaption));
  setSizeGripEnabled(true);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 5);
  root->setSpacing(0);

  pnlHeader = new QWidget(this);
  pnlHeader->setAutoFillBackground(true);
  QPalette white = pnlHeader->palette();
  white.setColor(QPalette::Window, Qt::white);
  pnlHeader->setPalette(white);
  auto* headerLayout = new QVBoxLayout(pnlHeader);
  headerLayout->setContentsMargins(15, 8, 15, 8);
  headerLayout->setSpacing(3);
  lblHeaderCaption = new QLabel(pnlHeader);
  QFont bold = lblHeaderCaption->font();
  bold.setBold(true);
  lblHeaderCaption->setFont(bold);
  lblHeaderText = new QLabel(pnlHeader);
  lblHeaderText->setWordWrap(true);
  lblHeaderText->setContentsMargins(15, 0, 0, 0);
  headerLayout->addWidget(lblHeaderCaption);
  headerLayout->addWidget(lblHeaderText);
  root->addWidget(pnlHeader);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  root->addWidget(line);

  auto* body = new QHBoxLayout;
  body->setContentsMargins(0, 0, 5, 0);
  body->setSpacing(10);
  pnlSideBand = new TWizardSideBand(this);
  body->addWidget(pnlSideBand);
  auto* pageColumn = new QVBoxLayout;
  pageColumn->setContentsMargins(0, 8, 0, 0);
  lblStep = new QLabel(this);
  lblStep->setFont(bold);
  lblStepInfo = new QLabel(this);
  lblStepInfo->setWordWrap(true);
  pageColumn->addWidget(lblStep);
  pageColumn->addWidget(lblStepInfo);
  pnlPages = new QStackedWidget(this);
  pageColumn->addWidget(pnlPages, 1);
  body->addLayout(pageColumn, 1);
  root->addLayout(body, 1);

  FPageWidgets[wpNone] = new QWidget(pnlPages);
  FPageWidgets[wpCategory] = BuildCategoryPage();
  FPageWidgets[wpStep1] = BuildPage1();
  FPageWidgets[wpStep2] = BuildPage2();
  FPageWidgets[wpStep3] = BuildPage3();
  FPageWidgets[wpStep3XML] = BuildPage3XML();
  FPageWidgets[wpStep3Outlook] = BuildPage3Outlook();
  FPageWidgets[wpStep4] = BuildPage4();
  FPageWidgets[wpStep5Fixed] = BuildPage5();
  FPageWidgets[wpStep6CSV] = BuildPage6();
  FPageWidgets[wpStep7] = BuildPage7();
  FPageWidgets[wpStep8] = BuildPage8();
  FPageWidgets[wpStep9] = BuildPage9();
  for (QWidget* page : FPageWidgets) pnlPages->addWidget(page);

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(10, 8, 10, 0);
  buttons->setSpacing(0);
  btnSpecifications = new QPushButton(ToQString(strSpecs), this);
  btnFirst = new QPushButton(QStringLiteral("<<"), this);
  btnBack = new QPushButton(ToQString(strBtnBack), this);
  btnNext = new QPushButton(ToQString(strBtnNext), this);
  btnLast = new QPushButton(QStringLiteral(">>"), this);
  btnCancel = new QPushButton(ToQString(strBtnCancel), this);
  for (QPushButton* b : {btnFirst, btnLast}) b->setFixedWidth(32);
  for (QPushButton* b : {btnBack, btnNext, btnCancel}) b->setMinimumWidth(80);
  buttons->addWidget(btnSpecifications);
  buttons->addStretch(1);
  buttons->addWidget(btnFirst);
  buttons->addWidget(btnBack);
  buttons->addSpacing(5);
  buttons->addWidget(btnNext);
  buttons->addWidget(btnLast);
  buttons->addSpacing(12);
  buttons->addWidget(btnCancel);
  root->addLayout(buttons);
  for (QPushButton* b : {btnSpecifications, btnFirst, btnBack, btnNext, btnLast, btnCancel}) b->setAutoDefault(false);

  connect(btnNext, &QPushButton::clicked, this, [this] { Handle([&] { FSteps.Next(); }); });
  connect(btnBack, &QPushButton::clicked, this, [this] { Handle([&] { FSteps.Back(); }); });
  connect(btnFirst, &QPushButton::clicked, this, [this] { Handle([&] { FSteps.First(); }); });
  connect(btnLast, &QPushButton::clicked, this, [this] { Handle([&] { FSteps.Last(); }); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { CancelClicked(); });
  connect(btnSpecifications, &QPushButton::clicked, this, [this] {
    Handle([&] {
      if (FWizard == nullptr || !ImportWizardDialogs().ShowSpecifications) return;
      ImportWizardDialogs().ShowSpecifications(*FWizard);
      PropertiesToControls();
    });
  });
  InstallStepHooks();
  resize(FormWidth, FormHeight);
}

TfrmVODWizard::~TfrmVODWizard() = default;

void TfrmVODWizard::InstallStepHooks() {
  TWizardStepHooks& hooks = FSteps.Hooks;
  hooks.StepChange = [this] {
    bool allow = true;
    if (FWizard != nullptr && FWizard->OnStepChange) FWizard->OnStepChange(this, allow);
    return allow;
  };
  hooks.ShowError = [this](const String& text) { ShowErrorMessage(this, text); };
  hooks.LoadTextSample = [this] {
    FPreview.LoadTxt();
    sbBreaksVert->setRange(0, FPreview.Sample.Count());
    pbBreaks->update();
  };
  hooks.LoadFilePreview = [this] {
    FPreview.LoadFileToGrid();
    try {
      FPreview.BuildDefaultMappings(
          [this](TRADerevuBaseComponent& component) { ::ControlsToProperties(FState, component); });
    } catch (...) {
      FillFilePreview();
      throw;
    }
    FillFilePreview();
  };
  hooks.BuildMappingGrid = [this] {
    FState.BuildListField(FWizard);
    FillMappingGrid();
  };
  hooks.BuildDataPreview = [this] {
    try {
      BuildPreviewGrid(FState, FPreview.Grid, FDataGrid);
    } catch (...) {
      FillDataPreview();
      throw;
    }
    FillDataPreview();
  };
  hooks.SetBusyCursor = [](bool busy) { SetBusyCursor(busy); };
  hooks.Confirm = [this](const String& text) { return MessageConfirm(this, FromQString(windowTitle()), text); };
}

template <class Fn>
void TfrmVODWizard::Handle(Fn&& fn) {
  Guarded(std::forward<Fn>(fn));
  StateToWidgets();
  ShowStep();
}

// ---------------------------------------------------------------------------
// Pages

QWidget* TfrmVODWizard::BuildCategoryPage() {
  pnlCategory = new TCategoryPage(this, pnlPages);
  return pnlCategory;
}

QWidget* TfrmVODWizard::BuildPage1() {
  auto* page = new QWidget(pnlPages);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  rgTableType = new QGroupBox(ToQString(strTableType), page);
  new QGridLayout(rgTableType);
  layout->addWidget(rgTableType, 1);
  return page;
}

QWidget* TfrmVODWizard::BuildPage2() {
  auto* page = new QWidget(pnlPages);
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(0, 10, 0, 0);
  grid->setVerticalSpacing(6);
  edFileName = new QLineEdit(page);
  btnFileName = new QToolButton(page);
  btnFileName->setText(QStringLiteral("..."));
  lblFileName = BuddyLabel(strFileName, edFileName, page);
  grid->addWidget(lblFileName, 0, 0, 1, 3);
  grid->addWidget(edFileName, 1, 0, 1, 2);
  grid->addWidget(btnFileName, 1, 2);
  cbTableNames = new QComboBox(page);
  cbTableNames->setEditable(true);
  lblTableName = BuddyLabel(strTableName, cbTableNames, page);
  grid->addWidget(lblTableName, 2, 0, 1, 3);
  grid->addWidget(cbTableNames, 3, 0, 1, 2);
  cbOrigin = new QComboBox(page);
  cbOrigin->addItems({QStringLiteral("ANSI (Windows)"), QStringLiteral("ASCII (MS_DOS)"),
                      QStringLiteral("EBCDIC (IBM mainframe)")});
  lblOrigin = BuddyLabel(strVODFileOrigin, cbOrigin, page);
  grid->addWidget(lblOrigin, 4, 0);
  grid->addWidget(cbOrigin, 4, 1);
  cbTrim = new QComboBox(page);
  cbTrim->addItems({ToQString(strNone), ToQString(strVODTrimRight), ToQString(strVODTrimLeft), ToQString(strVODTrim)});
  lblTrim = BuddyLabel(strVODTrimValues, cbTrim, page);
  grid->addWidget(lblTrim, 5, 0);
  grid->addWidget(cbTrim, 5, 1);
  grid->setColumnStretch(1, 1);
  grid->setColumnMinimumWidth(1, 200);
  grid->setRowStretch(6, 1);

  connect(edFileName, &QLineEdit::textEdited, this, [this](const QString& text) {
    Handle([&] {
      FState.FileName = FromQString(text);
      FState.FileChanged();
    });
  });
  connect(btnFileName, &QToolButton::clicked, this, [this] { Handle([&] { BrowseFile(); }); });
  connect(cbTableNames, &QComboBox::editTextChanged, this, [this](const QString& text) {
    Handle([&] {
      FState.TableName = FromQString(text);
      FState.TextChanged = true;
    });
  });
  connect(cbOrigin, &QComboBox::currentIndexChanged, this, [this](int index) {
    Handle([&] {
      FState.OriginIndex = index;
      FState.FileChanged();
    });
  });
  connect(cbTrim, &QComboBox::currentIndexChanged, this, [this](int index) { Handle([&] { FState.TrimIndex = index; }); });
  return page;
}

QWidget* TfrmVODWizard::BuildPage3() {
  auto* page = new QWidget(pnlPages);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 5, 0, 0);
  rbDelimited = new QRadioButton(ToQString(strText1), page);
  rbFixed = new QRadioButton(ToQString(strText2), page);
  layout->addWidget(rbDelimited);
  layout->addWidget(rbFixed);
  rgSeparator = new QGroupBox(ToQString(strSeparatorType), page);
  auto* delimiters = new QGridLayout(rgSeparator);
  const String captions[6] = {strDelimiter1, strDelimiter2, strDelimiter3, strDelimiter4, strNone, strDelimiter5};
  auto* delimiterGroup = new QButtonGroup(this);
  for (int i = 0; i < 6; ++i) {
    rbDelimiter[i] = new QRadioButton(ToQString(captions[i]), rgSeparator);
    delimiterGroup->addButton(rbDelimiter[i], i);
    delimiters->addWidget(rbDelimiter[i], i % 3, i / 3);
  }
  edOtherSymbol = CharBox(rgSeparator);
  delimiters->addWidget(edOtherSymbol, 2, 2);
  delimiters->setColumnStretch(3, 1);
  layout->addWidget(rgSeparator);
  auto* rows = new QGridLayout;
  cbRecordSeparator = new QComboBox(page);
  cbRecordSeparator->setEditable(true);
  cbRecordSeparator->addItems({QStringLiteral("CRLF"), QStringLiteral("CR"), QStringLiteral("LF")});
  lblRecordSeparator = BuddyLabel(strRecordSeparator, cbRecordSeparator, page);
  cbQualifier = new QComboBox(page);
  cbQualifier->setEditable(true);
  cbQualifier->addItems({ToQString(strNone), QStringLiteral("\""), QStringLiteral("'")});
  lblQualifier = BuddyLabel(strTextQualifier, cbQualifier, page);
  cbRecordSeparator->setMinimumWidth(90);
  cbQualifier->setMinimumWidth(90);
  rows->addWidget(lblRecordSeparator, 0, 0);
  rows->addWidget(cbRecordSeparator, 0, 1);
  rows->addWidget(lblQualifier, 1, 0);
  rows->addWidget(cbQualifier, 1, 1);
  rows->setColumnStretch(2, 1);
  layout->addLayout(rows);
  layout->addStretch(1);

  auto layoutChanged = [this] {
    Handle([&] {
      FState.Fixed = rbFixed->isChecked();
      FState.TextSettingChanged();
    });
  };
  connect(rbDelimited, &QRadioButton::clicked, this, layoutChanged);
  connect(rbFixed, &QRadioButton::clicked, this, layoutChanged);
  connect(delimiterGroup, &QButtonGroup::idClicked, this, [this](int id) {
    Handle([&] {
      FState.DelimiterIndex = id;
      FState.DelimiterChanged();
    });
  });
  connect(edOtherSymbol, &QLineEdit::textEdited, this, [this](const QString& text) {
    Handle([&] {
      FState.OtherSymbol = FromQString(text);
      FState.DelimiterIndex = diOther;
      FState.DelimiterChanged();
    });
  });
  connect(cbRecordSeparator, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    Handle([&] {
      FState.RecordSeparatorText = FromQString(text);
      FState.TextSettingChanged();
    });
  });
  connect(cbQualifier, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    Handle([&] {
      FState.QualifierText = FromQString(text);
      FState.TextSettingChanged();
    });
  });
  return page;
}

QWidget* TfrmVODWizard::BuildPage3XML() {
  auto* page = new QWidget(pnlPages);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 5, 0, 0);
  gbXMLTags = new QGroupBox(QStringLiteral(" XML tag names "), page);
  auto* form = new QFormLayout(gbXMLTags);
  edRecordsTag = new QLineEdit(gbXMLTags);
  edRecordTag = new QLineEdit(gbXMLTags);
  edRowTag = new QLineEdit(gbXMLTags);
  chkXMLCaseSensitive = new QCheckBox(QStringLiteral("case-sensitive names"), gbXMLTags);
  form->addRow(QStringLiteral("Records tag:"), edRecordsTag);
  form->addRow(QStringLiteral("Record tag:"), edRecordTag);
  form->addRow(QStringLiteral("Row tag:"), edRowTag);
  form->addRow(QString(), chkXMLCaseSensitive);
  layout->addWidget(gbXMLTags);
  layout->addStretch(1);
  auto tagChanged = [this] {
    Handle([&] {
      FState.RecordsTag = FromQString(edRecordsTag->text());
      FState.RecordTag = FromQString(edRecordTag->text());
      FState.RowTag = FromQString(edRowTag->text());
      FState.XMLCaseSensitive = chkXMLCaseSensitive->isChecked();
      FState.RebuildMappings = true;
    });
  };
  for (QLineEdit* edit : {edRecordsTag, edRecordTag, edRowTag}) connect(edit, &QLineEdit::textEdited, this, tagChanged);
  connect(chkXMLCaseSensitive, &QCheckBox::clicked, this, tagChanged);
  return page;
}

QWidget* TfrmVODWizard::BuildPage3Outlook() {
  auto* page = new QWidget(pnlPages);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 5, 0, 10);
  auto* itemRow = new QHBoxLayout;
  cbOutlookItemType = new QComboBox(page);
  for (const String* text : {&strOutlookMailItem, &strOutlookAppointmentItem, &strOutlookContactItem,
                             &strOutlookTaskItem, &strOutlookJournalItem, &strOutlookNoteItem, &strOutlookPostItem})
    cbOutlookItemType->addItem(ToQString(*text));
  itemRow->addWidget(BuddyLabel(strOutlookItemType, cbOutlookItemType, page));
  itemRow->addWidget(cbOutlookItemType);
  itemRow->addStretch(1);
  layout->addLayout(itemRow);
  rbOutlookDefFolder = new QRadioButton(QStringLiteral("use default folder"), page);
  rbOutlookCustomFolder = new QRadioButton(QStringLiteral("use custom folder"), page);
  tvOutlookFolders = new QTreeWidget(page);
  tvOutlookFolders->setHeaderHidden(true);
  tvOutlookFolders->setEnabled(false);
  chkLoadSubFolders = new QCheckBox(ToQString(strOutlookLoadSubFolders), page);
  layout->addWidget(rbOutlookDefFolder);
  layout->addWidget(rbOutlookCustomFolder);
  layout->addWidget(tvOutlookFolders, 1);
  layout->addWidget(chkLoadSubFolders);
  connect(cbOutlookItemType, &QComboBox::currentIndexChanged, this,
          [this](int index) { Handle([&] { FState.OutlookItemType = index; }); });
  auto folderChoice = [this] { Handle([&] { FState.OutlookDefaultFolder = rbOutlookDefFolder->isChecked(); }); };
  connect(rbOutlookDefFolder, &QRadioButton::clicked, this, folderChoice);
  connect(rbOutlookCustomFolder, &QRadioButton::clicked, this, folderChoice);
  connect(tvOutlookFolders, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    Handle([&] { FState.OutlookFolder = item != nullptr ? FromQString(item->text(0)) : String(); });
  });
  connect(chkLoadSubFolders, &QCheckBox::clicked, this,
          [this](bool on) { Handle([&] { FState.OutlookLoadSubFolders = on; }); });
  return page;
}

QWidget* TfrmVODWizard::BuildPage4() {
  auto* page = new QWidget(pnlPages);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 5, 0, 0);
  auto* rows = new QGridLayout;
  edFirstRow = new QLineEdit(page);
  edLastRow = new QLineEdit(page);
  edFieldNameRow = new QLineEdit(page);
  for (QLineEdit* edit : {edFirstRow, edLastRow, edFieldNameRow}) edit->setFixedWidth(70);
  lblFirstRow = BuddyLabel(strFirstRow, edFirstRow, page);
  lblLastRow = BuddyLabel(strLastRow, edLastRow, page);
  lblFieldNameRow = BuddyLabel(strFieldNameRow, edFieldNameRow, page);
  chkShowFileHeader = new QCheckBox(ToQString(strShowFileHeader), page);
  rows->addWidget(lblFirstRow, 0, 0);
  rows->addWidget(edFirstRow, 0, 1);
  rows->addWidget(lblFieldNameRow, 0, 2);
  rows->addWidget(edFieldNameRow, 0, 3);
  rows->addWidget(lblLastRow, 1, 0);
  rows->addWidget(edLastRow, 1, 1);
  rows->addWidget(chkShowFileHeader, 1, 2, 1, 2);
  rows->setColumnStretch(4, 1);
  layout->addLayout(rows);

  gbDataFormats = new QGroupBox(ToQString(strDateNumFormat), page);
  auto* formats = new QGridLayout(gbDataFormats);
  cbDateOrder = new QComboBox(gbDataFormats);
  for (const String* text : {&strMDY, &strDMY, &strYMD, &strYDM, &strDYM, &strMYD, &strCustom})
    cbDateOrder->addItem(ToQString(*text));
  formats->addWidget(BuddyLabel(strDateOrder, cbDateOrder, gbDataFormats), 0, 0);
  formats->addWidget(cbDateOrder, 0, 1);
  pnlStandardDate = new QWidget(gbDataFormats);
  auto* standard = new QGridLayout(pnlStandardDate);
  standard->setContentsMargins(0, 0, 0, 0);
  edDateDelimiter = CharBox(pnlStandardDate);
  edTimeDelimiter = CharBox(pnlStandardDate);
  chkFourDigitYear = new QCheckBox(ToQString(strFourDigitYears), pnlStandardDate);
  chkLeadingZeros = new QCheckBox(ToQString(strLeadingZerosInDate), pnlStandardDate);
  standard->addWidget(BuddyLabel(strDateDelimiter, edDateDelimiter, pnlStandardDate), 0, 0);
  standard->addWidget(edDateDelimiter, 0, 1);
  standard->addWidget(BuddyLabel(strTimeDelimiter, edTimeDelimiter, pnlStandardDate), 1, 0);
  standard->addWidget(edTimeDelimiter, 1, 1);
  standard->addWidget(chkFourDigitYear, 2, 0, 1, 2);
  standard->addWidget(chkLeadingZeros, 3, 0, 1, 2);
  standard->setColumnStretch(2, 1);
  formats->addWidget(pnlStandardDate, 1, 0, 1, 2);
  pnlCustomDate = new QWidget(gbDataFormats);
  auto* custom = new QHBoxLayout(pnlCustomDate);
  custom->setContentsMargins(0, 0, 0, 0);
  cbCustomDateFormat = new QComboBox(pnlCustomDate);
  cbCustomDateFormat->setEditable(true);
  cbCustomDateFormat->addItems({"dd/mm/yyyy", "dd/mmmm/yyyy", "dd/mm", "dd/mm/yy", "dd/mmm", "dd/mmm/yy", "yyyy/mmmm",
                                "dd/mm/yyyy hh:nn", "dd/mm/yyyy hh:nn:ss"});
  custom->addWidget(cbCustomDateFormat);
  formats->addWidget(pnlCustomDate, 2, 0, 1, 2, Qt::AlignTop);
  edDecimal = CharBox(gbDataFormats);
  edThousand = CharBox(gbDataFormats);
  edCurrency = new QLineEdit(gbDataFormats);
  edCurrency->setFixedWidth(50);
  edTrue = new QLineEdit(gbDataFormats);
  edFalse = new QLineEdit(gbDataFormats);
  for (QLineEdit* edit : {edTrue, edFalse}) edit->setFixedWidth(60);
  auto* numbers = new QGridLayout;
  numbers->setContentsMargins(0, 0, 0, 0);
  numbers->addWidget(BuddyLabel(strDecimalSymbol, edDecimal, gbDataFormats), 0, 0);
  numbers->addWidget(edDecimal, 0, 1, Qt::AlignLeft);
  numbers->addWidget(BuddyLabel(strThousandSymbol, edThousand, gbDataFormats), 1, 0);
  numbers->addWidget(edThousand, 1, 1, Qt::AlignLeft);
  numbers->addWidget(BuddyLabel(strCurrencyString, edCurrency, gbDataFormats), 2, 0);
  numbers->addWidget(edCurrency, 2, 1, 1, 2, Qt::AlignLeft);
  numbers->addWidget(BuddyLabel(strLogicalValues, edTrue, gbDataFormats), 3, 0);
  numbers->addWidget(edTrue, 3, 1);
  numbers->addWidget(edFalse, 3, 2);
  numbers->setRowStretch(4, 1);
  formats->addLayout(numbers, 0, 3, 3, 3);
  formats->setColumnMinimumWidth(2, 20);
  formats->setColumnStretch(5, 1);
  layout->addWidget(gbDataFormats);
  layout->addStretch(1);

  auto rowChanged = [this] {
    Handle([&] {
      FState.FirstRowText = FromQString(edFirstRow->text());
      FState.LastRowText = FromQString(edLastRow->text());
      FState.TextSettingChanged();
    });
  };
  connect(edFirstRow, &QLineEdit::textEdited, this, rowChanged);
  connect(edLastRow, &QLineEdit::textEdited, this, rowChanged);
  connect(edFieldNameRow, &QLineEdit::textEdited, this,
          [this](const QString& text) { Handle([&] { FState.FieldNameRowText = FromQString(text); }); });
  connect(chkShowFileHeader, &QCheckBox::clicked, this, [this](bool on) { Handle([&] { FState.ShowFileHeader = on; }); });
  connect(cbDateOrder, &QComboBox::currentIndexChanged, this,
          [this](int index) { Handle([&] { FState.DateOrderIndex = index; }); });
  connect(cbCustomDateFormat, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { Handle([&] { FState.CustomDateFormat = FromQString(text); }); });
  const std::pair<QLineEdit*, String TWizardFormState::*> texts[] = {
      {edDateDelimiter, &TWizardFormState::DateSeparatorText}, {edTimeDelimiter, &TWizardFormState::TimeSeparatorText},
      {edDecimal, &TWizardFormState::DecimalText},             {edThousand, &TWizardFormState::ThousandText},
      {edCurrency, &TWizardFormState::CurrencyText},           {edTrue, &TWizardFormState::TrueText},
      {edFalse, &TWizardFormState::FalseText}};
  for (const auto& [edit, member] : texts)
    connect(edit, &QLineEdit::textEdited, this,
            [this, member](const QString& text) { Handle([&] { FState.*member = FromQString(text); }); });
  connect(chkFourDigitYear, &QCheckBox::clicked, this, [this](bool on) { Handle([&] { FState.FourDigitYear = on; }); });
  connect(chkLeadingZeros, &QCheckBox::clicked, this,
          [this](bool on) { Handle([&] { FState.LeadingZerosInDate = on; }); });
  return page;
}

QWidget* TfrmVODWizard::BuildPage5() {
  auto* page = new QWidget(pnlPages);
  auto* layout = new QGridLayout(page);
  layout->setContentsMargins(0, 5, 0, 0);
  layout->setSpacing(0);
  lblBreakHelp = new QLabel(Lines(strLblStep5B), page);
  layout->addWidget(lblBreakHelp, 0, 0, 1, 2);
  layout->setRowMinimumHeight(1, 8);
  pbBreaks = new TWizardBreakBox(FBreakEditor, FState, FPreview.Sample, page);
  sbBreaksVert = new QScrollBar(Qt::Vertical, page);
  sbBreaksHorz = new QScrollBar(Qt::Horizontal, page);
  sbBreaksHorz->setRange(0, 1000);
  sbBreaksVert->setPageStep(5);
  layout->addWidget(pbBreaks, 2, 0);
  layout->addWidget(sbBreaksVert, 2, 1);
  layout->addWidget(sbBreaksHorz, 3, 0);
  layout->setRowStretch(2, 1);
  connect(sbBreaksHorz, &QScrollBar::valueChanged, this, [this](int value) {
    FBreakEditor.HorzOffset = value;
    pbBreaks->update();
  });
  connect(sbBreaksVert, &QScrollBar::valueChanged, this, [this](int value) {
    FBreakEditor.VertOffset = value;
    pbBreaks->update();
  });
  pbBreaks->OnBreaksChanged = [this] { sbBreaksHorz->setPageStep(std::max(pbBreaks->VisibleColumns(), 1)); };
  return page;
}

QWidget* TfrmVODWizard::BuildPage6() {
  auto* page = new QWidget(pnlPages);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 5, 0, 0);
  layout->setSpacing(0);
  sgPreview = MakeGrid(page);
  sgPreview->horizontalHeader()->setSectionsClickable(true);
  sgPreview->setCornerButtonEnabled(false);
  sgPreview->verticalHeader()->setMinimumWidth(34);
  layout->addWidget(sgPreview, 1);
  tabSheets = new QTabBar(page);
  tabSheets->setShape(QTabBar::RoundedSouth);
  tabSheets->setExpanding(false);
  tabSheets->hide();
  layout->addWidget(tabSheets);
  btnAutoMap = new QToolButton(sgPreview);
  btnAutoMap->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
  btnAutoMap->setToolTip(ToQString(strDetectAutoMap));
  btnAutoMap->setAutoRaise(true);
  btnAutoMap->setGeometry(8, 3, 20, 20);
  mnuColumns = new QMenu(this);
  connect(sgPreview->horizontalHeader(), &QHeaderView::sectionPressed, this,
          [this](int section) { ShowColumnMenu(section + 1, QCursor::pos()); });
  connect(btnAutoMap, &QToolButton::clicked, this, [this] {
    Handle([&] {
      FPreview.AutoMapColumns();
      FillFilePreview();
    });
  });
  connect(tabSheets, &QTabBar::currentChanged, this, [this](int index) {
    if (index < 0) return;
    Handle([&] {
      FPreview.SheetChanged(index);
      FillFilePreview();
    });
  });
  return page;
}

QWidget* TfrmVODWizard::BuildPage7() {
  auto* page = new QWidget(pnlPages);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 5, 0, 0);
  sgMappings = MakeGrid(page);
  sgMappings->setColumnCount(3);
  sgMappings->setHorizontalHeaderItem(0, new QTableWidgetItem(ToQString(strDestination)));
  sgMappings->setHorizontalHeaderItem(1, new QTableWidgetItem(ToQString(strSource)));
  sgMappings->setHorizontalHeaderItem(2, new QTableWidgetItem(KeyIcon(), QString()));
  sgMappings->setColumnWidth(0, 150);
  sgMappings->setColumnWidth(1, 150);
  sgMappings->setColumnWidth(2, 35);
  sgMappings->horizontalHeader()->setStretchLastSection(false);
  sgMappings->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  sgMappings->verticalHeader()->hide();
  sgMappings->verticalHeader()->setDefaultSectionSize(24);
  sgMappings->setItemDelegateForColumn(1, new TSourceDelegate(this));
  sgMappings->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                              QAbstractItemView::DoubleClicked);
  layout->addWidget(sgMappings);
  return page;
}

QWidget* TfrmVODWizard::BuildPage8() {
  auto* page = new QWidget(pnlPages);
  auto* layout = new QGridLayout(page);
  layout->setContentsMargins(0, 5, 0, 0);
  sgDataPreview = MakeGrid(page);
  layout->addWidget(sgDataPreview, 0, 0, 1, 3);
  layout->setRowStretch(0, 1);
  auto condition = [&](const String& caption, QCheckBox*& check, QLineEdit*& edit, QToolButton*& button, int row,
                       bool TWizardFormState::*checked, String TWizardFormState::*text) {
    check = new QCheckBox(ToQString(caption), page);
    edit = new QLineEdit(page);
    button = new QToolButton(page);
    button->setText(QStringLiteral("..."));
    layout->addWidget(check, row, 0);
    layout->addWidget(edit, row, 1);
    layout->addWidget(button, row, 2);
    connect(check, &QCheckBox::clicked, this, [this, checked](bool on) { Handle([&] { FState.*checked = on; }); });
    connect(edit, &QLineEdit::textEdited, this,
            [this, text](const QString& value) { Handle([&] { FState.*text = FromQString(value); }); });
    connect(button, &QToolButton::clicked, this, [this, text] {
      Handle([&] {
        String expression = FState.*text;
        if (EditExpression(expression)) FState.*text = expression;
      });
    });
  };
  condition(strLoadWhen, chkLoadWhen, edLoadWhen, btnLoadWhen, 1, &TWizardFormState::LoadWhenChecked,
            &TWizardFormState::LoadWhen);
  condition(strSkipIf, chkSkipIf, edSkipIf, btnSkipIf, 2, &TWizardFormState::SkipIfChecked, &TWizardFormState::SkipIf);
  return page;
}

QWidget* TfrmVODWizard::BuildPage9() {
  auto* page = new QWidget(pnlPages);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 5, 0, 0);
  rgMode = new QGroupBox(ToQString(strModeCaption), page);
  auto* modes = new QVBoxLayout(rgMode);
  auto* group = new QButtonGroup(this);
  const String* captions[6] = {&strMode1, &strMode2, &strMode3, &strMode4, &strMode5, &strMode6};
  for (int i = 0; i < 6; ++i) {
    rbMode[i] = new QRadioButton(ToQString(*captions[i]), rgMode);
    group->addButton(rbMode[i], i);
    modes->addWidget(rbMode[i]);
  }
  layout->addWidget(rgMode);
  layout->addStretch(1);
  connect(group, &QButtonGroup::idClicked, this, [this](int id) { Handle([&] { FState.ModeIndex = id; }); });
  return page;
}

// ---------------------------------------------------------------------------
// The format page

void TfrmVODWizard::RebuildFormatButtons() {
  // The category page's buttons are in both lists; each widget goes once.
  std::set<QWidget*> old(FCategoryControls.begin(), FCategoryControls.end());
  old.insert(FormatButtons.begin(), FormatButtons.end());
  old.erase(nullptr);
  for (QWidget* widget : old) delete widget;
  FormatButtons.clear();
  FCategoryControls.clear();
  FCategoryHeaders.clear();
  delete FFormatGroup;
  FFormatGroup = new QButtonGroup(this);
  FormatButtons.resize(FState.FormatItems.size(), nullptr);
  auto indexOf = [&](int type) {
    for (size_t i = 0; i < FState.FormatItems.size(); ++i)
      if (FState.FormatItems[i] == type) return static_cast<int>(i);
    return -1;
  };
  auto addButton = [&](int index, QWidget* parent) {
    auto* button = new QRadioButton(ToQString(GetCaptionForFormat(FState.FormatItems[static_cast<size_t>(index)])), parent);
    FormatButtons[static_cast<size_t>(index)] = button;
    FFormatGroup->addButton(button, index);
    return button;
  };
  if (FState.ShowCategories && FWizard != nullptr) {
    const String captions[6] = {strWMIW_Documents, strWMIW_Spreadsheets, strWMIW_Email,
                                strWMIW_Databases, strWMIW_Web,          strWMIW_Other};
    const QStyle::StandardPixmap icons[6] = {QStyle::SP_FileIcon,      QStyle::SP_FileDialogDetailedView,
                                             QStyle::SP_MessageBoxInformation, QStyle::SP_DriveHDIcon,
                                             QStyle::SP_DriveNetIcon,  QStyle::SP_DirIcon};
    const std::vector<TImportFormatTypes> blocks = CategoryBlocks(FWizard->Categories());
    for (size_t b = 0; b < blocks.size(); ++b) {
      std::vector<int> members;
      for (int type = 0; type < ImportTableTypeCount; ++type)
        if ((blocks[b] & ImportFormatBit(static_cast<TTableTypeImport>(type))) != 0 && indexOf(type) >= 0 &&
            FormatButtons[static_cast<size_t>(indexOf(type))] == nullptr)
          members.push_back(indexOf(type));
      if (members.empty()) continue;
      auto* header = new QLabel(QStringLiteral(" ") + ToQString(captions[b]), pnlCategory);
      header->setFixedSize(CategoryLabelWidth, CategoryLabelHeight);
      header->setStyleSheet(QStringLiteral("background: rgb(49,98,197); color: white; font-weight: bold"));
      FCategoryControls.push_back(header);
      auto* image = new QLabel(pnlCategory);
      image->setPixmap(style()->standardIcon(icons[b]).pixmap(24, 24));
      image->setFixedSize(24, 24);
      FCategoryControls.push_back(image);
      int height = CategoryLabelHeight + 1;
      for (int index : members) {
        QRadioButton* button = addButton(index, pnlCategory);
        button->setFixedWidth(CategoryLabelWidth + 24);
        FCategoryControls.push_back(button);
        height += button->sizeHint().height() + 1;
      }
      FCategoryHeaders.emplace_back(header, height);
      for (QWidget* control : FCategoryControls) control->show();
    }
    LayoutCategories();
  } else {
    auto* grid = static_cast<QGridLayout*>(rgTableType->layout());
    const int count = static_cast<int>(FState.FormatItems.size());
    const int columns = count < 6 ? 1 : 2;
    const int perColumn = (count + columns - 1) / columns;
    for (int i = 0; i < count; ++i) grid->addWidget(addButton(i, rgTableType), i % perColumn, i / perColumn);
  }
  connect(FFormatGroup, &QButtonGroup::idClicked, this, [this](int index) { Handle([&] { FState.FormatChosen(index); }); });
}

void TfrmVODWizard::LayoutCategories() {
  int y = 5;
  int x = 27;
  const int clientHeight = pnlCategory->height();
  size_t header = 0;
  for (QWidget* control : FCategoryControls) {
    if (header < FCategoryHeaders.size() && control == FCategoryHeaders[header].first) {
      if (y > 5 && clientHeight - y < FCategoryHeaders[header].second) {
        y = 5;
        x += CategoryLabelWidth + 27;
      }
      ++header;
      control->move(x, y);
      y += control->height() + 1;
    } else if (qobject_cast<QRadioButton*>(control) != nullptr) {
      control->move(x - 22, y);
      y += control->height() + 1;
    } else {
      control->move(x - 27, y - 23);
    }
  }
}

// ---------------------------------------------------------------------------
// State and widgets

void TfrmVODWizard::StateToWidgets() {
  std::vector<std::unique_ptr<QSignalBlocker>> blockers;
  for (QObject* object : findChildren<QObject*>()) blockers.push_back(std::make_unique<QSignalBlocker>(object));
  // Page 1
  if (FFormatGroup != nullptr) {
    FFormatGroup->setExclusive(false);
    for (size_t i = 0; i < FormatButtons.size(); ++i)
      if (FormatButtons[i] != nullptr) FormatButtons[i]->setChecked(static_cast<Integer>(i) == FState.FormatIndex);
    FFormatGroup->setExclusive(true);
  }
  rgTableType->setEnabled(FState.FormatGroup.Enabled);
  // Page 2
  SetText(edFileName, FState.FileName);
  SetAccess(edFileName, FState.FileNameBox);
  SetAccess(btnFileName, FState.FileNameBox);
  lblFileName->setVisible(FState.FileNameBox.Visible);
  if (cbTableNames->currentText() != ToQString(FState.TableName)) cbTableNames->setEditText(ToQString(FState.TableName));
  SetAccess(cbTableNames, FState.TableNameBox);
  SetAccess(lblTableName, FState.TableNameBox);
  cbOrigin->setCurrentIndex(FState.OriginIndex);
  SetAccess(cbOrigin, FState.OriginBox);
  lblOrigin->setVisible(FState.OriginBox.Visible);
  cbTrim->setCurrentIndex(FState.TrimIndex);
  SetAccess(cbTrim, FState.TrimBox);
  lblTrim->setVisible(FState.TrimBox.Visible);
  // Page 3
  rbDelimited->setChecked(!FState.Fixed);
  rbFixed->setChecked(FState.Fixed);
  SetAccess(rbDelimited, FState.DelimitedChoice);
  SetAccess(rbFixed, FState.FixedChoice);
  for (int i = 0; i < 6; ++i) rbDelimiter[i]->setChecked(i == FState.DelimiterIndex);
  SetAccess(rgSeparator, FState.DelimiterGroup);
  SetText(edOtherSymbol, FState.OtherSymbol);
  SetAccess(edOtherSymbol, FState.OtherSymbolBox);
  SetComboText(cbRecordSeparator, FState.RecordSeparatorText);
  SetAccess(cbRecordSeparator, FState.RecordSeparatorBox);
  lblRecordSeparator->setVisible(FState.RecordSeparatorBox.Visible);
  SetComboText(cbQualifier, FState.QualifierText);
  SetAccess(cbQualifier, FState.QualifierBox);
  lblQualifier->setVisible(FState.QualifierBox.Visible);
  SetText(edRecordsTag, FState.RecordsTag);
  SetText(edRecordTag, FState.RecordTag);
  SetText(edRowTag, FState.RowTag);
  chkXMLCaseSensitive->setChecked(FState.XMLCaseSensitive);
  SetAccess(gbXMLTags, FState.XMLTagGroup);
  cbOutlookItemType->setCurrentIndex(FState.OutlookItemType);
  rbOutlookDefFolder->setChecked(FState.OutlookDefaultFolder);
  rbOutlookCustomFolder->setChecked(!FState.OutlookDefaultFolder);
  tvOutlookFolders->setEnabled(!FState.OutlookDefaultFolder);
  chkLoadSubFolders->setChecked(FState.OutlookLoadSubFolders);
  // Page 4
  SetText(edFirstRow, FState.FirstRowText);
  SetAccess(edFirstRow, FState.FirstRowBox);
  lblFirstRow->setVisible(FState.FirstRowBox.Visible);
  SetText(edLastRow, FState.LastRowText);
  SetAccess(edLastRow, FState.LastRowBox);
  lblLastRow->setVisible(FState.LastRowBox.Visible);
  SetText(edFieldNameRow, FState.FieldNameRowText);
  SetAccess(edFieldNameRow, FState.FieldNameRowBox);
  lblFieldNameRow->setVisible(FState.FieldNameRowBox.Visible);
  chkShowFileHeader->setChecked(FState.ShowFileHeader);
  SetAccess(gbDataFormats, FState.DataFormatGroup);
  cbDateOrder->setCurrentIndex(FState.DateOrderIndex);
  const bool custom = FState.DateOrderIndex == DateOrderCustomIndex;
  pnlStandardDate->setVisible(!custom);
  pnlCustomDate->setVisible(custom);
  if (cbCustomDateFormat->currentText() != ToQString(FState.CustomDateFormat))
    cbCustomDateFormat->setEditText(ToQString(FState.CustomDateFormat));
  SetText(edDateDelimiter, FState.DateSeparatorText);
  SetText(edTimeDelimiter, FState.TimeSeparatorText);
  chkFourDigitYear->setChecked(FState.FourDigitYear);
  chkLeadingZeros->setChecked(FState.LeadingZerosInDate);
  SetText(edDecimal, FState.DecimalText);
  SetText(edThousand, FState.ThousandText);
  SetText(edCurrency, FState.CurrencyText);
  SetText(edTrue, FState.TrueText);
  SetText(edFalse, FState.FalseText);
  // Pages 5 to 9
  pbBreaks->OEM = FState.OriginIndex == csiASCII_MSDOS;
  SetAccess(pbBreaks, FState.BreakEditor);
  sbBreaksHorz->setVisible(FState.BreakEditor.Visible);
  sbBreaksVert->setVisible(FState.BreakEditor.Visible);
  SetAccess(sgPreview, FState.FilePreviewGrid);
  SetAccess(sgMappings, FState.MappingGrid);
  SetAccess(sgDataPreview, FState.DataPreviewGrid);
  const bool expressions = ExpressionBuilderAvailable();
  const std::tuple<QCheckBox*, QLineEdit*, QToolButton*, const TControlAccess&, bool, const String&> conditions[] = {
      {chkLoadWhen, edLoadWhen, btnLoadWhen, FState.LoadWhenCheck, FState.LoadWhenChecked, FState.LoadWhen},
      {chkSkipIf, edSkipIf, btnSkipIf, FState.SkipIfCheck, FState.SkipIfChecked, FState.SkipIf}};
  for (const auto& [check, edit, button, access, checked, text] : conditions) {
    SetAccess(check, access);
    check->setChecked(checked);
    SetText(edit, text);
    edit->setVisible(access.Visible);
    edit->setEnabled(access.Enabled && checked);
    button->setVisible(access.Visible && expressions);
    button->setEnabled(access.Enabled && checked);
  }
  SetAccess(rgMode, FState.ModeGroup);
  for (int i = 0; i < 6; ++i) {
    rbMode[i]->setChecked(i == FState.ModeIndex);
    rbMode[i]->setEnabled(FState.ModeEnabled[i]);
  }
  btnSpecifications->setVisible(FState.SpecificationButton.Visible);
}

void TfrmVODWizard::ShowStep() {
  const TWizardButtons& b = FSteps.Buttons();
  if (FSteps.CurStep() == 0) return;
  btnBack->setEnabled(b.BackEnabled);
  btnFirst->setEnabled(b.BackEnabled);
  btnNext->setEnabled(b.NextEnabled);
  btnLast->setEnabled(b.NextEnabled);
  btnNext->setDefault(b.NextEnabled);
  btnCancel->setDefault(!b.NextEnabled);
  btnCancel->setText(ToQString(b.CancelCaption));
  lblStep->setText(ToQString(b.StepLabel));
  lblHeaderCaption->setText(ToQString(b.Header));
  lblHeaderText->setText(ToQString(b.StepText));
  lblStepInfo->setText(ToQString(b.StepText));
  QWidget* page = FPageWidgets[b.Page];
  if (pnlPages->currentWidget() != page) {
    if (b.Page == wpStep5Fixed) {
      FBreakEditor.HorzOffset = FBreakEditor.VertOffset = 0;
      sbBreaksHorz->setValue(0);
      sbBreaksVert->setValue(0);
    }
    pnlPages->setCurrentWidget(page);
  }
}

void TfrmVODWizard::FillFilePreview() {
  const TPreviewGrid& grid = FPreview.Grid;
  const int columns = std::max(grid.ColCount() - 1, 0);
  const int rows = std::max(grid.RowCount() - 2, 0);
  sgPreview->clear();
  sgPreview->setColumnCount(columns);
  sgPreview->setRowCount(rows);
  const QColor mappedColour(239, 239, 239);
  const QColor fixedColour = palette().color(QPalette::Button);
  QFontMetrics metrics(sgPreview->horizontalHeader()->font());
  for (int c = 0; c < columns; ++c) {
    const String header = grid.Cell(c + 1, 0);
    const Integer line = GetMapIndex(FState.Mappings, header, false, FWizard);
    const bool mapped = line >= 0;
    String shown = header;
    if (mapped) {
      const String name = FState.Mappings.Get(line);
      shown = GetFieldCaption(FWizard, name.substr(0, name.find(u'=')));
    }
    auto* headerItem = new QTableWidgetItem(ToQString(shown) + QStringLiteral("  \u25BE"));
    headerItem->setToolTip(ToQString(header));
    sgPreview->setHorizontalHeaderItem(c, headerItem);
    int width = std::max(metrics.horizontalAdvance(headerItem->text()) + 25, 64);
    for (int r = 0; r < rows; ++r) {
      const String text = grid.Cell(c + 1, r + 2);
      QTableWidgetItem* item = ReadOnlyItem(text);
      if (r + 2 < grid.FixedRows) item->setBackground(fixedColour);
      else if (mapped) item->setBackground(mappedColour);
      sgPreview->setItem(r, c, item);
      if (!Trim(text).empty()) width = std::max(width, metrics.horizontalAdvance(ToQString(text)) + 15);
    }
    sgPreview->setColumnWidth(c, std::min(width, 150));
  }
  QStringList numbers;
  for (int r = 0; r < rows; ++r) numbers << ToQString(grid.Cell(0, r + 2)) + QStringLiteral(" ");
  sgPreview->setVerticalHeaderLabels(numbers);
  tabSheets->blockSignals(true);
  while (tabSheets->count() > 0) tabSheets->removeTab(0);
  for (const String& sheet : FState.Sheets) tabSheets->addTab(ToQString(sheet));
  if (FState.SheetIndex >= 0 && FState.SheetIndex < tabSheets->count()) tabSheets->setCurrentIndex(FState.SheetIndex);
  tabSheets->setVisible(!FState.Sheets.empty());
  tabSheets->blockSignals(false);
  btnAutoMap->raise();
}

void TfrmVODWizard::FillMappingGrid() {
  sgMappings->setRowCount(static_cast<int>(FState.MappingRows.size()));
  for (size_t r = 0; r < FState.MappingRows.size(); ++r) {
    const int row = static_cast<int>(r);
    const TMappingRow& mapping = FState.MappingRows[r];
    sgMappings->setItem(row, 0, ReadOnlyItem(mapping.Caption));
    auto* source = new QTableWidgetItem(QStringLiteral(" ") + ToQString(mapping.Source));
    sgMappings->setItem(row, 1, source);
    auto* cell = new QWidget(sgMappings);
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* key = new QCheckBox(cell);
    key->setChecked(mapping.Key);
    layout->addWidget(key, 0, Qt::AlignCenter);
    connect(key, &QCheckBox::toggled, this, [this, r](bool on) {
      if (r < FState.MappingRows.size()) FState.MappingRows[r].Key = on;
    });
    auto* keyItem = new QTableWidgetItem;
    keyItem->setFlags(Qt::ItemIsEnabled);
    sgMappings->setItem(row, 2, keyItem);
    sgMappings->setCellWidget(row, 2, cell);
  }
}

void TfrmVODWizard::FillDataPreview() {
  const int columns = std::max(FDataGrid.ColCount() - 1, 0);
  const int rows = std::max(FDataGrid.RowCount() - 1, 0);
  sgDataPreview->clear();
  sgDataPreview->setColumnCount(columns);
  sgDataPreview->setRowCount(rows);
  QStringList headers;
  for (int c = 0; c < columns; ++c) headers << ToQString(FDataGrid.Cell(c + 1, 0));
  sgDataPreview->setHorizontalHeaderLabels(headers);
  QStringList numbers;
  for (int r = 0; r < rows; ++r) {
    numbers << ToQString(FDataGrid.Cell(0, r + 1)) + QStringLiteral(" ");
    for (int c = 0; c < columns; ++c) sgDataPreview->setItem(r, c, ReadOnlyItem(FDataGrid.Cell(c + 1, r + 1)));
  }
  sgDataPreview->setVerticalHeaderLabels(numbers);
  sgDataPreview->resizeColumnsToContents();
  for (int c = 0; c < columns; ++c) sgDataPreview->setColumnWidth(c, std::min(sgDataPreview->columnWidth(c) + 10, 150));
}

void TfrmVODWizard::ShowColumnMenu(int column, const QPoint& globalPos) {
  const String header = FPreview.Grid.Cell(column, 0);
  if (header.empty()) return;
  FPreviewColumn = column;
  mnuColumns->clear();
  const Integer line = GetMapIndex(FState.Mappings, header, false, FWizard);
  String first = header;
  if (line >= 0) {
    const String text = FState.Mappings.Get(line);
    first = text.substr(text.find(u'=') + 1);
  }
  QAction* unmap = mnuColumns->addAction(ToQString(first));
  connect(unmap, &QAction::triggered, this, [this] {
    Handle([&] {
      FPreview.MapColumn(FPreviewColumn, String());
      FillFilePreview();
    });
  });
  mnuColumns->addSeparator();
  for (int i = 0; i < FState.Mappings.Count(); ++i) {
    const String text = FState.Mappings.Get(i);
    const String caption = GetFieldCaption(FWizard, text.substr(0, text.find(u'=')));
    QAction* action = mnuColumns->addAction(ToQString(caption));
    action->setCheckable(true);
    action->setChecked(i == line);
    connect(action, &QAction::triggered, this, [this, caption] {
      Handle([&] {
        FPreview.MapColumn(FPreviewColumn, caption);
        FillFilePreview();
      });
    });
  }
  mnuColumns->popup(globalPos);
}

bool TfrmVODWizard::ExpressionBuilderAvailable() const {
  return FWizard != nullptr && FWizard->UserAccess().UseExpressionBuilder &&
         static_cast<bool>(ImportWizardDialogs().EditExpression);
}

bool TfrmVODWizard::EditExpression(String& expression) {
  if (!ExpressionBuilderAvailable()) return false;
  return ImportWizardDialogs().EditExpression(this, *FWizard, SourceFields(), expression);
}

TWideStrings TfrmVODWizard::SourceFields() const {
  TWideStrings fields;
  for (const String& name : FPreview.FieldList)
    if (!name.empty()) fields.Add(name);
  return fields;
}

void TfrmVODWizard::SetMappingSource(int row, const String& text) {
  String source = Trim(text);
  for (const String& name : FPreview.FieldList)
    if (!name.empty() && name == source) source = GetNormalizedFieldName(source, true);
  FState.SetRowSource(static_cast<size_t>(row), source, FWizard);
}

void TfrmVODWizard::BrowseFile() {
  // An ADO source names a connection: the data-link dialog builds its string.
  if (FState.TableType() == teADO) {
    const String chosen = PromptDataSource(this, FState.FileName);
    if (chosen == FState.FileName) return;
    FState.FileName = chosen;
    FState.FileChanged();
    FillTableNames();
    return;
  }
  String ext, filter;
  GetFormatExtFilter(FState.TableType(), ext, filter);
  TFileDialogRequest request;
  request.Parent = this;
  request.Open = true;
  request.Filter = filter;
  request.InitialDir = FWizard != nullptr ? FWizard->InitialDir : String();
  request.Title = strSaveDlgTitle;
  request.FileName = FState.FileName;
  if (!ShowFileDialog(request)) return;
  FState.FileName = request.FileName;
  FState.FileChanged();
  if (FState.TableType() == teAccess) FillTableNames();
}

// The tables of the chosen database or connection, offered in the table box;
// a source that cannot be listed leaves the box to be typed in.
void TfrmVODWizard::FillTableNames() {
  std::vector<String> names;
  try {
    if (FState.TableType() == teADO)
      GetADOTables(names, FState.FileName, false);
    else
      GetAccessTables(names, FState.FileName, String(), String());
  } catch (const Exception&) {
    names.clear();
  }
  const QString typed = cbTableNames->currentText();
  cbTableNames->clear();
  for (const String& name : names) cbTableNames->addItem(ToQString(name));
  cbTableNames->setEditText(typed);
}

// ---------------------------------------------------------------------------
// The form's life

void TfrmVODWizard::Prepare() {
  FState.ShowFileHeader = FWizard->ShowFileHeader;
  const bool band = FWizard->WizardStyle == wsWindows2000;
  pnlHeader->setVisible(band);
  lblStep->setVisible(!band);
  lblStepInfo->setVisible(!band);
  setWindowTitle(ToQString(FWizard->Title.empty() ? String(strVODWizardCaption) : FWizard->Title));
  pnlSideBand->setVisible(FWizard->ShowPicture);
  setWindowIcon(QApplication::windowIcon());
  PropertiesToControls();
  resize(FWizard->ShowPicture ? FormWidth : FormWidth - pnlSideBand->width(), FormHeight);
  setMinimumSize(size());
}

void TfrmVODWizard::PropertiesToControls() {
  ::PropertiesToControls(*FWizard, FState);
  RebuildFormatButtons();
  StateToWidgets();
  if (FSteps.CurStep() > 0) ShowStep();
}

void TfrmVODWizard::SetRestrictionToControls() {
  ::SetRestrictionToControls(FWizard->UserAccess(), FState);
  StateToWidgets();
}

void TfrmVODWizard::ControlsToProperties(TRADerevuBaseComponent& component) {
  ::ControlsToProperties(FState, component);
}

bool TfrmVODWizard::ShowModal() {
  FSteps.SetCurStep(STEP_FILETYPE);
  StateToWidgets();
  ShowStep();
  FClosing = false;
  exec();
  return FSteps.CancelFlag;
}

void TfrmVODWizard::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FState.TextChanged = true;
}

void TfrmVODWizard::CancelClicked() {
  FSteps.CancelButtonPressed();
  Guarded([&] {
    if (!FSteps.CloseQuery()) return;
    FClosing = true;
    done(FSteps.CancelFlag ? QDialog::Rejected : QDialog::Accepted);
  });
}

void TfrmVODWizard::reject() {
  if (FClosing) {
    QDialog::reject();
    return;
  }
  // Escape quits only while Next is enabled (not on the last page).
  if (btnNext->isEnabled()) CancelClicked();
}

void TfrmVODWizard::closeEvent(QCloseEvent* event) {
  if (FClosing) {
    event->accept();
    return;
  }
  bool close = false;
  Guarded([&] { close = FSteps.CloseQuery(); });
  if (!close) {
    event->ignore();
    return;
  }
  FClosing = true;
  event->accept();
  done(FSteps.CancelFlag ? QDialog::Rejected : QDialog::Accepted);
}

void TfrmVODWizard::keyPressEvent(QKeyEvent* event) {
  const int step = event->key() - Qt::Key_0;
  if (event->modifiers() == Qt::AltModifier && step >= 1 && step <= TWizardSteps::StepCount) {
    Handle([&] { FSteps.GoToward(step); });
    return;
  }
  QDialog::keyPressEvent(event);
}

void InstallImportWizardForm() {
  ImportWizardDialogs().ShowSpecifications = [](TSMIWizardDlg& wizard) { wizard.ShowSpecificationDialog(); };
  ImportWizardDialogs().EditExpression = ExecuteExpressionBuilder;
  SetImportWizardFormFactory([](TSMIWizardDlg& wizard) -> std::unique_ptr<IImportWizardForm> {
    return std::make_unique<TfrmVODWizard>(&wizard, QApplication::activeWindow());
  });
}
