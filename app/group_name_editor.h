#pragma once
// The group name editor: the group's type, ID and name, and an OK button.
// Modal; the caller reads the fields whichever way it was closed.

#include <QDialog>

#include "app/core/main_view.h"

class QLabel;
class QLineEdit;
class QRadioButton;

namespace qp::app {

class GroupNameEditor : public QDialog {
  Q_OBJECT

 public:
  explicit GroupNameEditor(QWidget* parent = nullptr);

  void SetFields(const GroupNameFields& fields);
  GroupNameFields Fields() const;
  // Shows the editor modally with `initial` and returns the fields.
  GroupNameFields Edit(const GroupNameFields& initial);

  QLineEdit* IdField() const { return id_field_; }
  QLineEdit* NameField() const { return name_field_; }
  QRadioButton* AirportChoice() const { return airport_; }
  QRadioButton* InformationChoice() const { return information_; }

 private:
  void UpdateIdEnabled();

  QRadioButton* airport_;
  QRadioButton* information_;
  QLineEdit* id_field_;
  QLineEdit* name_field_;
  QList<QLabel*> id_labels_;
};

using TForm2 = GroupNameEditor;

}  // namespace qp::app
