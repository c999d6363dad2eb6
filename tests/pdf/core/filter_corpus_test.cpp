// Every stream of the corpus, decoded by these decoders, against qpdf's
// decoding; fax images against poppler's; JPEG images against libjpeg's own
// colour conversion.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "tests/pdf/core/filter_corpus_helpers.h"

namespace qp::pdf {
namespace {

using namespace qp::pdf::test;

struct StreamRef {
  fs::path pdf;
  std::string key;
  Json dict;
  std::string raw;
};

std::string PasswordFor(const fs::path& pdf, const std::map<std::string, Passwords>& manifest) {
  auto rel = fs::relative(pdf, CorpusDir() / "mixed").generic_string();
  auto it = manifest.find(rel);
  return it == manifest.end() ? std::string() : it->second.owner;
}

TEST(FilterCorpus, StreamsMatchQpdf) {
  QP_REQUIRE_CORPUS();
  auto manifest = ManifestPasswords();
  std::map<std::string, int> compared;
  int skipped = 0;
  for (const fs::path& pdf : CorpusPdfs({"mixed", "faa"})) {
    TempDir tmp;
    std::string password = PasswordFor(pdf, manifest);
    Dump raw = QpdfDump(pdf, password, "none", tmp.path(), "raw");
    Dump dec = QpdfDump(pdf, password, "specialized", tmp.path(), "dec");
    ASSERT_TRUE(raw.ok && dec.ok) << pdf;
    for (const auto& [key, obj] : raw.objects.members) {
      const Json* stream = obj.Find("stream");
      if (!stream) continue;
      const Json& dict = *stream->Find("dict");
      std::vector<std::string> names = FilterNames(raw, dict);
      if (names.empty()) continue;
      const Json* dec_stream = dec.Object(key) ? dec.Object(key)->Find("stream") : nullptr;
      ASSERT_NE(dec_stream, nullptr) << pdf << " " << key;
      if (!FilterNames(dec, *dec_stream->Find("dict")).empty()) {
        ++skipped;  // qpdf leaves it encoded (DCT, fax, JPX and the like)
        continue;
      }
      std::string ours = DecodeChain(raw, dict, ReadFile(stream->Find("datafile")->text));
      std::string theirs = ReadFile(dec_stream->Find("datafile")->text);
      EXPECT_TRUE(ours == theirs) << pdf.filename() << " " << key << ": " << ours.size()
                                  << " bytes decoded, qpdf " << theirs.size();
      std::string chain;
      for (const auto& n : names) chain += n;
      ++compared[chain];
    }
  }
  int total = 0;
  for (const auto& [chain, n] : compared) total += n;
  EXPECT_GT(total, 500);
  EXPECT_GT(compared["/FlateDecode"], 0);
  EXPECT_GT(compared["/LZWDecode"], 0);
  EXPECT_GT(compared["/RunLengthDecode"], 0);
  EXPECT_GT(compared["/ASCIIHexDecode"], 0);
  EXPECT_GT(compared["/ASCII85Decode"], 0);
  std::string summary;
  for (const auto& [chain, n] : compared) summary += chain + ": " + std::to_string(n) + "  ";
  RecordProperty("compared", summary);
  std::printf("compared %d streams (%s), %d left to other references\n", total, summary.c_str(),
              skipped);
}

// Streams of the given filter with their dictionaries, from qpdf's raw dump.
std::vector<StreamRef> StreamsWith(const fs::path& pdf, const std::string& filter,
                                   const fs::path& dir, Dump* dump) {
  std::vector<StreamRef> out;
  *dump = QpdfDump(pdf, "", "none", dir, "raw");
  for (const auto& [key, obj] : dump->objects.members) {
    const Json* stream = obj.Find("stream");
    if (!stream) continue;
    auto names = FilterNames(*dump, *stream->Find("dict"));
    if (names.size() == 1 && names[0] == filter)
      out.push_back({pdf, key, *stream->Find("dict"), ReadFile(stream->Find("datafile")->text)});
  }
  return out;
}

// Fax images against pdfimages, which writes them as PBM (1 is black). The
// polarity depends on the image's own /Decode, so either one may match, but
// all pixels must.
TEST(FilterCorpus, FaxImagesMatchPoppler) {
  QP_REQUIRE_CORPUS();
  if (std::system("pdfimages -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdfimages missing";
  int checked = 0;
  for (const fs::path& pdf : CorpusPdfs({"mixed/filters"})) {
    if (pdf.filename().string().find("ccitt") == std::string::npos) continue;
    TempDir tmp;
    Dump dump;
    auto streams = StreamsWith(pdf, "/CCITTFaxDecode", tmp.path(), &dump);
    ASSERT_FALSE(streams.empty()) << pdf;
    // The images drawn on pages, in the order pdfimages writes them.
    std::string list = (tmp.path() / "list.txt").string();
    std::string cmd = "pdfimages -list " + Quote(pdf.string()) + " > " + Quote(list);
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::istringstream lines(ReadFile(list));
    std::string line, object_key;
    for (int n = 0; std::getline(lines, line); ++n) {
      std::istringstream fields(line);
      std::vector<std::string> f{std::istream_iterator<std::string>(fields), {}};
      if (n >= 2 && f.size() > 11 && f[8] == "ccitt") {
        object_key = "obj:" + f[10] + " " + f[11] + " R";
        break;
      }
    }
    auto found = std::find_if(streams.begin(), streams.end(),
                              [&](const StreamRef& r) { return r.key == object_key; });
    ASSERT_NE(found, streams.end()) << pdf << " " << object_key;
    cmd = "pdfimages " + Quote(pdf.string()) + " " + Quote((tmp.path() / "img").string());
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::string pbm = ReadFile(tmp.path() / "img-000.pbm");
    int width = 0, height = 0, consumed = 0;
    ASSERT_EQ(std::sscanf(pbm.c_str(), "P4 %d %d%n", &width, &height, &consumed), 2) << pdf;
    std::string pixels = pbm.substr(static_cast<size_t>(consumed) + 1);
    size_t row = (static_cast<size_t>(width) + 7) / 8;
    ASSERT_EQ(pixels.size(), row * static_cast<size_t>(height));
    std::string ours = DecodeChain(dump, found->dict, found->raw);
    ASSERT_GE(ours.size(), pixels.size()) << pdf.filename();
    ours.resize(pixels.size());
    std::string inverted = ours;
    for (auto& c : inverted) c = static_cast<char>(~c);
    // Padding bits past the last column carry no pixels.
    auto mask = [&](std::string s) {
      if (width % 8)
        for (size_t y = 0; y < static_cast<size_t>(height); ++y)
          s[y * row + row - 1] &= static_cast<char>(0xFF << (8 - width % 8));
      return s;
    };
    EXPECT_TRUE(mask(ours) == mask(pixels) || mask(inverted) == mask(pixels)) << pdf.filename();
    ++checked;
  }
  EXPECT_EQ(checked, 5);
}

// libjpeg's own conversion to RGB or CMYK, for comparison.
std::string LibjpegDecode(const std::string& jpeg, int* components) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(jpeg.data()),
               static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&cinfo);
  *components = cinfo.output_components;
  std::string out(
      static_cast<size_t>(cinfo.output_width) * cinfo.output_components * cinfo.output_height,
      '\0');
  size_t stride = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(out.data() + stride * cinfo.output_scanline);
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

TEST(FilterCorpus, JpegImagesMatchLibjpegConversion) {
  QP_REQUIRE_CORPUS();
  int checked = 0;
  for (const fs::path& pdf : CorpusPdfs({"mixed/filters", "mixed/graphics"})) {
    TempDir tmp;
    Dump dump;
    for (const StreamRef& s : StreamsWith(pdf, "/DCTDecode", tmp.path(), &dump)) {
      int components = 0;
      std::string reference = LibjpegDecode(s.raw, &components);
      std::string ours = DecodeChain(dump, s.dict, s.raw);
      ASSERT_EQ(ours.size(), reference.size()) << pdf.filename() << " " << s.key;
      // The fixed-point conversion may round one step apart from libjpeg's.
      int worst = 0;
      for (size_t i = 0; i < ours.size(); ++i)
        worst = std::max(
            worst, std::abs(static_cast<uint8_t>(ours[i]) - static_cast<uint8_t>(reference[i])));
      EXPECT_LE(worst, 1) << pdf.filename() << " " << s.key << " components " << components;
      ++checked;
    }
  }
  EXPECT_GE(checked, 6);
}

}  // namespace
}  // namespace qp::pdf
