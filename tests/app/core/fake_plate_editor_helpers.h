#pragma once
// Fakes for the plate editor model: a view that records what it is asked to
// show, and a renderer that paints each page in its own colour.

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/core/plate_editor_model.h"

namespace qp::test {

class FakeEditorView : public app::PlateEditorView {
 public:
  std::vector<std::string> messages;
  std::vector<std::pair<int, int>> crosshairs;
  std::string read_out;
  int images_shown = 0;
  int busy_depth = 0;
  int busy_peak = 0;
  std::deque<app::LatLongTexts> lat_long_answers;
  std::vector<app::LatLongTexts> lat_long_shown;
  std::deque<std::optional<std::string>> browse_answers;
  std::vector<std::string> browse_folders;

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowFields() override {}
  void ShowImage() override { ++images_shown; }
  void DrawCrosshair(int x, int y) override { crosshairs.emplace_back(x, y); }
  void ShowReadOut(const std::string& text) override { read_out = text; }
  void SetBusy(bool busy) override {
    busy_depth += busy ? 1 : -1;
    busy_peak = std::max(busy_peak, busy_depth);
  }
  app::LatLongTexts AskLatLong(const app::LatLongTexts& initial) override {
    lat_long_shown.push_back(initial);
    if (lat_long_answers.empty()) return initial;
    app::LatLongTexts answer = lat_long_answers.front();
    lat_long_answers.pop_front();
    return answer;
  }
  std::optional<std::string> ChooseSourceFile(const std::string& folder) override {
    browse_folders.push_back(folder);
    if (browse_answers.empty()) return std::nullopt;
    std::optional<std::string> answer = browse_answers.front();
    browse_answers.pop_front();
    return answer;
  }
};

// Colour values 0x00BBGGRR that the fake renderer paints.
inline uint32_t PageColour(int page) {
  return 0x00102030u + static_cast<uint32_t>(page) * 0x010101u;
}
inline constexpr uint32_t kPictureColour = 0x0000C0E0u;

class FakePreviewRenderer : public app::PreviewRenderer {
 public:
  struct Call {
    std::string path;
    int page = 0;
    int target_width = 0;
    int rotate = 0;
  };
  int page_count = 3;
  int width = 300;
  int height = 200;
  std::string open_error;  // when set, loading fails with it
  std::vector<Call> pdf_calls;
  std::vector<std::string> picture_calls;
  // What GeoReferencePdfPage answers, and the plates it was asked about.
  std::optional<PlateGeoResult> geo_result;
  std::string geo_problem = "No geo-reference found on this page";
  std::vector<PlateRecord> geo_calls;

  app::PreviewRaster RenderPdfPage(const std::string& path, int page, int targetWidth, int rotate,
                                   const std::function<void(int)>& onPageCount) override {
    pdf_calls.push_back({path, page, targetWidth, rotate});
    if (!open_error.empty()) throw std::runtime_error(open_error);
    onPageCount(page_count);
    if (page < 1 || page > page_count) {
      throw std::runtime_error("Invalid page number (" + std::to_string(page) + ")");
    }
    return Filled(PageColour(page), page_count);
  }
  app::PreviewRaster LoadPicture(const std::string& path) override {
    picture_calls.push_back(path);
    if (!open_error.empty()) throw std::runtime_error(open_error);
    return Filled(kPictureColour, 1);
  }
  std::optional<PlateGeoResult> GeoReferencePdfPage(const PlateRecord& plate,
                                                    std::string* problem) override {
    geo_calls.push_back(plate);
    if (!open_error.empty()) throw std::runtime_error(open_error);
    if (!geo_result) *problem = geo_problem;
    return geo_result;
  }

 private:
  app::PreviewRaster Filled(uint32_t colour, int pages) const {
    app::PreviewRaster raster{PlateRaster(width, height), width, height, pages};
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) raster.image.SetPixel(x, y, colour);
    return raster;
  }
};

}  // namespace qp::test
