#include "app/group_name_editor.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>

#include "project/records.h"

namespace qp::app {

namespace {

// Shows and keeps everything typed in upper case.
class UpperCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input = input.toUpper();
    return Acceptable;
  }
  void fixup(QString& input) const override { input = input.toUpper(); }
};

}  // namespace

GroupNameEditor::GroupNameEditor(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm2");
  setWindowTitle("Group name editor");
  setModal(true);

  auto* type_box = new QGroupBox("Group type");
  airport_ = new QRadioButton("Group is related to an airport (Exports to: ZG*.ZPG)");
  information_ =
      new QRadioButton("Group is an independent information source (Exports to: ZPINFO.ZPG)");
  auto* type_layout = new QVBoxLayout(type_box);
  type_layout->addWidget(airport_);
  type_layout->addWidget(information_);
  airport_->setChecked(true);

  auto* id_label = new QLabel("Enter group ID (up to 6 characters)");
  id_field_ = new QLineEdit;
  id_field_->setMaxLength(kGroupIdCapacity);
  id_field_->setValidator(new UpperCaseValidator(id_field_));
  auto* icao_label = new QLabel("This should be the ICAO identifier.");
  auto* example_label = new QLabel("For example: KLAX (only uppercase can be used)");
  id_labels_ = {id_label, icao_label, example_label};

  auto* name_label = new QLabel("Enter descriptive name of group (up to 63 characters)");
  name_field_ = new QLineEdit;
  name_field_->setMaxLength(kNameCapacity);
  auto* name_example = new QLabel("Example: Los Angeles international");

  auto* ok = new QPushButton("OK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(type_box);
  layout->addWidget(id_label);
  layout->addWidget(id_field_);
  layout->addWidget(icao_label);
  layout->addWidget(example_label);
  layout->addSpacing(8);
  layout->addWidget(name_label);
  layout->addWidget(name_field_);
  layout->addWidget(name_example);
  layout->addWidget(ok, 0, Qt::AlignRight);

  connect(airport_, &QRadioButton::toggled, this, &GroupNameEditor::UpdateIdEnabled);
}

void GroupNameEditor::UpdateIdEnabled() {
  const bool airport = airport_->isChecked();
  id_field_->setEnabled(airport);
  for (QLabel* label : id_labels_) label->setEnabled(airport);
}

void GroupNameEditor::SetFields(const GroupNameFields& fields) {
  (fields.type == 0 ? airport_ : information_)->setChecked(true);
  id_field_->setText(QString::fromStdString(fields.id));
  name_field_->setText(QString::fromStdString(fields.name));
  UpdateIdEnabled();
}

GroupNameFields GroupNameEditor::Fields() const {
  GroupNameFields fields;
  fields.type = airport_->isChecked() ? 0 : 1;
  fields.id = id_field_->text().toUpper().toStdString();
  fields.name = name_field_->text().toStdString();
  return fields;
}

GroupNameFields GroupNameEditor::Edit(const GroupNameFields& initial) {
  SetFields(initial);
  name_field_->setFocus();
  exec();
  return Fields();
}

}  // namespace qp::app
