#include "pdf/render/pdf_render.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "pdf/core/pdf_facade.h"
#include "pdf/core/pdf_font_cache.h"
#include "pdf/render/annotation_appearance.h"
#include "pdf/render/pdf_content_stream.h"
#include "pdf/render/pdf_image_device.h"
#include "pdf/render/pdf_optional_content.h"
#include "pdf/render/pdf_render_errors.h"

namespace qp::pdf {

namespace {

struct PreparedPage {
  TPDPage* page;
  TPDState state;
};

TPDPage& PageOrThrow(TPDDocument& doc, int pageNum) {
  TPDPageTree* tree = doc.GetPageTree();
  TPDPage* page = tree ? tree->GetPage(pageNum) : nullptr;
  if (!page) throw EInvalidPageError("Invalid page number (" + std::to_string(pageNum) + ")");
  return *page;
}

std::optional<PreparedPage> PreparePage(TPDDocument& doc, int pageNum, double hDPI, double vDPI,
                                        int rotate) {
  TPDPage& page = PageOrThrow(doc, pageNum);
  const int r = EffectiveRotation(rotate, page.Rotate());
  // A page without contents is left alone, unless annotations draw on it.
  if (!page.Contents() && !page.GetDict()->LookUp("Annots")) return std::nullopt;
  const TPDRect* box = page.Cropbox();
  if (!box) box = page.Mediabox();
  TPDState state(hDPI, vDPI, r, box);
  state.PageNumber = pageNum;
  return PreparedPage{&page, std::move(state)};
}

// Annotation flag: the appearance does not turn with the page.
constexpr int kNoRotate = 16;

int FlagsOf(const TPDDictionary& annot, TPDObjectResolver* doc) {
  const TPDBaseObject* f = ResolveObject(annot.LookUp("F"), doc);
  return f && f->IsInteger() ? static_cast<const TPDInteger*>(f)->Value() : 0;
}

// The normal appearance stream of an annotation, chosen by its appearance state
// (or its field's value) when the appearance has several.
TPDStream* NormalAppearance(const TPDDictionary& annot, TPDObjectResolver* doc) {
  const TPDBaseObject* ap = ResolveObject(annot.LookUp("AP"), doc);
  if (!ap || !ap->IsDict()) return nullptr;
  TPDBaseObject* n = ResolveObject(static_cast<const TPDDictionary*>(ap)->LookUp("N"), doc);
  if (!n) return nullptr;
  if (n->IsStream()) return static_cast<TPDStream*>(n);
  if (!n->IsDict()) return nullptr;
  const TPDBaseObject* as = ResolveObject(annot.LookUp("AS"), doc);
  if (!as || !as->IsName()) {
    const TPDBaseObject* parent = ResolveObject(annot.LookUp("Parent"), doc);
    if (parent && parent->IsDict()) {
      as = ResolveObject(static_cast<const TPDDictionary*>(parent)->LookUp("V"), doc);
    }
  }
  if (!as || !as->IsName()) return nullptr;
  TPDBaseObject* chosen = ResolveObject(
      static_cast<TPDDictionary*>(n)->LookUp(static_cast<const TPDName*>(as)->Value()), doc);
  return chosen && chosen->IsStream() ? static_cast<TPDStream*>(chosen) : nullptr;
}

bool ReadRect(const TPDBaseObject* object, TPDObjectResolver* doc, double v[4]) {
  if (!object || !object->IsArray()) return false;
  const auto* array = static_cast<const TPDArray*>(object);
  if (array->GetLength() < 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    const TPDBaseObject* e = ResolveObject(array->Get(i), doc);
    if (!e || !e->IsNumber()) return false;
    v[i] = e->GetNumber();
  }
  return true;
}

// Draws an annotation without an appearance stream from its own keys, when
// it is of a type viewers draw so (ink, lines, shapes, text markup, free
// text).
void DrawWithoutAppearance(const TPDDictionary& annot, TPDObjectResolver* doc,
                           TPDExportDevice& device, const TPDState& pageState) {
  std::optional<TAnnotationDrawing> drawing = MakeAnnotationDrawing(annot, doc);
  if (!drawing) return;
  TPDState state = pageState;
  state.StrokeOpacity = drawing->StrokeOpacity;
  state.FillOpacity = drawing->FillOpacity;
  if (drawing->Multiply) state.BlendMode = bmMultiply;
  // The made-up font resources live only for this drawing: so must the
  // fonts made from them.
  state.FontCache = nullptr;
  state.DocCache = nullptr;
  device.SaveState(state);
  device.UpdateAll(state);
  try {
    TPDContentStream content(doc, device, state, drawing->Resources.get());
    content.RunBytes(drawing->Content);
    content.RestoreAll();
  } catch (const EGPLoadError&) {
    device.RestoreState(pageState);
    throw;
  } catch (const std::exception&) {
    // Whatever went wrong ends only this annotation.
  }
  device.RestoreState(pageState);
}

// Draws the visible annotations of the page (form fields, free text, stamps,
// markup) from their appearance streams, each fitted into its annotation
// rectangle, or from their own keys when they have none. Pop-up windows are
// not drawn: a viewer opens them on demand.
void DrawAnnotations(TPDPage& page, TPDObjectResolver* doc, TPDExportDevice& device,
                     const TPDState& pageState, TPDDictionary* pageResources) {
  const TPDBaseObject* annots = ResolveObject(page.GetDict()->LookUp("Annots"), doc);
  if (!annots || !annots->IsArray()) return;
  const auto* list = static_cast<const TPDArray*>(annots);
  for (size_t i = 0; i < list->GetLength(); ++i) {
    const TPDBaseObject* object = ResolveObject(list->Get(i), doc);
    if (!object || !object->IsDict()) continue;
    const auto& annot = *static_cast<const TPDDictionary*>(object);
    const TPDBaseObject* subtype = ResolveObject(annot.LookUp("Subtype"), doc);
    if (!subtype || !subtype->IsName() || subtype->IsName("Popup")) continue;
    if (FlagsOf(annot, doc) & 0x23) continue;  // invisible, hidden or not for viewing
    if (pageState.OptionalContent && pageState.OptionalContent->IsHidden(annot.LookUp("OC"))) {
      continue;
    }
    TPDStream* appearance = NormalAppearance(annot, doc);
    if (!appearance && !ResolveObject(annot.LookUp("AP"), doc)) {
      DrawWithoutAppearance(annot, doc, device, pageState);
      continue;
    }
    double rect[4];
    if (!appearance || !ReadRect(ResolveObject(annot.LookUp("Rect"), doc), doc, rect)) continue;
    TPDBaseObject* own = appearance->GetDict()
                             ? ResolveObject(appearance->GetDict()->LookUp("Resources"), doc)
                             : nullptr;
    TPDDictionary* resources =
        own && own->IsDict() ? static_cast<TPDDictionary*>(own) : pageResources;
    TPDForm form(appearance, resources, doc, 1);
    // The form's box under its matrix, fitted into the annotation rectangle.
    // Without a box there is nothing to fit (guessing one blows the content
    // up to the rectangle's size): such an appearance is not drawn.
    double bbox[4];
    if (!form.GetBBox(bbox[0], bbox[1], bbox[2], bbox[3])) continue;
    const TPDMatrix m = form.GetMatrix();
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (int c = 0; c < 4; ++c) {
      const double x = bbox[(c & 1) ? 2 : 0], y = bbox[(c & 2) ? 3 : 1];
      const double tx = m.M11 * x + m.M21 * y + m.Dx, ty = m.M12 * x + m.M22 * y + m.Dy;
      minX = std::min(minX, tx), maxX = std::max(maxX, tx);
      minY = std::min(minY, ty), maxY = std::max(maxY, ty);
    }
    if (!(maxX > minX) || !(maxY > minY)) continue;
    const double rx1 = std::min(rect[0], rect[2]), ry1 = std::min(rect[1], rect[3]);
    const double sx = (std::fabs(rect[2] - rect[0])) / (maxX - minX);
    const double sy = (std::fabs(rect[3] - rect[1])) / (maxY - minY);
    TPDState state = pageState;
    if ((FlagsOf(annot, doc) & kNoRotate) && pageState.Rotate != 0) {
      // Kept upright on a turned page: turned back about the rectangle's
      // upper-left corner, which stays where it is.
      const double a = pageState.Rotate * M_PI / 180, c = std::cos(a), s = std::sin(a);
      const double px = rx1, py = std::max(rect[1], rect[3]);
      state.ConcatCTM(TPDMatrix(c, s, -s, c, px - (px * c - py * s), py - (px * s + py * c)));
    }
    state.ConcatCTM(TPDMatrix(sx, 0, 0, sy, rx1 - minX * sx, ry1 - minY * sy));
    try {
      device.DrawFormXObject(state, form);
    } catch (const EGPLoadError&) {
      throw;
    } catch (const std::exception&) {
      // A damaged appearance stream ends only its own drawing.
    }
  }
}

// True when an ExtGState of `resources`, or of the forms and patterns they
// name (a bounded walk), sets a blend mode other than Normal.
bool UsesBlendModes(TPDDictionary* resources, TPDObjectResolver* doc) {
  constexpr size_t kMaxDictionaries = 512;
  std::vector<TPDDictionary*> pending{resources};
  std::unordered_set<const TPDDictionary*> seen;
  auto dictOf = [&](TPDBaseObject* o) -> TPDDictionary* {
    o = ResolveObject(o, doc);
    if (o && o->IsStream()) return static_cast<TPDStream*>(o)->GetDict();
    return o && o->IsDict() ? static_cast<TPDDictionary*>(o) : nullptr;
  };
  while (!pending.empty() && seen.size() < kMaxDictionaries) {
    TPDDictionary* r = pending.back();
    pending.pop_back();
    if (!r || !seen.insert(r).second) continue;
    if (TPDDictionary* states = dictOf(r->LookUp("ExtGState"))) {
      for (size_t i = 0; i < states->GetLength(); ++i) {
        TPDDictionary* gs = dictOf(states->GetValue(i));
        const TPDBaseObject* bm = gs ? ResolveObject(gs->LookUp("BM"), doc) : nullptr;
        if (bm && !bm->IsName("Normal") && !bm->IsName("Compatible")) return true;
      }
    }
    for (const char* category : {"XObject", "Pattern"}) {
      TPDDictionary* entries = dictOf(r->LookUp(category));
      for (size_t i = 0; entries && i < entries->GetLength(); ++i) {
        if (TPDDictionary* d = dictOf(entries->GetValue(i))) {
          pending.push_back(dictOf(d->LookUp("Resources")));
        }
      }
    }
  }
  return false;
}

TPDDictionary* PageResources(TPDPage& page) {
  TPDResource* resource = page.Resource();
  return resource ? resource->GetDict() : nullptr;
}

// False when the page ran out of time and was drawn only in part.
bool ShowPrepared(TPDDocument& doc, TPDExportDevice& device, PreparedPage& prepared,
                  bool renderAnnots) {
  TPDPage& page = *prepared.page;
  TPDState& state = prepared.state;
  TPDBaseDoc* base = doc.GetBaseDoc();
  TPDObjectResolver* resolver = base;
  if (base != nullptr) base->Filters().ResetDecodeBudget();
  TPDDictionary* resources = PageResources(page);
  state.PageBlends = UsesBlendModes(resources, resolver);
  // The page's states borrow the optional content only while it is drawn.
  const TPDOptionalContent optional(doc.GetBaseDoc() ? doc.GetBaseDoc()->GetDocRoot() : nullptr,
                                    resolver);
  // Fonts come from the document's cache, so that pages sharing a font
  // dictionary make one font.
  TPDDocFontCache fonts(TPDFontContext{resolver, {}}, &doc.ResourceCache());
  struct Borrow {
    TPDState& s;
    ~Borrow() {
      s.OptionalContent = nullptr;
      s.FontCache = nullptr;
      s.DocCache = nullptr;
    }
  } borrow{state};
  state.OptionalContent = &optional;
  state.FontCache = &fonts;
  state.DocCache = &doc.ResourceCache();
  device.StartPage(state.PageNumber, state);
  const TPDState pageState = state;
  TPDContentStream content(resolver, device, state, resources);
  TPDContents* contents = page.Contents();
  // With annotations to draw, the contents run inside a save of their own:
  // a clip they leave in force must not cut the annotations.
  const bool annotations = renderAnnots && page.GetDict()->LookUp("Annots");
  if (annotations) device.SaveState(pageState);
  for (size_t i = 0; contents && i < contents->StreamCount(); ++i) {
    TPDStream* stream = contents->GetStream(i);
    if (!stream) continue;
    device.SetDefaultCTM(content.GetCurrentState().CTM);
    device.UpdateAll(content.GetCurrentState());
    try {
      content.Run(*stream);
    } catch (const EGPLoadError&) {
      throw;
    } catch (const std::exception&) {
      // A damaged stream ends here; the page goes on with the next one.
    }
  }
  bool complete = !content.Budget().outOfTime;
  if (base != nullptr && base->Filters().DecodeBudgetSpent()) {
    // Resources decoded after the budget ran out may be cut short: none is kept.
    doc.ResourceCache().Clear();
    complete = false;
  }
  if (annotations) {
    content.RestoreAll();
    device.RestoreState(pageState);
    if (complete) DrawAnnotations(page, resolver, device, pageState, resources);
  }
  device.EndPage();
  return complete;
}

// One factor for both axes (the target width over the page width), with
// the page's top-left corner at the target's: the last row may be partly
// covered when the height was rounded. `yStretch` widens the vertical factor
// for a target deliberately of other proportions; a target whose height is
// off by more than its rounding otherwise (a turned page in a raster laid out
// unturned) is filled, so that nothing of the page is cut off.
void CanvasScale(const TPDState& state, uint32_t width, uint32_t height, double yStretch,
                 double& sx, double& sy) {
  sx = width / state.PageWidth;
  sy = sx * yStretch;
  if (std::fabs(state.PageHeight * sy - height) > 1) sy = height / state.PageHeight;
}

}  // namespace

int EffectiveRotation(int callerRotation, int32_t pageRotation) {
  int64_t r = int64_t{callerRotation} + pageRotation;
  if (r >= 360) {
    r -= 360;
  } else if (r < 0) {
    r += 360;
  }
  return r == 90 || r == 180 || r == 270 ? static_cast<int>(r) : 0;
}

bool DisplayPage(TPDDocument& doc, TPDExportDevice& device, int pageNum, double hDPI, double vDPI,
                 int rotate, bool renderAnnots) {
  std::optional<PreparedPage> prepared = PreparePage(doc, pageNum, hDPI, vDPI, rotate);
  if (!prepared) return false;
  ShowPrepared(doc, device, *prepared, renderAnnots);
  return true;
}

bool RenderToCanvas(TPDDocument& doc, cairo_t* cr, int pageNum, uint32_t width, uint32_t height,
                    double xDPI, double yDPI, int rotationAngle, bool antiAliasing,
                    bool /*printing*/, double yStretch) {
  std::optional<PreparedPage> prepared = PreparePage(doc, pageNum, xDPI, yDPI, rotationAngle);
  if (!prepared) return true;
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> scratch(nullptr,
                                                                             cairo_surface_destroy);
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> scratchContext(nullptr, cairo_destroy);
  if (!cr) {
    scratch.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
    scratchContext.reset(cairo_create(scratch.get()));
    cr = scratchContext.get();
  }
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    throw EGPLoadError(cairo_status_to_string(cairo_status(cr)));
  }
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_clip(cr);
  if (!doc.TargetsWhite()) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
  }
  double sx = 0, sy = 0;
  CanvasScale(prepared->state, width, height, yStretch, sx, sy);
  bool complete = true;
  if (std::isfinite(sx) && std::isfinite(sy) && sx > 0 && sy > 0) {
    cairo_matrix_t playback;
    cairo_matrix_init_scale(&playback, sx, sy);
    TPDImageDevice device(cr, playback, antiAliasing);
    device.SetResourceCache(&doc.ResourceCache());
    device.SetFastAntiAliasing(doc.FastAntiAliasing());
    device.SetTargetWhite(doc.TargetsWhite());
    complete = ShowPrepared(doc, device, *prepared, true);
  }
  cairo_restore(cr);
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    throw EGPLoadError(cairo_status_to_string(cairo_status(cr)));
  }
  return complete;
}

std::optional<TPDMatrix> PageToCanvasMatrix(TPDDocument& doc, int pageNum, uint32_t width,
                                            uint32_t height, int pageRotation, double yStretch) {
  TPDPage& page = PageOrThrow(doc, pageNum);
  const TPDRect* box = page.Cropbox();
  if (!box) box = page.Mediabox();
  const TPDState state(72.0, 72.0, EffectiveRotation(0, pageRotation), box);
  double sx = 0, sy = 0;
  CanvasScale(state, width, height, yStretch, sx, sy);
  if (!(std::isfinite(sx) && std::isfinite(sy) && sx > 0 && sy > 0)) return std::nullopt;
  // The state's transform, then the top-down flip of the page, then the scale.
  const TPDMatrix& c = state.CTM;
  return TPDMatrix(sx * c.M11, -sy * c.M12, sx * c.M21, -sy * c.M22, sx * c.Dx,
                   sy * (state.PageHeight - c.Dy));
}

}  // namespace qp::pdf
