#pragma once
// The application object: its error handler shows the message of any error
// that reaches the event loop in a message box, and the program goes on.

#include <QApplication>

namespace qp::app {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace qp::app
