#pragma once
// The plate properties editor without its widgets: the fields, the preview
// image and its redraw rules, the mouse read-out and crosshair state, the
// reference points kept from one plate to the next, the pop-up commands and
// Browse. The window forwards the user's actions here and shows what the
// model asks for through PlateEditorView.

#include <optional>
#include <string>

#include "app/core/plate_fields.h"
#include "app/core/preview_renderer.h"
#include "compiler/geo_reference.h"
#include "compiler/plate_raster.h"
#include "project/project.h"

namespace qp::app {

inline constexpr const char* kPlateFileExists = "This plate file exists in the list";
inline constexpr const char* kUnsupportedImageType = "Unsupported image file type";
inline constexpr const char* kNorthTurnedUp =
    "North is to the side on this chart: the rotation was changed to put it up";

struct LatLongTexts {
  std::string latitude;
  std::string longitude;
};

class PlateEditorView {
 public:
  virtual ~PlateEditorView() = default;

  // A message box with the application title and one OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // The fields or their enabled state changed: show them.
  virtual void ShowFields() = 0;
  // The preview image changed: repaint it.
  virtual void ShowImage() = 0;
  // Inverts the crosshair through (x, y) on the image: drawing it twice at
  // the same place restores the pixels.
  virtual void DrawCrosshair(int x, int y) = 0;
  virtual void ShowReadOut(const std::string& text) = 0;
  // A busy cursor while the preview renders.
  virtual void SetBusy(bool busy) = 0;
  // The latitude/longitude dialog, modal; its texts whichever way it closed.
  virtual LatLongTexts AskLatLong(const LatLongTexts& initial) = 0;
  // The Browse dialog opened in `folder`; no value when cancelled.
  virtual std::optional<std::string> ChooseSourceFile(const std::string& folder) = 0;
};

class PlateEditorModel {
 public:
  // All references must outlive the model. Browse starts in
  // `application_folder` + "Plates" (the folder ends in '/').
  PlateEditorModel(PlateEditorView& view, PreviewRenderer& renderer, Project& project,
                   std::string application_folder);

  const PlateEditorFields& Fields() const { return fields_; }
  // Fills the fields, as the plate operations do before showing the editor;
  // while the editor is hidden nothing is drawn.
  void LoadFields(const PlateEditorFields& fields);

  // Showing and closing.
  void SetVisible(bool visible);
  bool Visible() const { return visible_; }
  // The editor became the active window: name from file name, redraw, and
  // EditorAccepted cleared.
  void Activate();
  void Accept() { editor_accepted_ = true; }
  void Cancel() { editor_accepted_ = false; }
  bool EditorAccepted() const { return editor_accepted_; }

  // Field edits.
  void SetName(const std::string& name) { fields_.name = name; }
  void SetNameFromFilename(bool ticked);
  void SetSourceFile(const std::string& path);
  void SetPageNumber(int page);
  void SetGeoReferenced(bool ticked) { fields_.geo_referenced = ticked; }
  void SetClip(bool ticked);
  // Corner 0..3: top-left X, top-left Y, bottom-right X, bottom-right Y.
  void SetClipText(int corner, const std::string& text);
  void SetScaling(int item);
  void SetRotation(int item);
  void Browse();
  // The folder Browse opens next; empty for the application's Plates folder.
  const std::string& BrowseFolder() const { return browse_folder_; }
  void SetBrowseFolder(std::string folder) { browse_folder_ = std::move(folder); }
  // The extra tick box "Show as the display will": the preview in the plate
  // palette's colours.
  void SetShowAsDisplay(bool ticked);
  bool ShowAsDisplay() const { return show_as_display_; }

  // The mouse over the preview, in image pixels.
  void MouseMoved(int x, int y);

  // The pop-up menu's commands, at (MouseX, MouseY).
  void SetFirstReferencePoint();
  void SetSecondReferencePoint();
  void SetClipTopLeft();
  void SetClipBottomRight();
  // A rectangle marked on the preview: the four clip fields, clipping
  // ticked, and the outline drawn.
  void SetClipRectangle(int x1, int y1, int x2, int y2);

  // "Geo-reference from chart": the corners from the geo-reference the PDF
  // page carries or prints, "This page is Geo-referenced" ticked, and the
  // rotation that puts north up when the chart is printed turned; a message
  // when there is none.
  void GeoReferenceFromChart();

  // Redraws the preview by the rules of the editor.
  void Redraw();

  // State.
  const PlateRaster& Image() const { return image_; }
  PlateRaster& Image() { return image_; }
  bool PdfPreview() const { return pdf_preview_; }
  bool PdfFieldsEnabled() const { return pdf_fields_enabled_; }
  int PreviewPageCount() const { return preview_page_count_; }
  int PreviewWidth() const { return preview_width_; }
  int PreviewHeight() const { return preview_height_; }
  int MouseX() const { return mouse_x_; }
  int MouseY() const { return mouse_y_; }
  const GeoReference& FirstReference() const { return first_reference_; }
  const GeoReference& SecondReference() const { return second_reference_; }

 private:
  void ApplyNameFromFileName();
  void RedrawSource();
  void PreviewPdf();
  void PreviewPictureFile();
  void SetReferencePoint(GeoReference& reference, bool& set);
  void SetClipCorner(std::string& x, std::string& y);

  PlateEditorView& view_;
  PreviewRenderer& renderer_;
  Project& project_;
  std::string application_folder_;
  std::string browse_folder_;

  PlateEditorFields fields_;
  PlateRaster image_;
  bool visible_ = false;
  bool editor_accepted_ = false;
  bool show_as_display_ = false;
  bool pdf_preview_ = false;
  bool pdf_fields_enabled_ = true;
  int preview_page_count_ = 0;
  int preview_width_ = 0;
  int preview_height_ = 0;
  int mouse_x_ = -1;
  int mouse_y_ = 0;
  GeoReference first_reference_;
  GeoReference second_reference_;
  bool first_set_ = false;  // each point once set carries over to the next plate
  bool second_set_ = false;
};

}  // namespace qp::app
