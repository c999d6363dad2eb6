#pragma once
// The latitude/longitude dialog: two texts, a hint and OK. Modal; its texts
// count whichever way it closes. Beside each text, its value in words; OK
// refuses a text that is not in the accepted form, marking the field and
// saying which form is accepted.

#include <QDialog>

#include "app/core/plate_editor_model.h"

class QLabel;
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

  QLabel* LatitudeWords() const { return latitude_words_; }
  QLabel* LongitudeWords() const { return longitude_words_; }
  QLabel* Problem() const { return problem_; }

 private:
  // Shows each value in words and marks a field whose text is refused.
  void ShowValues();
  // OK: accepts when both texts are in the accepted form.
  void TryAccept();

  QLineEdit* latitude_;
  QLineEdit* longitude_;
  QLabel* latitude_words_;
  QLabel* longitude_words_;
  QLabel* problem_;
};

using TForm8 = LatLongDialog;

}  // namespace qp::app
