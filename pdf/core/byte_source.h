#pragma once
// The pull interface between the engine's byte streams and its decoders:
// data moves in blocks, so no layer pays a virtual call per byte.

#include <cstddef>
#include <cstdint>

namespace qp::pdf {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Copies up to `size` bytes into `out`; returns how many, 0 at the end of
  // the data. Damaged data ends the data; it never throws for bad input.
  virtual size_t Read(uint8_t* out, size_t size) = 0;

  // Starts the data again from its first byte.
  virtual void Rewind() = 0;
};

}  // namespace qp::pdf
