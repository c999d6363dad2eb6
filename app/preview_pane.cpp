#include "app/preview_pane.h"

#include <QMouseEvent>
#include <QPainter>

namespace qp::app {

PreviewPane::PreviewPane(PlateRaster& image, QWidget* parent) : QWidget(parent), image_(image) {
  setObjectName("preview");
  setFixedSize(kPreviewViewportSide, kPreviewViewportSide);
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

void PreviewPane::DrawCrosshair(int x, int y) {
  {
    QImage image = Wrapped();
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    painter.setPen(QPen(QColor(255, 0, 0), 1));
    painter.drawLine(0, y, image.width() - 1, y);
    painter.drawLine(x, 0, x, image.height() - 1);
  }
  update(QRect(0, y - origin_.y(), width(), 1));
  update(QRect(x - origin_.x(), 0, 1, height()));
}

void PreviewPane::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), palette().window());
  const QImage image = Wrapped();
  painter.drawImage(QPoint(0, 0), image, QRect(origin_, size()));
}

QPoint PreviewPane::ImagePoint(const QPointF& position) const {
  return position.toPoint() + origin_;
}

void PreviewPane::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = ImagePoint(event->position());
  emit MouseMovedOnImage(point.x(), point.y());
}

void PreviewPane::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint point = ImagePoint(event->position());
  emit LeftPressedOnImage(point.x(), point.y(), event->globalPosition().toPoint());
}

}  // namespace qp::app
