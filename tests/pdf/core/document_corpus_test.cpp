// Whole documents of the shared corpus loaded by the engine: every stream,
// fetched by object number through the cross-reference table (decrypted where
// the file is encrypted) and decoded by the filter manager, must match qpdf's
// decoded data.
#include <gtest/gtest.h>

#include <cstdio>

#include "pdf/core/pdf_document.h"
#include "tests/pdf/core/filter_corpus_helpers.h"

namespace qp::pdf::test {
namespace {

// "obj:12 0 R" -> 12.
uint32_t ObjectNumber(const std::string& key) {
  return static_cast<uint32_t>(std::stoul(key.substr(4)));
}

std::string Decoded(TPDStream& stream) {
  std::string out;
  stream.Reset();
  uint8_t buffer[65536];
  while (size_t n = stream.Read(buffer, sizeof(buffer))) {
    out.append(reinterpret_cast<const char*>(buffer), n);
  }
  return out;
}

TEST(DocumentCorpus, StreamsByObjectNumberMatchQpdf) {
  QP_REQUIRE_CORPUS();
  const auto manifest = ManifestPasswords();
  int compared = 0;
  int encryptedCompared = 0;
  for (const fs::path& pdf : CorpusPdfs({"mixed", "faa"})) {
    SCOPED_TRACE(pdf.string());
    const std::string relative = fs::relative(pdf, CorpusDir() / "mixed").generic_string();
    const auto it = manifest.find(relative);
    const std::string password = it == manifest.end() ? std::string() : it->second.user;
    TempDir tmp;
    Dump dec = QpdfDump(pdf, password, "specialized", tmp.path(), "dec");
    ASSERT_TRUE(dec.ok);
    TPDDocument document;
    document.SetPassword(password);
    document.LoadDocument(pdf.string());
    for (const auto& [key, object] : dec.objects.members) {
      const Json* stream = object.Find("stream");
      if (stream == nullptr || key.rfind("obj:", 0) != 0) continue;
      if (!FilterNames(dec, *stream->Find("dict")).empty()) continue;  // qpdf left it encoded
      const Json* file = stream->Find("datafile");
      if (file == nullptr) continue;
      TPDBaseObject* ours = document.GetBaseDoc()->GetObject(ObjectNumber(key));
      ASSERT_NE(ours, nullptr) << key;
      ASSERT_TRUE(ours->IsStream()) << key;
      const std::string theirs = ReadFile(file->text);
      const std::string decoded = Decoded(static_cast<TPDStream&>(*ours));
      EXPECT_TRUE(decoded == theirs)
          << key << ": " << decoded.size() << " bytes, qpdf " << theirs.size();
      ++compared;
      if (document.IsEncrypted()) ++encryptedCompared;
    }
  }
  std::printf("compared %d streams, %d of them in encrypted files\n", compared, encryptedCompared);
  EXPECT_GT(compared, 500);
  EXPECT_GT(encryptedCompared, 20);
}

}  // namespace
}  // namespace qp::pdf::test
