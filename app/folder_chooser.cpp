#include "app/folder_chooser.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace qp::app {

QString DriveOf(const QString& folder, const QStringList& roots) {
  QString best = "/";
  for (const QString& root : roots) {
    const QString withSlash = root.endsWith('/') ? root : root + '/';
    const bool inside = folder == root || folder.startsWith(withSlash);
    if (inside && root.size() > best.size()) best = root;
  }
  return best;
}

FolderChooser::FolderChooser(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm6");
  setWindowTitle("Select folder");
  setModal(true);

  drives_ = new QComboBox;
  drives_->setObjectName("driveList");
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath("/");
  folders_ = new QTreeView;
  folders_->setObjectName("folderList");
  folders_->setModel(model_);
  folders_->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column) folders_->hideColumn(column);
  path_label_ = new QLabel;
  path_label_->setObjectName("folderPath");
  auto* ok = new QPushButton("OK");
  ok->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(path_label_);
  layout->addWidget(folders_, 1);
  layout->addWidget(drives_);
  layout->addWidget(ok, 0, Qt::AlignRight);
  resize(360, 420);

  FillDrives();
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(drives_, &QComboBox::currentTextChanged, this, [this](const QString& root) {
    ShowDrive(root);
    Select(root);
  });
  connect(folders_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) Select(model_->filePath(current));
          });
}

void FolderChooser::FillDrives() {
  QStringList roots = {"/"};
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath())) {
      roots << volume.rootPath();
    }
  }
  roots.sort();
  const QSignalBlocker blocker(drives_);
  drives_->clear();
  drives_->addItems(roots);
}

void FolderChooser::ShowDrive(const QString& root) {
  folders_->setRootIndex(model_->index(root));
}

void FolderChooser::Select(const QString& folder) {
  selected_ = folder;
  path_label_->setText(folder);
}

void FolderChooser::SetFolder(const QString& folder) {
  QString path = folder.isEmpty() ? QDir::currentPath() : QDir::cleanPath(folder);
  while (!QFileInfo(path).isDir() && path != "/" && !path.isEmpty()) {
    path = QFileInfo(path).path();
  }
  if (path.isEmpty() || !QFileInfo(path).isDir()) path = "/";
  QStringList roots;
  for (int i = 0; i < drives_->count(); ++i) roots << drives_->itemText(i);
  const QString drive = DriveOf(path, roots);
  {
    const QSignalBlocker blocker(drives_);
    drives_->setCurrentText(drive);
  }
  ShowDrive(drive);
  const QModelIndex index = model_->index(path);
  {
    const QSignalBlocker blocker(folders_->selectionModel());
    folders_->setCurrentIndex(index);
  }
  folders_->scrollTo(index);
  Select(path);
}

QString FolderChooser::Choose(const QString& folder) {
  SetFolder(folder);
  exec();
  return selected_;
}

}  // namespace qp::app
