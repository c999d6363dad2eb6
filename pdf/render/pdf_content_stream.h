#pragma once
// The content stream interpreter: reads operands and operators, checks the
// operands against each operator's signature and turns operators into
// changes of the graphics state and calls on a device. Damaged content is
// tolerated: unknown operators, wrong operands and unknown resource names
// are skipped.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/pdf_export_device.h"
#include "pdf/render/pdf_shading.h"
#include "pdf/render/pdf_state.h"

namespace qp::pdf {

class TPDParser;
class TPDDocFontCache;
class TPDResourceFonts;
class TPD8bitFont;

// One pending operand. Single tokens are kept without allocating; arrays and
// dictionaries as objects.
struct TPDOperand {
  enum Kind : uint8_t { kInteger, kReal, kBoolean, kNull, kName, kString, kArray, kDict, kOther };
  Kind kind = kOther;
  double number = 0;
  int32_t integer = 0;
  std::string text;  // names and strings (bytes)
  TPDObjectPtr object;

  bool IsNumber() const { return kind == kInteger || kind == kReal; }
};

class TPDContentStream {
 public:
  // At most this many operands are kept before an operator.
  static constexpr int kMaxOperands = 32;
  // A Do met at this form nesting depth is ignored.
  static constexpr int kMaxFormDepth = 32;
  // Deeper q nesting is not saved (and the matching Q restores nothing).
  static constexpr size_t kMaxSaveDepth = 4096;

  // `resources` may be nothing; `depth` is the form nesting depth (0 for a
  // page).
  TPDContentStream(TPDObjectResolver* document, TPDExportDevice& device, TPDState state,
                   TPDDictionary* resources, int depth = 0);
  ~TPDContentStream();

  // Interprets one stream, continuing with the state and the pending
  // operands the previous stream ended with. Exceptions propagate.
  void Run(TPDStream& stream);
  // Interprets content bytes directly.
  void RunBytes(std::string_view content);

  // Shares a budget for form XObjects (a nested stream takes its page's).
  void SetFormBudget(TPDFormBudget* budget) { budget_ = budget; }
  const TPDFormBudget& Budget() const { return *budget_; }
  // The stream is a Type 3 glyph procedure: d1 makes it ignore colours.
  void SetType3Glyph();
  // Colour operators are ignored (the content of an uncoloured pattern).
  void SetUncoloured() { ignore_colour_ = true; }

  // Undoes every q that the streams left open, so that what is drawn next
  // (annotations) starts from the page's own state and clip.
  void RestoreAll() {
    while (!saved_.empty()) RestoreState();
  }

  const TPDState& GetCurrentState() const { return state_; }
  TPDState& State() { return state_; }
  int PendingOperands() const { return num_args_; }

  // Operand kinds and operator signatures (defined with the table).
  enum class ArgKind : uint8_t;
  struct Operator;

 private:
  void Loop(TPDParser& parser, std::string_view data);
  // Runs operator `op` (an Op) on the operands read; opNone does nothing.
  void Dispatch(int op, TPDParser& parser, std::string_view data);
  bool CheckOperands(const Operator& op) const;
  void Execute(int op);
  void ClearOperands();

  double Num(int i) const { return args_[i].number; }
  TPDMatrix MatrixFromArgs() const;

  void Paint(bool close, bool fill, bool evenOdd, bool stroke);
  void EndPath();
  void SaveState();
  void RestoreState();
  void SetColorSpace(bool fill);
  void SetDeviceColor(bool fill, int comps);
  void SetColorComponents(bool fill);
  // Graphics state parameter dictionaries (pdf_content_extgstate.cpp).
  void ApplyExtGState();
  void ApplySoftMask(const TPDBaseObject* mask);
  // Shadings (pdf_content_shading.cpp): the sh operator, and the shading
  // patterns that fills and strokes paint with.
  void PaintShadingOperator();
  // True when the pattern was one this interpreter paints (a shading or
  // tiling pattern), whether or not it could be drawn.
  bool PaintPattern(bool stroke, TShadingArea area);
  void PaintTilingPattern(TPDStream& pattern, bool stroke, TShadingArea area);
  void ChoosePattern(bool fill, const std::string& name);
  // An image mask just drawn with a pattern fill: the pattern paints
  // through it.
  void PaintImageMaskPattern(const TPDDictionary& dict);
  TPDShadingRef ShadingOf(TPDBaseObject* object);
  void DrawXObject();
  // Optional content: BDC /OC opens hidden content when its group or
  // membership dictionary is off; painting stops until its EMC.
  void BeginMarkedContent(bool withProperties);
  void EndMarkedContent();
  bool Hidden(TPDBaseObject* oc) const;
  void InlineImage(TPDParser& parser, std::string_view data);
  void TextNextLine();

  // Text showing (pdf_content_text.cpp).
  void SelectFont();
  // The font and size of a graphics state parameter dictionary's Font entry.
  void SelectFontOfGState(const TPDDictionary& gstate, const std::string& name);
  // Shows `text`, or the strings and adjustments of `array` when given.
  void ShowText(std::string_view text, const TPDArray* array);
  void ShowString(std::string_view text);
  void DrawType3Glyph(TPD8bitFont& font, uint8_t code);

  TPDDictionary* ResourceCategory(std::string_view category);
  TPDBaseObject* LookupResource(std::string_view category, const std::string& name);
  TPDColorSpaceRef ColorSpaceByName(const std::string& name);

  TPDObjectResolver* document_;
  TPDExportDevice& device_;
  TPDState state_;
  std::vector<TPDState> saved_;
  TPDDictionary* resources_;
  int depth_;
  TClip clip_ = clipNone;
  int ignore_undef_ = 0;
  std::vector<bool> marked_;  // per open BMC/BDC: whether it hides
  int hidden_ = 0;  // open marked content that hides  // BX/EX depth; kept, changes nothing
  bool font_changed_ = false;
  TPDMatrix text_line_matrix_;

  std::array<TPDOperand, kMaxOperands> args_;
  int num_args_ = 0;

  std::unordered_map<std::string, TPDColorSpaceRef> color_spaces_;
  std::unordered_map<const TPDBaseObject*, TPDShadingRef> shadings_;
  // The CTM the stream started with: pattern space is laid on it.
  TPDMatrix base_ctm_;
  TPDFormBudget own_budget_;
  TPDFormBudget* budget_ = &own_budget_;

  std::unique_ptr<TPDDocFontCache> own_fonts_;  // when the state brought no cache
  std::unique_ptr<TPDResourceFonts> resource_fonts_;
  bool type3_glyph_ = false;
  bool ignore_colour_ = false;
};

}  // namespace qp::pdf
