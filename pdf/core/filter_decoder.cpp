#include "pdf/core/filter_decoder.h"

#include <algorithm>
#include <cstring>

namespace qp::pdf {

size_t Decoder::Read(uint8_t* out, size_t size) {
  if (done_ || size == 0) return 0;
  uint64_t room = limit_ - produced_;
  if (budget_ && budget_->remaining < room) {
    room = budget_->remaining;
    if (room == 0) budget_->spent = true;
  }
  if (room == 0) {
    done_ = true;
    return 0;
  }
  if (size > room) size = static_cast<size_t>(room);
  size_t n = Produce(out, size);
  if (n == 0) done_ = true;
  produced_ += n;
  if (budget_) budget_->remaining -= n;
  return n;
}

void Decoder::Rewind() {
  produced_ = 0;
  done_ = false;
  Restart();
}

size_t InputReader::ReadBulk(uint8_t* out, size_t size) {
  size_t total = 0;
  while (total < size) {
    const uint8_t* data;
    size_t avail = Peek(&data);
    if (avail == 0) break;
    size_t n = std::min(avail, size - total);
    std::memcpy(out + total, data, n);
    Consume(n);
    total += n;
  }
  return total;
}

size_t InputReader::Peek(const uint8_t** data) {
  if (pos_ == end_) {
    if (Refill() < 0) return 0;
    --pos_;  // Refill consumed the first byte; give it back.
  }
  *data = buffer_.data() + pos_;
  return end_ - pos_;
}

void InputReader::Rewind() {
  source_->Rewind();
  pos_ = end_ = 0;
  at_end_ = false;
}

int InputReader::Refill() {
  if (at_end_) return -1;
  size_t n = source_->Read(buffer_.data(), buffer_.size());
  if (n == 0) {
    at_end_ = true;
    pos_ = end_ = 0;
    return -1;
  }
  pos_ = 1;
  end_ = n;
  return buffer_[0];
}

}  // namespace qp::pdf
