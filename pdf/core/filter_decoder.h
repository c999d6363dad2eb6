#pragma once
// Building blocks shared by the stream decoders: a base class that caps the
// decoded size, and a buffered reader over the encoded input with an inline
// per-byte path.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/byte_source.h"
#include "pdf/core/filters.h"

namespace qp::pdf {

// A decoder produces its output in blocks through Produce; Read stops the
// data for good once the output limit is reached, so a compression bomb ends
// early instead of exhausting memory.
class Decoder : public ByteSource {
 public:
  explicit Decoder(const DecodeLimits& limits)
      : limit_(limits.max_output), budget_(limits.budget) {}

  size_t Read(uint8_t* out, size_t size) final;
  void Rewind() final;

 protected:
  // Fills up to `size` bytes (size > 0); returns 0 only at the end of the data.
  virtual size_t Produce(uint8_t* out, size_t size) = 0;
  // Forgets all decoding state and rewinds the input.
  virtual void Restart() = 0;

 private:
  uint64_t limit_;
  std::shared_ptr<DecodeBudget> budget_;
  uint64_t produced_ = 0;
  bool done_ = false;
};

// Reads the encoded bytes below a decoder in blocks; Get() is inline.
class InputReader {
 public:
  explicit InputReader(std::unique_ptr<ByteSource> source, size_t block = 16384)
      : source_(std::move(source)), buffer_(block) {}

  // Next byte, or -1 at the end of the input.
  int Get() { return pos_ < end_ ? buffer_[pos_++] : Refill(); }
  // Copies up to `size` bytes; fewer only at the end of the input.
  size_t ReadBulk(uint8_t* out, size_t size);
  // Gives direct access to buffered bytes: returns how many are available
  // (0 at the end) and points `data` at them; Consume marks them used.
  size_t Peek(const uint8_t** data);
  void Consume(size_t n) { pos_ += n; }
  void Rewind();

 private:
  int Refill();

  std::unique_ptr<ByteSource> source_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool at_end_ = false;
};

// The white-space bytes of the PDF syntax: NUL, TAB, LF, FF, CR and space.
inline bool IsPdfWhiteSpace(int c) {
  return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}

}  // namespace qp::pdf
