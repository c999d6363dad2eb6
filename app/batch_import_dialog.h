#pragma once
// The batch import dialog: the project's five import settings, edited in
// place, with "Process", "Cancel" and "Browse folder". Its fields are filled
// from the project each time it becomes the active window; every change goes
// to the project at once without marking it modified, except the folder
// chosen through "Browse folder".

#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qp {
class Project;
}

namespace qp::app {

class FolderChooser;

inline constexpr const char* kBatchImportCaption = "Plate import batch processing";

class BatchImportDialog : public QDialog {
  Q_OBJECT

 public:
  // The project must outlive the dialog.
  explicit BatchImportDialog(Project& project, QWidget* parent = nullptr);

  // What "Process" runs; the dialog stays open.
  void SetProcessHandler(std::function<void()> handler) { process_ = std::move(handler); }
  // The chooser that "Browse folder" shows; without one the button does
  // nothing.
  void AttachFolderChooser(FolderChooser* chooser) { chooser_ = chooser; }
  // The folder last chosen through "Browse folder"; the chooser opens there
  // when the folder field is empty.
  const QString& LastFolder() const { return last_folder_; }
  void SetLastFolder(const QString& folder) { last_folder_ = folder; }

  // Fills the fields from the project's settings.
  void FillFromProject();

  QLineEdit* PrefixField() const { return prefix_; }
  QLineEdit* FolderField() const { return folder_; }
  QButtonGroup* ScalingChoice() const { return scaling_; }
  QCheckBox* ConfirmBox() const { return confirm_; }
  QCheckBox* GeoReferenceBox() const { return georef_; }
  QButtonGroup* OptionChoice() const { return options_; }
  QPushButton* ProcessButton() const { return process_button_; }
  QPushButton* CancelButton() const { return cancel_button_; }
  QPushButton* BrowseButton() const { return browse_button_; }

 protected:
  bool event(QEvent* event) override;

 private:
  void Browse();

  Project& project_;
  std::function<void()> process_;
  FolderChooser* chooser_ = nullptr;
  QString last_folder_;
  QLineEdit* prefix_;
  QLineEdit* folder_;
  QButtonGroup* scaling_;
  QCheckBox* confirm_;
  QCheckBox* georef_;
  QButtonGroup* options_;
  QPushButton* process_button_;
  QPushButton* cancel_button_;
  QPushButton* browse_button_;
};

using TForm10 = BatchImportDialog;

}  // namespace qp::app
