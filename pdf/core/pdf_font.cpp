#include "pdf/core/pdf_font.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "pdf/core/cmap_resources.h"
#include "pdf/core/font_tables.h"
#include "pdf/core/pdf_builtin_font.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_font_names.h"
#include "pdf/core/pdf_memory_stream.h"

namespace qp::pdf {
namespace {

// Font programs beyond this size are not plausible; the rest is dropped.
constexpr size_t kMaxFontProgram = 64u << 20;
constexpr size_t kMaxToUnicode = 16u << 20;
// Two bytes per CID, 65536 CIDs.
constexpr size_t kMaxCIDToGID = 2u << 16;

const TPDDictionary* AsDict(const TPDBaseObject* object) {
  return object && object->IsDict() ? static_cast<const TPDDictionary*>(object) : nullptr;
}
const TPDArray* AsArray(const TPDBaseObject* object) {
  return object && object->IsArray() ? static_cast<const TPDArray*>(object) : nullptr;
}
const std::string* AsName(const TPDBaseObject* object) {
  return object && object->IsName() ? &static_cast<const TPDName*>(object)->Value() : nullptr;
}
bool IsInt(const TPDBaseObject* object) {
  return object && object->IsInteger();
}
int32_t IntOf(const TPDBaseObject* object) {
  return static_cast<const TPDInteger*>(object)->Value();
}
double Finite(double value) {
  return std::isfinite(value) ? value : 0.0;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace

std::string ReadStreamBytes(TPDStream& stream, size_t limit) {
  std::string bytes;
  try {
    stream.Reset();
    uint8_t buffer[16384];
    while (bytes.size() < limit) {
      const size_t got = stream.Read(buffer, std::min(sizeof buffer, limit - bytes.size()));
      if (got == 0) break;
      bytes.append(reinterpret_cast<const char*>(buffer), got);
    }
  } catch (const std::exception&) {
    // A damaged stream gives what decoded before the damage.
  }
  try {
    stream.Reset();
  } catch (const std::exception&) {
  }
  return bytes;
}

// ---- TPDFont

TPDFont::TPDFont(const TPDFontContext& context, const TPDDictionary* fontDict, std::string tag,
                 std::string name, TPDFontType type)
    : context_(context),
      font_dict_(fontDict),
      tag_(std::move(tag)),
      name_(std::move(name)),
      font_type_(type) {}

TPDFont::~TPDFont() = default;

TPDBaseObject* TPDFont::Get(const TPDDictionary* dict, std::string_view key) const {
  if (!dict) return nullptr;
  TPDObjectResolver* document = context_.document ? context_.document : dict->GetParentDoc();
  return ResolveObject(dict->LookupRefObj(key), document);
}

std::unique_ptr<TPDFont> TPDFont::MakeFont(const TPDFontContext& context, std::string tag,
                                           const TPDBaseObject* fontDict) {
  const TPDDictionary* dict = AsDict(fontDict);
  if (!dict) return nullptr;
  try {
    TPDObjectResolver* document = context.document ? context.document : dict->GetParentDoc();
    const std::string* baseFont = AsName(ResolveObject(dict->LookupRefObj("BaseFont"), document));
    std::string name = baseFont ? *baseFont : std::string();
    const std::string* subtype = AsName(ResolveObject(dict->LookupRefObj("Subtype"), document));
    if (!subtype) return nullptr;
    if (*subtype == "Type0") {
      return std::make_unique<TPDCIDFont>(context, dict, std::move(tag), std::move(name));
    }
    TPDFontType type = UnknowType;
    if (*subtype == "Type1" || *subtype == "MMType1") {
      type = Type1;
    } else if (*subtype == "Type1C") {
      type = Type1C;
    } else if (*subtype == "Type3") {
      type = Type3;
    } else if (*subtype == "TrueType") {
      type = TrueType;
    }
    return std::make_unique<TPD8bitFont>(context, dict, std::move(tag), std::move(name), type);
  } catch (const EPDFEngineError&) {
    return nullptr;
  }
}

void TPDFont::ReadFontDescriptor(const TPDDictionary* dict) {
  flags_ = 2;
  missing_width_ = 0;
  const std::string* baseFont = AsName(Get(dict, "BaseFont"));
  const bool subset = baseFont && baseFont->find('+') == 6;
  const TPDDictionary* descriptor = AsDict(Get(dict, "FontDescriptor"));
  if (!descriptor) return;

  if (TPDBaseObject* flags = Get(descriptor, "Flags"); IsInt(flags)) flags_ = IntOf(flags);
  if (const std::string* fontName = AsName(Get(descriptor, "FontName"))) {
    embedded_font_name_ = *fontName;
  }

  auto referenceOf = [&](std::string_view key) -> uint32_t {
    const TPDBaseObject* value = descriptor->LookupRefObj(key);
    if (!value || !value->IsIndirectRef() || value->GetObjNumber() == 0xFFFFFFFFu) return 0;
    return value->GetObjNumber();
  };
  bool programKey = true;
  if (uint32_t ref = referenceOf("FontFile")) {
    font_file_ref_ = ref;
    font_type_ = Type1;
  } else if ((ref = referenceOf("FontFile2")) != 0) {
    font_file_ref_ = ref;
    if (font_type_ == CIDType0) {
      font_type_ = CIDType2;
    } else if (font_type_ != TrueType && font_type_ != CIDType2) {
      font_type_ = TrueType;
    }
  } else if ((ref = referenceOf("FontFile3")) != 0) {
    const TPDBaseObject* program = Get(descriptor, "FontFile3");
    const std::string* kind =
        program && program->IsStream()
            ? AsName(Get(static_cast<const TPDStream*>(program)->GetDict(), "Subtype"))
            : nullptr;
    if (kind) {
      bool known = true;
      if (*kind == "Type1") {
        font_type_ = Type1;
      } else if (*kind == "Type1C") {
        font_type_ = Type1C;
      } else if (*kind == "TrueType") {
        font_type_ = TrueType;
      } else if (*kind == "CIDFontType0C") {
        font_type_ = CIDType0C;
      } else if (*kind == "OpenType") {
        if (font_type_ == TrueType)
          font_type_ = TrueTypeOT;
        else if (font_type_ == Type1)
          font_type_ = Type1COT;
        else if (font_type_ == CIDType0)
          font_type_ = CIDType0COT;
        else if (font_type_ == CIDType2)
          font_type_ = CIDType2OT;
      } else {
        known = false;
      }
      if (known) font_file_ref_ = ref;
    }
  } else {
    programKey = false;
  }
  embedding_type_ = programKey ? (subset ? etSubset : etFull) : etNone;

  if (const TPDBaseObject* missing = Get(descriptor, "MissingWidth");
      missing && missing->IsNumber()) {
    const double value = Finite(missing->GetNumber());
    missing_width_ = static_cast<int32_t>(std::lround(std::clamp(value, -1e9, 1e9)));
  }
  if (const TPDBaseObject* ascent = Get(descriptor, "Ascent"); ascent && ascent->IsNumber()) {
    const double value = Finite(ascent->GetNumber()) * 0.001;
    if (value != 0) ascent_ = value;
  }
  if (const TPDBaseObject* descent = Get(descriptor, "Descent"); descent && descent->IsNumber()) {
    const double value = Finite(descent->GetNumber()) * 0.001;
    if (value != 0) descent_ = value > 0 ? -value : value;
  }
  if (const TPDArray* box = AsArray(Get(descriptor, "FontBBox"))) {
    double values[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < 4 && i < box->GetLength(); ++i) {
      const TPDBaseObject* element = ResolveObject(box->GetRefObj(i), context_.document);
      if (element && element->IsNumber()) values[i] = Finite(element->GetNumber());
    }
    font_box_ = TPDRect(values[0], values[1], values[2], values[3]);
  }
}

void TPDFont::ReadToUnicode(const TPDDictionary* dict) {
  TPDBaseObject* object = Get(dict, "ToUnicode");
  if (!object || !object->IsStream()) return;
  TMemoryStream data(ReadStreamBytes(*static_cast<TPDStream*>(object), kMaxToUnicode));
  try {
    to_unicode_ = std::make_unique<TPDCMapParser>(data);
  } catch (const std::exception&) {
    // An unreadable ToUnicode map is dropped; the font still works without it.
    to_unicode_.reset();
  }
}

const std::string* TPDFont::GetEmbeddedFontProgram() {
  if (!program_read_) {
    program_read_ = true;
    if (font_file_ref_ != 0 && context_.document) {
      TPDBaseObject* object = context_.document->GetObject(font_file_ref_);
      if (object && object->IsStream()) {
        program_ = ReadStreamBytes(*static_cast<TPDStream*>(object), kMaxFontProgram);
      }
    }
  }
  return program_ ? &*program_ : nullptr;
}

std::shared_ptr<TFontProcessor> TPDFont::GetFontProcessor() {
  if (!processor_) {
    const std::string* program = GetEmbeddedFontProgram();
    if (!program) return nullptr;
    processor_ = std::make_shared<TFontProcessor>();
    processor_->Open(*program);
  }
  return processor_;
}

// ---- TPD8bitFont

TPD8bitFont::TPD8bitFont(const TPDFontContext& context, const TPDDictionary* fontDict,
                         std::string tag, std::string name, TPDFontType type)
    : TPDFont(context, fontDict, std::move(tag), std::move(name), type) {
  base_font_ = "Arial Unicode MS";
  const std::string_view trimmed = TrimFontName(name_);
  std::string lookupName(trimmed);
  // Windows names keep their own (metric-compatible) installed fonts.
  const bool windowsName = trimmed.starts_with("Arial") || trimmed.starts_with("CourierNew") ||
                           trimmed.starts_with("TimesNewRoman");
  if (const TFontAlias* alias = FindFontAlias(trimmed)) {
    name_ = std::string(alias->name);
    base_font_ = name_;
    lookupName = std::string(alias->standard);
  }
  // A Type 3 font draws its own glyph procedures: never the standard metrics.
  std::unique_ptr<TBuiltInFont> builtIn =
      type == Type3 ? nullptr : TBuiltInFont::MakeBuiltInFont(lookupName);
  auto takeBuiltInMetrics = [&] {
    ascent_ = builtIn->Ascent() * 0.001;
    descent_ = builtIn->Descent() * 0.001;
    const TPDRect& box = builtIn->BBox();
    font_box_ =
        TPDRect(box.Left() * 0.001, box.Top() * 0.001, box.Right() * 0.001, box.Bottom() * 0.001);
  };
  if (builtIn) takeBuiltInMetrics();
  if (builtIn && !windowsName) standard_name_ = lookupName;

  ReadFontDescriptor(font_dict_);

  if (!embedded_font_name_.empty() && font_file_ref_ == 0 &&
      (font_type_ == TrueType || embedding_type_ == etNone)) {
    const std::string cleaned = CleanDescriptorFontName(embedded_font_name_);
    if (Contains(cleaned, "Bold")) is_bold_ = true;
    if (Contains(cleaned, "Italic")) is_italic_ = true;
    const std::string_view systemName = SystemFontNameOf(cleaned);
    if (!systemName.empty()) embedded_font_name_ = std::string(systemName);
  }
  if (builtIn && font_file_ref_ != 0) takeBuiltInMetrics();
  if (!builtIn) font_matrix_ = TPDMatrix(Get(font_dict_, "FontMatrix"));

  name_has_symbol_ = Contains(name_, "Symbol");
  name_has_zapf_ = Contains(name_, "ZapfDingbats");
  ReadEncoding(builtIn != nullptr, builtIn ? &builtIn->DefaultBaseEncoding() : nullptr);
  ReadWidths(builtIn.get());
  ReadToUnicode(font_dict_);
}

void TPD8bitFont::ReadEncoding(bool isStandard14, const TEncodingArray* builtInEncoding) {
  auto take = [&](const TEncodingArray& table) {
    for (size_t i = 0; i < 256; ++i) encoding_[i] = std::string(table[i]);
  };
  bool selected = false;
  if (name_has_zapf_) {
    take(kZapfDingbatsEncoding);
    has_encoding_ = true;
    encoding_name_ = "WinAnsiEncoding";
    selected = true;
  }
  const TPDBaseObject* encoding = Get(font_dict_, "Encoding");
  const TPDDictionary* encodingDict = AsDict(encoding);
  const std::string* baseName = AsName(encodingDict ? Get(encodingDict, "BaseEncoding") : encoding);
  if (baseName && (*baseName == "MacRomanEncoding" || *baseName == "MacExpertEncoding" ||
                   *baseName == "WinAnsiEncoding")) {
    take(*FindEncoding(*baseName));
    uses_mac_roman_ = *baseName == "MacRomanEncoding";
    has_encoding_ = true;
    encoding_name_ = *baseName;
    selected = true;
  }
  if (!selected) {
    if (!isStandard14 || font_file_ref_ != 0) {
      if (font_type_ == TrueType) {
        take(kWinAnsiEncoding);
        encoding_name_ = "WinAnsiEncoding";
      } else if (!IsSymbolic()) {
        take(kStandardEncoding);
        encoding_name_ = "StandardEncoding";
      }
    } else if (builtInEncoding) {
      take(*builtInEncoding);
      has_encoding_ = true;
      encoding_name_ =
          builtInEncoding == &kStandardEncoding ? "StandardEncoding" : "CustomEncoding";
    }
  }
  const TPDArray* differences = encodingDict ? AsArray(Get(encodingDict, "Differences")) : nullptr;
  if (!differences) return;
  has_encoding_ = true;
  has_differences_ = true;
  encoding_name_ = "CustomEncoding";
  int64_t code = 0;
  for (size_t i = 0; i < differences->GetLength(); ++i) {
    const TPDBaseObject* element = ResolveObject(differences->GetRefObj(i), context_.document);
    if (IsInt(element)) {
      code = IntOf(element);
    } else if (const std::string* glyph = AsName(element)) {
      if (code >= 0 && code <= 255) encoding_[static_cast<size_t>(code)] = *glyph;
      ++code;
    }
  }
}

void TPD8bitFont::ReadWidths(const TBuiltInFont* builtIn) {
  const double missing = missing_width_ * 0.001;
  widths_.fill(missing);
  const TPDBaseObject* firstChar = Get(font_dict_, "FirstChar");
  const TPDBaseObject* lastChar = Get(font_dict_, "LastChar");
  int64_t first =
      IsInt(firstChar) && IntOf(firstChar) >= 0 && IntOf(firstChar) <= 255 ? IntOf(firstChar) : 0;
  int64_t last = 0;
  if (IsInt(lastChar)) {
    last = IntOf(lastChar) >= 0 && IntOf(lastChar) <= 255 ? IntOf(lastChar) : 255;
  }
  const double scale = font_type_ == Type3 && font_matrix_ ? font_matrix_->M11 : 0.001;

  if (const TPDArray* widths = AsArray(Get(font_dict_, "Widths"))) {
    flags_ |= kFixedPitch;
    last = std::min<int64_t>(last, first + static_cast<int64_t>(widths->GetLength()) - 1);
    for (int64_t c = first; c <= last; ++c) {
      const TPDBaseObject* element =
          ResolveObject(widths->GetRefObj(static_cast<size_t>(c - first)), context_.document);
      if (!element || !element->IsNumber()) continue;
      widths_[c] = Finite(element->GetNumber() * scale);
      if (widths_[c] != widths_[first]) flags_ &= ~kFixedPitch;
    }
    return;
  }

  std::unique_ptr<TBuiltInFont> substitute;
  if (!builtIn) {
    const bool bold = IsBold(), italic = IsItalic();
    const char* family = IsFixedWidth() ? "Courier" : IsSerif() ? "Times" : "Helvetica";
    std::string name = family;
    if (name == "Times") {
      name += bold && italic ? "-BoldItalic" : bold ? "-Bold" : italic ? "-Italic" : "-Roman";
    } else {
      name += bold && italic ? "-BoldOblique" : bold ? "-Bold" : italic ? "-Oblique" : "";
    }
    substitute = TBuiltInFont::MakeBuiltInFont(name);
    builtIn = substitute.get();
  }
  if (!builtIn) return;
  for (size_t c = 0; c < 256; ++c) {
    const int width = builtIn->GetWidth(encoding_[c]);
    // A glyph the metrics lack takes the missing width, never a negative advance.
    widths_[c] = width < 0 ? missing : width * 0.001;
  }
}

uint32_t TPD8bitFont::CodeOf(uint8_t b) const {
  const std::string& glyph = encoding_[b];
  switch (font_type_) {
    case Type1:
    case Type1C:
    case Type1COT: {
      if (IsSymbolic() && glyph.empty() && b != 0) return b;
      uint32_t code = 0;
      if (!name_has_symbol_ || has_differences_) {
        code = GlyphNameToUnicode(glyph, name_has_zapf_);
      } else {
        // A Symbol font without Differences: the byte is the Symbol code itself.
        code = b;
      }
      if (name_has_symbol_ && has_differences_ && font_file_ref_ == 0) {
        code = UnicodeToSymbolCode(code);
      }
      return code;
    }
    default:
      if (has_encoding_ && !IsSymbolic() && !name_has_symbol_ && embedding_type_ == etNone) {
        return GlyphNameToUnicode(glyph, name_has_zapf_);
      }
      return b;
  }
}

int TPD8bitFont::GetNextChar(std::string_view text, size_t index, TPDCharInfo& out) {
  out = TPDCharInfo{};
  if (index < 1 || index > text.size()) return 0;
  const uint8_t b = static_cast<uint8_t>(text[index - 1]);
  const bool type1 = font_type_ == Type1 || font_type_ == Type1C || font_type_ == Type1COT;
  if (type1 && (!IsSymbolic() || !encoding_[b].empty())) out.CharName = encoding_[b];
  // The code of a byte depends on the font alone: it is looked up once.
  if (codes_[b] < 0) codes_[b] = static_cast<int32_t>(CodeOf(b));
  const uint32_t code = static_cast<uint32_t>(codes_[b]);
  out.Processed = 1;
  out.Code = static_cast<uint16_t>(code);
  out.Dx = widths_[b];
  return 1;
}

const TPDDictionary* TPD8bitFont::CharProcs() const {
  return font_type_ == Type3 ? AsDict(Get(font_dict_, "CharProcs")) : nullptr;
}
const TPDDictionary* TPD8bitFont::Resources() const {
  return font_type_ == Type3 ? AsDict(Get(font_dict_, "Resources")) : nullptr;
}

// ---- TPDCIDFont

TPDCIDFont::TPDCIDFont(const TPDFontContext& context, const TPDDictionary* fontDict,
                       std::string tag, std::string name)
    : TPDFont(context, fontDict, std::move(tag), std::move(name), UnknowType) {
  const TPDArray* descendants = AsArray(Get(font_dict_, "DescendantFonts"));
  const TPDDictionary* descendant =
      descendants && descendants->GetLength() > 0
          ? AsDict(ResolveObject(descendants->GetRefObj(0), context_.document))
          : nullptr;
  const std::string* subtype = descendant ? AsName(Get(descendant, "Subtype")) : nullptr;
  if (!subtype) return;
  if (*subtype == "CIDFontType0") {
    font_type_ = CIDType0;
  } else if (*subtype == "CIDFontType2") {
    font_type_ = CIDType2;
  } else {
    return;
  }
  ReadFontDescriptor(descendant);

  const TPDDictionary* info = AsDict(Get(descendant, "CIDSystemInfo"));
  const TPDBaseObject* registry = info ? Get(info, "Registry") : nullptr;
  const TPDBaseObject* ordering = info ? Get(info, "Ordering") : nullptr;
  if (!registry || !registry->IsString() || !ordering || !ordering->IsString() ||
      !IsInt(Get(info, "Supplement"))) {
    return;
  }
  collection_ = static_cast<const TPDString*>(registry)->GetBytes() + "-" +
                static_cast<const TPDString*>(ordering)->GetBytes();
  TPDBaseObject* encodingObject = Get(font_dict_, "Encoding");
  const std::string* encoding = AsName(encodingObject);
  // Without a folder of its own, the document reads the installed CMaps.
  const std::string& folder = context_.cMapPath.empty() ? DefaultCMapFolder() : context_.cMapPath;
  try {
    if (encoding) {
      encoding_name_ = *encoding;
      cmap_ = TPDCMap::MakeCMap(collection_, *encoding, folder);
    } else if (encodingObject && encodingObject->IsStream()) {
      // A CMap embedded in the document.
      TMemoryStream data(ReadStreamBytes(*static_cast<TPDStream*>(encodingObject), kMaxToUnicode));
      cmap_ = TPDCMap::FromStream(data, collection_, folder);
      encoding_name_ = cmap_->cMapName();
    }
  } catch (const std::exception&) {
    cmap_.reset();
  }
  if (!cmap_) return;

  if (const TPDBaseObject* dw = Get(descendant, "DW"); IsInt(dw)) {
    widths_.DefWidth = IntOf(dw) * 0.001;
  }
  ReadWidths(descendant);
  if (cmap_->WMode() == wmVertical) ReadVerticalMetrics(descendant);
  if (font_type_ == CIDType2 || font_type_ == CIDType2OT) ReadCIDToGID(descendant);
  ReadToUnicode(font_dict_);
}

void TPDCIDFont::ReadWidths(const TPDDictionary* descendant) {
  const TPDArray* w = AsArray(Get(descendant, "W"));
  if (!w) return;
  const size_t n = w->GetLength();
  auto at = [&](size_t i) { return ResolveObject(w->GetRefObj(i), context_.document); };
  for (size_t i = 0; i + 1 < n;) {
    const TPDBaseObject* a = at(i);
    const TPDBaseObject* b = at(i + 1);
    if (IsInt(a) && IsInt(b) && i + 2 < n) {
      const TPDBaseObject* width = at(i + 2);
      if (width && width->IsNumber()) {
        widths_.Exceps.push_back({static_cast<uint16_t>(IntOf(a)), static_cast<uint16_t>(IntOf(b)),
                                  Finite(width->GetNumber() * 0.001)});
      }
      i += 3;
    } else if (IsInt(a) && b && b->IsArray()) {
      const TPDArray* inner = static_cast<const TPDArray*>(b);
      uint16_t cid = static_cast<uint16_t>(IntOf(a));
      for (size_t k = 0; k < inner->GetLength(); ++k) {
        const TPDBaseObject* width = ResolveObject(inner->GetRefObj(k), context_.document);
        if (!width || !width->IsNumber()) continue;
        widths_.Exceps.push_back({cid, cid, Finite(width->GetNumber() * 0.001)});
        ++cid;
      }
      i += 2;
    } else {
      ++i;
    }
  }
  if (widths_.Exceps.empty()) return;

  // A table by CID, filled so that the first exception read wins; each CID is
  // written once, so huge or overlapping ranges cost no more than the table.
  uint32_t size = 0;
  for (const TCIDWidthExcep& e : widths_.Exceps) size = std::max<uint32_t>(size, e.Last + 1u);
  width_table_.assign(size, widths_.DefWidth);
  std::vector<uint32_t> next(size + 1);
  for (uint32_t i = 0; i <= size; ++i) next[i] = i;
  auto find = [&](uint32_t c) {
    uint32_t root = c;
    while (next[root] != root) root = next[root];
    while (next[c] != root) c = std::exchange(next[c], root);
    return root;
  };
  for (const TCIDWidthExcep& e : widths_.Exceps) {
    if (e.First > e.Last) continue;
    for (uint32_t c = find(e.First); c <= e.Last && c < size; c = find(c)) {
      width_table_[c] = e.Width;
      next[c] = c + 1;
    }
  }
}

void TPDCIDFont::ReadCIDToGID(const TPDDictionary* descendant) {
  TPDBaseObject* map = Get(descendant, "CIDToGIDMap");
  if (!map || !map->IsStream()) return;
  const std::string bytes = ReadStreamBytes(*static_cast<TPDStream*>(map), kMaxCIDToGID);
  cid_to_gid_.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    cid_to_gid_.push_back(static_cast<uint16_t>(static_cast<uint8_t>(bytes[i]) << 8 |
                                                static_cast<uint8_t>(bytes[i + 1])));
  }
  has_cid_to_gid_ = !cid_to_gid_.empty();
}

double TPDCIDFont::WidthOf(uint16_t cid) const {
  return cid < width_table_.size() ? width_table_[cid] : widths_.DefWidth;
}

uint16_t TPDCIDFont::GlyphOf(uint16_t cid) const {
  if (!has_cid_to_gid_) return cid;
  // A CID beyond the map has no glyph: the missing glyph, not an error.
  return cid < cid_to_gid_.size() ? cid_to_gid_[cid] : 0;
}

double TPDCIDFont::GetCharWidth(uint16_t code) const {
  if (!cmap_ || cmap_->WMode() != wmHorizontal) return 0;
  return WidthOf(code);
}

TCIDVerticalMetrics TPDCIDFont::VerticalMetricsOf(uint16_t cid) const {
  TCIDVerticalMetrics metrics;
  if (cid < vertical_table_.size()) {
    metrics = vertical_table_[cid];
  } else {
    metrics.W1y = widths_.DefHeight;
    metrics.Vy = widths_.DefVY;
  }
  if (metrics.vxFromWidth) metrics.Vx = WidthOf(cid) / 2;
  return metrics;
}

int TPDCIDFont::GetNextChar(std::string_view text, size_t index, TPDCharInfo& out) {
  out = TPDCharInfo{};
  const size_t remaining = index >= 1 && index <= text.size() ? text.size() - index + 1 : 0;
  if (!cmap_) {
    // Nothing can be read: consume the rest so the caller's loop ends.
    out.Processed = static_cast<int>(std::min<size_t>(remaining, 1u << 30));
    return 0;
  }
  if (remaining == 0) return 0;
  if (embedded_state_ < 0) embedded_state_ = GetEmbeddedFontProgram() ? 1 : 0;
  const bool embedded = embedded_state_ == 1;
  int processed = 0;
  const uint16_t cid = cmap_->GetCID(text, index, processed);
  out.Processed = std::clamp<int>(processed, 1, static_cast<int>(std::min<size_t>(remaining, 4)));
  out.Code = cid;
  if ((font_type_ == CIDType2 || font_type_ == CIDType2OT) && has_cid_to_gid_) {
    out.Code = GlyphOf(cid);
  } else if (!embedded) {
    // An installed font is read by Unicode: the collection's value of the
    // CID, else the ToUnicode value of the code.
    uint32_t unicode = cmap_->UnicodeOf(cid);
    if (unicode == 0 && to_unicode_) {
      uint32_t code = 0;
      for (int i = 0; i < out.Processed; ++i) {
        code = code << 8 | static_cast<uint8_t>(text[index - 1 + static_cast<size_t>(i)]);
      }
      const int32_t mapped = to_unicode_->LookupCode(static_cast<int32_t>(code));
      if (mapped > 0) unicode = static_cast<uint32_t>(mapped);
    }
    if (unicode != 0 && unicode <= 0xFFFF) out.Code = static_cast<uint16_t>(unicode);
  }
  if (cmap_->WMode() == wmHorizontal) {
    out.Dx = WidthOf(cid);
  } else {
    // Vertical writing: the glyph advances down, drawn from its vertical
    // origin (the position vector away from the horizontal one).
    const TCIDVerticalMetrics metrics = VerticalMetricsOf(cid);
    out.Dy = metrics.W1y;
    out.Ox = -metrics.Vx;
    out.Oy = -metrics.Vy;
  }
  return 1;
}

void TPDCIDFont::ReadVerticalMetrics(const TPDDictionary* descendant) {
  if (const TPDArray* dw2 = AsArray(Get(descendant, "DW2")); dw2 && dw2->GetLength() == 2) {
    const TPDBaseObject* vy = ResolveObject(dw2->GetRefObj(0), context_.document);
    const TPDBaseObject* w1 = ResolveObject(dw2->GetRefObj(1), context_.document);
    if (vy && vy->IsNumber() && w1 && w1->IsNumber()) {
      widths_.DefVY = Finite(vy->GetNumber() * 0.001);
      widths_.DefHeight = Finite(w1->GetNumber() * 0.001);
    }
  }
  const TPDArray* w2 = AsArray(Get(descendant, "W2"));
  if (!w2) return;
  struct Entry {
    uint32_t first, last;
    TCIDVerticalMetrics metrics;
  };
  std::vector<Entry> entries;
  const size_t n = w2->GetLength();
  auto at = [&](size_t i) { return ResolveObject(w2->GetRefObj(i), context_.document); };
  auto number = [](const TPDBaseObject* o) {
    return o && o->IsNumber() ? Finite(o->GetNumber()) : 0;
  };
  auto metricsOf = [&](double w1y, double vx, double vy) {
    return TCIDVerticalMetrics{w1y * 0.001, vx * 0.001, vy * 0.001, false};
  };
  for (size_t i = 0; i + 1 < n;) {
    const TPDBaseObject* a = at(i);
    const TPDBaseObject* b = at(i + 1);
    if (IsInt(a) && IsInt(b) && i + 4 < n) {
      // c_first c_last w1y vx vy
      if (IntOf(a) >= 0 && IntOf(a) <= IntOf(b) && IntOf(a) <= 0xFFFF) {
        entries.push_back({static_cast<uint32_t>(IntOf(a)),
                           static_cast<uint32_t>(std::min(IntOf(b), 0xFFFF)),
                           metricsOf(number(at(i + 2)), number(at(i + 3)), number(at(i + 4)))});
      }
      i += 5;
    } else if (IsInt(a) && b && b->IsArray()) {
      // c [w1y vx vy w1y vx vy ...]
      const TPDArray* inner = static_cast<const TPDArray*>(b);
      int64_t cid = IntOf(a);
      for (size_t k = 0; k + 2 < inner->GetLength() && cid >= 0 && cid <= 0xFFFF; k += 3, ++cid) {
        auto value = [&](size_t j) {
          return number(ResolveObject(inner->GetRefObj(j), context_.document));
        };
        entries.push_back({static_cast<uint32_t>(cid), static_cast<uint32_t>(cid),
                           metricsOf(value(k), value(k + 1), value(k + 2))});
      }
      i += 2;
    } else {
      ++i;
    }
  }
  if (entries.empty()) return;
  uint32_t size = 0;
  for (const Entry& e : entries) size = std::max(size, e.last + 1);
  TCIDVerticalMetrics defaults;
  defaults.W1y = widths_.DefHeight;
  defaults.Vy = widths_.DefVY;
  vertical_table_.assign(size, defaults);
  // The first entry for a CID wins: written last. Overlapping huge ranges
  // stop at a bound of writes.
  uint64_t writes = 0;
  for (auto it = entries.rbegin(); it != entries.rend() && writes < (uint64_t{1} << 22); ++it) {
    for (uint32_t c = it->first; c <= it->last; ++c) vertical_table_[c] = it->metrics;
    writes += it->last - it->first + 1;
  }
}

}  // namespace qp::pdf
