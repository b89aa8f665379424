#include "platform/gui/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

#include "platform/gui/QtStrings.h"
#include "platform/rtl/FileDialog.h"

namespace {

// "Text|*.txt|All files|*" becomes "Text (*.txt);;All files (*)".
QString QtFilter(const String& filter) {
  const QStringList parts = ToQString(filter).split(u'|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return out.join(QStringLiteral(";;"));
}

bool ShowQtFileDialog(TFileDialogRequest& request) {
  QWidget* parent = static_cast<QWidget*>(request.Parent);
  QString dir = ToQString(request.InitialDir);
  if (!request.FileName.empty()) dir = ToQString(request.FileName);
  const QString filter = QtFilter(request.Filter);
  const QString title = ToQString(request.Title);
  // The open dialog takes only files that exist; the save dialog asks
  // before it overwrites.
  const QString chosen = request.Open ? QFileDialog::getOpenFileName(parent, title, dir, filter)
                                      : QFileDialog::getSaveFileName(parent, title, dir, filter);
  if (chosen.isEmpty()) return false;
  request.FileName = FromQString(chosen);
  return true;
}

}  // namespace

void InstallQtFileDialogs() { SetFileDialogHandler(ShowQtFileDialog); }
