// Glyph outlines through the font processor: opening a face, a page's worth
// of glyphs from a face kept open (cached outlines) against a glyph loaded
// afresh each time, and the system font lookups of a font change.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "pdf/core/font_processor.h"
#include "pdf/render/system_font_list.h"

namespace {

using namespace qp::pdf;

const char* const kFont = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
const std::u16string_view kText =
    u"RWY 27L ILS or LOC APP CRS 273 MINIMUMS DA 258 VIS 1/2 MISSED APPROACH: Climb to 3000";

std::string ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream whole;
  whole << in.rdbuf();
  return std::move(whole).str();
}

bool SkipWithoutFont(benchmark::State& state) {
  if (std::filesystem::exists(kFont)) return false;
  state.SkipWithError("Liberation Sans is not installed");
  return true;
}

void BM_OpenFromMemory(benchmark::State& state) {
  if (SkipWithoutFont(state)) return;
  const std::string bytes = ReadAll(kFont);
  for (auto _ : state) {
    TFontProcessor font;
    benchmark::DoNotOptimize(font.Open(bytes));
  }
}
BENCHMARK(BM_OpenFromMemory);

// A line of chart text drawn glyph by glyph at size 50 from a face kept open.
void BM_TextLineFaceKeptOpen(benchmark::State& state) {
  if (SkipWithoutFont(state)) return;
  TFontProcessor font;
  font.OpenFile(kFont);
  TGlyphOutline outline;
  for (auto _ : state) {
    for (char16_t c : kText) {
      benchmark::DoNotOptimize(
          font.DecomposeOutlineGlyph(c, 0, TGlyphSelection::gsCharCode, {}, 50, outline));
    }
  }
  state.SetItemsProcessed(state.iterations() * kText.size());
}
BENCHMARK(BM_TextLineFaceKeptOpen);

// The same line with the face opened anew for every glyph.
void BM_TextLineFaceReopenedPerGlyph(benchmark::State& state) {
  if (SkipWithoutFont(state)) return;
  const std::string bytes = ReadAll(kFont);
  TGlyphOutline outline;
  for (auto _ : state) {
    for (char16_t c : kText) {
      TFontProcessor font;
      font.Open(bytes);
      benchmark::DoNotOptimize(
          font.DecomposeOutlineGlyph(c, 0, TGlyphSelection::gsCharCode, {}, 50, outline));
    }
  }
  state.SetItemsProcessed(state.iterations() * kText.size());
}
BENCHMARK(BM_TextLineFaceReopenedPerGlyph);

void BM_ResolveSystemFont(benchmark::State& state) {
  const TSystemFontList& list = TSystemFontList::Instance();
  for (auto _ : state) {
    benchmark::DoNotOptimize(list.ResolveFontName("TimesNewRomanPS-BoldMT", false, false));
  }
}
BENCHMARK(BM_ResolveSystemFont);

}  // namespace
