#pragma once
// The plate editor's preview: a window onto the 2000 x 2000 preview image,
// 601 x 601 at first and as large as the editor lets it be, shown at a zoom
// and moved by two scroll bars, with a crosshair mouse cursor. It shows the
// model's raster in place and draws the crosshair into it. A click of the
// left button asks for the pop-up menu; a drag marks a rectangle.

#include <QImage>
#include <QWidget>

#include "compiler/plate_raster.h"

namespace qp::app {

inline constexpr int kPreviewViewportSide = 601;

class PreviewPane : public QWidget {
  Q_OBJECT

 public:
  // `image` (words 0xFFRRGGBB) must outlive the pane.
  explicit PreviewPane(PlateRaster& image, QWidget* parent = nullptr);

  // The image pixel at the window's top left (the scroll bar positions).
  void SetOrigin(int x, int y);
  QPoint Origin() const { return origin_; }
  // Window pixels per image pixel.
  void SetZoom(double zoom);
  double Zoom() const { return zoom_; }

  // A horizontal and a vertical line across the whole image through
  // (x, y), one pixel wide, pure red, in NOT-XOR mode: drawn twice, the
  // pixels are as before.
  void DrawCrosshair(int x, int y);

  QSize sizeHint() const override { return {kPreviewViewportSide, kPreviewViewportSide}; }

 signals:
  void MouseMovedOnImage(int x, int y);
  // A left click, at its press.
  void LeftPressedOnImage(int x, int y, QPoint global);
  // A drag with the left button from (x1, y1) to (x2, y2), image pixels.
  void LeftDraggedOnImage(int x1, int y1, int x2, int y2);
  // Wheel turns: `scroll` in window pixels, or `zoom_steps` with Ctrl
  // about the image point under the mouse.
  void WheelScrolled(QPoint scroll);
  void WheelZoomed(int zoom_steps, QPoint image_point);
  void Resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // A fresh wrapper each time, never a copy, so that painting always
  // writes into the model's raster.
  QImage Wrapped() const;
  QPoint ImagePoint(const QPointF& position) const;
  QPointF WindowPoint(QPoint image_point) const;

  PlateRaster& image_;
  QPoint origin_;
  double zoom_ = 1.0;
  bool pressed_ = false;   // the left button is down
  bool dragging_ = false;  // ... and has moved far enough to be a drag
  QPoint press_image_;     // where it went down, image pixels
  QPoint press_global_;
  QPoint press_window_;
  QPoint drag_image_;   // where the drag is now
  int wheel_rest_ = 0;  // eighths of a degree short of a zoom step
};

}  // namespace qp::app
