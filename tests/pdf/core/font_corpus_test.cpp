#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_font.h"

namespace qp::pdf {
namespace {

namespace fs = std::filesystem;

// Every font dictionary of the font samples makes a font; simple fonts give
// the widths of their Widths arrays, embedded programs open in the processor.
TEST(FontCorpus, FontsCreateWithTheFilesWidths) {
  const fs::path folder = fs::path(QP_SHARED_DIR) / "corpus" / "mixed" / "fonts";
  if (!fs::is_directory(folder)) GTEST_SKIP() << "no font samples at " << folder;
  size_t fonts = 0, widthsChecked = 0, programs = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() != ".pdf") continue;
    SCOPED_TRACE(entry.path().filename().string());
    TPDDocument document;
    document.LoadDocument(entry.path().string());
    TPDBaseDoc* base = document.GetBaseDoc();
    const TPDBaseObject* size = base->GetTrailer()->LookUp("Size");
    ASSERT_TRUE(size && size->IsInteger());
    const TPDFontContext context{base, ""};
    for (uint32_t n = 1; n < static_cast<uint32_t>(size->GetNumber()); ++n) {
      const TPDBaseObject* object = base->GetObject(n);
      if (!object || !object->IsDict("Font")) continue;
      const auto* dict = static_cast<const TPDDictionary*>(object);
      const TPDBaseObject* subtype = dict->LookUp("Subtype");
      if (subtype && (subtype->IsName("CIDFontType0") || subtype->IsName("CIDFontType2"))) {
        continue;  // descendants are read through their Type 0 parent
      }
      SCOPED_TRACE(n);
      auto font = TPDFont::MakeFont(context, "F", object);
      ASSERT_TRUE(font);
      ++fonts;
      if (font->HasFontProgramRef()) {
        auto processor = font->GetFontProcessor();
        ASSERT_TRUE(processor);
        EXPECT_TRUE(processor->IsOpen());
        ++programs;
      }
      if (font->IsCIDFont()) {
        EXPECT_TRUE(static_cast<TPDCIDFont*>(font.get())->CMap());
        continue;
      }
      const TPDBaseObject* widths = dict->LookUp("Widths");
      const TPDBaseObject* first = dict->LookUp("FirstChar");
      const TPDBaseObject* last = dict->LookUp("LastChar");
      if (!widths || !widths->IsArray() || !first || !last) continue;
      const auto* array = static_cast<const TPDArray*>(widths);
      const double scale =
          font->FontType() == Type3 && font->FontMatrix() ? font->FontMatrix()->M11 : 0.001;
      const int firstCode = static_cast<int>(first->GetNumber());
      const int lastCode = static_cast<int>(last->GetNumber());
      for (int code = firstCode; code <= lastCode && code < 256; ++code) {
        const TPDBaseObject* w = array->Get(static_cast<size_t>(code - firstCode));
        ASSERT_TRUE(w && w->IsNumber());
        EXPECT_NEAR(font->GetCharWidth(static_cast<uint16_t>(code)), w->GetNumber() * scale, 1e-9)
            << code;
        TPDCharInfo info;
        const std::string text(1, static_cast<char>(code));
        ASSERT_EQ(font->GetNextChar(text, 1, info), 1);
        EXPECT_NEAR(info.Dx, w->GetNumber() * scale, 1e-9);
        ++widthsChecked;
      }
    }
  }
  EXPECT_GT(fonts, 0u);
  EXPECT_GT(widthsChecked, 0u);
  std::printf("%zu fonts, %zu embedded programs, %zu widths checked\n", fonts, programs,
              widthsChecked);
}

}  // namespace
}  // namespace qp::pdf
