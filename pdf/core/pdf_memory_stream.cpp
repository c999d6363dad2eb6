#include "pdf/core/pdf_memory_stream.h"

#include <algorithm>
#include <new>

#include "pdf/core/pdf_errors.h"

namespace qp::pdf {

TMemoryStream::TMemoryStream(std::string data)
    : storage_(std::make_shared<std::string>(std::move(data))), owned_(true) {
  DropBuffer(0);
}

TMemoryStream::TMemoryStream(const uint8_t* data, size_t size, int64_t start, uint32_t length,
                             bool limited)
    : TMemoryStream(nullptr, data, size, start, length, limited) {}

TMemoryStream::TMemoryStream(std::shared_ptr<std::string> storage, const uint8_t* data, size_t size,
                             int64_t start, uint32_t length, bool limited)
    : storage_(std::move(storage)),
      data_(data),
      size_(data ? size : 0),
      start_(std::max<int64_t>(start, 0)),
      length_(length),
      limited_(limited) {
  DropBuffer(start_);
}

std::unique_ptr<TBaseStream> TMemoryStream::MakeSubStream(int64_t start, uint32_t length,
                                                          bool limited) {
  return std::unique_ptr<TBaseStream>(
      new TMemoryStream(storage_, data_, size_, start, length, limited));
}

void TMemoryStream::MoveStart(int64_t delta) {
  start_ = std::max<int64_t>(start_ + delta, 0);
  DropBuffer(start_);
}

int64_t TMemoryStream::WindowEnd() const {
  const auto size = static_cast<int64_t>(DataSize());
  return limited_ ? std::min(size, start_ + static_cast<int64_t>(length_)) : size;
}

bool TMemoryStream::Refill() {
  const int64_t position = GetPosition();
  const int64_t end = WindowEnd();
  if (position < 0 || position >= end) {
    DropBuffer(position);
    return false;
  }
  const uint8_t* data = Data();
  SetBuffer(data + position, data + end, position);
  return true;
}

void TMemoryStream::SetPosition(int64_t position, TSeekOrigin origin) {
  const auto size = static_cast<int64_t>(DataSize());
  if (origin == soCurrent) position += GetPosition();
  if (origin == soEnd) position += size;
  DropBuffer(std::clamp<int64_t>(position, 0, size));
}

size_t TMemoryStream::Write(const uint8_t* data, size_t count) {
  if (!owned_ || count == 0) return 0;
  if (data == nullptr) throw ExInvalidBuffer();
  const int64_t position = GetPosition();
  try {
    // Sub-windows keep reading the bytes they were made on.
    if (storage_.use_count() > 1) storage_ = std::make_shared<std::string>(*storage_);
    storage_->append(reinterpret_cast<const char*>(data), count);
  } catch (const std::bad_alloc&) {
    throw ExOutofMemory();
  }
  DropBuffer(position);
  return count;
}

}  // namespace qp::pdf
