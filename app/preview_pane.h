#pragma once
// The plate editor's preview: a 601 x 601 window onto the 2000 x 2000
// preview image, moved by two scroll bars, with a crosshair mouse cursor.
// It shows the model's raster in place and draws the crosshair into it.

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

  // A horizontal and a vertical line across the whole image through
  // (x, y), one pixel wide, pure red, in NOT-XOR mode: drawn twice, the
  // pixels are as before.
  void DrawCrosshair(int x, int y);

  QSize sizeHint() const override { return {kPreviewViewportSide, kPreviewViewportSide}; }

 signals:
  void MouseMovedOnImage(int x, int y);
  void LeftPressedOnImage(int x, int y, QPoint global);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // A fresh wrapper each time, never a copy, so that painting always
  // writes into the model's raster.
  QImage Wrapped() const;
  QPoint ImagePoint(const QPointF& position) const;

  PlateRaster& image_;
  QPoint origin_;
};

}  // namespace qp::app
