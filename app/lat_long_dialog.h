#pragma once
// The latitude/longitude dialog: two texts, a hint and OK. Modal; its texts
// count whichever way it closes.

#include <QDialog>

#include "app/core/plate_editor_model.h"

class QLineEdit;

namespace qp::app {

class LatLongDialog : public QDialog {
  Q_OBJECT

 public:
  explicit LatLongDialog(QWidget* parent = nullptr);

  // Shows the dialog modally with `initial` and returns its texts.
  LatLongTexts Ask(const LatLongTexts& initial);

  QLineEdit* LatitudeField() const { return latitude_; }
  QLineEdit* LongitudeField() const { return longitude_; }

 private:
  QLineEdit* latitude_;
  QLineEdit* longitude_;
};

using TForm8 = LatLongDialog;

}  // namespace qp::app
