#include "app/plate_editor.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <cstring>
#include <memory>
#include <vector>

#include "app/core/main_presenter.h"
#include "app/core/preview_view.h"
#include "app/lat_long_dialog.h"
#include "app/main_window.h"
#include "app/preview_area.h"
#include "app/preview_pane.h"
#include "project/app_folders.h"
#include "project/app_session.h"
#include "tests/app/core/fake_main_view_helpers.h"
#include "tests/app/core/fake_plate_editor_helpers.h"
#include "tests/app/qt_test_helpers.h"
#include "tests/project/project_test_helpers.h"

namespace qp::app {
namespace {

using test::AnswerNextModal;

QAction* MenuAction(const QMenu* menu, const QString& text) {
  for (QAction* action : menu->actions()) {
    if (action->text() == text) return action;
  }
  ADD_FAILURE() << "no action " << text.toStdString();
  return nullptr;
}

class PlateEditorTest : public ::testing::Test {
 protected:
  PlateEditorTest() {
    test::TestApplication();
    editor = std::make_unique<PlateEditor>(project, home.Folder(), renderer);
  }

  std::string Source(const std::string& name) {
    const std::string path = home.File(name);
    test::WriteFile(path, "x");
    return path;
  }

  // Shows the editor without blocking, as ShowModal does, on `source`.
  void ShowOn(const std::string& source) {
    PlateEditorFields fields;
    ResetFields(fields, source, "Plate", 1);
    editor->Model().LoadFields(fields);
    editor->show();
    QApplication::processEvents();  // activation
  }

  void MoveMouse(int x, int y) {
    QMouseEvent move(QEvent::MouseMove, QPointF(x, y),
                     editor->Preview()->mapToGlobal(QPointF(x, y)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(editor->Preview(), &move);
  }

  void SendMouse(QEvent::Type type, int x, int y) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(x, y), editor->Preview()->mapToGlobal(QPointF(x, y)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(editor->Preview(), &event);
  }

  void Wheel(int notches, Qt::KeyboardModifiers modifiers) {
    const QPointF at(300, 300);
    QWheelEvent event(at, editor->Preview()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(editor->Preview(), &event);
  }

  std::vector<uint8_t> ImageBytes() {
    const PlateRaster& image = editor->Model().Image();
    return {image.Data(), image.Data() + size_t(image.Stride()) * image.Height()};
  }

  test::TempDir home;
  Project project;
  test::FakePreviewRenderer renderer;
  std::unique_ptr<PlateEditor> editor;
};

TEST_F(PlateEditorTest, CaptionsButtonsAndPopUpMenu) {
  EXPECT_EQ(editor->windowTitle(), "Plate properties editor");
  EXPECT_EQ(editor->findChild<QPushButton*>("cancel")->text(), "Cancel ");
  EXPECT_EQ(editor->findChild<QPushButton*>("ok")->text(), "OK");
  QStringList popup;
  for (const QAction* action : editor->PopupMenu()->actions()) popup << action->text();
  EXPECT_EQ(popup, (QStringList{"Set geographic reference Top left",
                                "Set geographic reference bottom right",
                                "Set clip rectangle top left", "Set clip rectange bottom right"}));
  EXPECT_EQ(editor->LatLong()->windowTitle(), "Lat/Long");
  // At least 601 x 601, larger as the window grows.
  const QSize pane = editor->Preview()->size();
  EXPECT_GE(pane.width(), 601);
  EXPECT_GE(pane.height(), 601);
  EXPECT_EQ(editor->HorizontalBar()->maximum(), PreviewScrollMax(pane.width(), 1.0));
  EXPECT_EQ(editor->VerticalBar()->maximum(), PreviewScrollMax(pane.height(), 1.0));
  for (QScrollBar* bar : {editor->HorizontalBar(), editor->VerticalBar()}) {
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->pageStep(), 100);
  }
  EXPECT_EQ(editor->ScalingChoice()->checkedId(), 0);
  EXPECT_EQ(editor->RotationChoice()->checkedId(), 0);
  EXPECT_EQ(editor->PageField()->minimum(), 1);
  EXPECT_EQ(editor->PageField()->maximum(), 1000);
}

TEST_F(PlateEditorTest, CrosshairDrawnTwiceRestoresThePixels) {
  ShowOn(Source("chart.pdf"));
  const std::vector<uint8_t> before = ImageBytes();
  const uint32_t under = editor->Model().Image().Pixel(7, 45);  // colour value 0x00BBGGRR
  editor->DrawCrosshair(120, 45);
  // NOT-XOR with pure red: red inverts to ~(0xFF ^ r), green and blue to ~g, ~b.
  const uint32_t expected = (~(under ^ 0x0000FFu)) & 0xFFFFFFu;
  EXPECT_EQ(editor->Model().Image().Pixel(7, 45), expected);
  EXPECT_EQ(editor->Model().Image().Pixel(120, 1999),
            (~(editor->Model().Image().Pixel(121, 1999) ^ 0x0000FFu)) & 0xFFFFFFu);
  editor->DrawCrosshair(120, 45);
  EXPECT_TRUE(ImageBytes() == before);
}

TEST_F(PlateEditorTest, MouseMovesLeaveOneCrosshairAndShowThePosition) {
  ShowOn(Source("chart.pdf"));
  const std::vector<uint8_t> clean = ImageBytes();
  editor->HorizontalBar()->setValue(100);
  MoveMouse(20, 45);
  EXPECT_EQ(editor->ReadOut()->text(), "X:120 Y:45");
  MoveMouse(30, 50);
  editor->DrawCrosshair(editor->Model().MouseX(), editor->Model().MouseY());
  EXPECT_TRUE(ImageBytes() == clean);
}

TEST_F(PlateEditorTest, ScrollBarsMoveTheImage) {
  ShowOn(Source("chart.pdf"));
  editor->Model().Image().SetPixel(700, 800, 0x00ABCDEFu);
  const auto top_left = [&] { return editor->Preview()->grab().toImage().pixel(0, 0) & 0xFFFFFFu; };
  EXPECT_EQ(top_left(), 0x312111u);  // the fake renderer's page 1 colour, as 0xRRGGBB
  editor->HorizontalBar()->setValue(700);
  editor->VerticalBar()->setValue(800);
  EXPECT_EQ(top_left(), 0xEFCDABu);
  editor->VerticalBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(editor->VerticalBar()->value(), 900);
  EXPECT_EQ(editor->Preview()->Origin(), QPoint(700, 900));
}

TEST_F(PlateEditorTest, DragMarksTheClipRectangle) {
  renderer.width = 1000;
  renderer.height = 1200;
  ShowOn(Source("chart.pdf"));
  editor->HorizontalBar()->setValue(100);
  SendMouse(QEvent::MouseButtonPress, 60, 90);
  SendMouse(QEvent::MouseMove, 30, 40);
  SendMouse(QEvent::MouseMove, 10, 20);
  SendMouse(QEvent::MouseButtonRelease, 10, 20);
  QStringList clip;
  for (const QLineEdit* field : editor->ClipFields()) clip << field->text();
  EXPECT_EQ(clip, (QStringList{"110", "20", "160", "90"}));
  EXPECT_TRUE(editor->ClipBox()->isChecked());
  EXPECT_EQ(editor->Model().Image().Pixel(110, 50), 0x0000FFu);  // the outline, red

  // Typed values move the outline at once.
  QTest::keyClick(editor->ClipFields()[0], Qt::Key_Backspace);  // "11"
  EXPECT_EQ(editor->Model().Image().Pixel(11, 50), 0x0000FFu);
}

TEST_F(PlateEditorTest, WheelScrollsAndZooms) {
  renderer.width = 1000;
  renderer.height = 1200;
  ShowOn(Source("chart.pdf"));
  Wheel(-1, Qt::NoModifier);
  EXPECT_EQ(editor->VerticalBar()->value(), editor->Preview()->height() / 6);
  Wheel(-1, Qt::ShiftModifier);
  EXPECT_EQ(editor->HorizontalBar()->value(), editor->Preview()->width() / 6);
  Wheel(1, Qt::ControlModifier);
  EXPECT_EQ(editor->Preview()->Zoom(), 1.5);
  QCheckBox* fit = editor->PreviewView()->FitBox();
  fit->click();
  const QSize pane = editor->Preview()->size();
  EXPECT_EQ(editor->Preview()->Zoom(), FitZoom(1000, 1200, pane.width(), pane.height()));
  EXPECT_EQ(editor->Preview()->Origin(), QPoint(0, 0));
  Wheel(-1, Qt::ControlModifier);  // a wheel zoom leaves Fit
  EXPECT_FALSE(fit->isChecked());
}

TEST_F(PlateEditorTest, PopUpCommandsFillTheFields) {
  renderer.width = 1000;
  renderer.height = 1200;
  ShowOn(Source("chart.pdf"));
  MoveMouse(12, 34);
  MenuAction(editor->PopupMenu(), "Set clip rectangle top left")->trigger();
  MoveMouse(56, 78);
  MenuAction(editor->PopupMenu(), "Set clip rectange bottom right")->trigger();
  EXPECT_EQ(editor->ClipFields()[0]->text(), "12");
  EXPECT_EQ(editor->ClipFields()[1]->text(), "34");
  EXPECT_EQ(editor->ClipFields()[2]->text(), "56");
  EXPECT_EQ(editor->ClipFields()[3]->text(), "78");

  // The latitude/longitude dialog's texts count when it is closed by its
  // close box.
  MoveMouse(100, 100);
  AnswerNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<LatLongDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->LatitudeField()->text(), "N00°00.00");
    dialog->LatitudeField()->setText("N50°00.00");
    dialog->LongitudeField()->setText("E000°00.00");
    dialog->close();
  });
  MenuAction(editor->PopupMenu(), "Set geographic reference Top left")->trigger();
  editor->VerticalBar()->setValue(600);
  MoveMouse(900, 500);
  AnswerNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<LatLongDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->LatitudeField()->setText("N49°00.00");
    dialog->LongitudeField()->setText("E001°30.00");
    dialog->accept();
  });
  MenuAction(editor->PopupMenu(), "Set geographic reference bottom right")->trigger();
  EXPECT_EQ(editor->CornerFields()[0]->text(), "N50°06.00");
  EXPECT_EQ(editor->CornerFields()[1]->text(), "W000°11.15");
  EXPECT_EQ(editor->CornerFields()[2]->text(), "N48°54.00");
  EXPECT_EQ(editor->CornerFields()[3]->text(), "E001°41.15");
}

TEST_F(PlateEditorTest, GeoReferenceFromChartFillsTheCornerFields) {
  ShowOn(Source("chart.pdf"));
  renderer.geo_result =
      PlateGeoResult{{7631015, -12785409, 7621499, -12777053}, rtNone, "graticule"};
  auto* button = editor->findChild<QPushButton*>("geoFromChart");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "Geo-reference from chart");
  ASSERT_TRUE(button->isEnabled());
  button->click();
  EXPECT_EQ(editor->CornerFields()[0]->text(), "N42°23.40");
  EXPECT_EQ(editor->CornerFields()[3]->text(), "W070°59.01");
  EXPECT_TRUE(editor->Model().Fields().geo_referenced);
  // A picture has no chart to read.
  editor->SourceField()->setText(QString::fromStdString(Source("scan.bmp")));
  emit editor->SourceField()->textEdited(editor->SourceField()->text());
  EXPECT_FALSE(button->isEnabled());
}

TEST_F(PlateEditorTest, PictureSourceDisablesThePdfFields) {
  ShowOn(Source("chart.pdf"));
  const std::string bmp = Source("scan.bmp");
  editor->SourceField()->setText(QString::fromStdString(bmp));
  emit editor->SourceField()->textEdited(editor->SourceField()->text());
  for (QWidget* field : std::initializer_list<QWidget*>{editor->PageField(), editor->PagesField(),
                                                        editor->ScalingChoice()->button(0),
                                                        editor->RotationChoice()->button(0)}) {
    EXPECT_FALSE(field->isEnabled());
  }
  EXPECT_EQ(editor->PageField()->value(), 1);
  EXPECT_EQ(editor->PagesField()->text(), "1");
}

TEST_F(PlateEditorTest, ShowModalReturnsTheFieldsAndEditorAccepted) {
  const std::string source = Source("plan.final.pdf");
  for (const char* button : {"ok", "cancel"}) {
    SCOPED_TRACE(button);
    PlateEditorFields fields;
    ResetFields(fields, source, "", 1);
    fields.name_from_filename = true;
    AnswerNextModal([button](QWidget* modal) {
      QApplication::processEvents();
      auto* name = modal->findChild<QLineEdit*>("name");
      EXPECT_EQ(name->text(), "plan");
      modal->findChild<QPushButton*>(button)->click();
    });
    const bool accepted = editor->ShowModal(fields);
    EXPECT_EQ(accepted, std::strcmp(button, "ok") == 0);
    EXPECT_EQ(fields.name, "plan");
    EXPECT_FALSE(editor->isVisible());
  }
}

// The plate list's commands reach the editor through the presenter.
class RecordingDialog : public PlateEditorDialog {
 public:
  int shown = 0;
  bool ShowModal(PlateEditorFields& fields) override {
    ++shown;
    fields.name = "From the editor";
    return true;
  }
};

TEST(PlateListCommands, AddAndEditGoThroughTheAttachedEditor) {
  test::TempDir home;
  test::FakeMainView view;
  MainPresenter presenter(view, home.Folder());
  RecordingDialog dialog;
  presenter.AttachPlateEditor(&dialog);

  presenter.AddPlate();
  presenter.EditPlateDetails();
  EXPECT_EQ(view.messages, (std::vector<std::string>{"No group selected", "No project loaded"}));

  Project& model = presenter.Model();
  model.ProjectLoaded = true;
  model.AddGroup("Los Angeles international", "KLAX", 0);
  model.CurrentGroup = 0;
  presenter.AddPlate();
  ASSERT_EQ(view.plates.size(), 1u);
  EXPECT_EQ(view.groups[0], "Airport: Group1 KLAX, Los Angeles international, 1 plates");
  model.CurrentPlate = 0;
  model.PlateTable()[0].Name = "Old";
  presenter.EditPlateDetails();
  EXPECT_EQ(model.PlateTable()[0].Name, "From the editor");
  EXPECT_EQ(dialog.shown, 2);
}

TEST(PlateListBinding, AddAndDoubleClickOpenTheEditor) {
  test::TestApplication();
  test::TempDir home;
  CreateFixedFolders(home.Folder());
  const std::string chart = home.File("chart.pdf");
  test::WriteFile(chart, "x");
  {
    Project project;
    project.NewProject(home.Folder() + "Projects/p.zpl");
    project.AddGroup("Los Angeles international", "KLAX", 0);
    project.SelectGroup(0);
    PlateRecord plate;
    plate.Name = "ILS 25L";
    plate.SourceFile = chart;
    project.AddPlate(plate);
    project.FlushPending();
    WriteSettings(home.Folder(), {home.Folder() + "Projects/", home.Folder() + "Projects/p.zpl"});
  }
  test::FakePreviewRenderer renderer;
  MainWindow window(home.Folder());
  PlateEditor editor(window.Presenter().Model(), home.Folder(), renderer, &window);
  window.AttachPlateEditor(&editor);
  window.show();
  QWidget* viewport = window.PlateList()->viewport();

  // No group current: the double click (on the empty list) says so.
  auto seen = std::make_shared<test::SeenMessage>();
  test::AnswerNextMessageBox(seen);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(seen->text, "No project loaded");

  window.GroupList()->setCurrentRow(0);
  ASSERT_EQ(window.PlateList()->count(), 1);
  const QPoint line = window.PlateList()->visualItemRect(window.PlateList()->item(0)).center();
  QTest::mouseClick(viewport, Qt::LeftButton, {}, line);
  AnswerNextModal([](QWidget* modal) {
    QApplication::processEvents();
    auto* name = modal->findChild<QLineEdit*>("name");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "ILS 25L");
    name->setText("ILS 25L, edited");
    emit name->textEdited(name->text());
    modal->findChild<QPushButton*>("ok")->click();
  });
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, line);
  EXPECT_EQ(window.PlateList()->item(0)->text().toStdString(),
            "Plate 1, ILS 25L, edited, Page 1, File: \"chart.pdf\"");

  QAction* add = nullptr;
  for (QAction* action : window.PlateList()->actions()) {
    if (action->text() == "Add a plate") add = action;
  }
  ASSERT_NE(add, nullptr);
  EXPECT_TRUE(add->isEnabled());
  AnswerNextModal([](QWidget* modal) { modal->findChild<QPushButton*>("cancel")->click(); });
  add->trigger();
  EXPECT_EQ(window.PlateList()->count(), 1);
  AnswerNextModal([](QWidget* modal) { modal->findChild<QPushButton*>("ok")->click(); });
  add->trigger();
  EXPECT_EQ(window.PlateList()->count(), 2);
  EXPECT_EQ(window.GroupList()->item(0)->text().toStdString(),
            "Airport: Group1 KLAX, Los Angeles international, 2 plates");
}

}  // namespace
}  // namespace qp::app
