#pragma once
// The application's plain message box: its title and one OK button.

#include <QString>

class QWidget;

namespace qp::app {

inline constexpr const char* kApplicationTitle = "Quarrin Plates compiler";

void ShowMessageBox(QWidget* parent, const QString& text);

}  // namespace qp::app
