#include "app/preview_area.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cmath>

#include "app/core/preview_view.h"
#include "app/preview_pane.h"

namespace qp::app {
namespace {

// The page step of the fixed 601-pixel window, in image pixels at zoom 1.
constexpr int kScrollPageAtZoom1 = 100;

}  // namespace

PreviewArea::PreviewArea(PlateRaster& image, QWidget* parent) : QWidget(parent) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  pane_ = new PreviewPane(image);
  horizontal_ = new QScrollBar(Qt::Horizontal);
  vertical_ = new QScrollBar(Qt::Vertical);
  for (QScrollBar* bar : {horizontal_, vertical_}) {
    connect(bar, &QScrollBar::valueChanged, this,
            [this] { pane_->SetOrigin(horizontal_->value(), vertical_->value()); });
  }
  grid->addWidget(pane_, 0, 0);
  grid->addWidget(vertical_, 0, 1);
  grid->addWidget(horizontal_, 1, 0);
  grid->setRowStretch(0, 1);
  grid->setColumnStretch(0, 1);

  auto* zoom_row = new QHBoxLayout;
  fit_ = new QCheckBox("Fit");
  fit_->setObjectName("fit");
  fit_->setToolTip("Zoom the page to the window (Ctrl+wheel zooms step by step)");
  zoom_label_ = new QLabel("100%");
  zoom_label_->setObjectName("zoom");
  zoom_row->addWidget(fit_);
  zoom_row->addWidget(zoom_label_);
  zoom_row->addStretch(1);
  grid->addLayout(zoom_row, 2, 0);

  connect(fit_, &QCheckBox::toggled, this, [this](bool fit) {
    if (fit) {
      ApplyZoom(FitZoom(content_width_, content_height_, pane_->width(), pane_->height()),
                QPoint(0, 0), QPointF(0, 0));
    } else {
      ApplyZoom(1.0, QPoint(horizontal_->value(), vertical_->value()), QPointF(0, 0));
    }
  });
  connect(pane_, &PreviewPane::WheelScrolled, this, [this](QPoint scroll) {
    const double zoom = pane_->Zoom();
    horizontal_->setValue(horizontal_->value() + int(std::lround(scroll.x() / zoom)));
    vertical_->setValue(vertical_->value() + int(std::lround(scroll.y() / zoom)));
  });
  connect(pane_, &PreviewPane::WheelZoomed, this, &PreviewArea::ZoomBy);
  connect(pane_, &PreviewPane::Resized, this, [this] {
    if (fit_->isChecked()) {
      ApplyZoom(FitZoom(content_width_, content_height_, pane_->width(), pane_->height()),
                QPoint(0, 0), QPointF(0, 0));
    } else {
      UpdateRanges();
    }
  });
  UpdateRanges();
}

void PreviewArea::SetContentSize(int width, int height) {
  if (width == content_width_ && height == content_height_) return;
  content_width_ = width;
  content_height_ = height;
  if (fit_->isChecked()) {
    ApplyZoom(FitZoom(width, height, pane_->width(), pane_->height()), QPoint(0, 0), QPointF(0, 0));
  }
}

void PreviewArea::ZoomBy(int steps, QPoint anchor) {
  const QPointF window = QPointF(anchor - pane_->Origin()) * pane_->Zoom();
  const double zoom = ZoomStep(pane_->Zoom(), steps);
  {
    const QSignalBlocker blocker(fit_);
    fit_->setChecked(false);
  }
  ApplyZoom(zoom, anchor, window);
}

void PreviewArea::ApplyZoom(double zoom, QPoint anchor, QPointF anchor_window) {
  pane_->SetZoom(zoom);
  zoom_label_->setText(QString::number(std::lround(zoom * 100)) + "%");
  UpdateRanges();
  horizontal_->setValue(anchor.x() - int(std::lround(anchor_window.x() / zoom)));
  vertical_->setValue(anchor.y() - int(std::lround(anchor_window.y() / zoom)));
}

void PreviewArea::UpdateRanges() {
  const double zoom = pane_->Zoom();
  const int page = std::max(1, int(std::lround(kScrollPageAtZoom1 / zoom)));
  horizontal_->setRange(0, PreviewScrollMax(pane_->width(), zoom));
  vertical_->setRange(0, PreviewScrollMax(pane_->height(), zoom));
  for (QScrollBar* bar : {horizontal_, vertical_}) bar->setPageStep(page);
  pane_->SetOrigin(horizontal_->value(), vertical_->value());
}

}  // namespace qp::app
