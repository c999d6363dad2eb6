#include "pdf/core/pdf_stream.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "pdf/core/pdf_errors.h"

namespace qp::pdf {

namespace {
constexpr size_t kCopyBlock = 64 * 1024;
}

size_t TStream::Read(uint8_t* out, size_t size) {
  if (size == 0) return 0;
  if (out == nullptr) throw ExInvalidBuffer();
  const size_t buffered = std::min(size, static_cast<size_t>(wp_ - rp_));
  if (buffered > 0) {
    std::memcpy(out, rp_, buffered);
    rp_ += buffered;
  }
  if (buffered == size) return size;
  return buffered + ReadUnbuffered(out + buffered, size - buffered);
}

size_t TStream::ReadUnbuffered(uint8_t* out, size_t size) {
  size_t done = 0;
  while (done < size && Refill()) {
    const size_t n = std::min(size - done, static_cast<size_t>(wp_ - rp_));
    std::memcpy(out + done, rp_, n);
    rp_ += n;
    done += n;
  }
  return done;
}

size_t TStream::Read(std::string& buffer, size_t count) {
  buffer.clear();
  try {
    // Grow in blocks so that a huge `count` on a short stream costs nothing.
    while (buffer.size() < count) {
      const size_t old = buffer.size();
      const size_t want = std::min(count - old, std::max(kCopyBlock, old));
      buffer.resize(old + want);
      const size_t got = Read(reinterpret_cast<uint8_t*>(buffer.data()) + old, want);
      buffer.resize(old + got);
      if (got < want) break;
    }
  } catch (const std::bad_alloc&) {
    throw ExOutofMemory();
  }
  return buffer.size();
}

size_t TStream::Read(TStream& out, size_t count) {
  std::vector<uint8_t> block(std::min(count, kCopyBlock));
  size_t done = 0;
  while (done < count) {
    const size_t got = Read(block.data(), std::min(count - done, block.size()));
    if (got == 0) break;
    out.Write(block.data(), got);
    done += got;
  }
  return done;
}

bool TStream::ReadLine(std::string& buffer, size_t count) {
  buffer.clear();
  int c = GetChar();
  if (c < 0) return false;
  while (c >= 0 && buffer.size() < count) {
    if (c == '\n') return true;
    if (c == '\r') {
      if (LookChar() == '\n') SkipLooked();
      return true;
    }
    buffer.push_back(static_cast<char>(c));
    if (buffer.size() == count) break;
    c = GetChar();
  }
  return true;
}

void TStream::CopyFrom(TStream& source, size_t count) {
  std::vector<uint8_t> block;
  try {
    block.resize(std::clamp<size_t>(count, 1, kCopyBlock));
  } catch (const std::bad_alloc&) {
    throw ExOutofMemory();
  }
  for (;;) {
    const size_t got = source.Read(block.data(), block.size());
    if (got == 0) break;
    Write(block.data(), got);
  }
}

size_t TStream::Write(std::string_view bytes) {
  return Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

size_t TStream::Write(const uint8_t*, size_t) {
  return 0;
}

void TStream::SetPosition(int64_t, TSeekOrigin) {}

}  // namespace qp::pdf
