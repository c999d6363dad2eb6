#include "app/main_window.h"

namespace qp::app {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle("Quarrin Plates compiler");
  resize(800, 600);
}

}  // namespace qp::app
