#include "pdf/render/pdf_inline_image.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_syntax.h"

namespace qp::pdf {

namespace {

// How far after "EI" the content is read to see that operators follow.
constexpr size_t kLookAheadBytes = 256;
constexpr int kLookAheadTokens = 12;
// Named colour spaces that lead to other named colour spaces.
constexpr int kMaxColourSpaceDepth = 3;

const TPDBaseObject* Entry(const TPDDictionary& dict, std::string_view full,
                           std::string_view abbr) {
  const TPDBaseObject* value = dict.LookUp(full);
  return value != nullptr ? value : dict.LookUp(abbr);
}

int64_t IntegerEntry(const TPDDictionary& dict, std::string_view full, std::string_view abbr) {
  const TPDBaseObject* value = Entry(dict, full, abbr);
  return value != nullptr && value->IsInteger() ? static_cast<const TPDInteger*>(value)->Value()
                                                : -1;
}

// The number of colour components of colour space `cs`; 0 when unknown.
int Components(const TPDBaseObject* cs, const TPDDictionary* resources, int depth) {
  if (cs == nullptr || depth > kMaxColourSpaceDepth) return 0;
  if (cs->IsName()) {
    const std::string& name = static_cast<const TPDName*>(cs)->Value();
    if (name == "G" || name == "DeviceGray" || name == "CalGray" || name == "I" ||
        name == "Indexed" || name == "Separation") {
      return 1;
    }
    if (name == "RGB" || name == "DeviceRGB" || name == "CalRGB" || name == "Lab") return 3;
    if (name == "CMYK" || name == "DeviceCMYK") return 4;
    const TPDBaseObject* named = resources != nullptr ? resources->LookUp("ColorSpace") : nullptr;
    if (named == nullptr || !named->IsDict()) return 0;
    return Components(static_cast<const TPDDictionary*>(named)->LookUp(name), resources, depth + 1);
  }
  if (!cs->IsArray()) return 0;
  const auto& array = static_cast<const TPDArray&>(*cs);
  const TPDBaseObject* family = array.Get(0);
  if (family == nullptr || !family->IsName()) return 0;
  if (family->IsName("ICCBased")) {
    const TPDBaseObject* profile = array.Get(1);
    if (profile == nullptr || !profile->IsStream()) return 0;
    const TPDDictionary* dict = static_cast<const TPDStream*>(profile)->GetDict();
    const TPDBaseObject* n = dict != nullptr ? dict->LookUp("N") : nullptr;
    return n != nullptr && n->IsInteger() ? static_cast<const TPDInteger*>(n)->Value() : 0;
  }
  if (family->IsName("DeviceN")) {
    const TPDBaseObject* names = array.Get(1);
    return names != nullptr && names->IsArray()
               ? static_cast<int>(static_cast<const TPDArray*>(names)->GetLength())
               : 0;
  }
  return Components(family, nullptr, depth + 1);
}

bool HasFilter(const TPDDictionary& dict) {
  const TPDBaseObject* filter = Entry(dict, "Filter", "F");
  if (filter == nullptr || filter->IsNull()) return false;
  return !filter->IsArray() || static_cast<const TPDArray*>(filter)->GetLength() > 0;
}

// The byte count of unfiltered data; 0 when it cannot be told.
size_t UnfilteredSize(const TPDDictionary& dict, const TPDDictionary* resources, size_t limit) {
  const int64_t width = IntegerEntry(dict, "Width", "W");
  const int64_t height = IntegerEntry(dict, "Height", "H");
  const TPDBaseObject* mask = Entry(dict, "ImageMask", "IM");
  const bool isMask =
      mask != nullptr && mask->IsBoolean() && static_cast<const TPDBoolean*>(mask)->Value();
  int64_t bits = IntegerEntry(dict, "BitsPerComponent", "BPC");
  const int64_t components = isMask ? 1 : Components(Entry(dict, "ColorSpace", "CS"), resources, 0);
  if (isMask) bits = 1;
  if (width <= 0 || height <= 0 || components <= 0 || bits <= 0 || bits > 16 ||
      width > static_cast<int64_t>(limit) * 8 || height > static_cast<int64_t>(limit)) {
    return 0;
  }
  const int64_t rowBytes = (width * components * bits + 7) / 8;
  if (rowBytes > static_cast<int64_t>(limit) || rowBytes * height > static_cast<int64_t>(limit)) {
    return 0;
  }
  return static_cast<size_t>(rowBytes * height);
}

bool OperatorsFollow(std::string_view content, size_t from,
                     const std::function<bool(std::string_view)>& isOperator) {
  if (from >= content.size()) return true;
  const size_t size = std::min(kLookAheadBytes, content.size() - from);
  TPDLexer lexer(std::make_unique<TMemoryStream>(
      reinterpret_cast<const uint8_t*>(content.data() + from), size));
  TPDToken token;
  for (int i = 0; i < kLookAheadTokens; ++i) {
    lexer.NextToken(token);
    switch (token.kind) {
      case TPDTokenKind::EndOfInput:
        return true;
      case TPDTokenKind::Keyword:
        return isOperator(token.text);
      case TPDTokenKind::Error:
        return false;
      default:
        break;
    }
  }
  return true;
}

// Whether "EI" at `at` ends the data: white space before it (or the data's
// start), white space or the end after it, then operators.
bool IsEndMark(std::string_view content, size_t start, size_t at,
               const std::function<bool(std::string_view)>& isOperator) {
  if (at > start && !IsPdfWhite(static_cast<uint8_t>(content[at - 1]))) return false;
  const size_t after = at + 2;
  if (after < content.size() && !IsPdfWhite(static_cast<uint8_t>(content[after]))) return false;
  return OperatorsFollow(content, after, isOperator);
}

size_t SearchEndMark(std::string_view content, size_t start, size_t from,
                     const std::function<bool(std::string_view)>& isOperator) {
  for (size_t at = content.find("EI", from); at != std::string_view::npos;
       at = content.find("EI", at + 1)) {
    if (IsEndMark(content, start, at, isOperator)) return at;
  }
  return std::string_view::npos;
}

// Where to look for the end of filtered data. ASCII85 data ends at its own
// "~>" and ASCIIHex data at its '>', and either may hold the letters "EI"
// before that, so the search starts after them.
size_t FilteredSearchStart(const TPDDictionary& dict, std::string_view content, size_t start) {
  const TPDBaseObject* filter = Entry(dict, "Filter", "F");
  if (filter != nullptr && filter->IsArray()) filter = static_cast<const TPDArray*>(filter)->Get(0);
  if (filter == nullptr) return start;
  char closing = 0;
  if (filter->IsName("ASCII85Decode") || filter->IsName("A85")) closing = '~';
  if (filter->IsName("ASCIIHexDecode") || filter->IsName("AHx")) closing = '>';
  if (closing == 0) return start;
  const size_t at = content.find(closing, start);
  return at == std::string_view::npos ? start : at + 1;
}

}  // namespace

TPDInlineDataExtent FindInlineImageData(const TPDDictionary& dict, const TPDDictionary* resources,
                                        std::string_view content, size_t start,
                                        const std::function<bool(std::string_view)>& isOperator) {
  start = std::min(start, content.size());
  size_t from = start;
  if (!HasFilter(dict)) {
    const size_t size = UnfilteredSize(dict, resources, content.size() - start);
    if (size > 0) {
      size_t at = start + size;
      while (at < content.size() && IsPdfWhite(static_cast<uint8_t>(content[at]))) ++at;
      if (content.compare(at, 2, "EI") == 0 &&
          (at + 2 >= content.size() || IsPdfWhite(static_cast<uint8_t>(content[at + 2])))) {
        return {start + size, at + 2};
      }
      from = start + size;
    }
  } else {
    from = FilteredSearchStart(dict, content, start);
  }
  size_t at = SearchEndMark(content, start, from, isOperator);
  if (at == std::string_view::npos && from != start) {
    at = SearchEndMark(content, start, start, isOperator);
  }
  if (at == std::string_view::npos) return {content.size(), content.size()};
  return {at, at + 2};
}

}  // namespace qp::pdf
