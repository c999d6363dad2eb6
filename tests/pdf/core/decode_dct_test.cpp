// JPEG decoding: the colour transform decision, YCbCr and YCCK conversion,
// and the frame kinds that yield no data. Images are made with libjpeg.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "pdf/core/filters.h"
#include "tests/pdf/core/filter_test_helpers.h"

namespace qp::pdf {
namespace {

constexpr int kSize = 16;

// A flat image of the given components, encoded with libjpeg; `setup` may
// adjust the compressor after the defaults are set.
std::string Encode(J_COLOR_SPACE in_space, std::vector<uint8_t> pixel,
                   const std::function<void(jpeg_compress_struct&)>& setup = {}) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = kSize;
  cinfo.image_height = kSize;
  cinfo.input_components = static_cast<int>(pixel.size());
  cinfo.in_color_space = in_space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  if (setup) setup(cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row;
  for (int x = 0; x < kSize; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::string out(reinterpret_cast<char*>(buffer), size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

std::string Decode(const std::string& jpeg, int transform = -1) {
  auto decoder = MakeDctDecoder(test::Source(jpeg), DctParams{transform});
  return test::ReadAll(*decoder, 100);
}

// Every pixel of `out` within `tolerance` of `pixel`.
::testing::AssertionResult Flat(const std::string& out, const std::vector<int>& pixel,
                                int tolerance) {
  if (out.size() != pixel.size() * kSize * kSize)
    return ::testing::AssertionFailure() << "size " << out.size();
  for (size_t i = 0; i < out.size(); ++i) {
    int got = static_cast<uint8_t>(out[i]);
    int want = pixel[i % pixel.size()];
    if (std::abs(got - want) > tolerance)
      return ::testing::AssertionFailure() << "byte " << i << ": " << got << " vs " << want;
  }
  return ::testing::AssertionSuccess();
}

// Y, Cb and Cr of an RGB colour, as the encoder computes them.
std::vector<int> YCbCr(int r, int g, int b) {
  return {static_cast<int>(0.299 * r + 0.587 * g + 0.114 * b + 0.5),
          static_cast<int>(-0.168736 * r - 0.331264 * g + 0.5 * b + 128.5),
          static_cast<int>(0.5 * r - 0.418688 * g - 0.081312 * b + 128.5)};
}

TEST(DecodeDct, ColourTransformDecision) {
  const std::vector<uint8_t> rgb = {200, 100, 50};
  const std::string jfif = Encode(JCS_RGB, rgb);  // YCbCr with a JFIF segment
  auto no_jfif_rgb_ids = [](jpeg_compress_struct& c) {
    jpeg_set_colorspace(&c, JCS_RGB);  // component ids 'R', 'G', 'B'
    c.write_JFIF_header = FALSE;
    c.write_Adobe_marker = FALSE;
  };
  const std::string plain_rgb = Encode(JCS_RGB, rgb, no_jfif_rgb_ids);
  auto adobe_rgb = [](jpeg_compress_struct& c) {
    jpeg_set_colorspace(&c, JCS_RGB);  // Adobe segment with transform 0
    c.write_Adobe_marker = TRUE;
  };
  const std::string adobe_untransformed = Encode(JCS_RGB, rgb, adobe_rgb);
  struct Case {
    const char* name;
    const std::string& jpeg;
    int param;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"JFIF: converted", jfif, -1, {200, 100, 50}},
      {"parameter 0 keeps YCbCr", jfif, 0, YCbCr(200, 100, 50)},
      {"R G B ids without JFIF: not converted", plain_rgb, -1, {200, 100, 50}},
      {"R G B ids, parameter 1: converted anyway", plain_rgb, 1, {}},
      {"Adobe transform 0 beats the parameter", adobe_untransformed, 1, {200, 100, 50}},
  };
  for (const auto& c : cases) {
    std::string out = Decode(c.jpeg, c.param);
    if (c.expected.empty()) {
      EXPECT_FALSE(Flat(out, {200, 100, 50}, 3)) << c.name;
    } else {
      EXPECT_TRUE(Flat(out, c.expected, 3)) << c.name;
    }
  }
}

TEST(DecodeDct, GrayProgressiveAndYcck) {
  EXPECT_TRUE(Flat(Decode(Encode(JCS_GRAYSCALE, {77})), {77}, 1));
  std::string progressive =
      Encode(JCS_RGB, {10, 200, 120}, [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); });
  EXPECT_TRUE(Flat(Decode(progressive), {10, 200, 120}, 3));
  // CMYK stored as YCCK with an Adobe transform 2 comes back as the CMYK
  // values libjpeg was given.
  std::string ycck = Encode(JCS_CMYK, {30, 60, 90, 120},
                            [](jpeg_compress_struct& c) { jpeg_set_colorspace(&c, JCS_YCCK); });
  EXPECT_TRUE(Flat(Decode(ycck), {30, 60, 90, 120}, 3));
}

// The offset of the first start-of-frame marker.
size_t FrameMarker(const std::string& jpeg) {
  for (size_t i = 2; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == '\xFF' && (jpeg[i + 1] & 0xF0) == 0xC0 && jpeg[i + 1] != '\xC4') return i;
  return std::string::npos;
}

TEST(DecodeDct, FramesWithoutData) {
  const std::string good = Encode(JCS_RGB, {1, 2, 3});
  size_t sof = FrameMarker(good);
  ASSERT_NE(sof, std::string::npos);
  ASSERT_EQ(good[sof + 1], '\xC0');
  struct Case {
    const char* name;
    size_t offset;
    char value;
  };
  const Case cases[] = {
      {"12-bit precision", sof + 4, 12}, {"arithmetic coding", sof + 1, '\xC9'},
      {"lossless", sof + 1, '\xC3'},     {"hierarchical", sof + 1, '\xC5'},
      {"no start of image", 1, '\x00'},
  };
  for (const auto& c : cases) {
    std::string bad = good;
    bad[c.offset] = c.value;
    EXPECT_EQ(Decode(bad), "") << c.name;
  }
  EXPECT_EQ(Decode(""), "");
  // Extended sequential (0xC1) with 8-bit samples decodes as baseline.
  std::string extended = good;
  extended[sof + 1] = '\xC1';
  EXPECT_TRUE(Flat(Decode(extended), {1, 2, 3}, 3));
}

TEST(DecodeDct, CutShortEndsEarly) {
  std::string jpeg =
      Encode(JCS_RGB, {90, 90, 90}, [](jpeg_compress_struct& c) { c.restart_in_rows = 1; });
  std::string full = Decode(jpeg);
  ASSERT_EQ(full.size(), 3u * kSize * kSize);
  std::string cut = Decode(jpeg.substr(0, jpeg.size() * 3 / 4));
  EXPECT_LT(cut.size(), full.size());
  EXPECT_EQ(cut, full.substr(0, cut.size()));
}

TEST(DecodeDct, LimitRefusesHugeFrames) {
  std::string jpeg = Encode(JCS_RGB, {1, 2, 3});
  auto decoder = MakeDctDecoder(test::Source(jpeg), {}, DecodeLimits{100, nullptr});
  EXPECT_EQ(test::ReadAll(*decoder), "");
}

}  // namespace
}  // namespace qp::pdf
