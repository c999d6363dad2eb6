#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/batch_import_dialog.h"
#include "app/core/compiler_preview_renderer.h"
#include "app/folder_chooser.h"
#include "app/group_file_viewer.h"
#include "app/group_name_editor.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/plate_editor.h"
#include "app/status_window.h"
#include "compiler/build_driver.h"
#include "compiler/plate_workers.h"
#include "project/app_folders.h"
#include "project/app_session.h"

namespace {

constexpr const char* kHelp =
    "Usage: quarrin-plates [--home DIR]\n"
    "       quarrin-plates --view FILE.ZPG\n"
    "       quarrin-plates --help | --version\n\n"
    "The Quarrin Plates compiler: groups approach charts and reference pages into\n"
    "the group files that Zorvale cockpit displays load.\n\n"
    "  --home DIR   the application folder (Projects, Export, Plates, Temp and\n"
    "               Setup.ini); default: $QUARRIN_PLATES_HOME, the program's own\n"
    "               folder for a portable install, else\n"
    "               $XDG_DATA_HOME/quarrin-plates\n"
    "  --view FILE  shows a group file's plates as the display will, without\n"
    "               opening a project\n"
    "  --help       this text\n"
    "  --version    the program's version\n\n"
    "platec offers the same work on the command line ('platec --help').\n";

// --help and --version answer on the terminal without opening a window.
bool AnswersOnTheTerminal(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return true;
    }
    if (arg == "--version") {
      std::printf("quarrin-plates %s\n", QP_VERSION);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswersOnTheTerminal(argc, argv)) return 0;
  qp::app::Application application(argc, argv);
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) != "--view") continue;
    qp::app::GroupFileViewer viewer;
    try {
      viewer.Open(argv[i + 1]);
    } catch (const std::exception& error) {
      qp::app::ShowMessageBox(nullptr, QString::fromStdString(error.what()));
      return 1;
    }
    viewer.show();
    return QApplication::exec();
  }

  std::vector<std::string> args;
  for (const QString& arg : QApplication::arguments()) args.push_back(arg.toStdString());
  const qp::ApplicationFolderInputs inputs =
      qp::ApplicationFolderInputs::FromProcess(qp::TakeHomeOption(args));
  const std::string folder = qp::ApplicationFolder(inputs);
  try {
    qp::EnsureApplicationFolder(inputs, folder);
  } catch (const std::exception& error) {
    qp::app::ShowMessageBox(nullptr, QString::fromStdString(error.what()));
    return 1;
  }

  // The driver outlives the windows that use it.
  qp::BuildDriver build_driver(folder);
  build_driver.SetJobs(qp::BuildWorkerCount(qp::ReadBuildJobs(folder)));

  // Each window once, the main window first: its start-up runs before any
  // other window exists.
  qp::app::MainWindow main_window(folder);
  qp::app::GroupNameEditor group_name_editor(&main_window);
  qp::app::StatusWindow status_window(&main_window);
  main_window.AttachGroupNameEditor(&group_name_editor);
  main_window.AttachBuild(&build_driver, &status_window);
  qp::app::BatchImportDialog batch_import(main_window.Presenter().Model(), &main_window);
  qp::app::FolderChooser folder_chooser(&batch_import);
  main_window.AttachBatchImport(&batch_import, &folder_chooser);
  // The editor's previews load into the main window's PDF document, as the
  // batch import's page counts do.
  qp::app::CompilerPreviewRenderer preview_renderer(main_window.PdfDocument());
  qp::app::PlateEditor plate_editor(main_window.Presenter().Model(), folder, preview_renderer,
                                    &main_window);
  main_window.AttachPlateEditor(&plate_editor);

  // Where the windows and choosers were last time.
  qp::app::RememberedPlaces& places = main_window.Presenter().Places();
  plate_editor.Model().SetBrowseFolder(places.plate_folder);
  batch_import.SetLastFolder(QString::fromStdString(places.import_folder));
  QObject::connect(&main_window, &qp::app::MainWindow::AboutToClose, [&] {
    places.plate_folder = plate_editor.Model().BrowseFolder();
    places.import_folder = batch_import.LastFolder().toStdString();
  });
  main_window.RememberPlace(&main_window, "MainWindow");
  main_window.RememberPlace(&plate_editor, "PlateEditor");
  main_window.RememberPlace(&group_name_editor, "GroupEditor");
  main_window.RememberPlace(&batch_import, "BatchImport");

  QObject::connect(&main_window, &qp::app::MainWindow::Closed, &application,
                   &QCoreApplication::quit, Qt::QueuedConnection);
  main_window.show();
  return QApplication::exec();
}
