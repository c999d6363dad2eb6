#pragma once

#include <QMainWindow>

namespace qp::app {

// The main window (skeleton): project, groups and plates come with the
// main window's commands.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
};

}  // namespace qp::app
