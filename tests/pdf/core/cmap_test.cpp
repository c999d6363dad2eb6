#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pdf/core/pdf_cmap.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_memory_stream.h"

namespace qp::pdf {
namespace {

std::vector<std::string> Tokens(const std::string& text) {
  TMemoryStream stream(text);
  TPSTokenizer tokenizer(stream);
  std::vector<std::string> tokens;
  std::string token;
  while (tokenizer.GetNextToken(token)) tokens.push_back(token);
  EXPECT_EQ(token, "");
  return tokens;
}

TEST(CMapTokenizer, TokenForms) {
  EXPECT_EQ(Tokens("/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def"),
            (std::vector<std::string>{
                "/CIDSystemInfo", "<</Registry(Adobe)/Ordering(UCS)/Supplement0>", ">", "def"}));
  EXPECT_EQ(Tokens("(a\\)b) [1 2]% comment\n<00 41>{x}"),
            (std::vector<std::string>{"(a\\)b)", "[", "1", "2", "]", "<0041>", "{x", "}"}));
  // A program longer than the tokenizer's buffer is read completely.
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += "ab ";
  EXPECT_EQ(Tokens(longText).size(), 300u);
}

TPDCMapParser Parse(const std::string& text) {
  TMemoryStream stream(text);
  return TPDCMapParser(stream);
}

TEST(CMapParser, MappingsAndLookups) {
  const TPDCMapParser parser = Parse(
      "/CIDInit /ProcSet findresource begin\n/Registry (Adobe) def /Ordering (Japan1) def\n"
      "/Supplement 2 def /WMode 1 def\n"
      "2 beginbfchar <20> <0041> <21> <00410042> endbfchar\n"
      "3 beginbfrange <0000> <0005> <0041> <0010> <0011> [<0061> <0062>] <0003> <0004> 100 "
      "endbfrange\n"
      "1 begincidrange <8140> <817e> 633 endcidrange\n"
      "1 beginbfchar <0004> <7777> endbfchar endcmap\n"
      "1 beginbfchar <0099> <0001> endbfchar\n");
  EXPECT_EQ(parser.Registry(), "Adobe");
  EXPECT_EQ(parser.Ordering(), "Japan1");
  EXPECT_EQ(parser.WMode(), 1);
  struct Case {
    int32_t code;
    int32_t range;
    int32_t single;
  };
  const Case cases[] = {
      {0x20, -1, 0x41},   {0x21, -1, 0x41},   {0x00, 0x41, 0x41}, {0x05, 0x46, 0x46},
      {0x10, 0x61, 0x61}, {0x11, 0x62, 0x62}, {0x03, 100, 100},   {0x04, 101, 0x7777},
      {0x8150, 649, 649}, {0x99, -1, -1},  // after endcmap
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parser.LookupRange(c.code), c.range) << c.code;
    EXPECT_EQ(parser.LookupCode(c.code), c.single) << c.code;
  }
}

TEST(CMapParser, ConversionErrors) {
  const char* programs[] = {
      "/WMode x", "1 beginbfchar <20> <zz> endbfchar", "1 beginbfrange <0000> <0001> <123456789>",
      "1 beginbfchar <20>",  // cut off
  };
  for (const char* program : programs) {
    EXPECT_THROW(Parse(program), EConvertError) << program;
  }
}

TEST(CMap, IdentityAndFiles) {
  int processed = 0;
  auto horizontal = TPDCMap::MakeCMap("", "Identity-H", "");
  ASSERT_NE(horizontal, nullptr);
  const std::string text("\x12\x34\x56", 3);
  EXPECT_EQ(horizontal->GetCID(text, 1, processed), 0x1234);
  EXPECT_EQ(processed, 2);
  EXPECT_EQ(horizontal->GetCID(text, 3, processed), 0x56);
  EXPECT_EQ(processed, 2);
  EXPECT_EQ(TPDCMap::MakeCMap("", "Identity-V", "")->WMode(), wmVertical);
  // No folder set: named CMaps are not found, whatever the name.
  EXPECT_EQ(TPDCMap::MakeCMap("", "90ms-RKSJ-H", ""), nullptr);
  EXPECT_EQ(TPDCMap::MakeCMap("", "../../etc/passwd", ""), nullptr);
}

// A resource folder as installed: CMaps in collection subfolders, the
// CID-to-Unicode tables beside them.
class CMapFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("qp-cmap-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(root_ / "cMap" / "Adobe-Test");
    std::filesystem::create_directories(root_ / "cidToUnicode");
    Write("Test-H",
          "/Registry (Adobe) def /Ordering (Test) def\n"
          "1 begincodespacerange <0000> <ffff> endcodespacerange\n"
          "1 begincidrange <0000> <00ff> 10 endcidrange\n1 begincidchar <0007> 500 endcidchar\n");
    // Vertical forms over the horizontal CMap; the single code of the
    // parent yields to the child's range.
    Write("Test-V",
          "/WMode 1 def /Test-H usecmap\n1 begincidrange <0006> <0007> 300 endcidrange\n");
    Write("Self-H",
          "/Self-H usecmap\n1 begincodespacerange <00> <ff> endcodespacerange\n"
          "1 begincidrange <00> <ff> 1 endcidrange\n");
    Write("Loop-A", "/Loop-B usecmap\n1 begincodespacerange <00> <ff> endcodespacerange\n");
    Write("Loop-B", "/Loop-A usecmap\n1 begincidrange <00> <ff> 2 endcidrange\n");
    Write("Missing-H", "/Nowhere usecmap\n1 begincodespacerange <00> <ff> endcodespacerange\n");
    std::string table;
    for (int cid = 0; cid < 600; ++cid)
      table += cid == 15 ? "4e00\n" : cid == 305 ? "3041\n" : "0\n";
    std::ofstream(root_ / "cidToUnicode" / "Adobe-Test") << table;
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(root_ / "cMap" / "Adobe-Test" / name) << text;
  }
  std::string Folder() const { return (root_ / "cMap").string(); }

  std::filesystem::path root_;
};

TEST_F(CMapFolder, PredefinedChainsAndUnicode) {
  struct Case {
    const char* name;
    std::string code;
    int cid;  // -1: the CMap is not made
    uint32_t unicode;
    TWritingMode mode;
  };
  const Case cases[] = {
      {"Test-H", std::string("\x00\x05", 2), 15, 0x4E00, wmHorizontal},
      {"Test-H", std::string("\x00\x07", 2), 500, 0, wmHorizontal},
      {"Test-H", std::string("\x01\x00", 2), 0, 0, wmHorizontal},  // a miss is CID 0
      {"Test-V", std::string("\x00\x05", 2), 15, 0x4E00, wmVertical},
      {"Test-V", std::string("\x00\x07", 2), 301, 0, wmVertical},
      {"Test-V", std::string("\x00\x06", 2), 300, 0, wmVertical},
      {"Self-H", "\x05", 6, 0, wmHorizontal},     // uses itself: its own mappings
      {"Loop-A", "\x05", 7, 0, wmHorizontal},     // a loop stops at the depth bound
      {"Missing-H", "\x05", 0, 0, wmHorizontal},  // the CMap it uses is missing
      {"Nowhere", "\x05", -1, 0, wmHorizontal},
      {"../Adobe-Test/Test-H", "\x05", -1, 0, wmHorizontal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto cmap = TPDCMap::MakeCMap("Adobe-Test", c.name, Folder());
    if (c.cid < 0) {
      EXPECT_EQ(cmap, nullptr);
      continue;
    }
    ASSERT_NE(cmap, nullptr);
    int processed = 0;
    const uint16_t cid = cmap->GetCID(c.code, 1, processed);
    EXPECT_EQ(cid, c.cid);
    EXPECT_EQ(processed, static_cast<int>(c.code.size()));
    EXPECT_EQ(cmap->UnicodeOf(cid), c.unicode);
    EXPECT_EQ(cmap->WMode(), c.mode);
  }
  // Read once: the same parsed CMap serves every later request.
  EXPECT_EQ(TPDCMap::MakeCMap("Adobe-Test", "Test-V", Folder())->CMapParser(),
            TPDCMap::MakeCMap("Adobe-Test", "Test-V", Folder())->CMapParser());
}

TEST_F(CMapFolder, EmbeddedCMapUsesPredefined) {
  TMemoryStream stream(std::string("/Test-H usecmap\n1 begincidchar <0005> 42 endcidchar\n"));
  auto cmap = TPDCMap::FromStream(stream, "Adobe-Test", Folder());
  int processed = 0;
  EXPECT_EQ(cmap->GetCID(std::string("\x00\x05", 2), 1, processed), 42);
  EXPECT_EQ(cmap->GetCID(std::string("\x00\x06", 2), 1, processed), 16);
  EXPECT_EQ(cmap->UnicodeOf(15), 0x4E00u);
}

}  // namespace
}  // namespace qp::pdf
