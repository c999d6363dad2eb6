#include "app/core/plate_fields.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "compiler/geo_reference.h"
#include "project/project.h"
#include "project/text_encoding.h"

namespace qp::app {

namespace {

std::string_view TrimSpaces(std::string_view text) {
  const auto is_space = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  return text;
}

// A whole decimal integer within int32, or nothing.
bool ParseInteger(std::string_view text, int32_t& value) {
  text = TrimSpaces(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

}  // namespace

void PlateEditorFields::SetPageNumber(int value) {
  page_number = std::clamp(value, kMinPageNumber, kMaxPageNumber);
}

void PlateEditorFields::SetPageNumberText(std::string_view text) {
  int32_t value = 0;
  if (!ParseInteger(text, value)) value = kMinPageNumber;
  SetPageNumber(value);
}

void ResetFields(PlateEditorFields& fields, const std::string& path, const std::string& name,
                 int page) {
  fields.name = CutUtf8Chars(name, kNameCapacity);
  fields.source_file = path;
  fields.SetPageNumber(page);
  fields.number_of_pages.clear();
  fields.lat_tl = LatToText(0);
  fields.long_tl = LongToText(0);
  fields.lat_br = LatToText(0);
  fields.long_br = LongToText(0);
  fields.exact_corners.reset();
  fields.geo_referenced = false;
  fields.name_from_filename = false;
  fields.clip = false;
  fields.scaling = scOriginal;
  fields.rotation = rtNone;
  fields.clip_x1 = fields.clip_y1 = fields.clip_x2 = fields.clip_y2 = "0";
}

void FillFieldsFromPlate(PlateEditorFields& fields, const PlateRecord& plate) {
  fields.name = Windows1252ToUtf8(plate.Name);
  fields.source_file = plate.SourceFile;
  fields.SetPageNumber(plate.FirstPage);
  fields.lat_tl = LatToText(plate.LatTL);
  fields.long_tl = LongToText(plate.LongTL);
  fields.lat_br = LatToText(plate.LatBR);
  fields.long_br = LongToText(plate.LongBR);
  fields.exact_corners = PlateCorners{plate.LatTL, plate.LongTL, plate.LatBR, plate.LongBR};
  fields.geo_referenced = plate.GEOREF;
  fields.name_from_filename = plate.NameFromFilename;
  fields.scaling = plate.Scaling;
  fields.rotation = plate.Rotate;
  fields.clip_x1 = std::to_string(plate.ClipX1);
  fields.clip_y1 = std::to_string(plate.ClipY1);
  fields.clip_x2 = std::to_string(plate.ClipX2);
  fields.clip_y2 = std::to_string(plate.ClipY2);
  fields.clip = plate.Clip;
}

namespace {

// The exact value while the text still shows it, else the text's value.
int32_t CornerValue(const std::string& text, const int32_t* exact, std::string (*toText)(int32_t),
                    int32_t (*fromText)(std::string_view)) {
  if (exact && toText(*exact) == text) return *exact;
  return fromText(text);
}

}  // namespace

void WriteFieldsToPlate(const PlateEditorFields& fields, PlateRecord& plate) {
  plate.Name = NameField(fields.name);
  plate.SourceFile = SourceFileField(NormalisedSourcePath(fields.source_file));
  plate.FirstPage = fields.page_number;
  const std::optional<PlateCorners>& exact = fields.exact_corners;
  plate.LatTL = CornerValue(fields.lat_tl, exact ? &exact->LatTL : nullptr, LatToText, TextToLat);
  plate.LongTL =
      CornerValue(fields.long_tl, exact ? &exact->LongTL : nullptr, LongToText, TextToLong);
  plate.LatBR = CornerValue(fields.lat_br, exact ? &exact->LatBR : nullptr, LatToText, TextToLat);
  plate.LongBR =
      CornerValue(fields.long_br, exact ? &exact->LongBR : nullptr, LongToText, TextToLong);
  plate.GEOREF = fields.geo_referenced;
  plate.NameFromFilename = fields.name_from_filename;
  plate.Scaling = static_cast<uint8_t>(fields.scaling);
  plate.Rotate = static_cast<uint8_t>(fields.rotation);
  plate.ClipX1 = ClipFieldValue(fields.clip_x1);
  plate.ClipY1 = ClipFieldValue(fields.clip_y1);
  plate.ClipX2 = ClipFieldValue(fields.clip_x2);
  plate.ClipY2 = ClipFieldValue(fields.clip_y2);
  plate.Clip = fields.clip;
}

int32_t ClipFieldValue(std::string_view text) {
  int32_t value = 0;
  return ParseInteger(text, value) ? value : 0;
}

std::string NameFromFileName(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return std::string(name.substr(0, name.find('.')));
}

}  // namespace qp::app
