#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QUrl>
#include <memory>
#include <stdexcept>

#include "app/group_name_editor.h"
#include "app/status_window.h"
#include "compiler/build_driver.h"
#include "compiler/group_file_reader.h"
#include "project/app_folders.h"
#include "project/app_session.h"
#include "project/ini_file.h"
#include "tests/app/qt_test_helpers.h"
#include "tests/compiler/build_project_helpers.h"
#include "tests/project/project_test_helpers.h"

#ifdef QP_SANITIZED
// Qt's font database keeps fontconfig's caches to the end of the program;
// they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif

namespace qp::app {
namespace {

using test::AnswerNextMessageBox;
using test::AnswerNextModal;
using test::SeenMessage;

QStringList ActionTexts(const QWidget* owner) {
  QStringList texts;
  for (const QAction* action : owner->actions()) texts << action->text();
  return texts;
}

QAction* Action(const QWidget* owner, const QString& text) {
  for (QAction* action : owner->actions()) {
    if (action->text() == text) return action;
  }
  ADD_FAILURE() << "no action " << text.toStdString();
  return nullptr;
}

QStringList Lines(const QListWidget* list) {
  QStringList lines;
  for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  return lines;
}

template <typename T>
T* ChildWithText(const QWidget* parent, const QString& text) {
  for (T* child : parent->findChildren<T*>()) {
    if (child->text() == text) return child;
  }
  return nullptr;
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() { test::TestApplication(); }

  // Creates the windows as the program does, after the test has prepared
  // the application folder.
  void Open() {
    window = std::make_unique<MainWindow>(home.Folder());
    editor = new GroupNameEditor(window.get());
    status = new StatusWindow(window.get());
    window->AttachGroupNameEditor(editor);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  // A project with one airport group of three plates, stored as the last
  // project so that start-up opens it.
  std::string StoredProject() {
    CreateFixedFolders(home.Folder());
    const std::string path = home.Folder() + "Projects/stored.zpl";
    Project project;
    project.NewProject(path);
    project.AddGroup("Los Angeles international", "KLAX", 0);
    project.AddGroup("Weather", "", 1);
    project.SelectGroup(0);
    for (const char* name : {"ILS 25L", "ILS 24R", "VOR 7L"}) {
      PlateRecord plate;
      plate.Name = name;
      plate.SourceFile = "/charts/klax.pdf";
      project.AddPlate(plate);
    }
    project.FlushPending();
    WriteSettings(home.Folder(), {home.Folder() + "Projects/", path});
    return path;
  }

  test::TempDir home;
  std::unique_ptr<MainWindow> window;
  GroupNameEditor* editor = nullptr;
  StatusWindow* status = nullptr;
};

TEST_F(MainWindowTest, DeletedGroupComesBackWithCtrlZ) {
  StoredProject();
  Open();
  window->GroupList()->setCurrentRow(0);
  const QStringList groups = Lines(window->GroupList());
  const QStringList plates = Lines(window->PlateList());
  ASSERT_EQ(plates.size(), 3);
  Action(window->GroupList(), "Delete group")->trigger();
  EXPECT_EQ(window->GroupList()->count(), 1);
  QAction* undo = window->EditMenu()->actions().at(0);
  EXPECT_EQ(undo->text(), "&Undo delete group");
  EXPECT_EQ(undo->shortcut(), QKeySequence("Ctrl+Z"));
  EXPECT_EQ(window->EditMenu()->actions().at(1)->shortcut(), QKeySequence("Ctrl+Shift+Z"));
  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(window->GroupList()), groups);
  EXPECT_EQ(Lines(window->PlateList()), plates);
  EXPECT_EQ(window->GroupList()->currentRow(), 0);
  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(window->GroupList()->count(), 1);
}

TEST_F(MainWindowTest, FilesDroppedOnThePlateListBecomePlates) {
  StoredProject();
  const std::string bmp = home.Folder() + "Plates/Ramp chart.bmp";
  qp::testing::WriteBytes(bmp, qp::testing::PatternBmp(6, 5));
  Open();
  window->GroupList()->setCurrentRow(0);
  ASSERT_EQ(window->PlateList()->count(), 3);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(bmp)),
                QUrl::fromLocalFile(QString::fromStdString(home.Folder() + "Setup.ini"))});
  // The drop goes to the widget that accepted the drag's entry.
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window->PlateList()->viewport(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window->PlateList()->viewport(), &drop);
  ASSERT_EQ(window->PlateList()->count(), 4);
  EXPECT_TRUE(window->PlateList()->item(3)->text().startsWith("Plate 4, Ramp chart,"));
  EXPECT_EQ(window->statusBar()->currentMessage(),
            "Added 1 dropped file; 1 not a PDF, BMP or JPEG file");
  window->Undo();
  EXPECT_EQ(window->PlateList()->count(), 3);
}

TEST_F(MainWindowTest, CaptionsMenusAndLists) {
  Open();
  EXPECT_EQ(window->windowTitle(), "Quarrin Avionics plate file builder (Beta, version 0.0.0.4)");
  EXPECT_EQ(window->ActiveProjectField()->text(), "No project loaded");
  EXPECT_EQ(window->BatchImportButton()->text(), "Batch import plates");
  EXPECT_EQ(window->ProjectMenu()->title(), "&Project");
  EXPECT_EQ(ActionTexts(window->ProjectMenu()),
            (QStringList{"&New project", "&Open project", "&Recent projects",
                         "&Build project (Build only selected groups)",
                         "B&uild project (Build all groups in project)", "Open &group file...", "",
                         "&Quit"}));
  for (QAction* action : window->ProjectMenu()->actions()) {
    if (action->menu() || action->isSeparator()) continue;
    EXPECT_FALSE(action->shortcut().isEmpty()) << action->text().toStdString();
  }
  EXPECT_EQ(Action(window->ProjectMenu(), "&Quit")->shortcut(), QKeySequence("Ctrl+Q"));
  EXPECT_EQ(ActionTexts(window->GroupList()),
            (QStringList{"Add a new group", "Delete group", "Edit group properties"}));
  EXPECT_EQ(ActionTexts(window->PlateList()),
            (QStringList{"Add a plate", "Delete plate(s)", "", "Edit plate details", "",
                         "Move plate(s) up in list", "Move plate(s) down in list"}));
  EXPECT_EQ(Action(window->PlateList(), "Delete plate(s)")->shortcut(),
            QKeySequence(QKeySequence::Delete));
  EXPECT_EQ(window->GroupList()->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(window->PlateList()->selectionMode(), QAbstractItemView::ExtendedSelection);

  EXPECT_EQ(editor->windowTitle(), "Group name editor");
  EXPECT_TRUE(editor->isModal());
  EXPECT_EQ(status->windowTitle(), "Process status");
  EXPECT_EQ(status->CancelButton()->text(), "Cancel");
}

TEST_F(MainWindowTest, StartOpensLastProjectAndListsFollowTheModel) {
  StoredProject();
  Open();
  EXPECT_EQ(window->ActiveProjectField()->text(), "stored.zpl");
  EXPECT_EQ(Lines(window->GroupList()),
            (QStringList{"Airport: Group1 KLAX, Los Angeles international, 3 plates",
                         "Info: Group2 , Weather, 0 plates"}));
  EXPECT_EQ(window->PlateList()->count(), 0);

  QListWidget* groups = window->GroupList();
  QTest::mouseClick(groups->viewport(), Qt::LeftButton, {},
                    groups->visualItemRect(groups->item(0)).center());
  EXPECT_EQ(window->Presenter().Model().CurrentGroup, 0);
  ASSERT_EQ(window->PlateList()->count(), 3);
  EXPECT_EQ(window->PlateList()->item(1)->text(), "Plate 2, ILS 24R, Page 1, File: \"klax.pdf\"");

  // The Delete key in the plate list deletes the selected plates.
  QListWidget* plates = window->PlateList();
  plates->setFocus();
  plates->item(1)->setSelected(true);
  QTest::keyClick(plates, Qt::Key_Delete);
  EXPECT_EQ(Lines(plates), (QStringList{"Plate 1, ILS 25L, Page 1, File: \"klax.pdf\"",
                                        "Plate 2, VOR 7L, Page 1, File: \"klax.pdf\""}));
  EXPECT_EQ(groups->item(0)->text(), "Airport: Group1 KLAX, Los Angeles international, 2 plates");
}

TEST_F(MainWindowTest, NewProjectDialogThenAddGroupThroughTheEditor) {
  Open();
  const std::string path = home.Folder() + "Projects/new.zpl";
  QStringList filters;
  QString folder;
  AnswerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog) {
      filters = dialog->nameFilters();
      folder = dialog->directory().absolutePath() + "/";
      // Typed as a user would: selectFile alone can be lost while the
      // dialog is still reading the folder on a busy machine.
      dialog->selectFile(QString::fromStdString(path));
      if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
        name->setText(QString::fromStdString(path));
      }
      static_cast<QDialog*>(dialog)->accept();
    } else {
      modal->close();
    }
  });
  Action(window->ProjectMenu(), "&New project")->trigger();
  EXPECT_EQ(filters, QStringList{"Quarrin plates project (*.zpl)"});
  EXPECT_EQ(folder.toStdString(), home.Folder() + "Projects/");
  EXPECT_EQ(window->ActiveProjectField()->text(), "new.zpl");
  EXPECT_EQ(IniFile(path).ReadInteger("General", "NumberOfGroups", -1), 0);

  QString typed_id;
  AnswerNextModal([&](QWidget* modal) {
    QTest::keyClicks(editor->IdField(), "klax");
    typed_id = editor->IdField()->text();
    editor->NameField()->setText("Los Angeles international");
    QTest::mouseClick(ChildWithText<QPushButton>(editor, "OK"), Qt::LeftButton);
    if (modal->isVisible()) modal->close();
  });
  Action(window->GroupList(), "Add a new group")->trigger();
  EXPECT_EQ(typed_id, "KLAX");
  EXPECT_EQ(Lines(window->GroupList()),
            QStringList{"Airport: Group1 KLAX, Los Angeles international, 0 plates"});
  EXPECT_TRUE(window->Presenter().Model().ProjectModified);
}

TEST_F(MainWindowTest, AddGroupWithoutProjectShowsMessageBox) {
  Open();
  auto seen = std::make_shared<SeenMessage>();
  AnswerNextMessageBox(seen);
  Action(window->GroupList(), "Add a new group")->trigger();
  EXPECT_EQ(seen->title, "Quarrin Plates compiler");
  EXPECT_EQ(seen->text, "No project loaded");
  EXPECT_EQ(seen->buttons, 1);
}

TEST_F(MainWindowTest, GroupEditorFieldsAndClosingWithoutOk) {
  Open();
  EXPECT_EQ(editor->IdField()->maxLength(), 6);
  EXPECT_EQ(editor->NameField()->maxLength(), 63);

  editor->SetFields({"Notes", "", 1});
  EXPECT_FALSE(editor->IdField()->isEnabled());
  for (const char* text :
       {"Enter group ID (up to 6 characters)", "This should be the ICAO identifier.",
        "For example: KLAX (only uppercase can be used)"}) {
    ASSERT_NE(ChildWithText<QLabel>(editor, text), nullptr) << text;
    EXPECT_FALSE(ChildWithText<QLabel>(editor, text)->isEnabled()) << text;
  }
  editor->AirportChoice()->setChecked(true);
  EXPECT_TRUE(editor->IdField()->isEnabled());
  EXPECT_TRUE(ChildWithText<QLabel>(editor, "This should be the ICAO identifier.")->isEnabled());

  // The close box ends the dialog too; the fields are read all the same.
  AnswerNextModal([&](QWidget* modal) {
    editor->NameField()->setText("Changed");
    modal->close();
  });
  const GroupNameFields fields = editor->Edit({"Weather", "", 1});
  EXPECT_EQ(fields.name, "Changed");
  EXPECT_EQ(fields.type, 1);
}

TEST_F(MainWindowTest, StatusWindowShowsProgressAndHonoursCancel) {
  Open();
  BuildStatus& port = *status;
  port.Start(2);
  EXPECT_TRUE(status->isVisible());
  EXPECT_FALSE(status->isModal());
  port.AddLine("Processing klax.pdf");
  port.AddLine("Processing ksfo.pdf");
  port.PlateDone();
  EXPECT_EQ(status->Lines()->toPlainText(), "Processing klax.pdf\nProcessing ksfo.pdf");
  EXPECT_EQ(status->Progress()->value(), 1);
  EXPECT_EQ(status->Progress()->maximum(), 2);
  EXPECT_EQ(status->Progress()->text(), "1 / 2");
  EXPECT_FALSE(port.StopRequested());
  QTest::mouseClick(status->CancelButton(), Qt::LeftButton);
  EXPECT_TRUE(port.StopRequested());
  EXPECT_TRUE(status->isVisible());  // Cancel only asks; the build ends it
  port.Finish();
  EXPECT_FALSE(status->isVisible());
  port.Start(1);
  EXPECT_FALSE(port.StopRequested());
  EXPECT_TRUE(status->Lines()->toPlainText().isEmpty());
  port.Finish();
}

// Closes the main window while it builds, as a user could while the build
// pumps events.
class ClosingBuilder : public GroupBuilder {
 public:
  explicit ClosingBuilder(MainWindow*& window) : window_(window) {}
  bool still_open = false;
  bool stop_seen = false;
  void BuildGroups(Project&, const BuildRequest&, BuildStatus& status) override {
    status.Start(0);
    window_->close();
    still_open = window_->isVisible();
    stop_seen = status.StopRequested();
    status.Finish();
  }

 private:
  MainWindow*& window_;
};

TEST_F(MainWindowTest, ClosingDuringABuildWaitsForItsEnd) {
  Open();
  MainWindow* raw = window.get();
  ClosingBuilder builder(raw);
  window->AttachBuild(&builder, status);
  QSignalSpy closed(window.get(), &MainWindow::Closed);
  Action(window->ProjectMenu(), "B&uild project (Build all groups in project)")->trigger();
  EXPECT_TRUE(builder.still_open);
  EXPECT_TRUE(builder.stop_seen);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(window->isVisible());
  EXPECT_NE(test::ReadFile(home.Folder() + "Setup.ini"), "");
}

// With the driver attached, the build items can be chosen once a project
// is open, and "Build all" writes the group files.
TEST_F(MainWindowTest, BuildItemsBuildThroughTheDriver) {
  CreateFixedFolders(home.Folder());
  const std::string bmp = home.Folder() + "Plates/diagram.bmp";
  qp::testing::WriteBytes(bmp, qp::testing::PatternBmp(6, 5));
  const std::string path = home.Folder() + "Projects/bitmaps.zpl";
  {
    Project project;
    project.NewProject(path);
    qp::testing::AddGroupWithPlates(project, "Bitmaps", "BMPS",
                                    {qp::testing::PlateFrom("Diagram", bmp)});
    project.FlushPending();
    WriteSettings(home.Folder(), {home.Folder() + "Projects/", path});
  }
  Open();
  BuildDriver driver(home.Folder());
  window->AttachBuild(&driver, status);
  EXPECT_EQ(window->ActiveProjectField()->text(), "bitmaps.zpl");
  QAction* build_all =
      Action(window->ProjectMenu(), "B&uild project (Build all groups in project)");
  QAction* build_selected =
      Action(window->ProjectMenu(), "&Build project (Build only selected groups)");
  ASSERT_TRUE(build_all && build_selected);
  EXPECT_TRUE(build_all->isEnabled());
  EXPECT_TRUE(build_selected->isEnabled());

  build_all->trigger();
  const QString summary = "Built 1 plate of BMPS into ZGBMPS.ZPG";
  EXPECT_EQ(status->Lines()->toPlainText(), "[1/1] diagram.bmp\n" + summary);
  EXPECT_EQ(window->statusBar()->currentMessage(), summary);
  EXPECT_FALSE(status->isVisible());
  const GroupFileContent content = ReadGroupFile(home.Folder() + "Export/ZGBMPS.ZPG");
  ASSERT_EQ(content.entries.size(), 1u);
  EXPECT_TRUE(content.entries[0].plate);
}

class ThrowingObject : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw std::runtime_error("Unable to write to /x/y.zpl");
    return QObject::event(event);
  }
};

TEST_F(MainWindowTest, ErrorHandlerShowsTheMessageAndGoesOn) {
  auto seen = std::make_shared<SeenMessage>();
  AnswerNextMessageBox(seen);
  ThrowingObject object;
  QEvent event(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&object, &event));
  EXPECT_EQ(seen->text, "Unable to write to /x/y.zpl");
  EXPECT_EQ(seen->title, "Quarrin Plates compiler");
}

}  // namespace
}  // namespace qp::app
