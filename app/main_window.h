#pragma once
// The main window: the open project, its groups and the plates of the
// current group, with the "&Project" menu and the lists' pop-up menus. The
// commands themselves live in MainPresenter; this class shows what the
// presenter asks for and forwards the user's actions.

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/core/main_presenter.h"
#include "app/core/main_view.h"

class QAction;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QUndoStack;

namespace qp::pdf {
class TPDFDocument;
}

namespace qp::app {

class GroupFileViewer;

class BatchImportDialog;
class FolderChooser;
class GroupNameEditor;
class StatusWindow;

inline constexpr const char* kMainWindowCaption =
    "Quarrin Avionics plate file builder (Beta, version 0.0.0.4)";
inline constexpr const char* kProjectFilter = "Quarrin plates project (*.zpl)";

// The batch import shows a progress dialog naming the file being read when
// the folder holds more than this many files.
inline constexpr int kFewImportFiles = 5;

class MainWindow : public QMainWindow, public MainView {
  Q_OBJECT

 public:
  // Runs the start-up (folders, settings, last project) while it is created.
  explicit MainWindow(const std::string& application_folder, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The windows created after this one.
  void AttachGroupNameEditor(GroupNameEditor* editor) { editor_ = editor; }
  void AttachBuild(GroupBuilder* builder, StatusWindow* status);
  // The batch import dialog and its folder chooser; "Batch import plates"
  // can be chosen from then on.
  void AttachBatchImport(BatchImportDialog* dialog, FolderChooser* chooser);

  // The PDF document component: the batch import opens its files in it.
  pdf::TPDFDocument& PdfDocument() { return *pdf_document_; }
  void AttachPlateEditor(PlateEditorDialog* editor) { presenter_->AttachPlateEditor(editor); }

  MainPresenter& Presenter() { return *presenter_; }
  // Puts `window` where it was last time and remembers its place under
  // `key` whenever it hides and when the application closes.
  void RememberPlace(QWidget* window, const std::string& key);
  QMenu* RecentMenu() const { return recent_menu_; }
  QMenu* EditMenu() const { return edit_menu_; }
  QUndoStack* UndoStack() const { return undo_stack_; }
  // "&Undo" and "&Redo" of the Edit menu; nothing while a build runs.
  void Undo();
  void Redo();
  QListWidget* GroupList() const { return group_list_; }
  QListWidget* PlateList() const { return plate_list_; }
  QLineEdit* ActiveProjectField() const { return active_project_; }
  QMenu* ProjectMenu() const { return project_menu_; }
  QPushButton* BatchImportButton() const { return batch_import_; }

  // MainView.
  void AddGroupLine(const std::string& line) override;
  void ReplaceGroupLine(int position, const std::string& line) override;
  void RemoveGroupLine(int position) override;
  void ClearGroupLines() override;
  void AddPlateLine(const std::string& line) override;
  void ClearPlateLines() override;
  void ShowMessage(const std::string& text) override;
  void ShowActiveProject(const std::string& text) override;
  void ShowStatus(const std::string& text) override;
  void ShowRecentProjects(const std::vector<std::string>& paths) override;
  void RecordEdit(std::unique_ptr<ProjectEdit> edit) override;
  void ClearEdits() override;
  std::optional<std::string> ChooseNewProjectFile(const std::string& folder) override;
  std::optional<std::string> ChooseProjectToOpen(const std::string& folder) override;
  GroupNameFields EditGroupName(const GroupNameFields& initial) override;
  int SelectedGroupLine() const override;
  void SelectGroupLine(int position) override;
  int PlateLineCount() const override;
  std::string PlateLineText(int index) const override;
  void ReplacePlateLine(int index, const std::string& line) override;
  bool PlateLineSelected(int index) const override;
  void SetPlateLineSelected(int index, bool selected) override;
  int FocusedPlateLine() const override;

 signals:
  // The window is closing: the remembered places are written next, so
  // this is the moment to put the other windows' folders into them.
  void AboutToClose();
  // The window has closed for good; the application ends its event loop.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  void BuildMenus();
  QAction* AddAction(QWidget* owner, const QString& text, void (MainPresenter::*command)());
  void RunBuild(void (MainPresenter::*command)());
  std::optional<std::string> ChooseProjectFile(const std::string& folder, bool save);
  void OpenBatchImport();
  void ProcessBatchImport();
  void DropFiles(const std::vector<std::string>& paths);
  // "Open group file...": a group file of the Export folder in the viewer.
  void OpenGroupFile();
  void RecordPlace(QWidget* window);
  void StepEdits(bool undo);
  friend class EditCommand;

  std::unique_ptr<MainPresenter> presenter_;
  std::unique_ptr<pdf::TPDFDocument> pdf_document_;
  BatchImportDialog* batch_import_dialog_ = nullptr;
  GroupNameEditor* editor_ = nullptr;
  StatusWindow* status_ = nullptr;
  QLineEdit* active_project_ = nullptr;
  QListWidget* group_list_ = nullptr;
  QListWidget* plate_list_ = nullptr;
  QPushButton* batch_import_ = nullptr;
  QMenu* project_menu_ = nullptr;
  QMenu* recent_menu_ = nullptr;
  QMenu* edit_menu_ = nullptr;
  QUndoStack* undo_stack_ = nullptr;
  bool edit_failed_ = false;                    // the last undo or redo changed nothing
  std::map<QWidget*, std::string> place_keys_;  // the windows whose places are kept
  QAction* build_selected_ = nullptr;
  QAction* build_all_ = nullptr;
  GroupFileViewer* viewer_ = nullptr;  // made when first used
  std::string export_folder_;
  bool group_selection_changed_ = false;
  bool close_after_build_ = false;
};

using TForm1 = MainWindow;

}  // namespace qp::app
