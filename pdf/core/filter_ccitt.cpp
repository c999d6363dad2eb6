// Group 3 (one- and two-dimensional) and Group 4 fax decoding. A row is held
// as the list of its changing positions: a white run first, then alternating
// colours; the previous row's list is the reference for two-dimensional codes.

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "pdf/core/filter_ccitt_tables.h"
#include "pdf/core/filter_decoder.h"
#include "pdf/core/filters.h"

namespace qp::pdf {
namespace {

constexpr int kMaxColumns = 32767;
constexpr int kPeekBits = 13;  // the longest run code
constexpr uint32_t kEol = 1;   // 000000000001

struct Slot {
  int16_t value = 0;
  uint8_t length = 0;
};

using RunTable = std::array<Slot, 1 << kPeekBits>;

template <size_t N>
void Fill(RunTable& table, const ccitt::Code (&codes)[N]) {
  for (const auto& code : codes) {
    uint32_t first = uint32_t{code.bits} << (kPeekBits - code.length);
    uint32_t count = 1u << (kPeekBits - code.length);
    for (uint32_t i = 0; i < count; ++i) table[first + i] = {code.value, code.length};
  }
}

struct Tables {
  RunTable white;
  RunTable black;
  std::array<Slot, 128> modes;
  Tables() {
    Fill(white, ccitt::kWhiteCodes);
    Fill(white, ccitt::kExtendedCodes);
    Fill(black, ccitt::kBlackCodes);
    Fill(black, ccitt::kExtendedCodes);
    for (const auto& code : ccitt::kModeCodes) {
      uint32_t first = uint32_t{code.bits} << (7 - code.length);
      for (uint32_t i = 0; i < (1u << (7 - code.length)); ++i)
        modes[first + i] = {code.value, code.length};
    }
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

class CcittDecoder final : public Decoder {
 public:
  CcittDecoder(std::unique_ptr<ByteSource> input, const CcittParams& params,
               const DecodeLimits& limits)
      : Decoder(limits),
        input_(std::move(input)),
        params_(params),
        columns_(std::max(params.columns, 1)),
        row_bytes_((static_cast<size_t>(columns_) + 7) / 8),
        tables_(GetTables()) {
    Restart();
  }

 protected:
  size_t Produce(uint8_t* out, size_t size) override;
  void Restart() override;

 private:
  enum class RowResult { kDone, kBadCode, kEnd };

  // Bit reader: up to 64 bits buffered, right-aligned in acc_.
  int Available() {
    if (bits_ < 32) FillBits();
    return bits_;
  }
  uint32_t Peek(int n) {
    if (bits_ < n) FillBits();
    if (bits_ >= n) return static_cast<uint32_t>(acc_ >> (bits_ - n)) & ((1u << n) - 1);
    return static_cast<uint32_t>(acc_ << (n - bits_)) & ((1u << n) - 1);  // zero padded
  }
  void Consume(int n) { bits_ -= n; }
  void FillBits() {
    while (bits_ <= 56) {
      int c = input_.Get();
      if (c < 0) return;
      acc_ = (acc_ << 8) | static_cast<uint64_t>(c);
      bits_ += 8;
    }
  }
  void AlignToByte() { bits_ -= bits_ % 8; }

  bool NextRow();
  bool SkipEol();
  bool SkipToEol();
  RowResult Decode1D();
  RowResult Decode2D();
  bool ReadRun(bool black, int* run);
  bool AddChange(int position);
  void PaintRow();

  InputReader input_;
  CcittParams params_;
  int columns_;
  size_t row_bytes_;
  const Tables& tables_;
  uint64_t acc_ = 0;
  int bits_ = 0;
  std::vector<int> ref_;  // changes of the previous row, then sentinels
  std::vector<int> cur_;
  std::vector<uint8_t> row_;
  size_t out_pos_ = 0;
  int rows_done_ = 0;
  bool ended_ = false;
};

void CcittDecoder::Restart() {
  input_.Rewind();
  acc_ = 0;
  bits_ = 0;
  ref_.assign(3, columns_);
  cur_.clear();
  row_.assign(row_bytes_, 0);
  out_pos_ = row_bytes_;
  rows_done_ = 0;
  ended_ = params_.columns > kMaxColumns;
}

// Consumes fill zeros and one end-of-line code if they come next.
bool CcittDecoder::SkipEol() {
  while (Available() >= 12 && Peek(12) == 0) Consume(1);
  if (Available() >= 12 && Peek(12) == kEol) {
    Consume(12);
    return true;
  }
  return false;
}

// Searches forward for the next end-of-line code and consumes it.
bool CcittDecoder::SkipToEol() {
  while (Available() >= 12) {
    if (Peek(12) == kEol) {
      Consume(12);
      return true;
    }
    Consume(1);
  }
  return false;
}

bool CcittDecoder::ReadRun(bool black, int* run) {
  const RunTable& table = black ? tables_.black : tables_.white;
  int total = 0;
  for (;;) {
    const Slot& slot = table[Peek(kPeekBits)];
    if (slot.length == 0 || slot.length > Available()) return false;
    Consume(slot.length);
    total = std::min(total + slot.value, 2 * kMaxColumns + 2);
    if (slot.value < 64) break;
  }
  *run = total;
  return true;
}

// Records a changing position; a row cannot hold more changes than pixels.
bool CcittDecoder::AddChange(int position) {
  if (cur_.size() > 2 * static_cast<size_t>(columns_) + 4) return false;
  cur_.push_back(position);
  return true;
}

CcittDecoder::RowResult CcittDecoder::Decode1D() {
  int a0 = 0;
  bool black = false;
  while (a0 < columns_) {
    int run;
    if (!ReadRun(black, &run)) return Available() == 0 ? RowResult::kEnd : RowResult::kBadCode;
    a0 = std::min(a0 + run, columns_);
    if (!AddChange(a0)) return RowResult::kBadCode;
    black = !black;
  }
  return RowResult::kDone;
}

CcittDecoder::RowResult CcittDecoder::Decode2D() {
  int a0 = -1;
  int color = 0;  // 0 white, 1 black
  size_t bi = 0;
  while (a0 < columns_) {
    const Slot& mode = tables_.modes[Peek(7)];
    if (mode.length == 0 || mode.length > Available())
      return Available() == 0 ? RowResult::kEnd : RowResult::kBadCode;
    Consume(mode.length);
    // b1: the first change of the reference row right of a0 towards the
    // opposite colour; b2 the change after it. Sentinels end the list.
    while (bi > 0 && ref_[bi - 1] > a0) --bi;
    while (bi + 2 < ref_.size() && (ref_[bi] <= a0 || (bi & 1) != static_cast<size_t>(color))) ++bi;
    int b1 = ref_[bi];
    int b2 = ref_[std::min(bi + 1, ref_.size() - 1)];
    int start = std::max(a0, 0);
    switch (mode.value) {
      case ccitt::kPass:
        a0 = b2;
        break;
      case ccitt::kHorizontal: {
        int run1, run2;
        if (!ReadRun(color == 1, &run1) || !ReadRun(color == 0, &run2))
          return Available() == 0 ? RowResult::kEnd : RowResult::kBadCode;
        int a1 = std::min(start + run1, columns_);
        int a2 = std::min(a1 + run2, columns_);
        if (!AddChange(a1) || !AddChange(a2)) return RowResult::kBadCode;
        a0 = a2;
        break;
      }
      default: {
        static constexpr int kOffsets[] = {0, 0, 0, 1, 2, 3, -1, -2, -3};
        int a1 = std::clamp(b1 + kOffsets[mode.value], start, columns_);
        if (!AddChange(a1)) return RowResult::kBadCode;
        a0 = a1;
        color ^= 1;
        break;
      }
    }
  }
  return RowResult::kDone;
}

void CcittDecoder::PaintRow() {
  std::fill(row_.begin(), row_.end(), 0xFF);
  for (size_t i = 0; i < cur_.size(); i += 2) {
    int from = cur_[i];
    int to = i + 1 < cur_.size() ? cur_[i + 1] : columns_;
    for (int x = from; x < to; ++x) {
      if ((x & 7) == 0 && x + 8 <= to) {
        int bytes = (to - x) / 8;
        std::memset(row_.data() + x / 8, 0, static_cast<size_t>(bytes));
        x += bytes * 8 - 1;
        continue;
      }
      row_[static_cast<size_t>(x) >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
    }
  }
  if (params_.black_is_1)
    for (auto& b : row_) b = static_cast<uint8_t>(~b);
}

bool CcittDecoder::NextRow() {
  if (ended_) return false;
  if (!params_.end_of_block && params_.rows > 0 && rows_done_ >= params_.rows) {
    ended_ = true;
    return false;
  }
  // An end-of-line code may precede the row; two in a row (or the return to
  // control of Group 3) end the data.
  if (SkipEol() && params_.end_of_block) {
    bool again = Available() >= 12 && Peek(12) == kEol;
    if (!again && params_.k > 0) again = Available() >= 13 && Peek(13) == ((kEol << 1) | 1);
    if (again) {
      ended_ = true;
      return false;
    }
  }
  bool two_d = params_.k < 0;
  if (params_.k > 0) {
    if (Available() == 0) return ended_ = true, false;
    two_d = Peek(1) == 0;
    Consume(1);
  }
  cur_.clear();
  RowResult result = two_d ? Decode2D() : Decode1D();
  if (result == RowResult::kEnd) return ended_ = true, false;
  if (result == RowResult::kBadCode) {
    // With end-of-line codes the decoder can resynchronise at the next one;
    // the damaged row is kept as far as it was decoded.
    if (!params_.end_of_line || !SkipToEol()) return ended_ = true, false;
    bits_ += 12;  // leave the code for the next row's check
  }
  if (params_.encoded_byte_align && !params_.end_of_line) AlignToByte();
  PaintRow();
  ref_.assign(cur_.begin(), cur_.end());
  ref_.insert(ref_.end(), 3, columns_);
  ++rows_done_;
  out_pos_ = 0;
  return true;
}

size_t CcittDecoder::Produce(uint8_t* out, size_t size) {
  size_t total = 0;
  while (total < size) {
    if (out_pos_ == row_bytes_ && !NextRow()) break;
    size_t n = std::min(size - total, row_bytes_ - out_pos_);
    std::memcpy(out + total, row_.data() + out_pos_, n);
    out_pos_ += n;
    total += n;
  }
  return total;
}

}  // namespace

std::unique_ptr<ByteSource> MakeCcittDecoder(std::unique_ptr<ByteSource> input,
                                             const CcittParams& params,
                                             const DecodeLimits& limits) {
  return std::make_unique<CcittDecoder>(std::move(input), params, limits);
}

}  // namespace qp::pdf
