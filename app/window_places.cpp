#include "app/window_places.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace qp::app {
namespace {

// How much of a window a screen must show for its remembered position to
// be used.
constexpr int kVisibleSide = 48;

bool OnAScreen(const QRect& rect) {
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect shown = screen->availableGeometry().intersected(rect);
    if (shown.width() >= kVisibleSide && shown.height() >= kVisibleSide) return true;
  }
  return false;
}

}  // namespace

WindowPlace PlaceOf(const QWidget& window) {
  const QRect rect = window.isMaximized() ? window.normalGeometry() : window.geometry();
  return {rect.x(), rect.y(), rect.width(), rect.height(), window.isMaximized()};
}

void RestorePlace(QWidget& window, const WindowPlace& place) {
  const QRect rect(place.x, place.y, place.width, place.height);
  if (OnAScreen(rect)) {
    window.setGeometry(rect);
  } else {
    window.resize(rect.size());
  }
  if (place.maximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void CentreOnParent(QWidget& window) {
  const QWidget* parent = window.parentWidget() ? window.parentWidget()->window() : nullptr;
  if (!parent) return;
  const QRect outer = parent->frameGeometry();
  QRect rect(QPoint(0, 0), window.size());
  rect.moveCenter(outer.center());
  if (const QScreen* screen = parent->screen()) {
    const QRect area = screen->availableGeometry();
    rect.moveLeft(
        std::clamp(rect.left(), area.left(), std::max(area.left(), area.right() - rect.width())));
    rect.moveTop(
        std::clamp(rect.top(), area.top(), std::max(area.top(), area.bottom() - rect.height())));
  }
  window.move(rect.topLeft());
}

}  // namespace qp::app
