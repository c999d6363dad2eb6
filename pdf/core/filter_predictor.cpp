// PNG (10-15) and TIFF (2) predictors over Flate and LZW output. Rows are
// decoded whole; a row cut short by the end of the data is dropped.

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "pdf/core/filter_decoder.h"
#include "pdf/core/filters.h"

namespace qp::pdf {
namespace {

class PredictorDecoder final : public Decoder {
 public:
  PredictorDecoder(std::unique_ptr<ByteSource> input, const PredictorParams& p, size_t row_bytes,
                   const DecodeLimits& limits)
      : Decoder(limits),
        input_(std::move(input)),
        predictor_(p.predictor),
        colors_(p.colors),
        bits_(p.bits_per_component),
        values_(static_cast<size_t>(p.columns) * static_cast<size_t>(p.colors)),
        pix_bytes_((static_cast<size_t>(p.colors) * static_cast<size_t>(p.bits_per_component) + 7) /
                   8),
        row_bytes_(row_bytes),
        out_pos_(row_bytes) {}

 protected:
  size_t Produce(uint8_t* out, size_t size) override;
  void Restart() override;

 private:
  bool NextRow();
  void UndoPng(int tag);
  void UndoTiff();

  InputReader input_;
  int predictor_;
  int colors_;
  int bits_;
  size_t values_;
  size_t pix_bytes_;
  size_t row_bytes_;
  // Rows are stored after pix_bytes_ zero bytes, so the left neighbour of the
  // first pixel is 0.
  std::vector<uint8_t> line_;
  std::vector<uint8_t> prev_;
  size_t out_pos_;
  bool ended_ = false;
};

bool PredictorDecoder::NextRow() {
  if (ended_) return false;
  if (line_.empty()) {
    line_.assign(pix_bytes_ + row_bytes_, 0);
    prev_.assign(pix_bytes_ + row_bytes_, 0);
  }
  int tag = 0;
  bool png = predictor_ >= 10 && predictor_ <= 15;
  if (png) {
    tag = input_.Get();
    if (tag < 0) return ended_ = true, false;
    line_.swap(prev_);
  }
  if (input_.ReadBulk(line_.data() + pix_bytes_, row_bytes_) < row_bytes_) {
    ended_ = true;
    return false;
  }
  if (png) {
    UndoPng(tag);
  } else if (predictor_ == 2) {
    UndoTiff();
  }
  out_pos_ = 0;
  return true;
}

void PredictorDecoder::UndoPng(int tag) {
  // Rows are stored after pix_bytes_ zero bytes: left[i] and up_left[i] are
  // the neighbours of cur[i].
  uint8_t* cur = line_.data() + pix_bytes_;
  const uint8_t* left = line_.data();
  const uint8_t* up = prev_.data() + pix_bytes_;
  const uint8_t* up_left = prev_.data();
  const size_t n = row_bytes_;
  switch (tag) {
    case 1:  // Sub
      for (size_t i = 0; i < n; ++i) cur[i] = static_cast<uint8_t>(cur[i] + left[i]);
      break;
    case 2:  // Up
      for (size_t i = 0; i < n; ++i) cur[i] = static_cast<uint8_t>(cur[i] + up[i]);
      break;
    case 3:  // Average
      for (size_t i = 0; i < n; ++i)
        cur[i] = static_cast<uint8_t>(cur[i] + ((left[i] + up[i]) >> 1));
      break;
    case 4:  // Paeth
      for (size_t i = 0; i < n; ++i) {
        int a = left[i], b = up[i], c = up_left[i];
        int p = a + b - c;
        int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        int pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        cur[i] = static_cast<uint8_t>(cur[i] + pred);
      }
      break;
    default:  // None, and unknown tags
      break;
  }
}

uint32_t GetBits(const uint8_t* row, size_t bit, int count) {
  uint32_t v = 0;
  for (int i = 0; i < count; ++i, ++bit) v = (v << 1) | ((row[bit >> 3] >> (7 - (bit & 7))) & 1);
  return v;
}

void SetBits(uint8_t* row, size_t bit, int count, uint32_t v) {
  for (int i = count - 1; i >= 0; --i, ++bit) {
    uint8_t mask = static_cast<uint8_t>(0x80 >> (bit & 7));
    if ((v >> i) & 1) {
      row[bit >> 3] |= mask;
    } else {
      row[bit >> 3] &= static_cast<uint8_t>(~mask);
    }
  }
}

void PredictorDecoder::UndoTiff() {
  uint8_t* cur = line_.data() + pix_bytes_;
  if (bits_ == 8) {
    for (size_t i = pix_bytes_; i < row_bytes_; ++i)
      cur[i] = static_cast<uint8_t>(cur[i] + cur[i - pix_bytes_]);
    return;
  }
  if (bits_ > 32) return;  // no sensible component arithmetic: leave the row
  const uint64_t mask = (uint64_t{1} << bits_) - 1;
  const size_t stride = static_cast<size_t>(colors_) * static_cast<size_t>(bits_);
  for (size_t i = static_cast<size_t>(colors_); i < values_; ++i) {
    size_t bit = i * static_cast<size_t>(bits_);
    uint64_t sum = uint64_t{GetBits(cur, bit, bits_)} + GetBits(cur, bit - stride, bits_);
    SetBits(cur, bit, bits_, static_cast<uint32_t>(sum & mask));
  }
}

size_t PredictorDecoder::Produce(uint8_t* out, size_t size) {
  size_t total = 0;
  while (total < size) {
    if (out_pos_ == row_bytes_ && !NextRow()) break;
    size_t n = std::min(size - total, row_bytes_ - out_pos_);
    std::memcpy(out + total, line_.data() + pix_bytes_ + out_pos_, n);
    out_pos_ += n;
    total += n;
  }
  return total;
}

void PredictorDecoder::Restart() {
  input_.Rewind();
  line_.clear();
  prev_.clear();
  out_pos_ = row_bytes_;
  ended_ = false;
}

}  // namespace

std::unique_ptr<ByteSource> MakePredictorDecoder(std::unique_ptr<ByteSource> input,
                                                 const PredictorParams& p,
                                                 const DecodeLimits& limits) {
  if (p.predictor == 1) return input;
  if (p.columns <= 0 || p.colors <= 0 || p.bits_per_component <= 0) return input;
  int64_t row_bits = int64_t{p.columns} * p.colors * p.bits_per_component;
  int64_t pixel_bits = int64_t{p.colors} * p.bits_per_component;
  if (row_bits + 7 > INT_MAX || pixel_bits + 7 > INT_MAX) return input;
  size_t row_bytes = static_cast<size_t>((row_bits + 7) / 8);
  return std::make_unique<PredictorDecoder>(std::move(input), p, row_bytes, limits);
}

}  // namespace qp::pdf
