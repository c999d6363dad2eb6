#pragma once
// For the widget tests: one application object for the test program, and
// answering modal dialogs, which block the test until they close.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/application.h"

namespace qp::test {

inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Kept to the end of the program on purpose: destroying it among the
  // static destructors would run after Qt's own globals are gone.
  static app::Application* application = new app::Application(argc, argv);
  return *application;
}

// Calls `answer` with the next modal window once it is shown; the answer
// must close it. A window still open after the answer is answered again: on
// a busy machine a file dialog may not have taken in the file chosen yet, and
// then stays open. Gives up (and closes nothing) after about thirty seconds,
// as giving up early leaves the test waiting on the window for ever.
inline void AnswerNextModal(std::function<void(QWidget*)> answer, int tries = 3000,
                            QWidget* answered = nullptr) {
  QTimer::singleShot(10, [answer = std::move(answer), tries, answered]() mutable {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible() && (!answered || modal == answered)) {
      answer(modal);
      if (tries > 0 && modal == QApplication::activeModalWidget() && modal->isVisible()) {
        AnswerNextModal(std::move(answer), tries - 1, modal);
      }
    } else if (tries > 0 && !answered) {
      AnswerNextModal(std::move(answer), tries - 1);
    }
  });
}

// What a message box showed.
struct SeenMessage {
  QString title;
  QString text;
  int buttons = 0;
};

inline void AnswerNextMessageBox(std::shared_ptr<SeenMessage> seen) {
  AnswerNextModal([seen](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen->title = box->windowTitle();
      seen->text = box->text();
      seen->buttons = static_cast<int>(box->buttons().size());
    }
    modal->close();
  });
}

}  // namespace qp::test
