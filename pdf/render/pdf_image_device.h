#pragma once
// The raster device: paints paths, clips and forms through Cairo into the
// caller's cairo context. A page is laid out in page pixels (the recording
// size of the page state) and mapped onto the target by `playback`, so that
// the output equals the page drawn at its own size and stretched, at vector
// precision.

#include <cairo.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "pdf/render/cairo_glyph_face.h"
#include "pdf/render/glyph_mask_cache.h"
#include "pdf/render/path_mask.h"
#include "pdf/render/pdf_export_device.h"
#include "pdf/render/stroke_outline.h"
#include "pdf/render/text_font_select.h"

namespace qp::pdf {

struct TImageBitmap;
class TPDResourceCache;

class TPDImageDevice final : public TPDExportDevice {
 public:
  // Device-space pen widths are kept within this (a line width of 1e30 must
  // not stall the stroker).
  static constexpr double kMaxPenWidth = 1e5;
  // Device coordinates are clamped to this magnitude, inside Cairo's fixed
  // point range.
  static constexpr double kMaxCoordinate = 1e6;
  // Dash arrays longer than this are drawn solid.
  static constexpr size_t kMaxDashEntries = 1024;
  // A dashed path that would make more dashes than this is drawn solid.
  static constexpr double kMaxDashesPerPath = 1e5;

  // Borrows `cr`; `playback` maps page pixels to the target's pixels.
  TPDImageDevice(cairo_t* cr, const cairo_matrix_t& playback, bool allowAntiAlias);
  ~TPDImageDevice() override;

  void StartPage(int nPage, const TPDState& state) override;
  // Undoes the saves left open and raises EGPLoadError when Cairo failed.
  void EndPage() override;

  void SaveState(const TPDState& state) override;
  void RestoreState(const TPDState& state) override;
  void UpdateLineJoin(const TPDState& state) override;
  void UpdateLineCap(const TPDState& state) override;
  void UpdateMiterLimit(const TPDState& state) override;

  void Stroke(const TPDState& state) override;
  void Fill(const TPDState& state) override;
  void EvenOddFill(const TPDState& state) override;
  void Clip(const TPDState& state) override;
  void EvenOddClip(const TPDState& state) override;
  void DrawFormXObject(const TPDState& state, const TPDForm& form) override;

  // Shadings (pdf_image_device_shading.cpp): Cairo gradients for axial and
  // radial shadings, a smoothed sampled grid for function-based ones.
  void PaintShading(const TPDState& state, const TPDShading& shading, const TPDMatrix& shadingCTM,
                    TShadingArea area, bool background) override;

  // Tiling patterns (pdf_image_device_tiling.cpp): the cell is drawn once
  // into an image of one period and repeated by Cairo; when only a few
  // cells reach the painted area they are drawn directly instead.
  void PaintTiling(const TPDState& state, const TPDTiling& tiling, TShadingArea area) override;
  // A cell image has at most this many pixels (and kMaxCellSide a side);
  // finer cells are drawn coarser.
  static constexpr double kMaxCellPixels = double(1 << 22);
  static constexpr double kMaxCellSide = 4096;
  // At most this many cells are drawn directly, one by one.
  static constexpr double kMaxDirectCells = 16;

  // Transparency (pdf_image_device_transparency.cpp): soft masks are drawn
  // into an image of the clip's extents when gs sets them; every painting
  // operation under one is drawn into a group that is then masked. Blend
  // modes are Cairo operators; transparency groups are Cairo groups
  // (knockout groups replace rather than cover within the group).
  std::shared_ptr<const TPDSoftMask> MakeSoftMask(
      const TPDState& state, const TPDForm& group, bool luminosity, const TRGB& backdrop,
      const std::array<uint8_t, 256>* transfer) override;
  // A soft mask's image has at most this many pixels.
  static constexpr double kMaxMaskPixels = double(1 << 26);

  // Raises EGPLoadError when the context is in an error state.
  void CheckStatus() const;

  // Decoded images and text faces are kept in `cache` (borrowed; the
  // document's), so that the document's other pages use them again; without
  // one they are kept for this page only. The devices of pattern cells and
  // soft masks share their page's.
  void SetResourceCache(TPDResourceCache* cache) { resource_cache_ = cache; }
  // Paths anti-aliased with 4 x 4 samples per pixel (Cairo's fast mode).
  void SetFastAntiAliasing(bool fast) { fast_anti_alias_ = fast; }
  // The target is white already: a page is not painted white first.
  void SetTargetWhite(bool white) { target_white_ = white; }

  // Images (pdf_image_device_image.cpp): decoded once per draw and painted
  // onto the unit square of user space; DeviceN images and images above
  // kMaxImagePixels are not drawn.
  static constexpr int64_t kMaxImagePixels = int64_t{1} << 28;
  void DrawImage(const TPDState& state, const TPDImageSource& image) override;

  // Text (pdf_image_device_text.cpp). Glyphs of one string operator are
  // collected into one path and painted at its end by the rendering mode;
  // modes 4 to 7 also keep them for the clip set at the end of the text
  // object.
  void UpdateFont(const TPDState& state) override;
  void DrawChar(const TPDState& state, double x, double y, double dx, double dy, uint16_t code,
                std::string_view charName, uint32_t rawCode) override;
  void BeginStringOp(const TPDState& state) override;
  void EndStringOp(const TPDState& state) override;
  void EndTextObject(const TPDState& state) override;
  bool BeginType3Char(const TPDState& state) override;
  void EndType3Char(const TPDState& state) override;
  // A glyph whose em would measure more target pixels than this is skipped.
  static constexpr double kMaxGlyphEm = 1e5;
  // Filled glyphs up to this em size (target pixels) are shown as cached
  // masks; larger ones, and stroked or clipping text, as paths.
  static constexpr double kMaxMaskGlyphEm = 256;
  // Sizes of a font whose scaled fonts and glyph masks are kept, and the
  // bytes of masks kept per size.
  static constexpr size_t kSizesPerFont = 4;
  static constexpr size_t kGlyphMaskBytesPerSize = size_t{256} << 10;
  // A string whose glyph masks cover more pixels than this is shown by cairo.
  static constexpr int64_t kMaxStringMaskPixels = int64_t{1} << 22;
  // Fills whose box (cut to the clip) holds more pixels than this go through
  // Cairo's scan converter rather than a coverage mask.
  static constexpr int64_t kMaxFillMaskPixels = int64_t{1} << 18;
  // Mask glyphs placed farther than this from the target's origin, in
  // pixels, are not shown.
  static constexpr double kMaxGlyphOffset = 1e5;

 private:
  // The user-to-target matrix of `state`, and of any CTM.
  cairo_matrix_t UserToTarget(const TPDState& state) const { return ToTarget(state.CTM); }
  cairo_matrix_t ToTarget(const TPDMatrix& ctm) const;
  // Sets the pen and dashes for the path just built (under the identity)
  // and, when the user-to-target matrix is not a plain scale, that matrix;
  // the caller goes back to the identity after stroking.
  void PrepareStroke(const TPDState& state);
  // The pen of the state: its width in user units (with the thinnest line
  // and the largest pen applied), the target pixels per user unit, and
  // whether it is round in target pixels.
  struct Pen {
    cairo_matrix_t matrix;  // user to target; the identity when not invertible
    double unit = 1;
    double width = 1;
    bool round = false;
  };
  Pen PenOf(const TPDState& state) const;
  // Sets the state's path as the current Cairo path in target pixels; false
  // (and no path) when a coordinate is not a number.
  bool BuildPath(const TPDState& state);
  // Passes the state's path in target pixels to `sink` (MoveTo, LineTo,
  // CurveTo, Close); false as soon as a coordinate is not a number. With
  // kMeasure it sets path_length_, which Cairo's dashed strokes need.
  template <bool kMeasure, class Sink>
  bool WalkTargetPath(const TPDState& state, Sink& sink);
  void FillPath(const TPDState& state, cairo_fill_rule_t rule);
  // Fills through a coverage mask of the path (TPathMask); false when the
  // fill is too large for one or the mask cannot be made.
  bool FillWithMask(const TPDState& state, cairo_fill_rule_t rule);
  // Strokes an undashed path of straight segments under a round pen by
  // filling its outline (TStrokeOutline) through a coverage mask; false when
  // Cairo must stroke it.
  bool StrokeWithMask(const TPDState& state);
  // Paints `rgb` through the coverage of path_mask_, cut to the clip; false
  // when that is too large for a mask.
  bool PaintPathMask(const TPDState& state, const TRGB& rgb, double opacity, bool evenOdd);
  // Lays `rgb` through path_mask_'s last render (at target pixel x, y)
  // straight onto the page raster; false, with nothing drawn, when Cairo
  // must do it.
  bool BlendOntoTarget(const TRGB& rgb, double opacity, int x, int y);
  void ClipPath(const TPDState& state, cairo_fill_rule_t rule);
  // Makes the box, with its edges moved to the nearest pixel edges, the
  // current path: a clip to it stays a region in Cairo, far cheaper to draw
  // through than a clip mask. False (and the path unchanged) when drawing
  // is aliased or the snapped box is empty.
  bool SetPixelRectangle(double x0, double y0, double x1, double y1);
  void SetSource(const TRGB& rgb, double opacity);
  void RestoreTo(int depth);
  using CairoPatternPtr = std::unique_ptr<cairo_pattern_t, decltype(&cairo_pattern_destroy)>;
  // Brackets one painting operation: sets the operator of the state's blend
  // mode and, under a soft mask, draws into a group; true when it did. In a
  // knockout group a `shaped` paint (one that covers only its shape)
  // replaces what lies beneath.
  bool BeginPaint(const TPDState& state, bool shaped = true);
  // Ends it: the group painted through the mask; the operator back to over.
  void EndPaint(const TPDState& state, bool grouped);
  // Draws a form's content, in a transparency group when it is one.
  void DisplayForm(const TPDState& formState, const TPDState& state, const TPDForm& form);
  bool knockout_ = false;  // inside a knockout group

  // Clips to where a shading or pattern paints (nothing for the clip and a
  // stroke); false when there is nothing to paint. For kMask, `mask` gets
  // the stencil mask to paint through.
  bool ClipToArea(const TPDState& state, TShadingArea area, CairoPatternPtr& mask);
  // Paints the source over the clip, through `mask` when given.
  void PaintSource(double alpha, cairo_pattern_t* mask);
  // Keeps a copy of a stencil mask drawn under `imageToTarget` for the
  // pattern that paints through it.
  void KeepPatternMask(cairo_surface_t* surface, cairo_pattern_t* pattern,
                       const cairo_matrix_t& imageToTarget);
  // The stencil mask of the last image mask filled with a pattern, in
  // target pixels.
  CairoPatternPtr pattern_mask_{nullptr, cairo_pattern_destroy};

  // Tiling cells.
  // Starts a device drawing a pattern cell for the page of this one.
  void BeginCell(double pageHeight);
  // Draws the cell's content moved by (dx, dy) in pattern space, clipped to
  // its box.
  void DrawCellAt(const TPDTiling& tiling, double dx, double dy);
  // The cell repeated over the target; nothing when it cannot be made.
  CairoPatternPtr CellPattern(const TPDTiling& tiling, const cairo_matrix_t& toTarget);
  struct CellImage {
    const void* key;
    TRGB colour;
    cairo_matrix_t matrix;  // pattern space to target
    std::shared_ptr<cairo_surface_t> surface;
    cairo_matrix_t cellFromPattern;
  };
  static constexpr size_t kCellCacheBytes = size_t{32} << 20;
  std::vector<CellImage> cell_cache_;
  size_t cell_cache_bytes_ = 0;

  cairo_t* cr_;
  cairo_matrix_t playback_;
  bool allow_anti_alias_;
  bool fast_anti_alias_ = false;
  bool target_white_ = false;
  cairo_antialias_t PathAntiAlias() const {
    if (!allow_anti_alias_) return CAIRO_ANTIALIAS_NONE;
    return fast_anti_alias_ ? CAIRO_ANTIALIAS_FAST : CAIRO_ANTIALIAS_DEFAULT;
  }
  double page_height_ = 0;
  int save_depth_ = 0;
  bool page_started_ = false;
  bool page_group_ = false;  // the page's group is pushed
  cairo_line_cap_t line_cap_ = CAIRO_LINE_CAP_BUTT;
  cairo_line_join_t line_join_ = CAIRO_LINE_JOIN_MITER;
  double miter_limit_ = 10;
  std::vector<double> dashes_;
  double path_length_ = 0;  // of the last path built, in target pixels (an upper bound)
  TPathMask path_mask_;
  TStrokeOutline stroke_outline_;

  // Text.
  // A font at one size and shape: cairo's scaled font and our glyph masks.
  struct SizedFont {
    cairo_matrix_t matrix{};
    TScaledFontPtr scaled;
    TGlyphMaskCache masks;
  };
  // The face chosen for a font, and its glyphs of single-byte codes once found.
  struct TextFont {
    std::shared_ptr<TPDFont> font;  // kept so that the key stays valid
    TTextFace face;
    double unitsPerEm = 1000;
    std::vector<int64_t> byteGlyphs = std::vector<int64_t>(256, -1);  // -1 unknown, -2 none
    TFontFacePtr cairoFace;                                           // made on first use
    bool cairoFaceTried = false;
    // The sizes shown lately, the last one last.
    std::vector<std::unique_ptr<SizedFont>> sizes;
  };
  // A glyph waiting to be shown as a mask at the end of the string operator.
  struct PendingGlyph {
    uint32_t index;
    double x, y;  // text space origin, as DrawChar got it
  };
  struct PathDeleter {
    void operator()(cairo_path_t* path) const { cairo_path_destroy(path); }
  };
  void AppendGlyph(const TPDState& state, double x, double y, uint32_t glyphIndex);
  // Font units to target pixels for a glyph at text space (x, y).
  cairo_matrix_t GlyphMatrix(const TPDState& state, double x, double y) const;
  // The font at the size of glyph matrix `m`, or nullptr when masks cannot
  // serve.
  SizedFont* MaskFont(const cairo_matrix_t& m);
  void ShowPendingGlyphs(const TPDState& state);
  // Shows cairo_glyphs_ through our masks at fractions of a pixel, composed
  // into one mask for the string; false when they cannot serve.
  bool ShowGlyphMasks(SizedFont& font, int phasesX, int phasesY);
  // The glyphs of the string operator, filled and stroked by the mode.
  void PaintText(const TPDState& state);
  // Shared with the document's cache, which may drop its copy meanwhile.
  std::unordered_map<const TPDFont*, std::shared_ptr<TextFont>> text_fonts_;
  TextFont* text_font_ = nullptr;
  bool string_glyphs_ = false;  // glyphs collected since BeginStringOp
  std::vector<PendingGlyph> pending_glyphs_;
  std::vector<cairo_glyph_t> cairo_glyphs_;
  // The glyph masks of a string and where they go, kept for the next one.
  struct PlacedMask {
    const TGlyphMask* mask;
    int x, y;  // target pixel of the mask's top-left
  };
  std::vector<PlacedMask> placed_masks_;
  bool text_clip_pending_ = false;
  std::vector<std::unique_ptr<cairo_path_t, PathDeleter>> text_clip_;
  // The glyphs of the last string operator filled with a pattern.
  std::unique_ptr<cairo_path_t, PathDeleter> pattern_text_;
  std::vector<int> type3_depths_;

  // Decoded images of the page by stream and reduction, for forms and
  // patterns that draw the same image many times; within a budget of bytes.
  static constexpr size_t kImageCacheBytes = size_t{64} << 20;
  using ImageKey = std::tuple<const TPDStream*, int, int>;
  std::shared_ptr<TImageBitmap> CachedImage(const TPDStream* stream, int rx, int ry) const;
  void KeepImage(const TPDStream* stream, int rx, int ry, std::shared_ptr<TImageBitmap> bitmap);
  std::map<ImageKey, std::shared_ptr<TImageBitmap>> image_cache_;
  size_t image_cache_bytes_ = 0;
  TPDResourceCache* resource_cache_ = nullptr;
};

}  // namespace qp::pdf
