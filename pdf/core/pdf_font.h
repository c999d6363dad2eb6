#pragma once
// Font objects made from PDF font dictionaries: simple fonts (one byte per
// code, an encoding and 256 widths) and composite fonts (codes mapped to CIDs
// by a CMap, CID widths, an optional CID-to-glyph map). A font tells the text
// interpreter how a shown string splits into codes, how far each glyph
// advances and which glyph a code means; it hands the embedded font program
// to the font processor.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/font_processor.h"
#include "pdf/core/font_tables.h"
#include "pdf/core/pdf_cmap.h"
#include "pdf/core/pdf_geometry.h"
#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

enum TPDFontType {
  UnknowType,
  Type1,
  Type1C,
  Type1COT,
  Type3,
  TrueType,
  TrueTypeOT,
  CIDType0,
  CIDType0C,
  CIDType0COT,
  CIDType2,
  CIDType2OT
};

enum TPDFFontEmbeddingType { etNone, etFull, etSubset };

using TCharWidthArray = std::array<double, 256>;

// What the document gives font creation: objects by number and the folder of
// external CMap files (empty: none are read).
struct TPDFontContext {
  TPDObjectResolver* document = nullptr;
  std::string cMapPath;
};

// One character read from a shown string.
struct TPDCharInfo {
  int Processed = 0;          // bytes of the string consumed
  uint16_t Code = 0;          // Unicode value, glyph index or code, by font kind
  std::string_view CharName;  // glyph name or empty; valid while the font lives
  double Dx = 0, Dy = 0;      // displacement per unit of font size
  double Ox = 0, Oy = 0;      // glyph origin offset per unit of font size (vertical writing)
};

class TPDFont {
 public:
  // Descriptor flag bits.
  static constexpr int32_t kFixedPitch = 0x1;
  static constexpr int32_t kSerif = 0x2;
  static constexpr int32_t kSymbolic = 0x4;
  static constexpr int32_t kItalic = 0x40;
  static constexpr int32_t kForceBold = 0x40000;

  virtual ~TPDFont();
  TPDFont(const TPDFont&) = delete;
  TPDFont& operator=(const TPDFont&) = delete;

  // A new font for `fontDict` tagged `tag`, or nothing when the dictionary is
  // missing or has no Subtype. Raises nothing for malformed entries.
  static std::unique_ptr<TPDFont> MakeFont(const TPDFontContext& context, std::string tag,
                                           const TPDBaseObject* fontDict);

  virtual bool IsCIDFont() const { return false; }
  virtual TWritingMode WritingMode() const { return wmHorizontal; }
  // Reads the character at 1-based `index` of `text` (the string's bytes);
  // 1 when a character was read.
  virtual int GetNextChar(std::string_view text, size_t index, TPDCharInfo& out) = 0;
  // Displacement per unit of font size of `code`.
  virtual double GetCharWidth(uint16_t /*code*/) const { return 0; }

  bool IsBold() const { return is_bold_ || (flags_ & kForceBold) != 0; }
  bool IsItalic() const { return is_italic_ || (flags_ & kItalic) != 0; }
  bool IsSerif() const { return (flags_ & kSerif) != 0; }
  bool IsSymbolic() const { return (flags_ & kSymbolic) != 0; }
  bool IsFixedWidth() const { return (flags_ & kFixedPitch) != 0; }
  bool Matches(std::string_view tag) const { return tag == tag_; }

  // The decoded font program, read on the first call and kept; nullptr when
  // the font has none or it is not a stream.
  const std::string* GetEmbeddedFontProgram();
  // One processor over the embedded program for the font's life; nullptr
  // without a program. The processor may have failed to open it (IsOpen).
  std::shared_ptr<TFontProcessor> GetFontProcessor();
  bool HasFontProgramRef() const { return font_file_ref_ != 0; }

  const TPDCMapParser* GetToUnicode() const { return to_unicode_.get(); }
  const std::string& Tag() const { return tag_; }
  const std::string& Name() const { return name_; }
  TPDFontType FontType() const { return font_type_; }
  const std::string& EmbeddedFontName() const { return embedded_font_name_; }
  int32_t Flags() const { return flags_; }
  int32_t MissingWidth() const { return missing_width_; }
  // Nothing for a font recognised as a standard 14 font.
  const std::optional<TPDMatrix>& FontMatrix() const { return font_matrix_; }
  const TPDRect& FontBox() const { return font_box_; }
  double Ascent() const { return ascent_; }
  double Descent() const { return descent_; }
  const std::string& EncodingName() const { return encoding_name_; }
  const std::string& BaseFont() const { return base_font_; }
  TPDFFontEmbeddingType EmbeddingType() const { return embedding_type_; }
  const TPDDictionary* FontDict() const { return font_dict_; }

 protected:
  TPDFont(const TPDFontContext& context, const TPDDictionary* fontDict, std::string tag,
          std::string name, TPDFontType type);

  TPDBaseObject* Get(const TPDDictionary* dict, std::string_view key) const;
  // Reads Flags, FontName, the font program reference, MissingWidth, Ascent,
  // Descent and FontBBox from the descriptor of `dict`.
  void ReadFontDescriptor(const TPDDictionary* dict);
  // Parses a ToUnicode stream of `dict`; a damaged one is dropped.
  void ReadToUnicode(const TPDDictionary* dict);

  TPDFontContext context_;
  const TPDDictionary* font_dict_;
  std::string tag_;
  std::string name_;
  TPDFontType font_type_;
  std::string embedded_font_name_;
  std::string encoding_name_;
  std::string base_font_;
  int32_t flags_ = 2;
  int32_t missing_width_ = 0;
  uint32_t font_file_ref_ = 0;  // object number of the program stream, 0: none
  std::optional<TPDMatrix> font_matrix_;
  TPDRect font_box_{0, 0, 0, 0};
  double ascent_ = 0.95;
  double descent_ = -0.35;
  bool is_bold_ = false;
  bool is_italic_ = false;
  TPDFFontEmbeddingType embedding_type_ = etNone;
  std::unique_ptr<TPDCMapParser> to_unicode_;

 private:
  bool program_read_ = false;
  std::optional<std::string> program_;
  std::shared_ptr<TFontProcessor> processor_;
};

class TPD8bitFont final : public TPDFont {
 public:
  TPD8bitFont(const TPDFontContext& context, const TPDDictionary* fontDict, std::string tag,
              std::string name, TPDFontType type);

  int GetNextChar(std::string_view text, size_t index, TPDCharInfo& out) override;
  double GetCharWidth(uint16_t code) const override { return code < 256 ? widths_[code] : 0.0; }

  // The glyph name at `code` of the encoding in use (empty when none).
  std::string_view GlyphNameAt(uint8_t code) const { return encoding_[code]; }
  const TCharWidthArray& Widths() const { return widths_; }
  bool HasEncoding() const { return has_encoding_; }
  bool HasDifferences() const { return has_differences_; }
  bool IsMacRomanEnc() const { return uses_mac_roman_; }
  // The standard 14 font that the font names by a standard name ("Courier",
  // "Helvetica,Bold", "Times-Italic"; not by a Windows name such as Arial),
  // e.g. "Courier" or "Helvetica-Bold"; empty for any other font.
  const std::string& StandardFontName() const { return standard_name_; }

  // Type 3 fonts: the glyph procedures and their resources (nullptr when
  // absent or for other kinds).
  const TPDDictionary* CharProcs() const;
  const TPDDictionary* Resources() const;

 private:
  void ReadEncoding(bool isStandard14, const TEncodingArray* builtInEncoding);
  void ReadWidths(const class TBuiltInFont* builtIn);
  // The character code of byte `b` (Unicode where the glyph names give it).
  uint32_t CodeOf(uint8_t b) const;

  std::array<std::string, 256> encoding_;
  std::string standard_name_;
  TCharWidthArray widths_{};
  bool has_encoding_ = false;
  bool has_differences_ = false;
  bool uses_mac_roman_ = false;
  bool name_has_symbol_ = false;
  bool name_has_zapf_ = false;
  std::array<int32_t, 256> codes_ = MakeUnknownCodes();  // CodeOf, once per byte; -1 not yet
  static constexpr std::array<int32_t, 256> MakeUnknownCodes() {
    std::array<int32_t, 256> codes{};
    for (int32_t& c : codes) c = -1;
    return codes;
  }
};

struct TCIDWidthExcep {
  uint16_t First;
  uint16_t Last;
  double Width;  // per unit of font size
};

struct TCIDWidths {
  double DefWidth = 1.0;
  double DefHeight = -1.0;             // vertical displacement (DW2's second value)
  double DefVY = 0.88;                 // position vector's vertical part (DW2's first value)
  std::vector<TCIDWidthExcep> Exceps;  // in the order read; the first match wins
};

// Vertical metrics of one CID (W2), per unit of font size.
struct TCIDVerticalMetrics {
  double W1y = -1.0;  // vertical displacement
  double Vx = 0;      // position vector: from the horizontal to the vertical origin
  double Vy = 0.88;
  bool vxFromWidth = true;  // Vx is half the horizontal width
};

class TPDCIDFont final : public TPDFont {
 public:
  TPDCIDFont(const TPDFontContext& context, const TPDDictionary* fontDict, std::string tag,
             std::string name);

  bool IsCIDFont() const override { return true; }
  int GetNextChar(std::string_view text, size_t index, TPDCharInfo& out) override;
  double GetCharWidth(uint16_t code) const override;

  const TPDCMap* CMap() const { return cmap_.get(); }
  TWritingMode WritingMode() const override { return cmap_ ? cmap_->WMode() : wmHorizontal; }
  // The character collection of the CIDs, e.g. "Adobe-Japan1"; empty when
  // the font names none.
  const std::string& CharacterCollection() const { return collection_; }
  // The vertical metrics of `cid`.
  TCIDVerticalMetrics VerticalMetricsOf(uint16_t cid) const;
  const TCIDWidths& CIDWidths() const { return widths_; }
  // Glyph indices by CID; empty without a CIDToGIDMap stream.
  const std::vector<uint16_t>& GetCIDToGID() const { return cid_to_gid_; }
  // The glyph of `cid`: the map's entry, 0 beyond its end, the CID itself
  // without a map.
  uint16_t GlyphOf(uint16_t cid) const;

 private:
  void ReadWidths(const TPDDictionary* descendant);
  void ReadCIDToGID(const TPDDictionary* descendant);
  void ReadVerticalMetrics(const TPDDictionary* descendant);
  double WidthOf(uint16_t cid) const;

  std::unique_ptr<TPDCMap> cmap_;
  std::string collection_;
  std::vector<TCIDVerticalMetrics> vertical_table_;  // by CID, from W2
  TCIDWidths widths_;
  std::vector<double> width_table_;  // by CID, built from the exceptions
  std::vector<uint16_t> cid_to_gid_;
  bool has_cid_to_gid_ = false;
  int embedded_state_ = -1;  // -1 unknown, 0 no program, 1 program
};

// The bytes of a stream object, decoded, at most `limit` of them; a decoding
// failure keeps what was read before it.
std::string ReadStreamBytes(TPDStream& stream, size_t limit);

}  // namespace qp::pdf
