#pragma once
// The plate properties editor window: the plate's fields on the left, the
// preview with its scroll bars, mouse read-out and "Show as the display
// will" on the right. The rules live in PlateEditorModel; this window shows
// what the model asks for and forwards the user's actions. Created once at
// start; the plate operations show it modally.

#include <QDialog>
#include <array>
#include <memory>
#include <string>

#include "app/core/plate_editor_model.h"
#include "app/core/plate_operations.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QSpinBox;

namespace qp::app {

class LatLongDialog;
class PreviewArea;
class PreviewPane;

inline constexpr const char* kPlateEditorCaption = "Plate properties editor";
inline constexpr const char* kSourceFileFilter =
    "Plate source files (*.pdf *.bmp *.jpg *.jpeg);;PDF files (*.pdf);;BMP files (*.bmp);;JPEG "
    "files (*.jpg);;JPEG files (*.jpeg)";

class PlateEditor : public QDialog, public PlateEditorView, public PlateEditorDialog {
  Q_OBJECT

 public:
  // `project` and `renderer` must outlive the window.
  PlateEditor(Project& project, const std::string& application_folder, PreviewRenderer& renderer,
              QWidget* parent = nullptr);
  ~PlateEditor() override;

  // PlateEditorDialog: fills the fields, shows the editor modally, and
  // returns EditorAccepted with the fields as the user left them.
  bool ShowModal(PlateEditorFields& fields) override;

  PlateEditorModel& Model() { return *model_; }
  PreviewPane* Preview() const { return preview_; }
  QScrollBar* HorizontalBar() const { return horizontal_; }
  QScrollBar* VerticalBar() const { return vertical_; }
  PreviewArea* PreviewView() const { return preview_area_; }
  QLabel* ReadOut() const { return read_out_; }
  QMenu* PopupMenu() const { return popup_; }
  LatLongDialog* LatLong() const { return lat_long_; }
  QLineEdit* NameField() const { return name_; }
  QLineEdit* SourceField() const { return source_; }
  QSpinBox* PageField() const { return page_; }
  QLineEdit* PagesField() const { return pages_; }
  const std::array<QLineEdit*, 4>& CornerFields() const { return corners_; }
  const std::array<QLineEdit*, 4>& ClipFields() const { return clip_fields_; }
  QCheckBox* ClipBox() const { return clip_; }
  QCheckBox* ShowAsDisplayBox() const { return show_as_display_; }
  QButtonGroup* ScalingChoice() const { return scaling_; }
  QButtonGroup* RotationChoice() const { return rotation_; }

  // PlateEditorView.
  void ShowMessage(const std::string& text) override;
  void ShowFields() override;
  void ShowImage() override;
  void DrawCrosshair(int x, int y) override;
  void ShowReadOut(const std::string& text) override;
  void SetBusy(bool busy) override;
  LatLongTexts AskLatLong(const LatLongTexts& initial) override;
  std::optional<std::string> ChooseSourceFile(const std::string& folder) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QWidget* BuildFields();
  QWidget* BuildPreview();
  void BuildPopupMenu();
  void ConnectFields();

  std::unique_ptr<PlateEditorModel> model_;
  LatLongDialog* lat_long_ = nullptr;
  PreviewArea* preview_area_ = nullptr;
  PreviewPane* preview_ = nullptr;
  QScrollBar* horizontal_ = nullptr;
  QScrollBar* vertical_ = nullptr;
  QLabel* read_out_ = nullptr;
  QMenu* popup_ = nullptr;
  QLineEdit* name_ = nullptr;
  QCheckBox* name_from_filename_ = nullptr;
  QLineEdit* source_ = nullptr;
  QPushButton* browse_ = nullptr;
  QSpinBox* page_ = nullptr;
  QLineEdit* pages_ = nullptr;
  QCheckBox* geo_referenced_ = nullptr;
  QPushButton* geo_from_chart_ = nullptr;
  std::array<QLineEdit*, 4> corners_{};
  QCheckBox* clip_ = nullptr;
  std::array<QLineEdit*, 4> clip_fields_{};
  QButtonGroup* scaling_ = nullptr;
  QButtonGroup* rotation_ = nullptr;
  QWidget* scaling_box_ = nullptr;
  QWidget* rotation_box_ = nullptr;
  QCheckBox* show_as_display_ = nullptr;
};

using TForm3 = PlateEditor;

}  // namespace qp::app
