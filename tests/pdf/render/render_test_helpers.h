#pragma once
// Small pages written as text, a device that records the interpreter's calls,
// and rendering into a pixel buffer for checks at known places.

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/core/pdf_document.h"
#include "pdf/render/pdf_export_device.h"
#include "pdf/render/pdf_render.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::pdf::testing {

// One page (object 3) whose contents are `streams` (objects 10, 11, ...);
// `pageExtra` goes into the page dictionary, `objects` (numbered 20 and up
// by the caller, written with {{object N 0}}) after it.
inline std::string OnePageDocument(const std::vector<std::string>& streams,
                                   const std::string& pageExtra = "/MediaBox [0 0 100 100]",
                                   const std::string& objects = "") {
  std::string contents;
  std::string streamObjects;
  for (size_t i = 0; i < streams.size(); ++i) {
    const std::string number = std::to_string(10 + i);
    contents += number + " 0 R ";
    streamObjects += "{{object " + number + " 0}} << {{streamlen}} >>\nstream\n" + streams[i] +
                     "\nendstream endobj\n";
  }
  return ExpandPdfTemplate(
      "%PDF-1.5\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
      "{{object 3 0}} << /Type /Page /Parent 2 0 R " +
      pageExtra + " /Contents [" + contents + "] >> endobj\n" + streamObjects + objects +
      "{{xref}}trailer << /Size 40 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
}

inline std::unique_ptr<TPDDocument> LoadBytes(const std::string& bytes) {
  auto document = std::make_unique<TPDDocument>();
  document->LoadDocumentFromBytes(bytes);
  return document;
}

// Records each call as one line: the operation's name and what it saw.
class RecordingDevice : public TPDExportDevice {
 public:
  std::vector<std::string> calls;
  int forms = 0;

  std::string Joined() const {
    std::string all;
    for (const std::string& c : calls) all += (all.empty() ? "" : "; ") + c;
    return all;
  }

  void UpdateCTM(const TPDState&, const TPDMatrix& m) override {
    calls.push_back("UpdateCTM " + Numbers({m.M11, m.M12, m.M21, m.M22, m.Dx, m.Dy}));
  }
  void UpdateLineCap(const TPDState& s) override {
    calls.push_back("UpdateLineCap " + std::to_string(s.LineCap));
  }
  void UpdateLineWidth(const TPDState& s) override {
    calls.push_back("UpdateLineWidth " + Numbers({s.LineWidth}));
  }
  void UpdateFillColor(const TPDState& s) override {
    const TRGB c = s.GetFillRGB();
    calls.push_back("UpdateFillColor " + Numbers({double(c.R), double(c.G), double(c.B)}));
  }
  void UpdateFillOpacity(const TPDState& s) override {
    calls.push_back("UpdateFillOpacity " + Numbers({s.FillOpacity}));
  }
  void UpdateStrokeOpacity(const TPDState& s) override {
    calls.push_back("UpdateStrokeOpacity " + Numbers({s.StrokeOpacity}));
  }
  void SaveState(const TPDState&) override { calls.push_back("SaveState"); }
  void RestoreState(const TPDState&) override { calls.push_back("RestoreState"); }
  void Stroke(const TPDState& s) override { calls.push_back("Stroke " + PathText(s)); }
  void Fill(const TPDState& s) override { calls.push_back("Fill " + PathText(s)); }
  void EvenOddFill(const TPDState& s) override { calls.push_back("EvenOddFill " + PathText(s)); }
  void Clip(const TPDState& s) override { calls.push_back("Clip " + PathText(s)); }
  void EvenOddClip(const TPDState& s) override { calls.push_back("EvenOddClip " + PathText(s)); }
  void DrawImage(const TPDState&, const TPDImageSource& image) override {
    calls.push_back(std::string("DrawImage ") + (image.IsInline ? "inline " : "") +
                    std::to_string(image.Data.size()));
  }
  void DrawFormXObject(const TPDState& state, const TPDForm& form) override {
    ++forms;
    calls.push_back("DrawFormXObject");
    form.Display(*this, state);
  }

  static std::string Numbers(std::initializer_list<double> values) {
    std::ostringstream out;
    bool first = true;
    for (double v : values) out << (first ? "" : " ") << v, first = false;
    return out.str();
  }
  // Subpaths as "(x y)-(x y)..." with "z" for closed ones.
  static std::string PathText(const TPDState& s) {
    std::string text;
    for (size_t i = 0; i < s.Path.SubPathCount(); ++i) {
      const TPDSubPath& sp = *s.Path.SubPath(i);
      for (size_t p = 0; p < sp.PointCount(); ++p) {
        text += (p ? "-" : "") + std::string("(") + Numbers({sp.X(p), sp.Y(p)}) + ")";
      }
      if (sp.IsClosed()) text += "z";
    }
    return text;
  }
};

// A rendered page: RGB24 pixels of width x height.
class Rendered {
 public:
  Rendered(int width, int height, uint32_t background = 0xFFFFFF)
      : width_(width),
        height_(height),
        stride_(cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width)),
        data_(size_t(stride_) * height) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) Row(y)[x] = background;
    }
  }
  void Render(TPDDocument& doc, int rotation = 0, int page = 1, double dpi = 72) {
    cairo_surface_t* surface = cairo_image_surface_create_for_data(data_.data(), CAIRO_FORMAT_RGB24,
                                                                   width_, height_, stride_);
    cairo_t* cr = cairo_create(surface);
    RenderToCanvas(doc, cr, page, width_, height_, dpi, dpi, rotation, true, false);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  // 0xRRGGBB at pixel (x, y), counted from the top left.
  uint32_t At(int x, int y) { return Row(y)[x] & 0xFFFFFF; }
  const std::vector<uint8_t>& Pixels() const { return data_; }

 private:
  uint32_t* Row(int y) { return reinterpret_cast<uint32_t*>(data_.data() + size_t(y) * stride_); }
  int width_, height_, stride_;
  std::vector<uint8_t> data_;
};

}  // namespace qp::pdf::testing
