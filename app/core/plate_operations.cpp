#include "app/core/plate_operations.h"

#include "project/errors.h"
#include "project/line_texts.h"
#include "project/text_encoding.h"

namespace qp::app {

PlateOperations::PlateOperations(Project& project, PlateOperationsPort& port)
    : project_(project), port_(port) {
  ResetFields(fields_, "", "", kMinPageNumber);
}

bool PlateOperations::RefuseUnstorableName() {
  const std::string message = UnstorableTextMessage("The plate name", fields_.name);
  if (message.empty()) return false;
  port_.ShowMessage(message);
  return true;
}

void PlateOperations::AddPlate(const std::string& path, const std::string& name, int page,
                               int pageCount, bool show) {
  const GroupRecord* group = project_.GroupAt(project_.CurrentGroup);
  if (!group) {
    port_.ShowMessage(kNoGroupSelected);
    return;
  }
  if (!project_.ProjectLoaded) {
    port_.ShowMessage(kNoProjectLoadedMessage);
    return;
  }
  ResetFields(fields_, path, name, page);
  if (page > 0) fields_.scaling = project_.DefaultScaling;
  // A full group is refused by the model below; the editor is not shown
  // first, so the user does not set up a plate that cannot be kept.
  const bool full = group->Count >= kMaxPlatesPerGroup;
  if (show && !full && !port_.ShowEditor(fields_)) return;
  if (RefuseUnstorableName()) return;

  PlateRecord plate;
  WriteFieldsToPlate(fields_, plate);
  plate.NumberOfPages = pageCount;
  plate.Width = 0;
  plate.Height = 0;
  try {
    // Appends the plate's line, renews the group's line and sets both
    // modification flags.
    project_.AddPlate(plate);
  } catch (const Error& error) {
    port_.ShowMessage(error.what());
  }
}

void PlateOperations::EditPlate(const std::string& path, const std::string& name, int page,
                                bool reset, bool show, int index, int /*pageCount*/) {
  const GroupRecord* group = project_.GroupAt(project_.CurrentGroup);
  if (!group) {
    port_.ShowMessage(kNoProjectLoadedMessage);
    return;
  }
  // An index past the group's plates has no plate and no line to rewrite.
  if (!project_.ProjectLoaded || index < 0 || index >= group->Count) return;
  PlateRecord& plate = project_.PlateTable()[static_cast<size_t>(index)];
  if (reset) {
    ResetFields(fields_, path, name, page);
  } else {
    FillFieldsFromPlate(fields_, plate);
  }
  if (show && !port_.ShowEditor(fields_)) return;
  if (RefuseUnstorableName()) return;

  WriteFieldsToPlate(fields_, plate);
  port_.ReplacePlateLine(index, PlateLine(plate, index));
  project_.GroupModified = true;
}

}  // namespace qp::app
