// Pages rendered through the document's resource cache: a font, a colour
// space, a shading and an image shared by two pages are made once, and what
// is drawn is the same pixel for pixel as without the cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "pdf/core/pdf_facade.h"
#include "pdf/core/pdf_resource_cache.h"
#include "pdf/render/render_to_dc.h"
#include "tests/pdf/render/render_test_helpers.h"

namespace qp::pdf {
namespace {

// Two pages drawing the same image (20), font (21), indexed colour space
// (22) and shading (23), each from its own resource dictionary.
std::string SharedPages() {
  const std::string resources =
      "/Resources << /XObject << /Im 20 0 R >> /Font << /F1 21 0 R >> "
      "/ColorSpace << /CS 22 0 R >> /Shading << /Sh 23 0 R >> >>";
  const std::string content =
      "q 60 0 0 60 20 20 cm /Im Do Q /CS cs 1 sc 0 0 20 20 re f BT /F1 12 Tf 5 85 Td (Shared) Tj "
      "ET q 80 80 20 20 re W n /Sh sh Q";
  std::string pages;
  for (int p = 0; p < 2; ++p) {
    const std::string page = std::to_string(3 + p), stream = std::to_string(10 + p);
    pages += "{{object " + page + " 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] " +
             resources + " /Contents " + stream + " 0 R >> endobj\n{{object " + stream +
             " 0}} << {{streamlen}} >>\nstream\n" + content + "\nendstream endobj\n";
  }
  return testing::ExpandPdfTemplate(
      "%PDF-1.5\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >> endobj\n" +
      pages +
      "{{object 20 0}} << /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace "
      "/DeviceRGB /BitsPerComponent 8 /Filter /ASCIIHexDecode {{streamlen}} >>\nstream\n"
      "FF000000FF000000FFFFFFFF>\nendstream endobj\n"
      "{{object 21 0}} << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj\n"
      "{{object 22 0}} [/Indexed /DeviceRGB 1 <FF0000 0000FF>] endobj\n"
      "{{object 23 0}} << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [80 0 100 0] /Function "
      "<< /FunctionType 2 /Domain [0 1] /C0 [0 1 0] /C1 [0 1 0] /N 1 >> >> endobj\n"
      "{{xref}}trailer << /Size 24 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
}

TEST(ResourceCacheRender, SecondPageUsesWhatTheFirstMade) {
  const std::string bytes = SharedPages();
  auto cached = testing::LoadBytes(bytes);
  auto uncached = testing::LoadBytes(bytes);
  uncached->ResourceCache().SetBudget(0);
  const TPDResourceCache& cache = cached->ResourceCache();

  for (int page = 1; page <= 2; ++page) {
    SCOPED_TRACE(page);
    testing::Rendered with(100, 100), without(100, 100);
    with.Render(*cached, 0, page);
    without.Render(*uncached, 0, page);
    EXPECT_EQ(with.Pixels(), without.Pixels());
    EXPECT_EQ(with.At(35, 35), 0xFF0000u);  // the image's top-left pixel, enlarged
    EXPECT_EQ(with.At(10, 90), 0x0000FFu);  // the indexed fill
    EXPECT_EQ(with.At(90, 10), 0x00FF00u);  // the shading
    if (page == 1) {
      // The font, its text face, the colour space, the shading and the image.
      EXPECT_EQ(cache.Size(), 5u);
      EXPECT_EQ(cache.GetStats().hits, 0u);
    }
  }
  // Page 2 made nothing new: each of the five was found.
  EXPECT_EQ(cache.Size(), 5u);
  EXPECT_EQ(cache.GetStats().hits, 5u);
  EXPECT_EQ(uncached->ResourceCache().Size(), 0u);
}

// Corpus pages drawn without the cache, with it, and again with it (its
// entries now found): the three renders agree byte for byte.
TEST(ResourceCacheRender, CorpusPagesAreTheSameWithAndWithoutCache) {
  const std::filesystem::path corpus = std::filesystem::path(QP_SHARED_DIR) / "corpus";
  if (!std::filesystem::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  const char* files[] = {
      "faa/MA-BOS-AIRPORT-DIAGRAM.pdf",
      "mixed/fonts/cairo-truetype-subset.pdf",
      "mixed/fonts/pdftex-type3-pk-bitmap.pdf",
      "mixed/graphics/gs-colorspaces.pdf",
      "mixed/graphics/reportlab-colors-images-forms.pdf",
      "mixed/graphics/cairo-transparency-smask-blend.pdf",
  };
  for (const char* name : files) {
    SCOPED_TRACE(name);
    const std::string file = (corpus / name).string();
    if (!std::filesystem::exists(file)) continue;
    auto render = [&](TPDFDocument& document) {
      const TPageSize size = document.GetPageSize(1, muPixels);
      const int width = 500;
      const int height = std::max(1, int(size.Height * width / size.Width));
      const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
      std::vector<uint8_t> pixels(size_t(stride) * height, 0xFF);
      RenderToDC(document, pixels.data(), stride, width, height, 1);
      return pixels;
    };
    TPDFDocument plain, cached;
    plain.SetResourceCacheBudget(0);
    ASSERT_TRUE(plain.LoadFromFile(file));
    ASSERT_TRUE(cached.LoadFromFile(file));
    const std::vector<uint8_t> reference = render(plain);
    EXPECT_EQ(render(cached), reference);
    ASSERT_TRUE(cached.LoadFromFile(file));  // kept: the cache is warm
    EXPECT_EQ(render(cached), reference);
    EXPECT_GT(cached.Document()->ResourceCache().Size(), 0u);
  }
}

}  // namespace
}  // namespace qp::pdf
