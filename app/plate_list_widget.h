#pragma once
// The plate list of the main window: takes PDF, BMP and JPEG files dropped
// from a file manager, and moves its selected lines when they are dragged
// within it. It only reports; the presenter changes the plates and lines.

#include <QListWidget>
#include <string>
#include <vector>

namespace qp::app {

class PlateListWidget : public QListWidget {
  Q_OBJECT

 public:
  explicit PlateListWidget(QWidget* parent = nullptr);

 signals:
  // Local files dropped on the list, in the order given.
  void FilesDropped(const std::vector<std::string>& paths);
  // The selected lines dropped before line `target` (count(): after the last).
  void LinesDropped(int target);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The line a drop at `position` goes before.
  int DropTarget(const QPoint& position) const;
};

}  // namespace qp::app
