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
  EXPECT_EQ(horizontal->GetCID(text, 1, processed, false), 0x1234);
  EXPECT_EQ(processed, 2);
  EXPECT_EQ(horizontal->GetCID(text, 3, processed, false), 0x56);
  EXPECT_EQ(processed, 2);
  EXPECT_EQ(TPDCMap::MakeCMap("", "Identity-V", "")->WMode(), wmVertical);
  // No folder set: named CMaps are not found, whatever the name.
  EXPECT_EQ(TPDCMap::MakeCMap("", "90ms-RKSJ-H", ""), nullptr);
  EXPECT_EQ(TPDCMap::MakeCMap("", "../../etc/passwd", ""), nullptr);

  const auto folder = std::filesystem::temp_directory_path() / "qp-cmap-test";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "Test-H") << "/Registry (Adobe) def /Ordering (Test) def\n"
                                      "1 begincidrange <0000> <00ff> 10 endcidrange\n";
  std::ofstream(folder / "Adobe-Test-UCS2") << "1 beginbfrange <0000> <ffff> <1000> endbfrange\n";
  auto named = TPDCMap::MakeCMap("Adobe-Test-UCS2", "Test-H", folder.string());
  ASSERT_NE(named, nullptr);
  ASSERT_NE(named->UCSParser(), nullptr);
  EXPECT_EQ(named->GetCID(std::string("\x00\x05", 2), 1, processed, true), 15);
  EXPECT_EQ(named->GetCID(std::string("\x00\x05", 2), 1, processed, false), 0x1000 + 15);
  EXPECT_EQ(named->GetCID(std::string("\x01\x00", 2), 1, processed, true), 0xFFFF);  // a miss
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace qp::pdf
