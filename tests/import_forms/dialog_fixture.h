// Helpers for driving modal dialogs under the offscreen platform: acting on
// the dialog once it is shown, answering message boxes, and saving a
// picture of a dialog in the Carlito font for a look.
#pragma once

#include <QApplication>
#include <QFont>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gui/Dialogs.h"

// Runs act on the first modal dialog of type T once it is shown; act must
// close it.
template <class T>
void OnModal(std::function<void(T&)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    timer->stop();
    timer->deleteLater();
    act(*dialog);
  });
  timer->start();
}

// Records the message boxes and answers each with answer.
struct MessageRecorder {
  std::vector<TMessageRequest> Shown;
  bool Answer = true;
  MessageRecorder() {
    SetMessageBoxHandler([this](const TMessageRequest& request) {
      Shown.push_back(request);
      return Answer;
    });
  }
  ~MessageRecorder() { SetMessageBoxHandler(nullptr); }
};

// The dialogs' font as the editor sets it: Calibri 9, served by Carlito.
inline void UseDialogFont() {
  QFont::insertSubstitution(QStringLiteral("Calibri"), QStringLiteral("Carlito"));
  QApplication::setFont(QFont(QStringLiteral("Calibri"), 9));
}

// Saves a picture of the widget under the build folder; true when written.
inline bool SavePicture(QWidget& widget, const char* name) {
  const std::filesystem::path dir = IMPORT_FORMS_ARTEFACTS;
  std::filesystem::create_directories(dir);
  return widget.grab().save(QString::fromStdString((dir / name).string()));
}

// The row of the entry with that text; -1 when none.
inline int RowOf(const QListWidget& list, const char* text) {
  for (int i = 0; i < list.count(); ++i)
    if (list.item(i)->text() == QString::fromUtf8(text)) return i;
  return -1;
}

// Clicks the entry with that text, or double-clicks it.
inline void ClickRow(QListWidget& list, const char* text, bool twice = false) {
  const int row = RowOf(list, text);
  if (row < 0) {
    ADD_FAILURE() << "no entry " << text;
    return;
  }
  const QPoint at = list.visualItemRect(list.item(row)).center();
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
  if (twice) QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
}
