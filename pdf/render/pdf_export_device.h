#pragma once
// The boundary between the content stream interpreter and an output device.
// Every operation of the base class does nothing (or the little noted), so a
// device overrides only what it paints.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/core/pdf_geometry.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/render/pdf_state.h"

namespace qp::pdf {

class TPDExportDevice;
struct TPDShading;

// Where a shading or pattern paints: everything the clip lets through (the
// sh operator), the state's path filled or stroked, the glyphs of the
// string operator that just ended (text filled with a pattern) or the image
// mask just drawn.
enum class TShadingArea { kClip, kFill, kEvenOddFill, kStroke, kText, kMask };

// An image XObject or an inline image as the interpreter hands it on. For an
// inline image, Data is the raw (still encoded) data between ID and EI.
struct TPDImageSource {
  const TPDDictionary* Dict = nullptr;
  TPDStream* Stream = nullptr;  // image XObjects
  std::string_view Data;        // inline images
  bool IsInline = false;
  TPDDictionary* Resources = nullptr;
};

// What the form XObjects of one page may cost in all: a form that draws
// itself twice would otherwise double the work at every nesting level.
struct TPDFormBudget {
  static constexpr int64_t kMaxForms = 10000;
  static constexpr int64_t kMaxBytes = int64_t{256} << 20;  // content interpreted
  int64_t forms = 0;
  int64_t bytes = 0;
  // Type 3 glyph procedures run on the page (their content counts in bytes).
  static constexpr int64_t kMaxType3Glyphs = 200000;
  int64_t type3Glyphs = 0;
  // Tiling pattern cells and soft masks drawn one inside another (a pattern
  // or mask that uses itself stops here).
  static constexpr int kMaxPatternNesting = 4;
  int patternNesting = 0;
  // Pixels of the pattern cells and soft masks drawn apart from the page:
  // once spent, further ones are not drawn.
  static constexpr int64_t kMaxOffscreenPixels = int64_t{1} << 28;
  int64_t offscreenPixels = 0;
  // Soft masks made on the page (each draws its group over the clip).
  static constexpr int kMaxSoftMasks = 256;
  int softMasks = 0;
  // Takes `pixels` from the budget; false when they are not left.
  bool SpendPixels(double pixels) {
    if (!(pixels <= double(kMaxOffscreenPixels - offscreenPixels))) return false;
    offscreenPixels += static_cast<int64_t>(pixels);
    return true;
  }
  // Interpretation stops once the page has run this long: what was drawn
  // stays, and the caller is told.
  static constexpr std::chrono::seconds kMaxTime{10};
  std::chrono::steady_clock::duration maxTime = kMaxTime;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  int64_t operators = 0;
  bool outOfTime = false;
  // Counts an operator; true once the time is up (the clock is read every
  // 256 operators).
  bool OperatorDone() {
    if ((++operators & 255) == 0 && std::chrono::steady_clock::now() - started > maxTime) {
      outOfTime = true;
    }
    return outOfTime;
  }
};

// A form XObject found by Do, ready to be interpreted by the device.
class TPDForm {
 public:
  // `budget` is the page's (nothing: the form gets one of its own).
  TPDForm(TPDStream* stream, TPDDictionary* resources, TPDObjectResolver* document, int depth,
          TPDFormBudget* budget = nullptr)
      : stream_(stream),
        resources_(resources),
        document_(document),
        depth_(depth),
        budget_(budget) {}
  // The content ignores its colour operators and paints in the colours of
  // the state it is displayed with (an uncoloured tiling pattern).
  void SetUncoloured() { uncoloured_ = true; }
  // True when the form is a transparency group; `knockout` gets its K.
  bool IsTransparencyGroup(bool& knockout) const;
  // /Matrix, identity without one.
  TPDMatrix GetMatrix() const;
  // /BBox when it is an array of four numbers.
  bool GetBBox(double& x1, double& y1, double& x2, double& y2) const;
  TPDStream* Stream() const { return stream_; }
  // The page's budget, when the form shares one.
  TPDFormBudget* Budget() const { return budget_; }
  // Interprets the form's content on a copy of `state`; nothing the form does
  // reaches the caller's state.
  void Display(TPDExportDevice& device, const TPDState& state) const;

 private:
  TPDStream* stream_;
  TPDDictionary* resources_;
  TPDObjectResolver* document_;
  int depth_;  // nesting depth of the stream that drew this form
  TPDFormBudget* budget_;
  bool uncoloured_ = false;
};

// A tiling pattern as the interpreter hands it on: the cell's content, the
// state it starts with (its CTM maps pattern space to the device; for an
// uncoloured pattern its colours are the ones to paint in), and the cell's
// box and steps in pattern space. `Key` (the pattern object) and `Colour`
// tell rendered cells apart.
struct TPDTiling {
  TPDTiling(TPDForm cell, TPDState cellState) : Cell(cell), CellState(std::move(cellState)) {}
  TPDForm Cell;
  TPDState CellState;
  const void* Key = nullptr;
  TRGB Colour{};
  double BBox[4] = {0, 0, 0, 0};  // x1 y1 x2 y2, in order
  double XStep = 0, YStep = 0;    // positive and finite
};

class TPDExportDevice {
 public:
  virtual ~TPDExportDevice() = default;

  // Stores the matrix and its inverse (the identity when it has none).
  virtual void SetDefaultCTM(const TPDMatrix& matrix);
  virtual void StartPage(int /*nPage*/, const TPDState& /*state*/) {}
  virtual void EndPage() {}
  void ConvertDevToUser(double dx, double dy, double& ux, double& uy) const;
  // Adds 0.5 to each result.
  void ConvertUserToDev(double ux, double uy, double& dx, double& dy) const;

  virtual void SaveState(const TPDState& /*state*/) {}
  virtual void RestoreState(const TPDState& state) { UpdateAll(state); }
  // Every Update* below, in a fixed order.
  virtual void UpdateAll(const TPDState& state);
  virtual void UpdateCTM(const TPDState& /*state*/, const TPDMatrix& /*matrix*/) {}
  virtual void UpdateLineDash(const TPDState&) {}
  virtual void UpdateFlatness(const TPDState&) {}
  virtual void UpdateLineJoin(const TPDState&) {}
  virtual void UpdateLineCap(const TPDState&) {}
  virtual void UpdateMiterLimit(const TPDState&) {}
  virtual void UpdateLineWidth(const TPDState&) {}
  virtual void UpdateStrokeAdjust(const TPDState&) {}
  virtual void UpdateFillColorSpace(const TPDState&) {}
  virtual void UpdateFillColor(const TPDState&) {}
  virtual void UpdateStrokeColorSpace(const TPDState&) {}
  virtual void UpdateStrokeColor(const TPDState&) {}
  virtual void UpdateBlendMode(const TPDState&) {}
  virtual void UpdateFillOpacity(const TPDState&) {}
  virtual void UpdateStrokeOpacity(const TPDState&) {}
  virtual void UpdateFillOverPrint(const TPDState&) {}
  virtual void UpdateStrokeOverPrint(const TPDState&) {}
  virtual void UpdateTransfer(const TPDState&) {}
  virtual void UpdateFont(const TPDState&) {}
  virtual void UpdateTextMatrix(const TPDState&) {}
  virtual void UpdateCharSpace(const TPDState&) {}
  virtual void UpdateRender(const TPDState&) {}
  virtual void UpdateRise(const TPDState&) {}
  virtual void UpdateWordSpace(const TPDState&) {}
  virtual void UpdateHorizScaling(const TPDState&) {}
  virtual void UpdateTextPos(const TPDState&) {}
  virtual void UpdateTextShift(const TPDState&, double /*shift*/) {}

  virtual void Stroke(const TPDState&) {}
  virtual void Fill(const TPDState&) {}
  virtual void EvenOddFill(const TPDState&) {}
  virtual void Clip(const TPDState&) {}
  virtual void EvenOddClip(const TPDState&) {}

  virtual void BeginStringOp(const TPDState&) {}
  virtual void EndStringOp(const TPDState&) {}
  virtual void EndTextObject(const TPDState&) {}
  virtual void DrawImage(const TPDState&, const TPDImageSource&) {}
  virtual void DrawFormXObject(const TPDState&, const TPDForm&) {}
  // Paints `shading` over `area`; `shadingCTM` maps shading space to device
  // space as a CTM does. A pattern's Background fills the area first when
  // `background` is set.
  virtual void PaintShading(const TPDState& /*state*/, const TPDShading& /*shading*/,
                            const TPDMatrix& /*shadingCTM*/, TShadingArea /*area*/,
                            bool /*background*/) {}

  // The soft mask of a graphics state parameter dictionary: `group` drawn
  // with `state` (the state gs ran in, without mask, blend mode and
  // alphas), its luminosity over `backdrop` or its alpha, each value mapped
  // through `transfer` when given. Nothing when the device does not mask.
  virtual std::shared_ptr<const TPDSoftMask> MakeSoftMask(
      const TPDState& /*state*/, const TPDForm& /*group*/, bool /*luminosity*/,
      const TRGB& /*backdrop*/, const std::array<uint8_t, 256>* /*transfer*/) {
    return nullptr;
  }

  // Paints `tiling` over `area` in the state's fill opacity (stroke opacity
  // for kStroke).
  virtual void PaintTiling(const TPDState& /*state*/, const TPDTiling& /*tiling*/,
                           TShadingArea /*area*/) {}

  // Text. DrawChar paints one glyph of the state's font: its origin (x, y)
  // is in text space relative to the state's text matrix; (dx, dy) is the
  // advance the interpreter applies after it; `code` and `charName` are what
  // the font read for it, `rawCode` the bytes of the string that made it.
  virtual void DrawChar(const TPDState& /*state*/, double /*x*/, double /*y*/, double /*dx*/,
                        double /*dy*/, uint16_t /*code*/, std::string_view /*charName*/,
                        uint32_t /*rawCode*/) {}
  // A glyph of a Type 3 font, with what DrawChar would receive, before its
  // procedure runs: for devices that read text rather than paint.
  virtual void Type3Char(const TPDState& /*state*/, double /*x*/, double /*y*/, double /*dx*/,
                         double /*dy*/, uint16_t /*code*/, std::string_view /*charName*/,
                         uint32_t /*rawCode*/) {}
  // Before the glyph procedure of a Type 3 glyph runs; false skips it (the
  // position still advances).
  virtual bool BeginType3Char(const TPDState& /*state*/) { return true; }
  virtual void EndType3Char(const TPDState& /*state*/) {}

  const TPDMatrix& DefaultCTM() const { return default_ctm_; }

 protected:
  TPDMatrix default_ctm_;
  TPDMatrix default_inverse_ctm_;
};

}  // namespace qp::pdf
