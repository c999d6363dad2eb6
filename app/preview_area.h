#pragma once
// The plate editor's preview with what moves it: the pane, its two scroll
// bars, the mouse wheel (Shift sideways, Ctrl zooms) and the "Fit" toggle
// that zooms the rendered page to the window. Grows with the editor.

#include <QWidget>

#include "compiler/plate_raster.h"

class QCheckBox;
class QLabel;
class QScrollBar;

namespace qp::app {

class PreviewPane;

class PreviewArea : public QWidget {
  Q_OBJECT

 public:
  // `image` must outlive the area.
  explicit PreviewArea(PlateRaster& image, QWidget* parent = nullptr);

  PreviewPane* Pane() const { return pane_; }
  QScrollBar* HorizontalBar() const { return horizontal_; }
  QScrollBar* VerticalBar() const { return vertical_; }
  QCheckBox* FitBox() const { return fit_; }

  // The size of the rendered page at the image's top left, which "Fit"
  // shows whole.
  void SetContentSize(int width, int height);
  // Zooms about the image point `anchor`, which stays under the mouse;
  // "Fit" is unticked.
  void ZoomBy(int steps, QPoint anchor);

 private:
  void ApplyZoom(double zoom, QPoint anchor, QPointF anchor_window);
  void UpdateRanges();

  PreviewPane* pane_;
  QScrollBar* horizontal_;
  QScrollBar* vertical_;
  QCheckBox* fit_;
  QLabel* zoom_label_;
  int content_width_ = 0;
  int content_height_ = 0;
};

}  // namespace qp::app
