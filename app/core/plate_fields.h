#pragma once
// The fields of the plate properties editor as the user sees them, and how
// they move to and from a PlateRecord. Text is UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/geo_reference.h"
#include "project/records.h"

namespace qp::app {

inline constexpr int kMinPageNumber = 1;
inline constexpr int kMaxPageNumber = 1000;

struct PlateEditorFields {
  std::string name;  // "Descriptive name for plate", at most 63 characters
  bool name_from_filename = false;
  std::string source_file;           // full path
  int page_number = kMinPageNumber;  // always within 1..1000: use SetPageNumber
  std::string number_of_pages;       // read-only text the preview fills
  bool geo_referenced = false;
  // Read-only corner texts ("N51°28.40", "W118°24.29").
  std::string lat_tl;
  std::string long_tl;
  std::string lat_br;
  std::string long_br;
  // The values behind the corner texts, used for each text that still shows
  // its value: the texts drop fractions of a second, which a stored plate or
  // a geo-reference read from the chart keeps.
  std::optional<PlateCorners> exact_corners;
  bool clip = false;
  // Editable clip corner texts, in preview pixels.
  std::string clip_x1;
  std::string clip_y1;
  std::string clip_x2;
  std::string clip_y2;
  // Chosen "Scaling" and "Rotation" items. A value outside the items (only
  // from a hand-edited project file) shows no item and is kept as it is.
  int scaling = scOriginal;
  int rotation = rtNone;

  // The page number field brings a value outside 1..1000 to the nearer end.
  void SetPageNumber(int value);
  // Typed page text; text that is not a number reads as 1.
  void SetPageNumberText(std::string_view text);
};

// The editor's fields for a new plate: name, path and page as given, every
// other field at its first value, the coordinates at zero.
void ResetFields(PlateEditorFields& fields, const std::string& path, const std::string& name,
                 int page);
// The editor's fields from a stored plate. The number of pages is left to
// the preview.
void FillFieldsFromPlate(PlateEditorFields& fields, const PlateRecord& plate);
// Stores the fields into `plate`: texts cut to their capacity, coordinates
// parsed from their texts (or the exact values behind texts that still show
// them), clip texts read as integers. NumberOfPages,
// Width and Height are not touched.
void WriteFieldsToPlate(const PlateEditorFields& fields, PlateRecord& plate);

// A clip field's value: a decimal integer (optionally signed, spaces around
// allowed), anything else 0.
int32_t ClipFieldValue(std::string_view text);

// The source's file name without its folder, cut before its first ".":
// "/charts/plan.final.pdf" gives "plan".
std::string NameFromFileName(std::string_view path);

}  // namespace qp::app
