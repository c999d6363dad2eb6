#include "app/lat_long_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "compiler/coordinate_entry.h"

namespace qp::app {

LatLongDialog::LatLongDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm8");
  setWindowTitle("Lat/Long");
  setModal(true);

  auto* hint =
      new QLabel("Enter latitude/longitude of point (this will be translated to corner of image)");
  hint->setWordWrap(true);
  latitude_ = new QLineEdit;
  latitude_->setObjectName("latitude");
  longitude_ = new QLineEdit;
  longitude_->setObjectName("longitude");
  latitude_words_ = new QLabel;
  longitude_words_ = new QLabel;
  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel("Latitude"), 0, 0);
  fields->addWidget(latitude_, 0, 1);
  fields->addWidget(latitude_words_, 0, 2);
  fields->addWidget(new QLabel("Longitude"), 1, 0);
  fields->addWidget(longitude_, 1, 1);
  fields->addWidget(longitude_words_, 1, 2);
  problem_ = new QLabel;
  problem_->setObjectName("problem");
  problem_->setWordWrap(true);

  auto* ok = new QPushButton("OK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &LatLongDialog::TryAccept);
  connect(latitude_, &QLineEdit::textChanged, this, &LatLongDialog::ShowValues);
  connect(longitude_, &QLineEdit::textChanged, this, &LatLongDialog::ShowValues);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint);
  layout->addLayout(fields);
  layout->addWidget(problem_);
  layout->addWidget(ok, 0, Qt::AlignRight);
}

void LatLongDialog::ShowValues() {
  const std::optional<int32_t> lat = ParseLatitude(latitude_->text().toStdString());
  const std::optional<int32_t> lon = ParseLongitude(longitude_->text().toStdString());
  latitude_words_->setText(lat ? QString::fromStdString(LatitudeInWords(*lat)) : "?");
  longitude_words_->setText(lon ? QString::fromStdString(LongitudeInWords(*lon)) : "?");
  problem_->clear();
  latitude_->setStyleSheet(QString());
  longitude_->setStyleSheet(QString());
}

void LatLongDialog::TryAccept() {
  ShowValues();
  const bool lat = ParseLatitude(latitude_->text().toStdString()).has_value();
  const bool lon = ParseLongitude(longitude_->text().toStdString()).has_value();
  if (lat && lon) {
    accept();
    return;
  }
  const QString marked = "background-color: #ffd0d0";
  if (!lat) latitude_->setStyleSheet(marked);
  if (!lon) longitude_->setStyleSheet(marked);
  problem_->setText(QString::fromStdString(!lat ? LatitudeFormHint() : LongitudeFormHint()));
  (lat ? longitude_ : latitude_)->setFocus();
}

LatLongTexts LatLongDialog::Ask(const LatLongTexts& initial) {
  latitude_->setText(QString::fromStdString(initial.latitude));
  longitude_->setText(QString::fromStdString(initial.longitude));
  ShowValues();
  latitude_->setFocus();
  exec();
  return {latitude_->text().toStdString(), longitude_->text().toStdString()};
}

}  // namespace qp::app
