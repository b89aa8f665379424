#include "export/forms/PromptDataSource.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/gui/QtStrings.h"
#include "platform/rtl/Strings.h"

namespace {

QListWidget* SourceList(const std::vector<TOdbcSource>& sources) {
  auto* list = new QListWidget;
  for (const TOdbcSource& source : sources) {
    auto* item = new QListWidgetItem(ToQString(source.Name), list);
    item->setToolTip(ToQString(source.Description));
  }
  list->setMinimumSize(200, 140);
  return list;
}

void SelectByName(QListWidget* list, const String& name) {
  QListWidgetItem* found = nullptr;
  for (int i = 0; i < list->count() && found == nullptr; ++i)
    if (!name.empty() && SameText(FromQString(list->item(i)->text()), name)) found = list->item(i);
  list->setCurrentItem(found);
  if (found == nullptr) list->clearSelection();
}

}  // namespace

TfrmDataLink::TfrmDataLink(const String& initialString, QWidget* parent) : QDialog(parent), FModel(initialString) {
  setWindowTitle(QStringLiteral("Data Link Properties"));
  FModel.Refresh();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Select the data you want to connect to:")));
  auto* lists = new QHBoxLayout;
  auto* drivers = new QGroupBox(QStringLiteral("ODBC drivers"));
  (new QVBoxLayout(drivers))->addWidget(lbDrivers = SourceList(FModel.Drivers()));
  auto* sources = new QGroupBox(QStringLiteral("Data sources"));
  (new QVBoxLayout(sources))->addWidget(lbDataSources = SourceList(FModel.DataSources()));
  lists->addWidget(drivers);
  lists->addWidget(sources);
  layout->addLayout(lists);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("User name:"), edUserName = new QLineEdit);
  form->addRow(QStringLiteral("Password:"), edPassword = new QLineEdit);
  edPassword->setEchoMode(QLineEdit::Password);
  form->addRow(QStringLiteral("Connection string:"), edConnectionString = new QLineEdit);
  edConnectionString->setMinimumWidth(380);
  layout->addLayout(form);

  auto* test = new QHBoxLayout;
  test->addWidget(btnTest = new QPushButton(QStringLiteral("Test Connection")));
  test->addWidget(lblTestResult = new QLabel, 1);
  lblTestResult->setWordWrap(true);
  layout->addLayout(test);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  connect(lbDrivers, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    FModel.ChooseDriver(FromQString(item->text()));
    ShowModel();
  });
  connect(lbDataSources, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    FModel.ChooseDataSource(FromQString(item->text()));
    ShowModel();
  });
  connect(edUserName, &QLineEdit::textEdited, this, [this](const QString& text) {
    FModel.SetUserName(FromQString(text));
    ShowModel();
  });
  connect(edPassword, &QLineEdit::textEdited, this, [this](const QString& text) {
    FModel.SetPassword(FromQString(text));
    ShowModel();
  });
  connect(edConnectionString, &QLineEdit::textEdited, this, [this](const QString& text) {
    FModel.SetConnectionString(FromQString(text));
    ShowModel();
  });
  connect(btnTest, &QPushButton::clicked, this, [this] { TestConnection(); });
  ShowModel();
}

void TfrmDataLink::ShowModel() {
  if (FShowing) return;
  FShowing = true;
  SelectByName(lbDrivers, FModel.Driver());
  SelectByName(lbDataSources, FModel.DataSource());
  // An edit being typed in keeps its cursor: only the others are refilled.
  const auto fill = [](QLineEdit* edit, const String& text) {
    if (!edit->hasFocus() || FromQString(edit->text()) != text) {
      if (!edit->hasFocus()) edit->setText(ToQString(text));
    }
  };
  fill(edUserName, FModel.UserName());
  fill(edPassword, FModel.Password());
  fill(edConnectionString, FModel.ConnectionString());
  FShowing = false;
}

void TfrmDataLink::TestConnection() {
  const String error = FModel.TestConnection();
  lblTestResult->setText(error.empty() ? QStringLiteral("Test connection succeeded.")
                                       : QStringLiteral("Test connection failed: ") + ToQString(error));
}

String PromptDataSource(QWidget* parent, const String& initialString) {
  TfrmDataLink dialog(initialString, parent);
  return dialog.exec() == QDialog::Accepted ? dialog.Model().ConnectionString() : initialString;
}
