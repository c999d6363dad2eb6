#pragma once
// Helpers shared by the decoder and security tests.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/core/byte_source.h"
#include "pdf/core/memory_source.h"

namespace qp::pdf::test {

// Reads a source to its end in reads of `chunk` bytes.
inline std::string ReadAll(ByteSource& source, size_t chunk = 4096) {
  std::string out;
  std::string buffer(chunk, '\0');
  for (;;) {
    size_t n = source.Read(reinterpret_cast<uint8_t*>(buffer.data()), chunk);
    if (n == 0) break;
    out.append(buffer, 0, n);
  }
  return out;
}

inline std::unique_ptr<ByteSource> Source(std::string bytes) {
  return std::make_unique<MemorySource>(std::move(bytes));
}

// A source that hands out at most `step` bytes per read, to exercise the
// decoders' handling of input that arrives in pieces.
class TrickleSource : public ByteSource {
 public:
  TrickleSource(std::string bytes, size_t step) : inner_(std::move(bytes)), step_(step) {}
  size_t Read(uint8_t* out, size_t size) override {
    return inner_.Read(out, std::min(size, step_));
  }
  void Rewind() override { inner_.Rewind(); }

 private:
  MemorySource inner_;
  size_t step_;
};

inline std::string FromHex(std::string_view hex) {
  std::string out;
  int hi = -1;
  for (char c : hex) {
    int v = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (v < 0) continue;
    if (hi < 0) {
      hi = v;
    } else {
      out.push_back(static_cast<char>(hi << 4 | v));
      hi = -1;
    }
  }
  return out;
}

inline std::string ToHex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(kDigits[c >> 4]);
    out.push_back(kDigits[c & 15]);
  }
  return out;
}

// zlib format (header, deflate data, Adler-32) at the given level.
inline std::string ZlibCompress(std::string_view data, int level = 6) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), level);
  out.resize(size);
  return out;
}

}  // namespace qp::pdf::test
