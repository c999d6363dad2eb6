// JBIG2 images of the pdfjs corpus decode to the same bytes as mutool's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_errors.h"

namespace qp::pdf {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool IsJbig2(const TPDDictionary& dict) {
  const TPDBaseObject* filter = dict.LookUp("Filter");
  if (filter != nullptr && filter->IsArray()) {
    const auto& array = static_cast<const TPDArray&>(*filter);
    filter = array.GetLength() > 0 ? array.Get(array.GetLength() - 1) : nullptr;
  }
  return filter != nullptr && filter->IsName("JBIG2Decode");
}

TEST(Jbig2Corpus, DecodesAsMutoolDoes) {
  const fs::path corpus = fs::path(QP_SHARED_DIR) / "corpus" / "pdfjs";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "corpus absent: " << corpus;
  if (std::system("command -v mutool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no mutool";
  const fs::path scratch = fs::temp_directory_path() / "qp_jbig2_corpus_test.bin";
  int images = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    // The corpus's JBIG2 test files (its bombs are left to the fuzzers).
    if (entry.path().filename().string().rfind("bitmap", 0) != 0) continue;
    SCOPED_TRACE(entry.path().filename().string());
    TPDDocument document;
    try {
      document.LoadDocument(entry.path().string(), true);
    } catch (const EPDFEngineError&) {
      continue;  // the corpus's damaged files
    }
    TPDBaseDoc& base = *document.GetBaseDoc();
    for (uint32_t n = 1; n < base.GetXRef()->GetSize() && n < 64; ++n) {
      TPDBaseObject* object = base.GetObject(n);
      if (object == nullptr || !object->IsStream()) continue;
      auto& stream = static_cast<TPDStream&>(*object);
      if (stream.GetDict() == nullptr || !IsJbig2(*stream.GetDict())) continue;
      std::string ours;
      stream.Reset();
      stream.Read(ours, size_t{64} << 20);
      const std::string command = "mutool show -b '" + entry.path().string() + "' " +
                                  std::to_string(n) + " > '" + scratch.string() + "' 2>/dev/null";
      if (std::system(command.c_str()) != 0) continue;
      const std::string theirs = ReadFile(scratch);
      if (theirs.empty()) continue;  // a region kind mutool's decoder leaves out
      EXPECT_EQ(ours.size(), theirs.size()) << "object " << n;
      EXPECT_TRUE(ours == theirs) << "object " << n;
      ++images;
    }
  }
  fs::remove(scratch);
  EXPECT_GT(images, 20);
}

}  // namespace
}  // namespace qp::pdf
