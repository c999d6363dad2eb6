#include "app/plate_editor.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "app/core/preview_view.h"
#include "app/lat_long_dialog.h"
#include "app/message_box.h"
#include "app/preview_area.h"
#include "app/preview_pane.h"
#include "project/text_encoding.h"

namespace qp::app {

namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// Sets a field's text only when it differs, so that the caret of a field
// being typed in stays where it is.
void ShowText(QLineEdit* field, const std::string& text) {
  const QString value = Text(text);
  if (field->text() == value) return;
  const QSignalBlocker blocker(field);
  field->setText(value);
}

void ShowTick(QCheckBox* box, bool ticked) {
  const QSignalBlocker blocker(box);
  box->setChecked(ticked);
}

// Checks the item `id`; a value without an item leaves none checked.
void ShowChoice(QButtonGroup* group, int id) {
  const QSignalBlocker blocker(group);
  QAbstractButton* button = group->button(id);
  if (button) {
    button->setChecked(true);
  } else if (QAbstractButton* checked = group->checkedButton()) {
    group->setExclusive(false);
    checked->setChecked(false);
    group->setExclusive(true);
  }
}

QGroupBox* ChoiceBox(const char* caption, const std::initializer_list<const char*>& items,
                     QButtonGroup*& group, QWidget* owner) {
  auto* box = new QGroupBox(caption);
  auto* layout = new QVBoxLayout(box);
  group = new QButtonGroup(owner);
  int id = 0;
  for (const char* item : items) {
    auto* button = new QRadioButton(item);
    group->addButton(button, id++);
    layout->addWidget(button);
  }
  group->button(0)->setChecked(true);
  return box;
}

QLineEdit* ReadOnlyField() {
  auto* field = new QLineEdit;
  field->setReadOnly(true);
  return field;
}

}  // namespace

PlateEditor::PlateEditor(Project& project, const std::string& application_folder,
                         PreviewRenderer& renderer, QWidget* parent)
    : QDialog(parent) {
  setObjectName("TForm3");
  setWindowTitle(kPlateEditorCaption);
  setModal(true);
  model_ = std::make_unique<PlateEditorModel>(*this, renderer, project, application_folder);
  lat_long_ = new LatLongDialog(this);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(BuildFields());
  layout->addWidget(BuildPreview(), 1);
  BuildPopupMenu();
  ConnectFields();
  ShowFields();
}

PlateEditor::~PlateEditor() = default;

QWidget* PlateEditor::BuildFields() {
  auto* panel = new QWidget;
  auto* column = new QVBoxLayout(panel);

  column->addWidget(new QLabel("Descriptive name for plate (up to 63 characters)"));
  name_ = new QLineEdit;
  name_->setObjectName("name");
  name_->setMaxLength(kNameCapacity);
  column->addWidget(name_);
  name_from_filename_ = new QCheckBox("Name from filename");
  column->addWidget(name_from_filename_);

  column->addWidget(new QLabel("Source PDF file for this plate"));
  auto* source_row = new QHBoxLayout;
  source_ = new QLineEdit;
  source_->setObjectName("source");
  browse_ = new QPushButton("Browse");
  source_row->addWidget(source_, 1);
  source_row->addWidget(browse_);
  column->addLayout(source_row);

  auto* page_row = new QGridLayout;
  page_ = new QSpinBox;
  page_->setObjectName("page");
  page_->setRange(kMinPageNumber, kMaxPageNumber);
  pages_ = ReadOnlyField();
  pages_->setObjectName("pages");
  page_row->addWidget(new QLabel("Page number"), 0, 0);
  page_row->addWidget(page_, 1, 0);
  page_row->addWidget(new QLabel("Number of pages"), 0, 1);
  page_row->addWidget(pages_, 1, 1);
  column->addLayout(page_row);

  geo_referenced_ = new QCheckBox("This page is Geo-referenced");
  geo_from_chart_ = new QPushButton("Geo-reference from chart");
  geo_from_chart_->setObjectName("geoFromChart");
  auto* geo_row = new QHBoxLayout;
  geo_row->addWidget(geo_referenced_);
  geo_row->addStretch();
  geo_row->addWidget(geo_from_chart_);
  column->addLayout(geo_row);
  auto* hint = new QLabel(
      "Positions shown are recalculated after you enter top left and bottom right reference "
      "coordinates to show coordiantes at the corners of the source image");
  hint->setWordWrap(true);
  column->addWidget(hint);
  auto* corner_grid = new QGridLayout;
  const char* corner_captions[] = {"Top left latitude", "Top left longitude",
                                   "Bottom right latitude", "Bottom right  longitude"};
  for (int i = 0; i < 4; ++i) {
    corners_[i] = ReadOnlyField();
    corner_grid->addWidget(new QLabel(corner_captions[i]), (i / 2) * 2, i % 2);
    corner_grid->addWidget(corners_[i], (i / 2) * 2 + 1, i % 2);
  }
  column->addLayout(corner_grid);

  clip_ = new QCheckBox("Activate page clipping");
  column->addWidget(clip_);
  auto* clip_grid = new QGridLayout;
  const char* clip_captions[] = {"Top left clip X position", "Top left clip Y position",
                                 "Bottom right clip X position", "Bottom right clip Y position"};
  for (int i = 0; i < 4; ++i) {
    clip_fields_[i] = new QLineEdit;
    clip_grid->addWidget(new QLabel(clip_captions[i]), (i / 2) * 2, i % 2);
    clip_grid->addWidget(clip_fields_[i], (i / 2) * 2 + 1, i % 2);
  }
  column->addLayout(clip_grid);

  auto* choices = new QHBoxLayout;
  scaling_box_ = ChoiceBox("Scaling",
                           {"Leave at original resolution", "Scale to 1024 pixels",
                            "Scale to 800 pixels", "Scale to 640 pixels", "Scale to 320 pixels"},
                           scaling_, this);
  rotation_box_ = ChoiceBox(
      "Rotation",
      {"Do not rotate", "Rotate 90 degrees left", "Rotate 90 degrees right", "Rotate upside down"},
      rotation_, this);
  choices->addWidget(scaling_box_);
  choices->addWidget(rotation_box_);
  column->addLayout(choices);
  column->addStretch(1);

  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton("OK");
  ok->setObjectName("ok");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel ");
  cancel->setObjectName("cancel");
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  column->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] {
    // A name the records cannot hold is refused here, where it was typed.
    const std::string problem =
        UnstorableTextMessage("The plate name", name_->text().toStdString());
    if (!problem.empty()) {
      ShowMessage(problem);
      name_->setFocus();
      return;
    }
    model_->Accept();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    model_->Cancel();
    reject();
  });
  return panel;
}

QWidget* PlateEditor::BuildPreview() {
  auto* panel = new QWidget;
  auto* grid = new QGridLayout(panel);
  grid->setSpacing(0);
  preview_area_ = new PreviewArea(model_->Image());
  preview_ = preview_area_->Pane();
  horizontal_ = preview_area_->HorizontalBar();
  vertical_ = preview_area_->VerticalBar();
  grid->addWidget(preview_area_, 0, 0);
  read_out_ = new QLabel;
  read_out_->setObjectName("readOut");
  grid->addWidget(read_out_, 2, 0);
  show_as_display_ = new QCheckBox("Show as the display will");
  grid->addWidget(show_as_display_, 3, 0);
  grid->setRowStretch(0, 1);
  return panel;
}

void PlateEditor::BuildPopupMenu() {
  popup_ = new QMenu(this);
  connect(popup_->addAction("Set geographic reference Top left"), &QAction::triggered, this,
          [this] { model_->SetFirstReferencePoint(); });
  connect(popup_->addAction("Set geographic reference bottom right"), &QAction::triggered, this,
          [this] { model_->SetSecondReferencePoint(); });
  connect(popup_->addAction("Set clip rectangle top left"), &QAction::triggered, this,
          [this] { model_->SetClipTopLeft(); });
  connect(popup_->addAction("Set clip rectange bottom right"), &QAction::triggered, this,
          [this] { model_->SetClipBottomRight(); });
}

void PlateEditor::ConnectFields() {
  connect(name_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_->SetName(text.toStdString()); });
  connect(name_from_filename_, &QCheckBox::clicked, this,
          [this](bool ticked) { model_->SetNameFromFilename(ticked); });
  connect(source_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_->SetSourceFile(text.toStdString()); });
  connect(browse_, &QPushButton::clicked, this, [this] { model_->Browse(); });
  connect(page_, &QSpinBox::valueChanged, this, [this](int page) { model_->SetPageNumber(page); });
  connect(geo_referenced_, &QCheckBox::clicked, this,
          [this](bool ticked) { model_->SetGeoReferenced(ticked); });
  connect(geo_from_chart_, &QPushButton::clicked, this,
          [this] { model_->GeoReferenceFromChart(); });
  connect(clip_, &QCheckBox::clicked, this, [this](bool ticked) { model_->SetClip(ticked); });
  for (int i = 0; i < 4; ++i) {
    connect(clip_fields_[i], &QLineEdit::textEdited, this,
            [this, i](const QString& text) { model_->SetClipText(i, text.toStdString()); });
  }
  connect(scaling_, &QButtonGroup::idClicked, this, [this](int id) { model_->SetScaling(id); });
  connect(rotation_, &QButtonGroup::idClicked, this, [this](int id) { model_->SetRotation(id); });
  connect(show_as_display_, &QCheckBox::toggled, this,
          [this](bool ticked) { model_->SetShowAsDisplay(ticked); });

  connect(preview_, &PreviewPane::MouseMovedOnImage, this,
          [this](int x, int y) { model_->MouseMoved(x, y); });
  connect(preview_, &PreviewPane::LeftPressedOnImage, this, [this](int x, int y, QPoint global) {
    // The menu's commands act at the crosshair: it follows the click.
    if (x != model_->MouseX() || y != model_->MouseY()) model_->MouseMoved(x, y);
    popup_->exec(global);
  });
  // A drag marks the clip rectangle.
  connect(preview_, &PreviewPane::LeftDraggedOnImage, this, [this](int x1, int y1, int x2, int y2) {
    if (const std::optional<ClipCorners> clip = ClipFromDrag(x1, y1, x2, y2))
      model_->SetClipRectangle(clip->x1, clip->y1, clip->x2, clip->y2);
  });
}

bool PlateEditor::ShowModal(PlateEditorFields& fields) {
  model_->SetVisible(false);
  model_->LoadFields(fields);
  exec();
  model_->SetVisible(false);
  fields = model_->Fields();
  return model_->EditorAccepted();
}

void PlateEditor::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  model_->SetVisible(true);
  // Activation once the window is up: a message it shows then has the
  // editor beneath it.
  QTimer::singleShot(0, this, [this] {
    if (isVisible()) model_->Activate();
  });
}

void PlateEditor::hideEvent(QHideEvent* event) {
  model_->SetVisible(false);
  QDialog::hideEvent(event);
}

void PlateEditor::ShowMessage(const std::string& text) {
  ShowMessageBox(this, Text(text));
}

void PlateEditor::ShowFields() {
  const PlateEditorFields& fields = model_->Fields();
  ShowText(name_, fields.name);
  ShowTick(name_from_filename_, fields.name_from_filename);
  ShowText(source_, fields.source_file);
  {
    const QSignalBlocker blocker(page_);
    page_->setValue(fields.page_number);
  }
  ShowText(pages_, fields.number_of_pages);
  ShowTick(geo_referenced_, fields.geo_referenced);
  const std::string* corner_texts[] = {&fields.lat_tl, &fields.long_tl, &fields.lat_br,
                                       &fields.long_br};
  const std::string* clip_texts[] = {&fields.clip_x1, &fields.clip_y1, &fields.clip_x2,
                                     &fields.clip_y2};
  for (int i = 0; i < 4; ++i) {
    ShowText(corners_[i], *corner_texts[i]);
    ShowText(clip_fields_[i], *clip_texts[i]);
  }
  ShowTick(clip_, fields.clip);
  ShowChoice(scaling_, fields.scaling);
  ShowChoice(rotation_, fields.rotation);
  const bool pdf = model_->PdfFieldsEnabled();
  page_->setEnabled(pdf);
  pages_->setEnabled(pdf);
  scaling_box_->setEnabled(pdf);
  rotation_box_->setEnabled(pdf);
  geo_from_chart_->setEnabled(pdf);
}

void PlateEditor::ShowImage() {
  preview_area_->SetContentSize(model_->PreviewWidth(), model_->PreviewHeight());
  preview_->update();
}

void PlateEditor::DrawCrosshair(int x, int y) {
  preview_->DrawCrosshair(x, y);
}

void PlateEditor::ShowReadOut(const std::string& text) {
  read_out_->setText(Text(text));
}

void PlateEditor::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

LatLongTexts PlateEditor::AskLatLong(const LatLongTexts& initial) {
  return lat_long_->Ask(initial);
}

std::optional<std::string> PlateEditor::ChooseSourceFile(const std::string& folder) {
  QFileDialog dialog(this, QString(), Text(folder), kSourceFileFilter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix("pdf");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace qp::app
