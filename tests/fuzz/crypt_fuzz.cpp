// Fuzzes the security handler: an /Encrypt dictionary made from the input,
// password checks, string decryption and the decrypting stream.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pdf/core/memory_source.h"
#include "pdf/core/security_handler.h"

using namespace qp::pdf;

namespace {

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::string Bytes(size_t n) {
    n = std::min(n, size_ - pos_);
    std::string out(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return out;
  }
  std::span<const uint8_t> Rest() { return {data_ + pos_, size_ - pos_}; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  static constexpr int kVr[][2] = {{1, 2}, {2, 3}, {2, 2}, {4, 4}, {5, 5}, {5, 6}, {3, 3}, {0, 0}};
  static constexpr CryptMethod kMethods[] = {CryptMethod::kNone, CryptMethod::kIdentity,
                                             CryptMethod::kRc4, CryptMethod::kAesV2,
                                             CryptMethod::kAesV3};
  uint8_t pick = in.Byte();
  EncryptDict dict;
  dict.v = kVr[pick & 7][0];
  dict.r = kVr[pick & 7][1];
  dict.length = 40 + 8 * (in.Byte() % 12);
  dict.stream_method = kMethods[(pick >> 3) % 5];
  dict.string_method = kMethods[(pick >> 5) % 5];
  dict.encrypt_metadata = pick & 0x80;
  dict.p = static_cast<int32_t>(in.Byte() * 0x01010101u);
  dict.file_id = in.Bytes(in.Byte() & 1 ? 16 : 0);
  dict.o = in.Bytes(in.Byte() % 64);
  dict.u = in.Bytes(in.Byte() % 64);
  dict.oe = in.Bytes(32);
  dict.ue = in.Bytes(32);
  std::string password = in.Bytes(in.Byte() % 140);

  std::unique_ptr<SecurityHandler> handler;
  if (SecurityHandler::Create(dict, &handler) != SecurityStatus::kOk) return 0;
  handler->CheckPassword(password);
  handler->CheckPassword("");
  std::span<const uint8_t> rest = in.Rest();
  std::string text(reinterpret_cast<const char*>(rest.data()), rest.size());
  handler->DecryptString(text, 12, 0);
  auto stream = handler->DecryptStream(std::make_unique<MemorySource>(rest), 3, 1, (pick & 1) != 0);
  std::vector<uint8_t> buffer(1 + pick % 97);
  size_t first = 0;
  for (size_t n; (n = stream->Read(buffer.data(), buffer.size())) > 0;) first += n;
  stream->Rewind();
  size_t second = 0;
  for (size_t n; (n = stream->Read(buffer.data(), buffer.size())) > 0;) second += n;
  if (first != second) __builtin_trap();
  return 0;
}
