#include "app/plate_list_widget.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace qp::app {
namespace {

bool HasLocalFiles(const QMimeData* data) {
  if (!data || !data->hasUrls()) return false;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) return true;
  }
  return false;
}

}  // namespace

PlateListWidget::PlateListWidget(QWidget* parent) : QListWidget(parent) {
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
}

void PlateListWidget::dragEnterEvent(QDragEnterEvent* event) {
  if (HasLocalFiles(event->mimeData())) {
    event->acceptProposedAction();
    return;
  }
  if (event->source() == this) {
    QListWidget::dragEnterEvent(event);
    return;
  }
  event->ignore();
}

void PlateListWidget::dragMoveEvent(QDragMoveEvent* event) {
  if (HasLocalFiles(event->mimeData())) {
    event->acceptProposedAction();
    return;
  }
  if (event->source() == this) {
    // Lets the list draw where the lines would go.
    QListWidget::dragMoveEvent(event);
    return;
  }
  event->ignore();
}

int PlateListWidget::DropTarget(const QPoint& position) const {
  const QModelIndex index = indexAt(position);
  if (!index.isValid()) return count();
  const QRect rect = visualRect(index);
  return position.y() < rect.center().y() ? index.row() : index.row() + 1;
}

void PlateListWidget::dropEvent(QDropEvent* event) {
  const QPoint position = event->position().toPoint();
  if (HasLocalFiles(event->mimeData())) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
      if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    }
    event->acceptProposedAction();
    emit FilesDropped(paths);
    return;
  }
  if (event->source() == this) {
    // The list's own move would change the lines behind the plates' back.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    emit LinesDropped(DropTarget(position));
    return;
  }
  event->ignore();
}

}  // namespace qp::app
