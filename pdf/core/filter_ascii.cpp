// ASCIIHex, ASCII85 and RunLength: small byte-oriented decoders.

#include <cstring>

#include "pdf/core/filter_decoder.h"
#include "pdf/core/filters.h"

namespace qp::pdf {
namespace {

int HexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;  // a stray byte counts as a zero digit
}

class AsciiHexDecoder final : public Decoder {
 public:
  AsciiHexDecoder(std::unique_ptr<ByteSource> input, const DecodeLimits& limits)
      : Decoder(limits), input_(std::move(input)) {}

 protected:
  size_t Produce(uint8_t* out, size_t size) override {
    size_t total = 0;
    while (total < size && !ended_) {
      int hi = NextDigit();
      if (hi < 0) break;
      int lo = NextDigit();
      if (lo < 0) lo = '0';  // '>' or the end in place of the second digit
      out[total++] = static_cast<uint8_t>(HexValue(hi) << 4 | HexValue(lo));
    }
    return total;
  }
  void Restart() override {
    input_.Rewind();
    ended_ = false;
  }

 private:
  int NextDigit() {
    for (;;) {
      int c = input_.Get();
      if (c < 0 || c == '>') {
        ended_ = true;
        return -1;
      }
      if (!IsPdfWhiteSpace(c)) return c;
    }
  }

  InputReader input_;
  bool ended_ = false;
};

class Ascii85Decoder final : public Decoder {
 public:
  Ascii85Decoder(std::unique_ptr<ByteSource> input, const DecodeLimits& limits)
      : Decoder(limits), input_(std::move(input)) {}

 protected:
  size_t Produce(uint8_t* out, size_t size) override {
    size_t total = 0;
    while (total < size) {
      if (pos_ == len_ && !NextGroup()) break;
      size_t n = std::min(size - total, len_ - pos_);
      std::memcpy(out + total, group_ + pos_, n);
      pos_ += n;
      total += n;
    }
    return total;
  }
  void Restart() override {
    input_.Rewind();
    pos_ = len_ = 0;
    ended_ = false;
  }

 private:
  bool NextGroup() {
    if (ended_) return false;
    uint32_t value = 0;
    int count = 0;
    while (count < 5) {
      int c = input_.Get();
      if (c < 0 || c == '~') {
        ended_ = true;
        break;
      }
      if (IsPdfWhiteSpace(c)) continue;
      if (c == 'z' && count == 0) {
        std::memset(group_, 0, 4);
        pos_ = 0;
        len_ = 4;
        return true;
      }
      if (c < '!' || c > 'u') continue;  // not a digit: skipped
      value = value * 85 + static_cast<uint32_t>(c - '!');
      ++count;
    }
    if (count < 2) return false;
    // A final group of n digits is padded with 'u' and gives n-1 bytes.
    for (int i = count; i < 5; ++i) value = value * 85 + 84;
    for (int i = 0; i < 4; ++i) group_[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    pos_ = 0;
    len_ = static_cast<size_t>(count - 1);
    return true;
  }

  InputReader input_;
  uint8_t group_[4] = {};
  size_t pos_ = 0;
  size_t len_ = 0;
  bool ended_ = false;
};

class RunLengthDecoder final : public Decoder {
 public:
  RunLengthDecoder(std::unique_ptr<ByteSource> input, const DecodeLimits& limits)
      : Decoder(limits), input_(std::move(input)) {}

 protected:
  size_t Produce(uint8_t* out, size_t size) override {
    size_t total = 0;
    while (total < size) {
      if (pos_ == len_ && !NextRun()) break;
      size_t n = std::min(size - total, len_ - pos_);
      std::memcpy(out + total, run_ + pos_, n);
      pos_ += n;
      total += n;
    }
    return total;
  }
  void Restart() override {
    input_.Rewind();
    pos_ = len_ = 0;
    ended_ = false;
  }

 private:
  bool NextRun() {
    if (ended_) return false;
    int length = input_.Get();
    if (length < 0 || length == 128) return ended_ = true, false;
    if (length < 128) {
      len_ = input_.ReadBulk(run_, static_cast<size_t>(length) + 1);
      if (len_ < static_cast<size_t>(length) + 1) ended_ = true;
    } else {
      int c = input_.Get();
      if (c < 0) return ended_ = true, false;
      len_ = static_cast<size_t>(257 - length);
      std::memset(run_, c, len_);
    }
    pos_ = 0;
    return len_ > 0;
  }

  InputReader input_;
  uint8_t run_[128] = {};
  size_t pos_ = 0;
  size_t len_ = 0;
  bool ended_ = false;
};

class EmptySource final : public ByteSource {
 public:
  explicit EmptySource(std::unique_ptr<ByteSource> input) : input_(std::move(input)) {}
  size_t Read(uint8_t*, size_t) override { return 0; }
  void Rewind() override {}

 private:
  std::unique_ptr<ByteSource> input_;
};

}  // namespace

std::unique_ptr<ByteSource> MakeAsciiHexDecoder(std::unique_ptr<ByteSource> input,
                                                const DecodeLimits& limits) {
  return std::make_unique<AsciiHexDecoder>(std::move(input), limits);
}

std::unique_ptr<ByteSource> MakeAscii85Decoder(std::unique_ptr<ByteSource> input,
                                               const DecodeLimits& limits) {
  return std::make_unique<Ascii85Decoder>(std::move(input), limits);
}

std::unique_ptr<ByteSource> MakeRunLengthDecoder(std::unique_ptr<ByteSource> input,
                                                 const DecodeLimits& limits) {
  return std::make_unique<RunLengthDecoder>(std::move(input), limits);
}

std::unique_ptr<ByteSource> MakeJpxDecoder(std::unique_ptr<ByteSource> input) {
  return std::make_unique<EmptySource>(std::move(input));
}

}  // namespace qp::pdf
