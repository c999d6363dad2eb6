#include "pdf/core/memory_source.h"

#include <algorithm>
#include <cstring>

namespace qp::pdf {

MemorySource::MemorySource(std::string bytes)
    : owned_(std::move(bytes)),
      data_(reinterpret_cast<const uint8_t*>(owned_.data())),
      size_(owned_.size()) {}

MemorySource::MemorySource(std::span<const uint8_t> borrowed)
    : data_(borrowed.data()), size_(borrowed.size()) {}

size_t MemorySource::Read(uint8_t* out, size_t size) {
  size_t n = std::min(size, size_ - pos_);
  if (n > 0) std::memcpy(out, data_ + pos_, n);
  pos_ += n;
  return n;
}

}  // namespace qp::pdf
