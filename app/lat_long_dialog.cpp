#include "app/lat_long_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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
  auto* fields = new QFormLayout;
  fields->addRow("Latitude", latitude_);
  fields->addRow("Longitude", longitude_);

  auto* ok = new QPushButton("OK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint);
  layout->addLayout(fields);
  layout->addWidget(ok, 0, Qt::AlignRight);
}

LatLongTexts LatLongDialog::Ask(const LatLongTexts& initial) {
  latitude_->setText(QString::fromStdString(initial.latitude));
  longitude_->setText(QString::fromStdString(initial.longitude));
  latitude_->setFocus();
  exec();
  return {latitude_->text().toStdString(), longitude_->text().toStdString()};
}

}  // namespace qp::app
