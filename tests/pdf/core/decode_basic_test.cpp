// Decoders of the byte-oriented filters, predictors and output limits.

#include <gtest/gtest.h>

#include <functional>

#include "pdf/core/filters.h"
#include "tests/pdf/core/filter_test_helpers.h"

namespace qp::pdf {
namespace {

using test::FromHex;
using test::ReadAll;
using test::Source;

struct Case {
  const char* name;
  FilterKind kind;
  std::string input;
  std::string expected;
};

std::string Decode(FilterKind kind, std::string input, const FilterParams& params = {},
                   size_t chunk = 4096) {
  auto decoder = MakeDecoder(kind, Source(std::move(input)), params);
  return ReadAll(*decoder, chunk);
}

// Packs LZW codes of the given widths, most significant bit first.
std::string PackCodes(std::initializer_list<std::pair<int, int>> codes) {
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  for (auto [code, width] : codes) {
    acc = (acc << width) | static_cast<uint32_t>(code);
    bits += width;
    while (bits >= 8) {
      out.push_back(static_cast<char>((acc >> (bits - 8)) & 0xFF));
      bits -= 8;
    }
  }
  if (bits > 0) out.push_back(static_cast<char>((acc << (8 - bits)) & 0xFF));
  return out;
}

TEST(DecodeBasic, KnownInputs) {
  const std::string flate_abc = test::ZlibCompress("hello, hello, hello world");
  const Case cases[] = {
      {"hex pairs", FilterKind::kAsciiHex, "48656c6C6f>", "Hello"},
      {"hex odd digit", FilterKind::kAsciiHex, "61 62 6>", "ab\x60"},
      {"hex white space", FilterKind::kAsciiHex, " 6\n1\t6\r2 >ignored", "ab"},
      {"hex stray byte is zero", FilterKind::kAsciiHex, "6x>", "\x60"},
      {"hex no end marker", FilterKind::kAsciiHex, "414", "A@"},
      {"a85 groups", FilterKind::kAscii85, "87cURD]i,\"Ebo7~>", "Hello World"},
      {"a85 z and partial", FilterKind::kAscii85, "z87cURDZ~>",
       std::string("\0\0\0\0Hell", 8) + "o"},
      {"a85 white space", FilterKind::kAscii85, "87c\nUR DZ\r~>", "Hello"},
      {"a85 single final char", FilterKind::kAscii85, "87cURD~>", "Hell"},
      {"a85 end without marker", FilterKind::kAscii85, "87cURDZ", "Hello"},
      {"rl literal and run", FilterKind::kRunLength, FromHex("02616263FE6480"), "abcddd"},
      {"rl stops at 128", FilterKind::kRunLength, FromHex("0061800062"), "a"},
      {"rl cut literal", FilterKind::kRunLength, FromHex("056162"), "ab"},
      {"rl run of 128", FilterKind::kRunLength, FromHex("8178"), std::string(128, 'x')},
      {"lzw without clear", FilterKind::kLzw,
       PackCodes({{'a', 9}, {'b', 9}, {258, 9}, {260, 9}, {257, 9}}), "abababa"},
      {"lzw clear mid-way", FilterKind::kLzw,
       PackCodes({{256, 9}, {'x', 9}, {256, 9}, {'y', 9}, {'y', 9}, {258, 9}, {257, 9}}), "xyyyy"},
      {"lzw code past table ends", FilterKind::kLzw, PackCodes({{'a', 9}, {300, 9}, {'b', 9}}),
       "a"},
      {"flate round trip", FilterKind::kFlate, flate_abc, "hello, hello, hello world"},
      {"flate bad method nibble", FilterKind::kFlate, "\x79\x9c" + flate_abc.substr(2), ""},
      {"flate bad check", FilterKind::kFlate, "\x78\x9d" + flate_abc.substr(2), ""},
      {"flate preset dictionary", FilterKind::kFlate, "\x78\xbb" + flate_abc.substr(2), ""},
      {"flate empty", FilterKind::kFlate, "", ""},
      {"jpx yields nothing", FilterKind::kJpx, "\x00\x00\x00\x0cjP  ", ""},
      {"unknown passes through", FilterKind::kUnknown, "raw bytes", "raw bytes"},
  };
  for (const Case& c : cases) {
    for (size_t chunk : {size_t{1}, size_t{3}, size_t{4096}}) {
      EXPECT_EQ(Decode(c.kind, c.input, {}, chunk), c.expected) << c.name << " chunk " << chunk;
    }
  }
}

TEST(DecodeBasic, FilterNames) {
  EXPECT_EQ(FilterKindFromName("Fl"), FilterKind::kFlate);
  EXPECT_EQ(FilterKindFromName("LZWDecode"), FilterKind::kLzw);
  EXPECT_EQ(FilterKindFromName("AHx"), FilterKind::kAsciiHex);
  EXPECT_EQ(FilterKindFromName("A85"), FilterKind::kAscii85);
  EXPECT_EQ(FilterKindFromName("RL"), FilterKind::kRunLength);
  EXPECT_EQ(FilterKindFromName("CCF"), FilterKind::kCcittFax);
  EXPECT_EQ(FilterKindFromName("DCT"), FilterKind::kDct);
  EXPECT_EQ(FilterKindFromName("JBIG2Decode"), FilterKind::kJbig2);
  EXPECT_EQ(FilterKindFromName("Crypt"), FilterKind::kUnknown);
  EXPECT_EQ(FilterKindFromName("flatedecode"), FilterKind::kUnknown);
}

TEST(DecodeBasic, FlateCutShortDeliversWhatWasDecoded) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i) + "\n";
  std::string z = test::ZlibCompress(text, 0);  // stored blocks: output tracks input
  std::string cut = z.substr(0, z.size() / 2);
  std::string out = Decode(FilterKind::kFlate, cut);
  ASSERT_GT(out.size(), 1000u);
  EXPECT_LT(out.size(), text.size());
  EXPECT_TRUE(out == text.substr(0, out.size()));
  // An invalid block type (3) right after the header ends the data at once.
  EXPECT_EQ(Decode(FilterKind::kFlate, std::string("\x78\x9c\x07", 3) + "more"), "");
}

TEST(DecodeBasic, FlateErrorEndsAtTheSamePlaceForAnyReadSize) {
  // "hello hello hello world" repeated, then a distance too far back.
  std::string damaged = FromHex("789ccb48cdc9c957c84022cbf38b72523246858fffffffffffffff");
  std::string whole = Decode(FilterKind::kFlate, damaged, {}, 65536);
  EXPECT_GT(whole.size(), 200u);
  for (size_t chunk : {size_t{1}, size_t{2}, size_t{7}, size_t{300}})
    EXPECT_EQ(Decode(FilterKind::kFlate, damaged, {}, chunk), whole) << chunk;
}

TEST(DecodeBasic, FlateIgnoresAdlerAndTrailingBytes) {
  std::string z = test::ZlibCompress("checksum ignored");
  z[z.size() - 1] ^= 0x55;
  EXPECT_EQ(Decode(FilterKind::kFlate, z + "garbage"), "checksum ignored");
}

TEST(DecodeBasic, RewindDecodesAgain) {
  std::string z = test::ZlibCompress(std::string(100000, 'q') + "end");
  FilterParams params;
  for (FilterKind kind : {FilterKind::kFlate, FilterKind::kAscii85}) {
    std::string input = kind == FilterKind::kFlate ? z : std::string("87cURD]i,\"Ebo7~>");
    auto decoder = MakeDecoder(kind, Source(input), params);
    uint8_t head[7];
    ASSERT_EQ(decoder->Read(head, sizeof head), sizeof head);
    decoder->Rewind();
    std::string first = ReadAll(*decoder);
    decoder->Rewind();
    EXPECT_EQ(ReadAll(*decoder), first);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(head), 7), first.substr(0, 7));
  }
}

struct PredictorCase {
  const char* name;
  PredictorParams params;
  std::string encoded;  // before the predictor
  std::string expected;
};

TEST(DecodePredictor, Rows) {
  const PredictorCase cases[] = {
      {"png up", {12, 4, 1, 8}, FromHex("02 01020304 02 01010101"), FromHex("01020304 02030405")},
      {"png sub", {11, 3, 1, 8}, FromHex("01 0A0101"), FromHex("0A0B0C")},
      {"png sub two-byte pixels", {10, 2, 2, 8}, FromHex("01 01020304"), FromHex("01020406")},
      {"png average", {13, 2, 1, 8}, FromHex("00 0A14 03 0A00"), FromHex("0A14 0F11")},
      {"png paeth", {14, 2, 1, 8}, FromHex("00 0A14 04 0102"), FromHex("0A14 0B16")},
      {"png unknown tag is none", {15, 2, 1, 8}, FromHex("07 0102"), FromHex("0102")},
      {"png cut row dropped", {12, 4, 1, 8}, FromHex("00 01020304 02 0101"), FromHex("01020304")},
      {"png 1-bit row bytes", {10, 9, 1, 1}, FromHex("02 FF80 02 0100"), FromHex("FF80 0080")},
      {"tiff 8-bit rgb", {2, 2, 3, 8}, FromHex("010203 010101"), FromHex("010203 020304")},
      {"tiff 8-bit wraps", {2, 2, 1, 8}, FromHex("FF02"), FromHex("FF01")},
      {"tiff 1-bit", {2, 8, 1, 1}, FromHex("A0"), FromHex("C0")},
      {"tiff 4-bit", {2, 4, 1, 4}, FromHex("1F 21"), FromHex("10 23")},
      {"tiff 16-bit", {2, 2, 1, 16}, FromHex("00FF 0001"), FromHex("00FF 0100")},
      {"other values pass rows", {5, 2, 1, 8}, FromHex("0102 03"), FromHex("0102")},
      {"zero columns: no predictor", {12, 0, 1, 8}, FromHex("020304"), FromHex("020304")},
      {"overflow: no predictor", {12, 1 << 30, 4, 8}, FromHex("0203"), FromHex("0203")},
  };
  for (const auto& c : cases) {
    for (size_t step : {size_t{1}, size_t{64}}) {
      auto source = std::make_unique<test::TrickleSource>(c.encoded, step);
      auto decoder = MakePredictorDecoder(std::move(source), c.params);
      EXPECT_EQ(test::ToHex(ReadAll(*decoder, 3)), test::ToHex(c.expected)) << c.name;
    }
  }
}

TEST(DecodePredictor, FlateWithAndWithoutPredictor) {
  std::string rows = FromHex("02 01020304 02 01010101");
  std::string z = test::ZlibCompress(rows);
  auto raw = MakeFlateDecoder(Source(z));
  EXPECT_EQ(ReadAll(*raw), rows);
  auto predicted = MakeFlateDecoder(Source(z), PredictorParams{12, 4, 1, 8});
  EXPECT_EQ(ReadAll(*predicted), FromHex("01020304 02030405"));
  auto lzw = MakeLzwDecoder(Source(PackCodes({{2, 9}, {1, 9}, {2, 9}, {3, 9}, {4, 9}, {257, 9}})),
                            LzwParams{PredictorParams{12, 4, 1, 8}, 1});
  EXPECT_EQ(ReadAll(*lzw), FromHex("01020304"));
}

TEST(DecodeLimits, BombsStopAtTheLimit) {
  DecodeLimits small{10000, nullptr};
  std::string zeros = test::ZlibCompress(std::string(1 << 22, '\0'), 9);
  std::string runs;
  for (int i = 0; i < 1000; ++i) runs += "\x81\x00";
  std::string z(5000, 'z');
  struct Bomb {
    const char* name;
    std::function<std::unique_ptr<ByteSource>()> make;
  };
  const Bomb bombs[] = {
      {"flate", [&] { return MakeFlateDecoder(Source(zeros), {}, small); }},
      {"runlength", [&] { return MakeRunLengthDecoder(Source(runs), small); }},
      {"ascii85", [&] { return MakeAscii85Decoder(Source(z), small); }},
      {"fax", [&] { return MakeCcittDecoder(Source(std::string(5000, '\xFF')), {-1}, small); }},
  };
  for (const auto& bomb : bombs) {
    auto decoder = bomb.make();
    EXPECT_EQ(ReadAll(*decoder).size(), small.max_output) << bomb.name;
    decoder->Rewind();
    EXPECT_EQ(ReadAll(*decoder, 777).size(), small.max_output) << bomb.name << " after rewind";
  }
  // A budget shared by the bombs: each stops at its own cap until the
  // budget runs out, then the rest yield nothing.
  small.budget = std::make_shared<DecodeBudget>(DecodeBudget{25000});
  std::vector<size_t> sizes;
  for (const auto& bomb : bombs) sizes.push_back(ReadAll(*bomb.make()).size());
  EXPECT_EQ(sizes, (std::vector<size_t>{10000, 10000, 5000, 0}));
  EXPECT_TRUE(small.budget->spent);
}

TEST(DecodeLzw, EarlyChangeDecidesWidthSwitch) {
  // 253 literal codes fill entries 258..510; with EarlyChange 1 the width
  // grows when next code + 1 reaches 512, i.e. after entry 510.
  auto codes_for = [](int early) {
    std::string out;
    uint64_t acc = 0;
    int bits = 0, width = 9, next = 258;
    auto put = [&](int code) {
      acc = (acc << width) | static_cast<uint64_t>(code);
      bits += width;
      while (bits >= 8) {
        out.push_back(static_cast<char>((acc >> (bits - 8)) & 0xFF));
        bits -= 8;
      }
    };
    for (int i = 0; i < 300; ++i) {
      put(i % 200);
      if (i > 0) {
        ++next;
        if (next + early >= 512) width = 10;
      }
    }
    put(257);
    if (bits > 0) out.push_back(static_cast<char>((acc << (8 - bits)) & 0xFF));
    return out;
  };
  std::string expected;
  for (int i = 0; i < 300; ++i) expected.push_back(static_cast<char>(i % 200));
  for (int early : {0, 1}) {
    auto decoder = MakeLzwDecoder(Source(codes_for(early)), LzwParams{{}, early});
    EXPECT_EQ(ReadAll(*decoder), expected) << "EarlyChange " << early;
  }
}

}  // namespace
}  // namespace qp::pdf
