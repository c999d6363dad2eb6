#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_file_stream.h"
#include "pdf/core/pdf_filter_stream.h"
#include "pdf/core/pdf_memory_stream.h"

namespace qp::pdf {
namespace {

// Reads byte by byte, checking LookChar against GetChar on the way.
std::string DrainByChar(TStream& stream) {
  std::string out;
  for (;;) {
    const int looked = stream.LookChar();
    const int c = stream.GetChar();
    EXPECT_EQ(looked, c);
    if (c < 0) return out;
    out.push_back(static_cast<char>(c));
  }
}

std::string DrainBulk(TStream& stream) {
  std::string out;
  stream.Read(out, 1u << 30);
  return out;
}

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return data;
}

class TempFile {
 public:
  explicit TempFile(const std::string& bytes) {
    path_ = std::filesystem::temp_directory_path() /
            ("qp_stream_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  ~TempFile() { std::filesystem::remove(path_); }
  std::string path() const { return path_.string(); }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

struct WindowCase {
  int64_t start;
  uint32_t length;
  bool limited;
  size_t expected_begin;
  size_t expected_size;
};

// Windows over a 10000-byte buffer: larger than the file read buffer, so
// refills cross block boundaries.
const WindowCase kWindows[] = {
    {0, 0, false, 0, 10000},        {100, 0, false, 100, 9900},  {100, 50, true, 100, 50},
    {100, 0, true, 100, 0},         {9990, 100, true, 9990, 10}, {20000, 5, true, 0, 0},
    {4000, 5000, true, 4000, 5000},
};

TEST(PdfStreams, MemoryAndFileWindowsReadTheSameBytes) {
  const std::string data = Pattern(10000);
  TempFile file(data);
  auto platform = TPlatformFile::Open(file.path());
  ASSERT_TRUE(platform);
  for (const auto& w : kWindows) {
    const std::string expected =
        data.substr(std::min(w.expected_begin, data.size()), w.expected_size);
    TMemoryStream memory(reinterpret_cast<const uint8_t*>(data.data()), data.size(), w.start,
                         w.length, w.limited);
    TFileStream on_file(*platform, w.start, w.length, w.limited);
    SCOPED_TRACE(testing::Message() << "window " << w.start << "+" << w.length);
    EXPECT_TRUE(DrainByChar(memory) == expected);
    EXPECT_TRUE(DrainByChar(on_file) == expected);
    memory.Reset();
    on_file.Reset();
    EXPECT_TRUE(DrainBulk(memory) == expected);
    EXPECT_TRUE(DrainBulk(on_file) == expected);
    // The size is that of the whole data, not of the window.
    EXPECT_EQ(memory.GetSize(), 10000);
    EXPECT_EQ(on_file.GetSize(), 10000);
  }
}

TEST(PdfStreams, PositionsAreAbsoluteAndSeeksEmptyTheBuffer) {
  const std::string data = Pattern(9000);
  TempFile file(data);
  auto platform = TPlatformFile::Open(file.path());
  ASSERT_TRUE(platform);
  TFileStream window(*platform, 1000, 0, false);
  EXPECT_EQ(window.GetPosition(), 1000);
  window.GetChar();
  EXPECT_EQ(window.GetPosition(), 1001);
  window.SetPosition(5000);
  EXPECT_EQ(window.GetChar(), static_cast<uint8_t>(data[5000]));
  window.SetPosition(-2, soEnd);
  EXPECT_EQ(window.GetChar(), static_cast<uint8_t>(data[8998]));
  window.SetPosition(-10, soCurrent);
  EXPECT_EQ(window.GetPosition(), 8989);
  window.MoveStart(10);
  EXPECT_EQ(window.GetPosition(), 1010);
  auto sub = window.MakeSubStream(8990, 100, true);
  EXPECT_EQ(DrainBulk(*sub), data.substr(8990));
}

TEST(PdfStreams, MissingFileDoesNotOpen) {
  EXPECT_EQ(TPlatformFile::Open("/nonexistent/qp/file.pdf"), nullptr);
}

TEST(PdfStreams, OwnedMemoryGrowsWhileSubWindowsKeepTheirBytes) {
  TMemoryStream owner(std::string("abc"));
  auto sub = owner.MakeSubStream(1, 2, true);
  EXPECT_EQ(sub->LookChar(), 'b');
  owner.Write(std::string_view("defghijklmnopqrstuvwxyz"));
  EXPECT_EQ(DrainByChar(*sub), "bc");
  EXPECT_EQ(DrainByChar(owner), "abcdefghijklmnopqrstuvwxyz");
  // Borrowed memory is read-only.
  const std::string text = "xyz";
  TMemoryStream borrowed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  EXPECT_EQ(borrowed.Write(std::string_view("q")), 0u);
}

TEST(PdfStreams, ReadLineAndCopyFrom) {
  TMemoryStream stream(std::string("one\r\ntwo\rthree\nfour"));
  std::string line;
  std::string all;
  while (stream.ReadLine(line, 100)) all += line + "|";
  EXPECT_EQ(all, "one|two|three|four|");
  TMemoryStream source(Pattern(200000));
  TMemoryStream target;
  target.CopyFrom(source, 10);
  EXPECT_EQ(target.GetSize(), 200000);
  EXPECT_THROW(source.Read(nullptr, 1), ExInvalidBuffer);
}

// A decoder for tests: upper-cases its input.
class UpperCase final : public ByteSource {
 public:
  explicit UpperCase(std::unique_ptr<ByteSource> input) : input_(std::move(input)) {}
  size_t Read(uint8_t* out, size_t size) override {
    const size_t got = input_->Read(out, std::min<size_t>(size, 3));
    for (size_t i = 0; i < got; ++i) out[i] = static_cast<uint8_t>(std::toupper(out[i]));
    return got;
  }
  void Rewind() override { input_->Rewind(); }

 private:
  std::unique_ptr<ByteSource> input_;
};

TFilterStream::DecoderFactory MakeUpperCase() {
  return [](std::unique_ptr<ByteSource> input) {
    return std::make_unique<UpperCase>(std::move(input));
  };
}

TEST(PdfStreams, FilterStreamBuffersItsDecoder) {
  const std::string text = Pattern(20000);
  std::string upper = text;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto raw = std::make_unique<TMemoryStream>(text);
  TMemoryStream* below = raw.get();
  TFilterStream filter(stFlate, std::move(raw), MakeUpperCase());
  EXPECT_TRUE(filter.IsStreamOwned());
  EXPECT_EQ(filter.GetUndecodedStream(), below);
  EXPECT_EQ(filter.GetBaseStream(), below);
  EXPECT_EQ(filter.GetSize(), 0);
  EXPECT_TRUE(DrainByChar(filter) == upper);
  filter.Reset();
  EXPECT_TRUE(DrainBulk(filter) == upper);
  // Stacked on a borrowed filter stream.
  filter.Reset();
  TFilterStream top(stASCIIHex, filter, MakeUpperCase());
  EXPECT_FALSE(top.IsStreamOwned());
  EXPECT_EQ(top.GetBaseStream(), below);
  EXPECT_TRUE(DrainBulk(top) == upper);
  EXPECT_THROW(
      TFilterStream(stLZW, filter,
                    [](std::unique_ptr<ByteSource>) { return std::unique_ptr<ByteSource>(); }),
      ExInvalidStream);
}

TEST(PdfStreams, EofStreamPassesBytesByGetCharButLooksAtTheEnd) {
  TEOFStream stream(std::make_unique<TMemoryStream>(std::string("abc")));
  EXPECT_EQ(stream.LookChar(), -1);
  EXPECT_EQ(stream.GetChar(), 'a');
  EXPECT_EQ(stream.GetSize(), 0);
  EXPECT_EQ(stream.GetType(), stWeird);
  EXPECT_EQ(DrainBulk(stream), "bc");
}

TEST(PdfStreams, EmbeddedStreamCountsDownAndLeavesItsSourceAfterTheRun) {
  TMemoryStream source(std::string("0123456789EI rest"));
  TEmbededStream limited(source, 10, true);
  EXPECT_EQ(limited.GetSize(), 10);
  std::string head(4, '\0');
  EXPECT_EQ(limited.Read(reinterpret_cast<uint8_t*>(head.data()), 4), 4u);
  EXPECT_EQ(head, "0123");
  EXPECT_EQ(source.GetPosition(), 4);
  EXPECT_EQ(DrainByChar(limited), "456789");
  EXPECT_EQ(limited.GetChar(), -1);
  EXPECT_EQ(source.GetChar(), 'E');
  TEmbededStream zero(source, 0, true);
  EXPECT_EQ(zero.LookChar(), -1);
  TEmbededStream unlimited(source, 0, false);
  EXPECT_EQ(DrainByChar(unlimited), "I rest");
}

}  // namespace
}  // namespace qp::pdf
