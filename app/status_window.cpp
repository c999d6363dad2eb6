#include "app/status_window.h"

#include "app/window_places.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace qp::app {

StatusWindow::StatusWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName("TForm7");
  setWindowTitle("Process status");
  memo_ = new QPlainTextEdit;
  memo_->setObjectName("Memo1");
  memo_->setReadOnly(true);
  progress_ = new QProgressBar;
  progress_->setRange(0, 1);
  progress_->setValue(0);
  cancel_ = new QPushButton("Cancel");
  cancel_->setObjectName("Button1");
  connect(cancel_, &QPushButton::clicked, this, [this] { RequestStop(); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(memo_);
  layout->addWidget(progress_);
  layout->addWidget(cancel_, 0, Qt::AlignRight);
  resize(420, 300);
}

void StatusWindow::Start(int plates_to_build) {
  memo_->clear();
  // A range of 0 to 0 would show a busy bar, so an empty build counts to 1
  // while its text still says "0 / 0".
  progress_->setRange(0, std::max(plates_to_build, 1));
  progress_->setFormat("%v / " + QString::number(std::max(plates_to_build, 0)));
  progress_->setValue(0);
  stop_requested_ = false;
  if (!isVisible()) CentreOnParent(*this);
  show();
  raise();
}

void StatusWindow::AddLine(const std::string& line) {
  memo_->appendPlainText(QString::fromStdString(line));
}

void StatusWindow::PlateDone() {
  progress_->setValue(std::min(progress_->value() + 1, progress_->maximum()));
}

void StatusWindow::Pump() {
  QCoreApplication::processEvents();
}

void StatusWindow::Finish() {
  hide();
}

}  // namespace qp::app
