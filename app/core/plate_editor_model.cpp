#include "app/core/plate_editor_model.h"

#include "compiler/coordinate_entry.h"

#include <exception>
#include <filesystem>
#include <utility>

#include "app/core/preview_image.h"
#include "compiler/build_driver.h"
#include "compiler/picture_source.h"
#include "project/text_encoding.h"

namespace qp::app {

namespace {

class BusyCursor {
 public:
  explicit BusyCursor(PlateEditorView& view) : view_(view) { view_.SetBusy(true); }
  ~BusyCursor() { view_.SetBusy(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  PlateEditorView& view_;
};

// Only a regular file counts: a folder or a pipe named like a chart is not
// a source, and reading a pipe could block the editor.
bool SourceExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

PlateEditorModel::PlateEditorModel(PlateEditorView& view, PreviewRenderer& renderer,
                                   Project& project, std::string application_folder)
    : view_(view),
      renderer_(renderer),
      project_(project),
      application_folder_(std::move(application_folder)),
      image_(kPreviewImageSide, kPreviewImageSide) {
  FillBlack(image_);
  ResetFields(fields_, "", "", kMinPageNumber);
}

void PlateEditorModel::LoadFields(const PlateEditorFields& fields) {
  fields_ = fields;
  view_.ShowFields();
  Redraw();
}

void PlateEditorModel::SetVisible(bool visible) {
  visible_ = visible;
  if (!visible) mouse_x_ = -1;
}

void PlateEditorModel::Activate() {
  if (fields_.name_from_filename) ApplyNameFromFileName();
  Redraw();
  editor_accepted_ = false;
}

void PlateEditorModel::ApplyNameFromFileName() {
  fields_.name = CutUtf8Chars(NameFromFileName(fields_.source_file), kNameCapacity);
  view_.ShowFields();
}

void PlateEditorModel::SetNameFromFilename(bool ticked) {
  fields_.name_from_filename = ticked;
  if (ticked) ApplyNameFromFileName();
}

void PlateEditorModel::SetSourceFile(const std::string& path) {
  fields_.source_file = path;
  Redraw();
}

void PlateEditorModel::SetPageNumber(int page) {
  const int before = fields_.page_number;
  fields_.SetPageNumber(page);
  if (fields_.page_number != page) view_.ShowFields();
  if (fields_.page_number == before || !pdf_preview_) return;
  if (preview_page_count_ >= 1 && fields_.page_number > preview_page_count_) {
    fields_.SetPageNumber(preview_page_count_);
    view_.ShowFields();
  }
  Redraw();
}

void PlateEditorModel::SetClip(bool ticked) {
  fields_.clip = ticked;
  Redraw();
}

void PlateEditorModel::SetClipText(int corner, const std::string& text) {
  std::string* const texts[] = {&fields_.clip_x1, &fields_.clip_y1, &fields_.clip_x2,
                                &fields_.clip_y2};
  if (corner < 0 || corner >= 4) return;
  *texts[corner] = text;
  // The outline follows what is typed.
  if (fields_.clip) Redraw();
}

void PlateEditorModel::SetScaling(int item) {
  fields_.scaling = item;
  Redraw();
}

void PlateEditorModel::SetRotation(int item) {
  fields_.rotation = item;
  Redraw();
}

void PlateEditorModel::SetShowAsDisplay(bool ticked) {
  show_as_display_ = ticked;
  Redraw();
}

void PlateEditorModel::Browse() {
  const std::string folder =
      browse_folder_.empty() ? application_folder_ + "Plates" : browse_folder_;
  const std::optional<std::string> chosen = view_.ChooseSourceFile(folder);
  if (!chosen) return;
  browse_folder_ = std::filesystem::path(*chosen).parent_path().string();
  if (project_.FindPlateBySource(*chosen)) {
    view_.ShowMessage(kPlateFileExists);
    return;
  }
  fields_.source_file = *chosen;
  view_.ShowFields();
  Redraw();
  if (fields_.name_from_filename) ApplyNameFromFileName();
}

void PlateEditorModel::Redraw() {
  // Whatever the image held, the crosshair with it is gone.
  mouse_x_ = -1;
  if (!visible_) return;
  FillBlack(image_);
  try {
    RedrawSource();
  } catch (const std::exception& error) {
    mouse_x_ = -1;
    view_.ShowImage();
    view_.ShowMessage(error.what());
    return;
  }
  view_.ShowImage();
  mouse_x_ = -1;
}

void PlateEditorModel::RedrawSource() {
  if (!SourceExists(fields_.source_file)) return;
  switch (SourceKindOf(fields_.source_file)) {
    case SourceKind::Pdf:
      PreviewPdf();
      break;
    case SourceKind::Bmp:
    case SourceKind::Jpeg:
      PreviewPictureFile();
      break;
    case SourceKind::Unsupported:
      view_.ShowMessage(kUnsupportedImageType);
      return;
  }
  fields_.number_of_pages = std::to_string(preview_page_count_);
  if (show_as_display_) MapToPlatePalette(image_, preview_width_, preview_height_);
  if (fields_.clip) {
    DrawClipOutline(image_, ClipFieldValue(fields_.clip_x1), ClipFieldValue(fields_.clip_y1),
                    ClipFieldValue(fields_.clip_x2), ClipFieldValue(fields_.clip_y2));
  }
  view_.ShowFields();
}

void PlateEditorModel::PreviewPdf() {
  const bool was_pdf = pdf_preview_;
  bool lowered = false;
  PreviewRaster raster;
  try {
    const BusyCursor busy(view_);
    raster = renderer_.RenderPdfPage(fields_.source_file, fields_.page_number,
                                     TargetWidthFor(static_cast<uint8_t>(fields_.scaling)),
                                     fields_.rotation, [&](int count) {
                                       preview_page_count_ = count;
                                       if (count >= 1 && fields_.page_number > count) {
                                         fields_.SetPageNumber(count);
                                         lowered = true;
                                         view_.ShowFields();
                                       }
                                     });
  } catch (...) {
    // The requested page is past the end. Over a PDF preview the lowered
    // page is shown first, once this render has let go of the document;
    // the failure is reported all the same.
    if (lowered && was_pdf) Redraw();
    throw;
  }
  CopyToTopLeft(raster.image, image_);
  preview_width_ = raster.width;
  preview_height_ = raster.height;
  preview_page_count_ = raster.page_count;
  pdf_fields_enabled_ = true;
  pdf_preview_ = true;
}

void PlateEditorModel::PreviewPictureFile() {
  PreviewRaster raster;
  {
    const BusyCursor busy(view_);
    raster = renderer_.LoadPicture(fields_.source_file);
  }
  CopyToTopLeft(raster.image, image_);
  preview_width_ = raster.width;
  preview_height_ = raster.height;
  preview_page_count_ = 1;
  pdf_preview_ = false;
  fields_.SetPageNumber(1);
  pdf_fields_enabled_ = false;
}

void PlateEditorModel::MouseMoved(int x, int y) {
  // A point off the image would leave a line that the next move cannot
  // take away.
  if (x < 0 || y < 0 || x >= image_.Width() || y >= image_.Height()) return;
  view_.ShowReadOut("X:" + std::to_string(x) + " Y:" + std::to_string(y));
  if (mouse_x_ != -1) view_.DrawCrosshair(mouse_x_, mouse_y_);
  mouse_x_ = x;
  mouse_y_ = y;
  view_.DrawCrosshair(x, y);
}

void PlateEditorModel::SetReferencePoint(GeoReference& reference, bool& set) {
  // The point where the menu was opened; the dialog's closing redraws the
  // preview, which forgets the mouse position.
  const int x = mouse_x_;
  const int y = mouse_y_;
  const LatLongTexts texts = view_.AskLatLong({LatToText(0), LongToText(0)});
  // Only a coordinate in an accepted form sets the point: a text read as
  // something else than the user meant would put the aircraft elsewhere.
  const std::optional<int32_t> lat = ParseLatitude(texts.latitude);
  const std::optional<int32_t> lon = ParseLongitude(texts.longitude);
  if (lat && lon) {
    reference = {x, y, *lat, *lon};
    set = true;
  }
  // With one point only, the corners would come from a made-up second one.
  if (first_set_ && second_set_) {
    const PlateCorners corners =
        ExtrapolateCorners(first_reference_, second_reference_, preview_width_, preview_height_);
    fields_.lat_tl = LatToText(corners.LatTL);
    fields_.long_tl = LongToText(corners.LongTL);
    fields_.lat_br = LatToText(corners.LatBR);
    fields_.long_br = LongToText(corners.LongBR);
  }
  view_.ShowFields();
  // The editor is active again once the dialog has closed over it.
  Activate();
}

void PlateEditorModel::SetFirstReferencePoint() {
  SetReferencePoint(first_reference_, first_set_);
}

void PlateEditorModel::SetSecondReferencePoint() {
  SetReferencePoint(second_reference_, second_set_);
}

void PlateEditorModel::SetClipCorner(std::string& x, std::string& y) {
  x = std::to_string(mouse_x_);
  y = std::to_string(mouse_y_);
  view_.ShowFields();
}

void PlateEditorModel::SetClipTopLeft() {
  SetClipCorner(fields_.clip_x1, fields_.clip_y1);
}

void PlateEditorModel::SetClipBottomRight() {
  SetClipCorner(fields_.clip_x2, fields_.clip_y2);
}

void PlateEditorModel::SetClipRectangle(int x1, int y1, int x2, int y2) {
  fields_.clip_x1 = std::to_string(x1);
  fields_.clip_y1 = std::to_string(y1);
  fields_.clip_x2 = std::to_string(x2);
  fields_.clip_y2 = std::to_string(y2);
  fields_.clip = true;
  view_.ShowFields();
  Redraw();
}

void PlateEditorModel::GeoReferenceFromChart() {
  if (!SourceExists(fields_.source_file) || SourceKindOf(fields_.source_file) != SourceKind::Pdf) {
    view_.ShowMessage(kNoGeoReferenceMessage);
    return;
  }
  PlateRecord plate;
  WriteFieldsToPlate(fields_, plate);
  plate.SourceFile = fields_.source_file;
  std::optional<PlateGeoResult> found;
  std::string problem = kNoGeoReferenceMessage;
  try {
    const BusyCursor busy(view_);
    found = renderer_.GeoReferencePdfPage(plate, &problem);
  } catch (const std::exception& error) {
    view_.ShowMessage(error.what());
    return;
  }
  if (!found) {
    view_.ShowMessage(problem);
    return;
  }
  const PlateCorners& c = found->Corners;
  fields_.lat_tl = LatToText(c.LatTL);
  fields_.long_tl = LongToText(c.LongTL);
  fields_.lat_br = LatToText(c.LatBR);
  fields_.long_br = LongToText(c.LongBR);
  fields_.exact_corners = c;
  fields_.geo_referenced = true;
  const bool turned = found->Rotate != fields_.rotation;
  fields_.rotation = found->Rotate;
  view_.ShowFields();
  if (turned) {
    Redraw();
    view_.ShowMessage(kNorthTurnedUp);
  }
}

}  // namespace qp::app
