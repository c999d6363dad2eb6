#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QUndoStack>
#include <QVBoxLayout>

#include "app/batch_import_dialog.h"
#include "app/folder_chooser.h"
#include "app/group_file_viewer.h"
#include "app/group_name_editor.h"
#include "app/message_box.h"
#include "app/plate_list_widget.h"
#include "app/status_window.h"
#include "app/window_places.h"
#include "pdf/core/pdf_facade.h"

namespace qp::app {

// One recorded edit on the undo stack. Pushing it runs redo(), which
// finds the edit already done.
class EditCommand : public QUndoCommand {
 public:
  EditCommand(MainWindow& window, std::unique_ptr<ProjectEdit> edit)
      : QUndoCommand(QString::fromStdString(edit->Text())),
        window_(window),
        edit_(std::move(edit)) {}
  void undo() override {
    if (!window_.presenter_->ApplyEdit(*edit_, true)) window_.edit_failed_ = true;
  }
  void redo() override {
    if (!done_) {
      done_ = true;
      return;
    }
    if (!window_.presenter_->ApplyEdit(*edit_, false)) window_.edit_failed_ = true;
  }

 private:
  MainWindow& window_;
  std::unique_ptr<ProjectEdit> edit_;
  bool done_ = false;
};

MainWindow::MainWindow(const std::string& application_folder, QWidget* parent)
    : QMainWindow(parent) {
  setObjectName("TForm1");
  setWindowTitle(kMainWindowCaption);
  export_folder_ = application_folder + "Export";
  undo_stack_ = new QUndoStack(this);
  BuildLayout();
  BuildMenus();
  pdf_document_ = std::make_unique<pdf::TPDFDocument>();
  presenter_ = std::make_unique<MainPresenter>(*this, application_folder);
  presenter_->Start();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildLayout() {
  auto* central = new QWidget;
  auto* layout = new QGridLayout(central);

  auto* project_row = new QHBoxLayout;
  project_row->addWidget(new QLabel("Active project:"));
  active_project_ = new QLineEdit("No project loaded");
  active_project_->setReadOnly(true);
  active_project_->setFocusPolicy(Qt::NoFocus);
  project_row->addWidget(active_project_, 1);
  layout->addLayout(project_row, 0, 0, 1, 2);

  layout->addWidget(new QLabel("Plate groups (plates grouped by airport etc)"), 1, 0);
  group_list_ = new QListWidget;
  group_list_->setObjectName("groupList");
  group_list_->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(group_list_, 3, 0);

  layout->addWidget(new QLabel("Plates in group (right click to add/delete etc)"), 1, 1);
  layout->addWidget(new QLabel("Double click to open plates property editor and viewer"), 2, 1);
  auto* plate_list = new PlateListWidget;
  plate_list_ = plate_list;
  plate_list_->setObjectName("plateList");
  plate_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  layout->addWidget(plate_list_, 3, 1);
  layout->setColumnStretch(0, 2);
  layout->setColumnStretch(1, 3);

  // Enabled once the batch import dialog is attached.
  batch_import_ = new QPushButton("Batch import plates");
  batch_import_->setEnabled(false);
  connect(batch_import_, &QPushButton::clicked, this, &MainWindow::OpenBatchImport);
  layout->addWidget(batch_import_, 4, 1, Qt::AlignRight);

  setCentralWidget(central);
  statusBar();
  resize(900, 560);

  // A newly selected line (click or keyboard) selects its group; a click on
  // the line that is already selected selects it again, which reloads it.
  // The current line alone (set by focus) does not count.
  connect(group_list_, &QListWidget::itemSelectionChanged, this, [this] {
    group_selection_changed_ = true;
    if (const int row = SelectedGroupLine(); row >= 0) presenter_->GroupSelected(row);
  });
  connect(group_list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (!group_selection_changed_ && item->isSelected())
      presenter_->GroupSelected(group_list_->row(item));
    group_selection_changed_ = false;
  });
  connect(plate_list_, &QListWidget::itemClicked, this, [this] { presenter_->PlateClicked(); });
  connect(plate_list, &PlateListWidget::LinesDropped, this,
          [this](int target) { presenter_->MovePlatesTo(target); });
  connect(plate_list, &PlateListWidget::FilesDropped, this, &MainWindow::DropFiles);
  // A double click anywhere on the plate list, on a line or below the
  // last one, edits CurrentPlate.
  plate_list_->viewport()->installEventFilter(this);
}

void MainWindow::RememberPlace(QWidget* window, const std::string& key) {
  const std::map<std::string, WindowPlace>& windows = presenter_->Places().windows;
  if (const auto found = windows.find(key); found != windows.end()) {
    RestorePlace(*window, found->second);
  }
  place_keys_[window] = key;
  if (window != this) window->installEventFilter(this);
}

void MainWindow::RecordPlace(QWidget* window) {
  const auto found = place_keys_.find(window);
  if (found != place_keys_.end()) presenter_->Places().windows[found->second] = PlaceOf(*window);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Hide && watched->isWidgetType()) {
    RecordPlace(static_cast<QWidget*>(watched));
  }
  if (watched == plate_list_->viewport() && event->type() == QEvent::MouseButtonDblClick &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    presenter_->EditPlateDetails();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

QAction* MainWindow::AddAction(QWidget* owner, const QString& text,
                               void (MainPresenter::*command)()) {
  auto* action = new QAction(text, owner);
  owner->addAction(action);
  connect(action, &QAction::triggered, this, [this, command] { ((*presenter_).*command)(); });
  return action;
}

namespace {

void AddSeparator(QWidget* owner) {
  auto* separator = new QAction(owner);
  separator->setSeparator(true);
  owner->addAction(separator);
}

}  // namespace

void MainWindow::BuildMenus() {
  project_menu_ = menuBar()->addMenu("&Project");
  AddAction(project_menu_, "&New project", &MainPresenter::NewProject)
      ->setShortcut(QKeySequence::New);
  AddAction(project_menu_, "&Open project", &MainPresenter::OpenProject)
      ->setShortcut(QKeySequence::Open);
  recent_menu_ = project_menu_->addMenu("&Recent projects");
  recent_menu_->setEnabled(false);
  build_selected_ = new QAction("&Build project (Build only selected groups)", project_menu_);
  build_selected_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
  connect(build_selected_, &QAction::triggered, this,
          [this] { RunBuild(&MainPresenter::BuildSelectedGroups); });
  build_all_ = new QAction("B&uild project (Build all groups in project)", project_menu_);
  build_all_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
  connect(build_all_, &QAction::triggered, this,
          [this] { RunBuild(&MainPresenter::BuildAllGroups); });
  project_menu_->addAction(build_selected_);
  project_menu_->addAction(build_all_);
  auto* open_group_file = new QAction("Open &group file...", project_menu_);
  open_group_file->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  connect(open_group_file, &QAction::triggered, this, &MainWindow::OpenGroupFile);
  project_menu_->addAction(open_group_file);
  project_menu_->addSeparator();
  auto* quit = new QAction("&Quit", project_menu_);
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(quit, &QAction::triggered, this, &QWidget::close);
  project_menu_->addAction(quit);
  edit_menu_ = menuBar()->addMenu("&Edit");
  auto* undo = new QAction("&Undo", edit_menu_);
  undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  auto* redo = new QAction("&Redo", edit_menu_);
  redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  connect(undo, &QAction::triggered, this, &MainWindow::Undo);
  connect(redo, &QAction::triggered, this, &MainWindow::Redo);
  undo->setEnabled(false);
  redo->setEnabled(false);
  connect(undo_stack_, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
  connect(undo_stack_, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
  connect(undo_stack_, &QUndoStack::undoTextChanged, undo, [undo](const QString& text) {
    undo->setText(text.isEmpty() ? "&Undo" : "&Undo " + text);
  });
  connect(undo_stack_, &QUndoStack::redoTextChanged, redo, [redo](const QString& text) {
    redo->setText(text.isEmpty() ? "&Redo" : "&Redo " + text);
  });
  edit_menu_->addAction(undo);
  edit_menu_->addAction(redo);

  // Until a build driver is attached the build items cannot be chosen.
  build_selected_->setEnabled(false);
  build_all_->setEnabled(false);

  group_list_->setContextMenuPolicy(Qt::ActionsContextMenu);
  AddAction(group_list_, "Add a new group", &MainPresenter::AddGroup);
  AddAction(group_list_, "Delete group", &MainPresenter::DeleteGroup);
  AddAction(group_list_, "Edit group properties", &MainPresenter::EditGroupProperties);

  plate_list_->setContextMenuPolicy(Qt::ActionsContextMenu);
  AddAction(plate_list_, "Add a plate", &MainPresenter::AddPlate);
  QAction* delete_plates = AddAction(plate_list_, "Delete plate(s)", &MainPresenter::DeletePlates);
  delete_plates->setShortcut(QKeySequence::Delete);
  delete_plates->setShortcutContext(Qt::WidgetShortcut);
  AddSeparator(plate_list_);
  AddAction(plate_list_, "Edit plate details", &MainPresenter::EditPlateDetails);
  AddSeparator(plate_list_);
  AddAction(plate_list_, "Move plate(s) up in list", &MainPresenter::MovePlatesUp);
  AddAction(plate_list_, "Move plate(s) down in list", &MainPresenter::MovePlatesDown);
}

void MainWindow::OpenGroupFile() {
  const QString file =
      QFileDialog::getOpenFileName(this, "Open group file", QString::fromStdString(export_folder_),
                                   "Group files (*.ZPG *.zpg);;All files (*)");
  if (file.isEmpty()) return;
  if (!viewer_) {
    viewer_ = new GroupFileViewer(this);
    RememberPlace(viewer_, "GroupFileViewer");
  }
  try {
    viewer_->Open(file.toStdString());
  } catch (const std::exception& error) {
    ShowMessageBox(this, QString::fromStdString(error.what()));
    return;
  }
  viewer_->show();
  viewer_->raise();
}

void MainWindow::AttachBuild(GroupBuilder* builder, StatusWindow* status) {
  status_ = status;
  presenter_->SetBuilder(builder, status);
  build_selected_->setEnabled(presenter_->CanBuild());
  build_all_->setEnabled(presenter_->CanBuild());
}

void MainWindow::AttachBatchImport(BatchImportDialog* dialog, FolderChooser* chooser) {
  batch_import_dialog_ = dialog;
  dialog->AttachFolderChooser(chooser);
  dialog->SetProcessHandler([this] { ProcessBatchImport(); });
  batch_import_->setEnabled(true);
}

void MainWindow::OpenBatchImport() {
  if (!batch_import_dialog_ || presenter_->Building()) return;
  batch_import_dialog_->exec();
}

namespace {

// Opens each file under the busy cursor.
class BusyPageCounter : public PageCountSource {
 public:
  explicit BusyPageCounter(PageCountSource& inner) : inner_(inner) {}
  int LoadPageCount(const std::string& path) override {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
      ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    return inner_.LoadPageCount(path);
  }
  std::optional<PlateGeoResult> GeoReference(const PlateRecord& plate,
                                             std::string* problem) override {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
      ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    return inner_.GeoReference(plate, problem);
  }

 private:
  PageCountSource& inner_;
};

}  // namespace

void MainWindow::DropFiles(const std::vector<std::string>& paths) {
  DocumentPageCounter counter(*pdf_document_);
  BusyPageCounter pages(counter);
  presenter_->DropFiles(paths, pages);
}

void MainWindow::ProcessBatchImport() {
  DocumentPageCounter counter(*pdf_document_);
  BusyPageCounter pages(counter);
  QWidget* owner = batch_import_dialog_ ? static_cast<QWidget*>(batch_import_dialog_) : this;
  std::unique_ptr<QProgressDialog> progress;
  const ImportProgress show_progress = [&](const std::string& path, int index, int count) {
    if (count <= kFewImportFiles) return;
    if (!progress) {
      // No cancel button: the import has no way to stop between files.
      progress = std::make_unique<QProgressDialog>(owner);
      progress->setWindowTitle(kBatchImportCaption);
      progress->setCancelButton(nullptr);
      progress->setRange(0, count);
      progress->setMinimumDuration(0);
      progress->setAutoClose(false);
      progress->setAutoReset(false);
      progress->setWindowModality(Qt::WindowModal);
    }
    progress->setLabelText(QString::fromStdString(path));
    progress->setValue(index);
  };
  presenter_->ProcessBatchImport(presenter_->Plates(), pages, show_progress);
}

void MainWindow::RunBuild(void (MainPresenter::*command)()) {
  ((*presenter_).*command)();
  // A close asked for during the build happens now that it has ended.
  if (close_after_build_ && !presenter_->Building()) {
    close_after_build_ = false;
    close();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (presenter_->Building()) {
    // The build is still using the project and this window; it stops after
    // the plate in progress and the window closes then.
    if (status_) status_->RequestStop();
    close_after_build_ = true;
    event->ignore();
    return;
  }
  for (const auto& [window, key] : place_keys_) {
    if (window->isVisible()) RecordPlace(window);
  }
  emit AboutToClose();
  presenter_->Close();
  event->accept();
  emit Closed();
}

void MainWindow::AddGroupLine(const std::string& line) {
  const QSignalBlocker blocker(group_list_);
  group_list_->addItem(QString::fromStdString(line));
}

void MainWindow::ReplaceGroupLine(int position, const std::string& line) {
  if (QListWidgetItem* item = group_list_->item(position))
    item->setText(QString::fromStdString(line));
}

void MainWindow::RemoveGroupLine(int position) {
  const QSignalBlocker blocker(group_list_);
  delete group_list_->takeItem(position);
}

void MainWindow::ClearGroupLines() {
  const QSignalBlocker blocker(group_list_);
  group_list_->clear();
}

void MainWindow::AddPlateLine(const std::string& line) {
  plate_list_->addItem(QString::fromStdString(line));
}

void MainWindow::ClearPlateLines() {
  plate_list_->clear();
}

void MainWindow::ShowMessage(const std::string& text) {
  ShowMessageBox(this, QString::fromStdString(text));
}

void MainWindow::ShowStatus(const std::string& text) {
  statusBar()->showMessage(QString::fromStdString(text));
}

void MainWindow::ShowRecentProjects(const std::vector<std::string>& paths) {
  recent_menu_->clear();
  for (size_t i = 0; i < paths.size(); ++i) {
    const QString text =
        "&" + QString::number(i + 1) + " " + QString::fromStdString(paths[i]).replace("&", "&&");
    const int index = static_cast<int>(i);
    connect(recent_menu_->addAction(text), &QAction::triggered, this,
            [this, index] { presenter_->OpenRecentProject(index); });
  }
  recent_menu_->setEnabled(!paths.empty());
}

void MainWindow::RecordEdit(std::unique_ptr<ProjectEdit> edit) {
  if (edit) undo_stack_->push(new EditCommand(*this, std::move(edit)));
}

void MainWindow::ClearEdits() {
  undo_stack_->clear();
}

void MainWindow::Undo() {
  StepEdits(true);
}

void MainWindow::Redo() {
  StepEdits(false);
}

void MainWindow::StepEdits(bool undo) {
  if (presenter_->Building()) return;
  edit_failed_ = false;
  if (undo) {
    undo_stack_->undo();
  } else {
    undo_stack_->redo();
  }
  // The stack has moved past an edit that did not happen: what remains of
  // it no longer fits the project.
  if (edit_failed_) {
    edit_failed_ = false;
    undo_stack_->clear();
  }
}

void MainWindow::ShowActiveProject(const std::string& text) {
  active_project_->setText(QString::fromStdString(text));
}

std::optional<std::string> MainWindow::ChooseProjectFile(const std::string& folder, bool save) {
  QFileDialog dialog(this, QString(), QString::fromStdString(folder), kProjectFilter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix("zpl");
    // Reusing an existing project file is not asked about.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> MainWindow::ChooseNewProjectFile(const std::string& folder) {
  return ChooseProjectFile(folder, true);
}

std::optional<std::string> MainWindow::ChooseProjectToOpen(const std::string& folder) {
  return ChooseProjectFile(folder, false);
}

GroupNameFields MainWindow::EditGroupName(const GroupNameFields& initial) {
  if (!editor_) return initial;
  return editor_->Edit(initial);
}

int MainWindow::SelectedGroupLine() const {
  const QList<QListWidgetItem*> selected = group_list_->selectedItems();
  return selected.isEmpty() ? -1 : group_list_->row(selected.first());
}

void MainWindow::SelectGroupLine(int position) {
  const QSignalBlocker blocker(group_list_);
  if (position < 0) {
    group_list_->clearSelection();
    group_list_->setCurrentRow(-1);
  } else {
    group_list_->setCurrentRow(position);
  }
}

int MainWindow::PlateLineCount() const {
  return plate_list_->count();
}

std::string MainWindow::PlateLineText(int index) const {
  const QListWidgetItem* item = plate_list_->item(index);
  return item ? item->text().toStdString() : std::string();
}

void MainWindow::ReplacePlateLine(int index, const std::string& line) {
  if (QListWidgetItem* item = plate_list_->item(index)) item->setText(QString::fromStdString(line));
}

bool MainWindow::PlateLineSelected(int index) const {
  const QListWidgetItem* item = plate_list_->item(index);
  return item && item->isSelected();
}

void MainWindow::SetPlateLineSelected(int index, bool selected) {
  if (QListWidgetItem* item = plate_list_->item(index)) item->setSelected(selected);
}

int MainWindow::FocusedPlateLine() const {
  return plate_list_->currentRow();
}

}  // namespace qp::app
