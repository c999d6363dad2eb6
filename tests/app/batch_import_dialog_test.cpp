#include "app/batch_import_dialog.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "app/folder_chooser.h"
#include "project/project.h"
#include "tests/app/qt_test_helpers.h"
#include "tests/project/project_test_helpers.h"

namespace qp::app {
namespace {

QStringList Texts(const QButtonGroup* group) {
  QStringList texts;
  for (int i = 0; i < group->buttons().size(); ++i) texts << group->button(i)->text();
  return texts;
}

QStringList LabelTexts(const QWidget* parent) {
  QStringList texts;
  for (const QLabel* label : parent->findChildren<QLabel*>()) texts << label->text();
  return texts;
}

class BatchImportDialogTest : public ::testing::Test {
 protected:
  void Show() {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  }

  // The application object exists before the first widget.
  QApplication& application = test::TestApplication();
  Project project;
  BatchImportDialog dialog{project};
};

TEST_F(BatchImportDialogTest, Texts) {
  EXPECT_EQ(dialog.windowTitle(), "Plate import batch processing");
  EXPECT_TRUE(dialog.isModal());
  const QStringList labels = LabelTexts(&dialog);
  for (const char* text :
       {"Add all PDF files where file name starts with:",
        "Remainder of filename will be used as plate descriptor", "Folder to search for files:"}) {
    EXPECT_TRUE(labels.contains(text)) << text;
  }
  EXPECT_EQ(Texts(dialog.ScalingChoice()),
            (QStringList{"Leave at original resolution", "Scale to 1024 pixels",
                         "Scale to 800 pixels", "Scale to 640 pixels", "Scale to 320 pixels"}));
  EXPECT_EQ(Texts(dialog.OptionChoice()),
            (QStringList{"Skip any files already existing in group",
                         "Replace files already existing in group (keep settings, if any)",
                         "Replace files already existing in group (reset settings to default)"}));
  EXPECT_EQ(dialog.ConfirmBox()->text(), "Confirm every plate to be added");
  EXPECT_EQ(dialog.ProcessButton()->text(), "Process");
  EXPECT_EQ(dialog.CancelButton()->text(), "Cancel");
  EXPECT_EQ(dialog.BrowseButton()->text(), "Browse folder");
}

TEST_F(BatchImportDialogTest, FieldsFollowTheProjectOnEveryActivation) {
  project.FilenameHeader = "KLAX_";
  project.FilenameHeaderPath = "/charts/klax";
  project.DefaultScaling = 3;
  project.ConfirmPlateAdd = true;
  project.ProcessOptions = 2;
  Show();
  EXPECT_EQ(dialog.PrefixField()->text(), "KLAX_");
  EXPECT_EQ(dialog.FolderField()->text(), "/charts/klax");
  EXPECT_EQ(dialog.ScalingChoice()->checkedId(), 3);
  EXPECT_TRUE(dialog.ConfirmBox()->isChecked());
  EXPECT_EQ(dialog.OptionChoice()->checkedId(), 2);

  // Edited elsewhere (a group's properties empty prefix and folder), then
  // the dialog becomes active again.
  project.FilenameHeader.clear();
  project.FilenameHeaderPath.clear();
  project.DefaultScaling = 9;  // no such item: none is chosen
  project.ProcessOptions = 0;
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&dialog, &activate);
  EXPECT_EQ(dialog.PrefixField()->text(), "");
  EXPECT_EQ(dialog.FolderField()->text(), "");
  EXPECT_EQ(dialog.ScalingChoice()->checkedId(), -1);
  EXPECT_EQ(dialog.OptionChoice()->checkedId(), 0);
  // Filling the fields wrote nothing back.
  EXPECT_EQ(project.DefaultScaling, 9);
  EXPECT_FALSE(project.ProjectModified);
}

TEST_F(BatchImportDialogTest, ChangesGoToTheProjectAtOnceWithoutMarkingIt) {
  Show();
  QTest::keyClicks(dialog.PrefixField(), "KBOS-Ä");
  EXPECT_EQ(project.FilenameHeader, "KBOS-Ä");
  QTest::keyClicks(dialog.FolderField(), "/charts");
  EXPECT_EQ(project.FilenameHeaderPath, "/charts");
  dialog.ScalingChoice()->button(4)->click();
  EXPECT_EQ(project.DefaultScaling, 4);
  dialog.ConfirmBox()->click();
  EXPECT_TRUE(project.ConfirmPlateAdd);
  dialog.OptionChoice()->button(1)->click();
  EXPECT_EQ(project.ProcessOptions, 1);
  EXPECT_FALSE(project.ProjectModified);
}

TEST_F(BatchImportDialogTest, ProcessKeepsTheDialogOpenAndCancelCloses) {
  int processed = 0;
  dialog.SetProcessHandler([&] { ++processed; });
  Show();
  dialog.ProcessButton()->click();
  EXPECT_EQ(processed, 1);
  EXPECT_TRUE(dialog.isVisible());
  dialog.CancelButton()->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(project.ProjectModified);
}

TEST_F(BatchImportDialogTest, BrowseTakesTheChosenFolderMarksTheProjectAndCloses) {
  test::TempDir charts;
  std::filesystem::create_directory(charts.File("klax"));
  FolderChooser chooser;
  dialog.AttachFolderChooser(&chooser);
  project.FilenameHeaderPath = charts.File("klax/missing");
  Show();
  QString shownAt;
  test::AnswerNextModal([&](QWidget* modal) {
    shownAt = chooser.SelectedFolder();
    // The window's close box: the selection is taken all the same.
    modal->close();
  });
  dialog.BrowseButton()->click();
  // A folder that does not exist opens the chooser at its nearest parent.
  EXPECT_EQ(shownAt.toStdString(), charts.File("klax"));
  EXPECT_EQ(project.FilenameHeaderPath, charts.File("klax"));
  EXPECT_TRUE(project.ProjectModified);
  EXPECT_FALSE(dialog.isVisible());
}

TEST(FolderChooser, DriveIsTheLongestContainingRoot) {
  const QStringList roots = {"/", "/work", "/work/shared", "/workspace"};
  const struct {
    const char* folder;
    const char* drive;
  } cases[] = {
      {"/", "/"},
      {"/home/user", "/"},
      {"/work", "/work"},
      {"/work/wt", "/work"},
      {"/work/shared/corpus", "/work/shared"},
      {"/workspace/x", "/workspace"},
      {"/worker", "/"},
  };
  for (const auto& c : cases) EXPECT_EQ(DriveOf(c.folder, roots), c.drive) << c.folder;
}

TEST(FolderChooser, SelectsTheFolderAndItsDrive) {
  test::TestApplication();
  test::TempDir dir;
  FolderChooser chooser;
  chooser.SetFolder(QString::fromStdString(dir.Folder()));
  const QString folder = QString::fromStdString(dir.File(""));
  EXPECT_EQ(chooser.SelectedFolder() + "/", folder);
  EXPECT_EQ(chooser.PathLabel()->text(), chooser.SelectedFolder());
  EXPECT_TRUE(folder.startsWith(chooser.DriveList()->currentText()));
  // Choosing a drive moves the folder list (and the selection) to it.
  const int other = chooser.DriveList()->currentIndex() == 0 ? 1 : 0;
  if (other < chooser.DriveList()->count()) {
    chooser.DriveList()->setCurrentIndex(other);
    EXPECT_EQ(chooser.SelectedFolder(), chooser.DriveList()->itemText(other));
  }
}

}  // namespace
}  // namespace qp::app
