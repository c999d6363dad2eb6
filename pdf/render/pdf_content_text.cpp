// Text showing of the content stream interpreter: font selection by Tf, the
// string operators, glyph advances and Type 3 glyph procedures.
#include <algorithm>
#include <cmath>
#include <exception>

#include "pdf/core/pdf_font.h"
#include "pdf/core/pdf_font_cache.h"
#include "pdf/render/pdf_content_stream.h"
#include "pdf/render/pdf_render_errors.h"

namespace qp::pdf {

void TPDContentStream::SelectFont() {
  if (!resources_) return;
  if (!state_.FontCache) {
    own_fonts_ = std::make_unique<TPDDocFontCache>(TPDFontContext{document_, {}});
    state_.FontCache = own_fonts_.get();
  }
  if (!resource_fonts_) {
    resource_fonts_ = std::make_unique<TPDResourceFonts>(resources_, *state_.FontCache);
  }
  TPDFont* font = resource_fonts_->FindFont(args_[0].text);
  if (!font) return;  // an unknown name keeps the font in effect
  for (const auto& [tag, shared] : resource_fonts_->Fonts()) {
    if (shared.get() == font) state_.Font = shared;
  }
  state_.FontName = args_[0].text;
  state_.FontSize = Num(1);
  font_changed_ = true;
}

void TPDContentStream::SelectFontOfGState(const TPDDictionary& gstate, const std::string& name) {
  const TPDBaseObject* entry = ResolveObject(gstate.LookUp("Font"), document_);
  if (!entry || !entry->IsArray()) return;
  const auto* pair = static_cast<const TPDArray*>(entry);
  const TPDBaseObject* dict =
      pair->GetLength() == 2 ? ResolveObject(pair->Get(0), document_) : nullptr;
  const TPDBaseObject* size =
      pair->GetLength() == 2 ? ResolveObject(pair->Get(1), document_) : nullptr;
  if (!dict || !dict->IsDict() || !size || !size->IsNumber()) return;
  if (!state_.FontCache) {
    own_fonts_ = std::make_unique<TPDDocFontCache>(TPDFontContext{document_, {}});
    state_.FontCache = own_fonts_.get();
  }
  std::shared_ptr<TPDFont> font = state_.FontCache->GetFont(name, dict);
  if (!font) return;
  state_.Font = std::move(font);
  state_.FontName = name;
  state_.FontSize = size->GetNumber();
  font_changed_ = true;
}

void TPDContentStream::ShowText(std::string_view text, const TPDArray* array) {
  if (!state_.Font) return;
  if (font_changed_) {
    device_.UpdateFont(state_);
    font_changed_ = false;
  }
  // Hidden optional content shows its text invisibly: the position still
  // moves.
  const double render = state_.Render;
  if (hidden_) state_.Render = 3;
  device_.BeginStringOp(state_);
  if (!array) {
    ShowString(text);
  } else {
    const bool horizontal = state_.Font->WritingMode() == wmHorizontal;
    for (size_t i = 0; i < array->GetLength(); ++i) {
      const TPDBaseObject* e = ResolveObject(array->Get(i), document_);
      if (!e) continue;
      if (e->IsString()) {
        ShowString(static_cast<const TPDString*>(e)->GetBytes());
      } else if (e->IsNumber()) {
        const double n = e->GetNumber();
        if (!std::isfinite(n)) continue;
        // Thousandths of text space, against the writing direction.
        const double shift = -n / 1000 * state_.FontSize;
        if (horizontal) {
          state_.TextCurX += shift * state_.HorizScaling;
        } else {
          state_.TextCurY += shift;
        }
        device_.UpdateTextShift(state_, n);
      }
    }
  }
  device_.EndStringOp(state_);
  state_.Render = render;
  // Glyphs filled with a pattern: the device kept their outlines.
  const int mode = static_cast<int>(state_.Render);
  if (!hidden_ && (mode == 0 || mode == 2 || mode == 4 || mode == 6) && state_.FillColorSpace &&
      state_.FillColorSpace->GetMode() == csPattern) {
    PaintPattern(false, TShadingArea::kText);
  }
}

void TPDContentStream::ShowString(std::string_view text) {
  TPDFont& font = *state_.Font;
  const bool horizontal = font.WritingMode() == wmHorizontal;
  const bool type3 = font.FontType() == Type3 && !font.IsCIDFont();
  const double size = state_.FontSize;
  TPDCharInfo info;
  size_t index = 1;
  while (index <= text.size()) {
    const size_t remaining = text.size() - index + 1;
    const int read = font.GetNextChar(text, index, info);
    const size_t used =
        std::clamp<size_t>(info.Processed > 0 ? size_t(info.Processed) : 1, 1, remaining);
    uint32_t raw = 0;
    for (size_t k = 0; k < used && k < 4; ++k) raw = raw << 8 | uint8_t(text[index - 1 + k]);
    index += used;
    if (read != 1) continue;  // nothing readable: no glyph, no advance
    // Word spacing belongs to the single-byte code 32 only.
    const double word = used == 1 && raw == 32 ? state_.WordSpace : 0;
    double dx, dy;
    if (horizontal) {
      dx = (info.Dx * size + state_.CharSpace + word) * state_.HorizScaling;
      dy = 0;
    } else {
      // Vertical writing: the displacement is down the page (negative).
      dx = 0;
      dy = info.Dy * size + state_.CharSpace + word;
    }
    if (!std::isfinite(dx)) dx = 0;
    if (!std::isfinite(dy)) dy = 0;
    if (type3) {
      device_.Type3Char(state_, state_.TextCurX, state_.TextCurY, dx, dy, info.Code, info.CharName,
                        raw);
      DrawType3Glyph(static_cast<TPD8bitFont&>(font), static_cast<uint8_t>(raw));
    } else {
      // The glyph's origin: the current point, or in vertical writing the
      // point its position vector leads to.
      const double ox = info.Ox * size * state_.HorizScaling, oy = info.Oy * size;
      device_.DrawChar(state_, state_.TextCurX + (std::isfinite(ox) ? ox : 0),
                       state_.TextCurY + (std::isfinite(oy) ? oy : 0), dx, dy, info.Code,
                       info.CharName, raw);
    }
    state_.TextCurX += dx;
    state_.TextCurY += dy;
  }
}

void TPDContentStream::DrawType3Glyph(TPD8bitFont& font, uint8_t code) {
  const int mode = static_cast<int>(state_.Render);
  if (mode == 3 || mode == 7) return;  // invisible
  if (depth_ >= kMaxFormDepth || budget_->type3Glyphs >= TPDFormBudget::kMaxType3Glyphs) return;
  const TPDDictionary* procs = font.CharProcs();
  const std::string_view name = font.GlyphNameAt(code);
  if (!procs || name.empty()) return;
  TPDBaseObject* proc = ResolveObject(procs->LookUp(name), document_);
  if (!proc || !proc->IsStream()) return;
  const double size = state_.FontSize;
  if (!std::isfinite(size) || size == 0) return;
  ++budget_->type3Glyphs;

  // Glyph space to user space: the font matrix, then size, scaling and rise
  // at the glyph origin, then the text matrix and the CTM.
  const TPDMatrix fontMatrix = font.FontMatrix().value_or(TPDMatrix(0.001, 0, 0, 0.001, 0, 0));
  const TPDMatrix origin(size * state_.HorizScaling, 0, 0, size, state_.TextCurX,
                         state_.TextCurY + state_.Rise);
  TPDState glyph = state_;
  glyph.ClearPath();
  glyph.ConcatCTM(state_.TextMatrix);
  glyph.ConcatCTM(origin);
  glyph.ConcatCTM(fontMatrix);

  TPDDictionary* resources = const_cast<TPDDictionary*>(font.Resources());
  if (!resources) resources = resources_;
  if (!device_.BeginType3Char(glyph)) return;
  try {
    TPDContentStream content(document_, device_, std::move(glyph), resources, depth_ + 1);
    content.SetFormBudget(budget_);
    content.SetType3Glyph();
    content.Run(*static_cast<TPDStream*>(proc));
  } catch (const EGPLoadError&) {
    device_.EndType3Char(state_);
    throw;
  } catch (const std::exception&) {
    // A damaged glyph procedure ends only that glyph.
  }
  device_.EndType3Char(state_);
}

}  // namespace qp::pdf
