#include "pdf/core/font_processor.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_FONT_FORMATS_H
#include FT_MODULE_H
#include FT_OUTLINE_H
#include FT_SYSTEM_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace qp::pdf {

namespace {

// FreeType allocates what a font program asks for (tables, charstring
// indexes, glyph loaders); a hostile program must not take all memory.
constexpr size_t kFreeTypeMemoryLimit = size_t{128} << 20;
// Outlines kept per face before the cache starts afresh.
constexpr size_t kMaxCachedOutlineBytes = size_t{32} << 20;
// Code and name lookups kept per face before those caches start afresh.
constexpr size_t kMaxCachedLookups = 65536;

// Every block carries its size in front, so that frees can be counted.
constexpr size_t kBlockHeader = alignof(std::max_align_t);

struct OutlineSink {
  TPointsList* points;
  double unit;  // font units per outline unit
  bool inContour = false;

  void Add(double x, double y) {
    points->push_back(x * unit);
    points->push_back(y * unit);
  }
};

int MoveTo(const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  if (sink->inContour) sink->points->push_back(opClosePath);
  sink->points->push_back(opMoveTo);
  sink->Add(to->x, to->y);
  sink->inContour = true;
  return 0;
}

int LineTo(const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  sink->points->push_back(opLineTo);
  sink->Add(to->x, to->y);
  return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  sink->points->push_back(opConicTo);
  sink->Add(control->x, control->y);
  sink->Add(to->x, to->y);
  return 0;
}

int CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  sink->points->push_back(opCubicTo);
  sink->Add(control1->x, control1->y);
  sink->Add(control2->x, control2->y);
  sink->Add(to->x, to->y);
  return 0;
}

const FT_Outline_Funcs kOutlineFuncs = {MoveTo, LineTo, ConicTo, CubicTo, 0, 0};

// Applies x' = x * scale + dx, y' = y * yScale + dy to every point of the records.
void TransformPoints(TPointsList& points, double scale, double yScale, double dx, double dy) {
  size_t i = 0;
  while (i < points.size()) {
    const int args = OutlineOpArgCount(static_cast<int>(points[i]));
    ++i;
    for (int k = 0; k < args && i + 1 < points.size(); k += 2, i += 2) {
      points[i] = points[i] * scale + dx;
      points[i + 1] = points[i + 1] * yScale + dy;
    }
  }
}

}  // namespace

int OutlineOpArgCount(int op) {
  switch (op) {
    case opMoveTo:
    case opLineTo:
      return 2;
    case opConicTo:
      return 4;
    case opCubicTo:
      return 6;
    case opClosePath:
      return 0;
    default:
      return -1;
  }
}

size_t TGlyphOutline::ContourCount() const {
  size_t count = 0;
  size_t i = 0;
  while (i < points.size()) {
    const int op = static_cast<int>(points[i]);
    if (op == opMoveTo) ++count;
    const int args = OutlineOpArgCount(op);
    if (args < 0) break;
    i += 1 + static_cast<size_t>(args);
  }
  return count;
}

// FreeType's memory hooks with a ceiling on the bytes in use.
struct TFontProcessor::MemoryState {
  FT_MemoryRec_ record{};
  size_t used = 0;

  MemoryState() {
    record.user = this;
    record.alloc = Alloc;
    record.free = Free;
    record.realloc = Realloc;
  }

  static MemoryState& Of(FT_Memory memory) { return *static_cast<MemoryState*>(memory->user); }

  static void* Alloc(FT_Memory memory, long size) {
    MemoryState& state = Of(memory);
    if (size <= 0 || static_cast<size_t>(size) > kFreeTypeMemoryLimit - state.used) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(kBlockHeader + size));
    if (!block) return nullptr;
    std::memcpy(block, &size, sizeof size);
    state.used += static_cast<size_t>(size);
    return block + kBlockHeader;
  }

  static void Free(FT_Memory memory, void* pointer) {
    if (!pointer) return;
    auto* block = static_cast<unsigned char*>(pointer) - kBlockHeader;
    long size = 0;
    std::memcpy(&size, block, sizeof size);
    Of(memory).used -= static_cast<size_t>(size);
    std::free(block);
  }

  static void* Realloc(FT_Memory memory, long, long newSize, void* pointer) {
    if (!pointer) return Alloc(memory, newSize);
    MemoryState& state = Of(memory);
    auto* block = static_cast<unsigned char*>(pointer) - kBlockHeader;
    long oldSize = 0;
    std::memcpy(&oldSize, block, sizeof oldSize);
    if (newSize <= 0 ||
        static_cast<size_t>(newSize) > kFreeTypeMemoryLimit - (state.used - oldSize)) {
      return nullptr;
    }
    auto* grown = static_cast<unsigned char*>(std::realloc(block, kBlockHeader + newSize));
    if (!grown) return nullptr;
    std::memcpy(grown, &newSize, sizeof newSize);
    state.used = state.used - static_cast<size_t>(oldSize) + static_cast<size_t>(newSize);
    return grown + kBlockHeader;
  }
};

void TFontProcessor::LibraryDeleter::operator()(FT_LibraryRec_* library) const {
  FT_Done_Library(library);
}

void TFontProcessor::FaceDeleter::operator()(FT_FaceRec_* face) const {
  FT_Done_Face(face);
}

TFontProcessor::TFontProcessor() : memory_(std::make_unique<MemoryState>()) {
  FT_Library library = nullptr;
  if (FT_New_Library(&memory_->record, &library) != 0) return;
  library_.reset(library);
  FT_Add_Default_Modules(library);
  FT_Set_Default_Properties(library);
}

TFontProcessor::~TFontProcessor() {
  Close();
}

void TFontProcessor::Close() {
  outlines_.clear();
  cachedBytes_ = 0;
  codeToGlyph_.clear();
  nameToGlyph_.clear();
  face_.reset();
  program_.clear();
  tricky_ = false;
}

int TFontProcessor::StartOpen() {
  Close();
  openResult_ = library_ ? kFpFaceNotOpened : kFpLibraryFailed;
  return openResult_;
}

int TFontProcessor::Open(std::string program) {
  if (StartOpen() == kFpLibraryFailed) return openResult_;
  program_ = std::move(program);
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(library_.get(), reinterpret_cast<const FT_Byte*>(program_.data()),
                         static_cast<FT_Long>(program_.size()), 0, &face) != 0) {
    program_.clear();
    return openResult_;
  }
  face_.reset(face);
  tricky_ = FT_IS_TRICKY(face) && FT_IS_SCALABLE(face) && face->units_per_EM > 0 &&
            FT_Set_Pixel_Sizes(face, face->units_per_EM, face->units_per_EM) == 0;
  return openResult_ = kFpSuccess;
}

int TFontProcessor::OpenFile(const std::string& path, int faceIndex) {
  if (StartOpen() == kFpLibraryFailed) return openResult_;
  if (faceIndex < 0) return openResult_;
  FT_Face face = nullptr;
  if (FT_New_Face(library_.get(), path.c_str(), faceIndex, &face) != 0) return openResult_;
  face_.reset(face);
  tricky_ = FT_IS_TRICKY(face) && FT_IS_SCALABLE(face) && face->units_per_EM > 0 &&
            FT_Set_Pixel_Sizes(face, face->units_per_EM, face->units_per_EM) == 0;
  return openResult_ = kFpSuccess;
}

uint32_t TFontProcessor::UnitsPerEm() const {
  return face_ ? face_->units_per_EM : 0;
}

uint32_t TFontProcessor::GlyphCount() const {
  return face_ && face_->num_glyphs > 0 ? static_cast<uint32_t>(face_->num_glyphs) : 0;
}

std::string TFontProcessor::FormatName() const {
  if (!face_) return {};
  const char* name = FT_Get_Font_Format(face_.get());
  return name ? name : "";
}

bool TFontProcessor::HasGlyphNames() const {
  return face_ && FT_HAS_GLYPH_NAMES(face_.get());
}

bool TFontProcessor::HasCharmap(uint16_t platformId, uint16_t encodingId) const {
  if (!face_) return false;
  for (FT_Int i = 0; i < face_->num_charmaps; ++i) {
    const FT_CharMap map = face_->charmaps[i];
    if (map->platform_id == platformId && map->encoding_id == encodingId) return true;
  }
  return false;
}

uint32_t TFontProcessor::CharmapGlyph(uint16_t platformId, uint16_t encodingId, uint32_t code) {
  if (!face_) return 0;
  FT_Face face = face_.get();
  for (FT_Int i = 0; i < face->num_charmaps; ++i) {
    const FT_CharMap map = face->charmaps[i];
    if (map->platform_id != platformId || map->encoding_id != encodingId) continue;
    if (FT_Set_Charmap(face, map) != 0) continue;
    if (const FT_UInt glyph = FT_Get_Char_Index(face, code)) return glyph;
  }
  return 0;
}

int TFontProcessor::CharmapCount() const {
  return face_ ? face_->num_charmaps : 0;
}

int TFontProcessor::CharCodeToGlyph(uint32_t code, bool unicodeFirst, uint32_t& glyphIndex) {
  FT_Face face = face_.get();
  glyphIndex = 0;
  if (unicodeFirst && FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0) {
    glyphIndex = FT_Get_Char_Index(face, code);
    return glyphIndex ? kFpSuccess : kFpGlyphNotFound;
  }
  // The charmaps in the face's order; one FreeType cannot make current (a
  // variation-selector table) maps no characters and is passed over.
  for (FT_Int i = 0; i < face->num_charmaps && glyphIndex == 0; ++i) {
    if (FT_Set_Charmap(face, face->charmaps[i]) != 0) continue;
    glyphIndex = FT_Get_Char_Index(face, code);
  }
  return glyphIndex ? kFpSuccess : kFpGlyphNotFound;
}

int TFontProcessor::SelectGlyph(TGlyphSelection mode, uint32_t code, std::string_view glyphName,
                                uint32_t& glyphIndex) {
  glyphIndex = 0;
  switch (mode) {
    case TGlyphSelection::gsGlyphIndex:
      if (!face_) return FT_Err_Invalid_Face_Handle;
      glyphIndex = code;
      return kFpSuccess;
    case TGlyphSelection::gsGlyphName: {
      if (!face_ || glyphName.empty() || glyphName.find('\0') != std::string_view::npos) {
        return kFpGlyphNotFound;
      }
      std::string name(glyphName);
      if (auto it = nameToGlyph_.find(name); it != nameToGlyph_.end()) {
        glyphIndex = it->second;
      } else {
        glyphIndex =
            FT_HAS_GLYPH_NAMES(face_.get()) ? FT_Get_Name_Index(face_.get(), name.c_str()) : 0;
        if (nameToGlyph_.size() >= kMaxCachedLookups) nameToGlyph_.clear();
        nameToGlyph_.emplace(std::move(name), glyphIndex);
      }
      return glyphIndex ? kFpSuccess : kFpGlyphNotFound;
    }
    case TGlyphSelection::gsCharCode:
    case TGlyphSelection::gsUnicode: {
      if (!face_) return kFpGlyphNotFound;
      const bool unicodeFirst = mode == TGlyphSelection::gsUnicode;
      const uint64_t key = (uint64_t{unicodeFirst} << 32) | code;
      if (auto it = codeToGlyph_.find(key); it != codeToGlyph_.end()) {
        glyphIndex = it->second;
        return glyphIndex ? kFpSuccess : kFpGlyphNotFound;
      }
      const int result = CharCodeToGlyph(code, unicodeFirst, glyphIndex);
      if (codeToGlyph_.size() >= kMaxCachedLookups) codeToGlyph_.clear();
      codeToGlyph_.emplace(key, glyphIndex);
      return result;
    }
  }
  return kFpGlyphNotFound;
}

int TFontProcessor::GetGlyphOutline(uint32_t glyphIndex,
                                    std::shared_ptr<const TGlyphOutline>& outline) {
  outline.reset();
  if (!face_) return FT_Err_Invalid_Face_Handle;
  if (auto it = outlines_.find(glyphIndex); it != outlines_.end()) {
    outline = it->second.outline;
    return it->second.result;
  }
  CachedGlyph entry;
  entry.result = LoadGlyph(glyphIndex, entry.outline);
  // The map node and the outline's own block count too, so that many failing
  // or empty glyphs are bounded as well as a few large ones.
  constexpr size_t kEntryOverhead = 64 + sizeof(TGlyphOutline);
  const size_t bytes =
      kEntryOverhead + (entry.outline ? entry.outline->points.size() * sizeof(double) : 0);
  if (cachedBytes_ + bytes > kMaxCachedOutlineBytes) {
    outlines_.clear();
    cachedBytes_ = 0;
  }
  cachedBytes_ += bytes;
  outline = entry.outline;
  const int result = entry.result;
  outlines_.emplace(glyphIndex, std::move(entry));
  return result;
}

int TFontProcessor::LoadGlyph(uint32_t glyphIndex, std::shared_ptr<const TGlyphOutline>& outline) {
  FT_Face face = face_.get();
  // Font units come straight from an unscaled load. A tricky face is loaded
  // hinted at one pixel per font unit instead, in 26.6 units.
  FT_Int32 flags = FT_LOAD_NO_SCALE;
  double unit = 1.0;
  if (!FT_IS_SCALABLE(face)) {
    flags = FT_LOAD_DEFAULT;
  } else if (tricky_) {
    flags = FT_LOAD_NO_BITMAP;
    unit = 1.0 / 64;
  }
  if (const FT_Error error = FT_Load_Glyph(face, glyphIndex, flags)) return error;
  const FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return kFpNotOutline;

  auto result = std::make_shared<TGlyphOutline>();
  OutlineSink sink{&result->points, unit};
  if (const FT_Error error = FT_Outline_Decompose(&slot->outline, &kOutlineFuncs, &sink)) {
    return error;
  }
  if (sink.inContour) result->points.push_back(opClosePath);
  result->evenOdd = (slot->outline.flags & FT_OUTLINE_EVEN_ODD_FILL) != 0;
  result->reverseFill = (slot->outline.flags & FT_OUTLINE_REVERSE_FILL) != 0;
  result->horzAdvance = static_cast<double>(slot->advance.x) * unit;
  result->vertAdvance = static_cast<double>(slot->metrics.vertAdvance) * unit;
  if (slot->outline.n_points > 0) {
    FT_BBox box;
    FT_Outline_Get_CBox(&slot->outline, &box);
    result->xMin = static_cast<double>(box.xMin) * unit;
    result->yMin = static_cast<double>(box.yMin) * unit;
    result->xMax = static_cast<double>(box.xMax) * unit;
    result->yMax = static_cast<double>(box.yMax) * unit;
  }
  outline = std::move(result);
  return kFpSuccess;
}

int TFontProcessor::DecomposeOutlineGlyph(uint32_t charCode, uint32_t glyphIndex,
                                          TGlyphSelection mode, std::string_view glyphName,
                                          double size, TGlyphOutline& out) {
  fontSize_ = size;
  if (!std::isfinite(size)) return FT_Err_Invalid_Pixel_Size;
  uint32_t selected = 0;
  const uint32_t code = mode == TGlyphSelection::gsGlyphIndex ? glyphIndex : charCode;
  if (const int result = SelectGlyph(mode, code, glyphName, selected)) return result;
  std::shared_ptr<const TGlyphOutline> outline;
  if (const int result = GetGlyphOutline(selected, outline)) return result;

  const double unitsPerEm = face_->units_per_EM > 0 ? face_->units_per_EM : 1000.0;
  const double scale = size / unitsPerEm;
  out.points.assign(outline->points.begin(), outline->points.end());
  TransformPoints(out.points, scale, -scale, 0, 0);
  out.evenOdd = outline->evenOdd;
  out.reverseFill = outline->reverseFill;
  out.horzAdvance = outline->horzAdvance * scale;
  out.vertAdvance = outline->vertAdvance * scale;
  // Flipping y swaps the box's bottom and top.
  const double x0 = outline->xMin * scale, x1 = outline->xMax * scale;
  const double y0 = -outline->yMax * scale, y1 = -outline->yMin * scale;
  out.xMin = std::min(x0, x1);
  out.xMax = std::max(x0, x1);
  out.yMin = std::min(y0, y1);
  out.yMax = std::max(y0, y1);
  return kFpSuccess;
}

int TFontProcessor::DecomposeOutlineGlyph(std::u16string_view text, double size,
                                          TGlyphSelection mode, const TOutlineReceiver& receiver,
                                          double& x, double& y) {
  TGlyphOutline outline;
  int result = kFpGlyphNotFound;
  if (mode == TGlyphSelection::gsGlyphName) {
    std::string name(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) name[i] = static_cast<char>(text[i] & 0xFF);
    result = DecomposeOutlineGlyph(0, 0, mode, name, size, outline);
  } else if (!text.empty()) {
    result = DecomposeOutlineGlyph(text[0], text[0], mode, {}, size, outline);
  }
  if (result != kFpSuccess) return result;
  TransformPoints(outline.points, 1, 1, x, y);
  outline.xMin += x;
  outline.xMax += x;
  outline.yMin += y;
  outline.yMax += y;
  if (receiver) receiver(outline);
  x += outline.horzAdvance;
  return kFpSuccess;
}

}  // namespace qp::pdf
