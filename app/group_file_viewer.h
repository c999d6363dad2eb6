#pragma once
// The group-file viewer: the plates of a group file beside the selected
// plate drawn in the display's palette, with zoom (buttons, Ctrl+wheel) and
// scroll bars. "Open group file..." in the Project menu and
// `quarrin-plates --view FILE.ZPG` open it.

#include <QWidget>
#include <memory>

#include "app/core/group_file_view.h"

class QImage;
class QLabel;
class QListWidget;
class QScrollArea;

namespace qp::app {

class GroupFileViewer : public QWidget {
  Q_OBJECT

 public:
  explicit GroupFileViewer(QWidget* parent = nullptr);
  ~GroupFileViewer() override;

  // Shows `file`; throws PlateError when it is not a valid group file.
  void Open(const std::filesystem::path& file);

  QListWidget* PlateList() const { return list_; }
  QLabel* Picture() const { return picture_; }
  double Zoom() const { return zoom_; }
  void SetZoom(double zoom);

 protected:
  // Ctrl+wheel over the picture zooms; the plain wheel scrolls it.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowPlate(int row);

  std::unique_ptr<GroupFileView> view_;
  QListWidget* list_;
  QScrollArea* scroll_;
  QLabel* picture_;
  std::unique_ptr<QImage> image_;
  double zoom_ = 1.0;
  int row_ = -1;
};

}  // namespace qp::app
