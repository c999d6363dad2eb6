#pragma once
// Glyph outlines of one font program (TrueType, OpenType, CFF, Type 1, or any
// other format FreeType reads) through FreeType.
//
// A processor opens its face once and keeps it for its whole life; each
// glyph is loaded once, unhinted and unscaled, and kept in font units, so
// drawing a page never reopens the font or reloads a glyph. Outlines at a
// size are scaled from that cache. No kerning is applied: the widths of the
// PDF font alone place the glyphs.
//
// Nothing here throws for bad font data: every failure is a result code.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// FreeType's handle types, declared here so that callers need not include it.
struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace qp::pdf {

// Result codes. Any other non-zero value is a FreeType error code, passed
// through from selecting a charmap or loading or decomposing a glyph.
inline constexpr int kFpSuccess = 0;
inline constexpr int kFpGlyphNotFound = 25;  // no charmap maps the code; unknown glyph name
inline constexpr int kFpNotOutline = 26;     // the glyph is a bitmap, not an outline
inline constexpr int kFpFaceNotOpened = 27;  // FreeType rejects the font program
inline constexpr int kFpLibraryFailed = 33;  // FreeType could not be initialised

// How a glyph is chosen.
enum class TGlyphSelection : uint8_t {
  gsCharCode = 0,    // each charmap of the face in turn; the first non-zero glyph wins
  gsGlyphIndex = 1,  // the glyph index itself (0 included)
  gsGlyphName = 2,   // the glyph name (Type 1 and CFF fonts, TrueType with post names)
  gsUnicode = 3,     // the face's Unicode charmap; the charmaps in turn when it has none
};

// Opcodes of the records in a TPointsList. Each record is the opcode followed
// by its coordinates: move (x, y), line (x, y), conic (cx, cy, x, y), cubic
// (c1x, c1y, c2x, c2y, x, y), close (none). Every contour ends with a close.
enum TOutlineOp : int {
  opMoveTo = 1,
  opLineTo = 2,
  opConicTo = 3,
  opCubicTo = 4,
  opClosePath = 5,
};

using TPointsList = std::vector<double>;

// Number of coordinates that follow an opcode; -1 for an unknown opcode.
int OutlineOpArgCount(int op);

// One glyph's outline with its metrics. In font units (GetGlyphOutline) the y
// axis points up, as in the font; scaled (DecomposeOutlineGlyph) one em
// measures `size` units and y points down from the glyph origin.
struct TGlyphOutline {
  TPointsList points;
  bool evenOdd = false;      // fill by the even-odd rule
  bool reverseFill = false;  // contours run the opposite way to the format's convention
  double horzAdvance = 0;
  double vertAdvance = 0;
  // Control box of all points, control points included; zero for an empty glyph.
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;

  size_t ContourCount() const;
};

class TFontProcessor {
 public:
  TFontProcessor();
  ~TFontProcessor();
  TFontProcessor(const TFontProcessor&) = delete;
  TFontProcessor& operator=(const TFontProcessor&) = delete;

  // Opens a font program held in memory (face 0); the processor keeps the
  // bytes. Returns kFpSuccess, kFpFaceNotOpened or kFpLibraryFailed.
  int Open(std::string program);
  // Opens face `faceIndex` of a font file (the upper 16 bits select a named
  // instance of a variable font, as fontconfig reports it).
  int OpenFile(const std::string& path, int faceIndex = 0);

  bool IsOpen() const { return face_ != nullptr; }
  // The result of the last Open or OpenFile (kFpFaceNotOpened before any).
  int OpenResult() const { return openResult_; }

  uint32_t UnitsPerEm() const;
  uint32_t GlyphCount() const;
  // FreeType's name of the format: "TrueType", "CFF", "Type 1", ...; empty
  // when no face is open.
  std::string FormatName() const;
  bool HasGlyphNames() const;

  // Whether the face has a charmap (cmap subtable) of this platform and
  // encoding, and the glyph that subtable gives `code` (0: none).
  bool HasCharmap(uint16_t platformId, uint16_t encodingId) const;
  uint32_t CharmapGlyph(uint16_t platformId, uint16_t encodingId, uint32_t code);
  int CharmapCount() const;

  // Glyph index for a selection; kFpGlyphNotFound when the code or name maps
  // to no glyph (index 0 in gsCharCode, gsUnicode and gsGlyphName).
  int SelectGlyph(TGlyphSelection mode, uint32_t code, std::string_view glyphName,
                  uint32_t& glyphIndex);

  // The outline of a glyph index in font units, y up; loaded once per glyph.
  int GetGlyphOutline(uint32_t glyphIndex, std::shared_ptr<const TGlyphOutline>& outline);

  // The outline of a selected glyph at `size` units per em, y down. `charCode`
  // serves gsCharCode and gsUnicode, `glyphIndex` gsGlyphIndex and
  // `glyphName` gsGlyphName.
  int DecomposeOutlineGlyph(uint32_t charCode, uint32_t glyphIndex, TGlyphSelection mode,
                            std::string_view glyphName, double size, TGlyphOutline& out);

  // The glyph of a text: its first character as code (gsCharCode, gsUnicode)
  // or glyph index (gsGlyphIndex), or the whole text narrowed to bytes as
  // glyph name (gsGlyphName). On success the outline, moved to (x, y), goes to
  // the receiver and x moves by the horizontal advance; on failure nothing is
  // called and x and y stay.
  using TOutlineReceiver = std::function<void(const TGlyphOutline&)>;
  int DecomposeOutlineGlyph(std::u16string_view text, double size, TGlyphSelection mode,
                            const TOutlineReceiver& receiver, double& x, double& y);

  // The size of the last scaled decomposition (units per em).
  double FontSize() const { return fontSize_; }
  size_t CachedGlyphCount() const { return outlines_.size(); }

 private:
  struct LibraryDeleter {
    void operator()(FT_LibraryRec_* library) const;
  };
  struct FaceDeleter {
    void operator()(FT_FaceRec_* face) const;
  };
  struct MemoryState;
  struct CachedGlyph {
    int result = kFpSuccess;
    std::shared_ptr<const TGlyphOutline> outline;
  };

  int StartOpen();
  void Close();
  int LoadGlyph(uint32_t glyphIndex, std::shared_ptr<const TGlyphOutline>& outline);
  int CharCodeToGlyph(uint32_t code, bool unicodeFirst, uint32_t& glyphIndex);

  std::unique_ptr<MemoryState> memory_;
  std::unique_ptr<FT_LibraryRec_, LibraryDeleter> library_;
  std::string program_;  // FreeType reads a memory face in place
  std::unique_ptr<FT_FaceRec_, FaceDeleter> face_;
  int openResult_ = kFpFaceNotOpened;
  bool tricky_ = false;  // glyphs that need their hinting program to be assembled
  double fontSize_ = 0;

  std::unordered_map<uint32_t, CachedGlyph> outlines_;
  size_t cachedBytes_ = 0;
  std::unordered_map<uint64_t, uint32_t> codeToGlyph_;
  std::unordered_map<std::string, uint32_t> nameToGlyph_;
};

}  // namespace qp::pdf
