#pragma once
// The process status window: the build's progress lines, a progress
// bar of plates done, and "Cancel". Shown without being modal.

#include <QWidget>

#include "app/core/build_commands.h"

class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace qp::app {

class StatusWindow : public QWidget, public BuildStatus {
  Q_OBJECT

 public:
  explicit StatusWindow(QWidget* parent = nullptr);

  void Start(int plates_to_build) override;
  void AddLine(const std::string& line) override;
  void PlateDone() override;
  bool StopRequested() const override { return stop_requested_; }
  void Pump() override;
  void Finish() override;

  // What "Cancel" does: the build stops after the plate in progress.
  void RequestStop() { stop_requested_ = true; }

  QPlainTextEdit* Lines() const { return memo_; }
  QProgressBar* Progress() const { return progress_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  QPlainTextEdit* memo_;
  QProgressBar* progress_;
  QPushButton* cancel_;
  bool stop_requested_ = false;
};

using TForm7 = StatusWindow;

}  // namespace qp::app
