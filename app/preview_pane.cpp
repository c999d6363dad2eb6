#include "app/preview_pane.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

namespace qp::app {
namespace {

// One wheel notch, in eighths of a degree.
constexpr int kWheelNotch = 120;

}  // namespace

PreviewPane::PreviewPane(PlateRaster& image, QWidget* parent) : QWidget(parent), image_(image) {
  setObjectName("preview");
  setMinimumSize(kPreviewViewportSide, kPreviewViewportSide);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setMouseTracking(true);
  setCursor(Qt::CrossCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage PreviewPane::Wrapped() const {
  return QImage(image_.Data(), image_.Width(), image_.Height(), image_.Stride(),
                QImage::Format_RGB32);
}

void PreviewPane::SetOrigin(int x, int y) {
  origin_ = QPoint(x, y);
  update();
}

void PreviewPane::SetZoom(double zoom) {
  if (zoom == zoom_) return;
  zoom_ = zoom;
  update();
}

void PreviewPane::DrawCrosshair(int x, int y) {
  {
    QImage image = Wrapped();
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    painter.setPen(QPen(QColor(255, 0, 0), 1));
    painter.drawLine(0, y, image.width() - 1, y);
    painter.drawLine(x, 0, x, image.height() - 1);
  }
  const QPointF at = WindowPoint(QPoint(x, y));
  const int thick = int(std::ceil(zoom_)) + 1;
  update(QRect(0, int(at.y()) - 1, width(), thick));
  update(QRect(int(at.x()) - 1, 0, thick, height()));
}

void PreviewPane::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), palette().window());
  const QImage image = Wrapped();
  if (zoom_ == 1.0) {
    painter.drawImage(QPoint(0, 0), image, QRect(origin_, size()));
  } else {
    // Reduced views are smoothed so that thin lines stay visible; enlarged
    // ones show the image's own pixels.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 1.0);
    const QRectF source(origin_, QSizeF(width() / zoom_, height() / zoom_));
    painter.drawImage(QRectF(0, 0, width(), height()), image, source);
  }
  if (dragging_) {
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.drawRect(QRectF(WindowPoint(press_image_), WindowPoint(drag_image_)).normalized());
  }
}

QPoint PreviewPane::ImagePoint(const QPointF& position) const {
  return QPoint(int(std::floor(position.x() / zoom_)), int(std::floor(position.y() / zoom_))) +
         origin_;
}

QPointF PreviewPane::WindowPoint(QPoint image_point) const {
  return QPointF(image_point - origin_) * zoom_;
}

void PreviewPane::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = ImagePoint(event->position());
  if (pressed_ && !dragging_ &&
      (event->position().toPoint() - press_window_).manhattanLength() >=
          QApplication::startDragDistance()) {
    dragging_ = true;
  }
  if (dragging_) {
    drag_image_ = point;
    update();
  }
  emit MouseMovedOnImage(point.x(), point.y());
}

void PreviewPane::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  dragging_ = false;
  press_window_ = event->position().toPoint();
  press_image_ = ImagePoint(event->position());
  press_global_ = event->globalPosition().toPoint();
}

void PreviewPane::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  if (dragging_) {
    dragging_ = false;
    update();
    const QPoint end = ImagePoint(event->position());
    emit LeftDraggedOnImage(press_image_.x(), press_image_.y(), end.x(), end.y());
    return;
  }
  // A click opens the pop-up menu where the button went down.
  emit LeftPressedOnImage(press_image_.x(), press_image_.y(), press_global_);
}

void PreviewPane::wheelEvent(QWheelEvent* event) {
  QPoint delta = event->angleDelta();
  if (event->modifiers() & Qt::ControlModifier) {
    wheel_rest_ += delta.y();
    const int steps = wheel_rest_ / kWheelNotch;
    wheel_rest_ -= steps * kWheelNotch;
    if (steps != 0) emit WheelZoomed(steps, ImagePoint(event->position()));
    event->accept();
    return;
  }
  // Shift turns the wheel sideways where the system has not done so.
  if ((event->modifiers() & Qt::ShiftModifier) && delta.x() == 0) delta = QPoint(delta.y(), 0);
  // A notch moves by a sixth of the window.
  emit WheelScrolled(
      QPoint(-delta.x() * width() / (6 * kWheelNotch), -delta.y() * height() / (6 * kWheelNotch)));
  event->accept();
}

void PreviewPane::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit Resized();
}

}  // namespace qp::app
