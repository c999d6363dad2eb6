#include "app/application.h"

#include <exception>

#include "app/message_box.h"

namespace qp::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(kApplicationTitle);
  setDesktopFileName("quarrin-plates");
  // The program ends when the main window closes, not when its last
  // visible window does.
  setQuitOnLastWindowClosed(false);
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowMessageBox(activeWindow(), QString::fromUtf8(error.what()));
  }
  return false;
}

}  // namespace qp::app
