#include "app/group_file_viewer.h"

#include <QBrush>
#include <QHBoxLayout>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace qp::app {

namespace {

constexpr double kMinZoom = 0.125;
constexpr double kMaxZoom = 8.0;

}  // namespace

GroupFileViewer::GroupFileViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("groupFileViewer");
  setWindowTitle("Group file");
  list_ = new QListWidget;
  list_->setObjectName("plates");
  picture_ = new QLabel;
  picture_->setObjectName("picture");
  scroll_ = new QScrollArea;
  scroll_->setWidget(picture_);
  scroll_->setBackgroundRole(QPalette::Dark);

  auto* zoom_out = new QPushButton("Zoom out");
  auto* zoom_in = new QPushButton("Zoom in");
  auto* actual = new QPushButton("Actual size");
  connect(zoom_out, &QPushButton::clicked, this, [this] { SetZoom(zoom_ / 1.25); });
  connect(zoom_in, &QPushButton::clicked, this, [this] { SetZoom(zoom_ * 1.25); });
  connect(actual, &QPushButton::clicked, this, [this] { SetZoom(1.0); });
  zoom_out->setShortcut(QKeySequence::ZoomOut);
  zoom_in->setShortcut(QKeySequence::ZoomIn);
  actual->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(zoom_out);
  buttons->addWidget(zoom_in);
  buttons->addWidget(actual);
  buttons->addStretch(1);

  auto* right = new QWidget;
  auto* right_layout = new QVBoxLayout(right);
  right_layout->setContentsMargins(0, 0, 0, 0);
  right_layout->addLayout(buttons);
  right_layout->addWidget(scroll_, 1);

  auto* splitter = new QSplitter;
  splitter->addWidget(list_);
  splitter->addWidget(right);
  splitter->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter);
  resize(1100, 800);

  connect(list_, &QListWidget::currentRowChanged, this, &GroupFileViewer::ShowPlate);
  scroll_->viewport()->installEventFilter(this);
}

GroupFileViewer::~GroupFileViewer() = default;

void GroupFileViewer::Open(const std::filesystem::path& file) {
  auto view = std::make_unique<GroupFileView>(file);
  view_ = std::move(view);
  setWindowTitle(QString::fromStdString(view_->Title()));
  list_->clear();
  for (size_t i = 0; i < view_->Lines().size(); ++i) {
    auto* item = new QListWidgetItem(QString::fromStdString(view_->Lines()[i]));
    if (!view_->Written(i)) item->setForeground(QBrush(Qt::red));
    list_->addItem(item);
  }
  if (list_->count() > 0) list_->setCurrentRow(0);
}

void GroupFileViewer::ShowPlate(int row) {
  row_ = row;
  image_.reset();
  if (!view_ || row < 0) {
    picture_->clear();
    return;
  }
  const PlateImage plate = view_->Image(static_cast<size_t>(row));
  if (plate.colours.empty()) {
    picture_->setText("This plate was not written.");
    picture_->adjustSize();
    return;
  }
  image_ = std::make_unique<QImage>(plate.width, plate.height, QImage::Format_RGB32);
  for (int y = 0; y < plate.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image_->scanLine(y));
    for (int x = 0; x < plate.width; ++x) {
      const uint32_t c = plate.colours[static_cast<size_t>(y) * plate.width + x];
      line[x] = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
  }
  SetZoom(zoom_);
}

void GroupFileViewer::SetZoom(double zoom) {
  zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
  if (!image_) return;
  const QSize size(std::max(1, static_cast<int>(image_->width() * zoom_)),
                   std::max(1, static_cast<int>(image_->height() * zoom_)));
  // Palette pixels stay sharp when enlarged.
  picture_->setPixmap(QPixmap::fromImage(
      image_->scaled(size, Qt::IgnoreAspectRatio,
                     zoom_ >= 1.0 ? Qt::FastTransformation : Qt::SmoothTransformation)));
  picture_->adjustSize();
}

bool GroupFileViewer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == scroll_->viewport() && event->type() == QEvent::Wheel) {
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (wheel->modifiers() & Qt::ControlModifier) {
      SetZoom(wheel->angleDelta().y() > 0 ? zoom_ * 1.25 : zoom_ / 1.25);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace qp::app
