#pragma once
// A ByteSource over bytes held in memory: an owned std::string or a borrowed
// span that must outlive the source.

#include <cstdint>
#include <span>
#include <string>

#include "pdf/core/byte_source.h"

namespace qp::pdf {

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string bytes);
  explicit MemorySource(std::span<const uint8_t> borrowed);

  size_t Read(uint8_t* out, size_t size) override;
  void Rewind() override { pos_ = 0; }

 private:
  std::string owned_;
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace qp::pdf
