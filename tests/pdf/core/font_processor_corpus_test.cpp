// The font programs that the corpus files embed (Type 1 from pdfTeX, bare
// CFF and TrueType subsets from cairo), taken out by qpdf: each opens from
// memory, every glyph decomposes into sound records, and the glyph names a
// descriptor's CharSet lists are found by name.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "pdf/core/font_processor.h"
#include "tests/pdf/core/filter_corpus_helpers.h"
#include "tests/pdf/core/outline_helpers.h"

namespace qp::pdf::test {
namespace {

// "/a/b/c" -> {"a", "b", "c"}
std::vector<std::string> CharSetNames(const std::string& charSet) {
  std::vector<std::string> names;
  for (size_t at = charSet.find('/'); at != std::string::npos;) {
    const size_t next = charSet.find('/', at + 1);
    names.push_back(charSet.substr(at + 1, next == std::string::npos ? next : next - at - 1));
    at = next;
  }
  return names;
}

TEST(FontProcessorCorpus, EmbeddedProgramsOpenAndDecompose) {
  QP_REQUIRE_CORPUS();
  const auto manifest = ManifestPasswords();
  std::map<std::string, int> formats;
  int programs = 0, namesChecked = 0;
  for (const fs::path& pdf : CorpusPdfs({"mixed"})) {
    const auto it = manifest.find(fs::relative(pdf, CorpusDir() / "mixed").generic_string());
    const std::string password = it == manifest.end() ? "" : it->second.owner;
    TempDir tmp;
    const Dump dump = QpdfDump(pdf, password, "generalized", tmp.path(), "d");
    ASSERT_TRUE(dump.ok) << pdf;
    for (const auto& [key, object] : dump.objects.members) {
      const Json* descriptor = object.Find("value");
      if (!descriptor || descriptor->type != Json::Type::kObject) continue;
      for (const char* fileKey : {"/FontFile", "/FontFile2", "/FontFile3"}) {
        const Json* ref = descriptor->Find(fileKey);
        const Json* file = ref && ref->IsString() ? dump.Object("obj:" + ref->text) : nullptr;
        const Json* stream = file ? file->Find("stream") : nullptr;
        if (!stream || !FilterNames(dump, *stream->Find("dict")).empty()) continue;
        SCOPED_TRACE(pdf.filename().string() + " " + key + " " + fileKey);
        TFontProcessor font;
        ASSERT_EQ(font.Open(ReadFile(stream->Find("datafile")->text)), kFpSuccess);
        ++programs;
        ++formats[font.FormatName()];
        size_t withContours = 0;
        for (uint32_t glyph = 0; glyph < font.GlyphCount(); ++glyph) {
          TGlyphOutline outline;
          ASSERT_EQ(font.DecomposeOutlineGlyph(0, glyph, TGlyphSelection::gsGlyphIndex, {}, 1000,
                                               outline),
                    kFpSuccess)
              << "glyph " << glyph;
          int conics = 0, cubics = 0;
          ASSERT_TRUE(RecordsWellFormed(outline.points, conics, cubics)) << "glyph " << glyph;
          if (outline.ContourCount() > 0) ++withContours;
        }
        EXPECT_GT(withContours, 0u);
        const Json* charSet = dump.Resolve(descriptor->Find("/CharSet"));
        if (charSet && charSet->IsString()) {
          for (const std::string& name : CharSetNames(charSet->text)) {
            uint32_t glyph = 0;
            EXPECT_EQ(font.SelectGlyph(TGlyphSelection::gsGlyphName, 0, name, glyph), kFpSuccess)
                << name;
            ++namesChecked;
          }
        }
      }
    }
  }
  EXPECT_GE(programs, 10);
  EXPECT_GT(formats["TrueType"], 0);
  EXPECT_GT(formats["CFF"], 0);
  EXPECT_GT(formats["Type 1"], 0);
  EXPECT_GT(namesChecked, 100);
  std::printf("%d font programs (", programs);
  for (const auto& [format, count] : formats) std::printf("%s: %d ", format.c_str(), count);
  std::printf("), %d CharSet names found\n", namesChecked);
}

}  // namespace
}  // namespace qp::pdf::test
