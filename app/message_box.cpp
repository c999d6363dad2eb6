#include "app/message_box.h"

#include <QMessageBox>

namespace qp::app {

void ShowMessageBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace qp::app
