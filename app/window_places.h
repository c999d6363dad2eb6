#pragma once
// Window places on the desktop: reading a window's place to remember it,
// putting a window back where it was (only where a screen still shows it),
// and centring a window on its parent.

#include "app/core/remembered_places.h"

class QWidget;

namespace qp::app {

WindowPlace PlaceOf(const QWidget& window);
// Sets the size, and the position when it lies on one of the screens.
void RestorePlace(QWidget& window, const WindowPlace& place);
// Centres `window` on its parent window, kept on the parent's screen.
void CentreOnParent(QWidget& window);

}  // namespace qp::app
