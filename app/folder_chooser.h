#pragma once
// The drive and folder chooser: a list of drives (the file-system roots: "/"
// and the mount points), the folder tree of the chosen drive, a label with
// the selected folder's path, and "OK". Modal.

#include <QDialog>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QTreeView;

namespace qp::app {

class FolderChooser : public QDialog {
  Q_OBJECT

 public:
  explicit FolderChooser(QWidget* parent = nullptr);

  // Sets the drive list to the folder's drive and the folder list to the
  // folder (its nearest existing parent when it does not exist; the current
  // folder when the text is empty).
  void SetFolder(const QString& folder);
  QString SelectedFolder() const { return selected_; }
  // Shows the chooser modally at `folder` and returns the selected folder,
  // whichever way it was closed.
  QString Choose(const QString& folder);

  QComboBox* DriveList() const { return drives_; }
  QTreeView* FolderList() const { return folders_; }
  QLabel* PathLabel() const { return path_label_; }

 private:
  void FillDrives();
  void ShowDrive(const QString& root);
  void Select(const QString& folder);

  QComboBox* drives_;
  QTreeView* folders_;
  QFileSystemModel* model_;
  QLabel* path_label_;
  QString selected_;
};

// The drive of a folder: the longest root of `roots` that contains it.
QString DriveOf(const QString& folder, const QStringList& roots);

using TForm6 = FolderChooser;

}  // namespace qp::app
