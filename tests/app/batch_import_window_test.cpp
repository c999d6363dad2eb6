#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/batch_import_dialog.h"
#include "app/folder_chooser.h"
#include "app/main_window.h"
#include "tests/app/core/import_test_helpers.h"
#include "tests/app/qt_test_helpers.h"
#include "tests/project/project_test_helpers.h"

namespace qp::app {
namespace {

TEST(BatchImportWindow, ButtonOpensTheDialogWhoseProcessFillsThePlateList) {
  test::TestApplication();
  test::TempDir home;
  test::TempDir charts;
  MainWindow window(home.Folder());
  EXPECT_FALSE(window.BatchImportButton()->isEnabled());
  BatchImportDialog dialog(window.Presenter().Model(), &window);
  FolderChooser chooser(&dialog);
  window.AttachBatchImport(&dialog, &chooser);
  EXPECT_TRUE(window.BatchImportButton()->isEnabled());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  Project& project = window.Presenter().Model();
  project.NewProject(home.File("p.zpl"));
  project.AddGroup("Los Angeles international", "KLAX", 0);
  window.GroupList()->setCurrentRow(0);
  ASSERT_EQ(project.CurrentGroup, 0);
  project.FilenameHeader = "KLAX_";
  project.FilenameHeaderPath = charts.Folder();
  // More files than a few: the progress dialog names each one.
  for (int i = 1; i <= kFewImportFiles + 1; ++i) {
    test::WriteFile(charts.File("KLAX_ILS " + std::to_string(i) + ".pdf"), test::PdfWithPages(1));
  }

  QString opened;
  test::AnswerNextModal([&](QWidget* modal) {
    opened = modal->objectName();
    if (auto* shown = qobject_cast<BatchImportDialog*>(modal)) shown->ProcessButton()->click();
    modal->close();
  });
  window.BatchImportButton()->click();
  EXPECT_EQ(opened, "TForm10");
  EXPECT_EQ(window.PlateList()->count(), kFewImportFiles + 1);
  EXPECT_EQ(window.GroupList()->item(0)->text(),
            "Airport: Group1 KLAX, Los Angeles international, 6 plates");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace qp::app
