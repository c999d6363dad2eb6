#include "app/batch_import_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/folder_chooser.h"
#include "project/project.h"

namespace qp::app {
namespace {

// A titled box of radio buttons whose ids are the items' indices.
QGroupBox* ChoiceBox(const QString& title, const QStringList& items, QButtonGroup* group) {
  auto* box = new QGroupBox(title);
  auto* layout = new QVBoxLayout(box);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i]);
    group->addButton(button, i);
    layout->addWidget(button);
  }
  return box;
}

// Checks item `index`, or none when the setting names no item.
void CheckItem(QButtonGroup* group, int index) {
  const QSignalBlocker blocker(group);
  if (QAbstractButton* button = group->button(index)) {
    button->setChecked(true);
    return;
  }
  group->setExclusive(false);
  for (QAbstractButton* button : group->buttons()) button->setChecked(false);
  group->setExclusive(true);
}

}  // namespace

BatchImportDialog::BatchImportDialog(Project& project, QWidget* parent)
    : QDialog(parent), project_(project) {
  setObjectName("TForm10");
  setWindowTitle(kBatchImportCaption);
  setModal(true);

  prefix_ = new QLineEdit;
  prefix_->setObjectName("prefix");
  folder_ = new QLineEdit;
  folder_->setObjectName("folder");
  browse_button_ = new QPushButton("Browse folder");
  scaling_ = new QButtonGroup(this);
  QGroupBox* scaling_box =
      ChoiceBox("Default scaling for import",
                {"Leave at original resolution", "Scale to 1024 pixels", "Scale to 800 pixels",
                 "Scale to 640 pixels", "Scale to 320 pixels"},
                scaling_);
  confirm_ = new QCheckBox("Confirm every plate to be added");
  georef_ = new QCheckBox("Geo-reference charts that allow it");
  georef_->setObjectName("georef");
  options_ = new QButtonGroup(this);
  QGroupBox* options_box =
      ChoiceBox("Process options",
                {"Skip any files already existing in group",
                 "Replace files already existing in group (keep settings, if any)",
                 "Replace files already existing in group (reset settings to default)"},
                options_);
  process_button_ = new QPushButton("Process");
  cancel_button_ = new QPushButton("Cancel");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Add all PDF files where file name starts with:"));
  layout->addWidget(prefix_);
  layout->addWidget(new QLabel("Remainder of filename will be used as plate descriptor"));
  layout->addSpacing(6);
  layout->addWidget(new QLabel("Folder to search for files:"));
  auto* folder_row = new QHBoxLayout;
  folder_row->addWidget(folder_, 1);
  folder_row->addWidget(browse_button_);
  layout->addLayout(folder_row);
  layout->addWidget(scaling_box);
  layout->addWidget(confirm_);
  layout->addWidget(georef_);
  layout->addWidget(options_box);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(process_button_);
  buttons->addWidget(cancel_button_);
  layout->addLayout(buttons);

  connect(prefix_, &QLineEdit::textChanged, this,
          [this](const QString& text) { project_.FilenameHeader = text.toStdString(); });
  connect(folder_, &QLineEdit::textChanged, this,
          [this](const QString& text) { project_.FilenameHeaderPath = text.toStdString(); });
  connect(scaling_, &QButtonGroup::idClicked, this,
          [this](int id) { project_.DefaultScaling = static_cast<uint16_t>(id); });
  connect(georef_, &QCheckBox::clicked, this,
          [this](bool checked) { project_.GeoReferenceImports = checked; });
  connect(confirm_, &QCheckBox::clicked, this,
          [this](bool checked) { project_.ConfirmPlateAdd = checked; });
  connect(options_, &QButtonGroup::idClicked, this,
          [this](int id) { project_.ProcessOptions = static_cast<uint16_t>(id); });
  connect(process_button_, &QPushButton::clicked, this, [this] {
    if (process_) process_();
  });
  connect(cancel_button_, &QPushButton::clicked, this, &QDialog::reject);
  connect(browse_button_, &QPushButton::clicked, this, &BatchImportDialog::Browse);
}

void BatchImportDialog::FillFromProject() {
  {
    const QSignalBlocker prefix_blocker(prefix_);
    const QSignalBlocker folder_blocker(folder_);
    prefix_->setText(QString::fromStdString(project_.FilenameHeader));
    folder_->setText(QString::fromStdString(project_.FilenameHeaderPath));
  }
  CheckItem(scaling_, project_.DefaultScaling);
  confirm_->setChecked(project_.ConfirmPlateAdd);
  georef_->setChecked(project_.GeoReferenceImports);
  CheckItem(options_, project_.ProcessOptions);
}

bool BatchImportDialog::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) FillFromProject();
  return QDialog::event(event);
}

void BatchImportDialog::Browse() {
  if (!chooser_) return;
  // Whichever way the chooser closes, its folder is taken.
  last_folder_ = chooser_->Choose(folder_->text().isEmpty() ? last_folder_ : folder_->text());
  folder_->setText(last_folder_);
  project_.ProjectModified = true;
  reject();
}

}  // namespace qp::app
