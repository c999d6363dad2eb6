// LZW as PDF defines it: codes most significant bit first, 9 to 12 bits wide,
// 256 clears the table, 257 ends the data.

#include <array>
#include <cstring>

#include "pdf/core/filter_decoder.h"
#include "pdf/core/filters.h"

namespace qp::pdf {
namespace {

constexpr int kClear = 256;
constexpr int kEnd = 257;
constexpr int kTableSize = 4096;

class LzwDecoder final : public Decoder {
 public:
  LzwDecoder(std::unique_ptr<ByteSource> input, int early_change, const DecodeLimits& limits)
      : Decoder(limits), input_(std::move(input)), early_(early_change ? 1 : 0) {
    ClearTable();
  }

 protected:
  size_t Produce(uint8_t* out, size_t size) override;
  void Restart() override;

 private:
  struct Entry {
    uint16_t length;
    uint16_t prev;
    uint8_t last;
  };

  void ClearTable();
  int ReadCode();
  bool DecodeNext();

  InputReader input_;
  int early_;
  std::array<Entry, kTableSize> table_;
  int next_code_ = 258;
  int width_ = 9;
  int prev_code_ = -1;
  uint32_t bit_buffer_ = 0;
  int bit_count_ = 0;
  // The sequence of the last code; seq_pos_ is how much of it went out.
  std::array<uint8_t, kTableSize> seq_;
  size_t seq_len_ = 0;
  size_t seq_pos_ = 0;
  bool ended_ = false;
};

void LzwDecoder::ClearTable() {
  for (int i = 0; i < 256; ++i) table_[i] = {1, 0, static_cast<uint8_t>(i)};
  next_code_ = 258;
  width_ = 9;
  prev_code_ = -1;
}

int LzwDecoder::ReadCode() {
  while (bit_count_ < width_) {
    int c = input_.Get();
    if (c < 0) return -1;
    bit_buffer_ = (bit_buffer_ << 8) | static_cast<uint32_t>(c);
    bit_count_ += 8;
  }
  bit_count_ -= width_;
  return static_cast<int>((bit_buffer_ >> bit_count_) & ((1u << width_) - 1));
}

// Decodes one code into seq_; false at the end of the data.
bool LzwDecoder::DecodeNext() {
  for (;;) {
    int code = ReadCode();
    if (code < 0 || code == kEnd) return false;
    if (code == kClear) {
      ClearTable();
      continue;
    }
    if (prev_code_ < 0) {
      if (code > 255) return false;  // nothing to extend yet
      seq_[0] = static_cast<uint8_t>(code);
      seq_len_ = 1;
      seq_pos_ = 0;
      prev_code_ = code;
      return true;
    }
    if (code > next_code_ || (code == next_code_ && next_code_ >= kTableSize)) return false;
    // A code equal to the next free one is the previous sequence plus its own
    // first byte.
    int walk = code == next_code_ ? prev_code_ : code;
    size_t len = table_[walk].length;
    size_t total = code == next_code_ ? len + 1 : len;
    size_t i = len;
    for (int c = walk; i > 0; c = table_[c].prev) seq_[--i] = table_[c].last;
    if (code == next_code_) seq_[len] = seq_[0];
    seq_len_ = total;
    seq_pos_ = 0;
    // A full table without a clear code keeps decoding without new entries.
    if (next_code_ < kTableSize && table_[prev_code_].length < kTableSize - 1) {
      table_[next_code_] = {static_cast<uint16_t>(table_[prev_code_].length + 1),
                            static_cast<uint16_t>(prev_code_), seq_[0]};
      ++next_code_;
      int n = next_code_ + early_;
      width_ = n >= 2048 ? 12 : n >= 1024 ? 11 : n >= 512 ? 10 : 9;
    }
    prev_code_ = code;
    return true;
  }
}

size_t LzwDecoder::Produce(uint8_t* out, size_t size) {
  size_t total = 0;
  while (total < size) {
    if (seq_pos_ == seq_len_) {
      if (ended_ || !DecodeNext()) {
        ended_ = true;
        break;
      }
    }
    size_t n = std::min(size - total, seq_len_ - seq_pos_);
    std::memcpy(out + total, seq_.data() + seq_pos_, n);
    seq_pos_ += n;
    total += n;
  }
  return total;
}

void LzwDecoder::Restart() {
  input_.Rewind();
  ClearTable();
  bit_buffer_ = 0;
  bit_count_ = 0;
  seq_len_ = seq_pos_ = 0;
  ended_ = false;
}

}  // namespace

std::unique_ptr<ByteSource> MakeLzwDecoder(std::unique_ptr<ByteSource> input,
                                           const LzwParams& params, const DecodeLimits& limits) {
  auto lzw = std::make_unique<LzwDecoder>(std::move(input), params.early_change, limits);
  return MakePredictorDecoder(std::move(lzw), params.predictor, limits);
}

}  // namespace qp::pdf
