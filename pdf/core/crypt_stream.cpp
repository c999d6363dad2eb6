#include "pdf/core/crypt_stream.h"

#include <cstring>
#include <vector>

#include "pdf/core/crypt_primitives.h"
#include "pdf/core/filter_decoder.h"

namespace qp::pdf {
namespace {

class Rc4Source final : public Decoder {
 public:
  Rc4Source(std::unique_ptr<ByteSource> input, std::string_view key)
      : Decoder(DecodeLimits{UINT64_MAX, nullptr}), input_(std::move(input)), key_(key) {
    Restart();
  }

 protected:
  size_t Produce(uint8_t* out, size_t size) override {
    size_t n = input_->Read(out, size);
    rc4_->Apply(out, n);
    return n;
  }
  void Restart() override {
    input_->Rewind();
    rc4_ = std::make_unique<Rc4>(key_);
  }

 private:
  std::unique_ptr<ByteSource> input_;
  std::string key_;
  std::unique_ptr<Rc4> rc4_;
};

// Decrypts whole blocks as they arrive but holds the last one back until the
// input ends, since only then is it known to carry the padding.
class AesSource final : public Decoder {
 public:
  AesSource(std::unique_ptr<ByteSource> input, std::string_view key)
      : Decoder(DecodeLimits{UINT64_MAX, nullptr}),
        input_(std::move(input)),
        key_(key),
        buffer_(kChunk) {
    Restart();
  }

 protected:
  size_t Produce(uint8_t* out, size_t size) override {
    while (ready_ == pos_ && Decrypt()) {
    }
    size_t n = std::min(size, ready_ - pos_);
    if (n > 0) std::memcpy(out, plain_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  void Restart() override {
    input_->Rewind();
    have_iv_ = false;
    at_end_ = false;
    plain_.clear();
    ready_ = pos_ = 0;
  }

 private:
  static constexpr size_t kChunk = 65536;

  // Refills plain_; false when nothing more can come.
  bool Decrypt() {
    if (at_end_) return false;
    // Keep the held-back block at the front of plain_.
    plain_.erase(plain_.begin(), plain_.begin() + static_cast<std::ptrdiff_t>(ready_));
    ready_ = pos_ = 0;
    if (!have_iv_) {
      if (ReadFull(iv_, 16) < 16) return at_end_ = true, false;
      have_iv_ = true;
    }
    size_t got = ReadFull(buffer_.data(), kChunk);
    bool input_done = got < kChunk;
    size_t whole = got / 16 * 16;
    size_t start = plain_.size();
    plain_.resize(start + whole);
    AesCbcDecrypt(key_, iv_, buffer_.data(), plain_.data() + start, whole);
    if (input_done) {
      at_end_ = true;  // a partial last block is dropped
      if (!plain_.empty()) {
        uint8_t pad = plain_.back();
        if (pad >= 1 && pad <= 16 && pad <= plain_.size()) plain_.resize(plain_.size() - pad);
      }
      ready_ = plain_.size();
    } else {
      ready_ = plain_.size() >= 16 ? plain_.size() - 16 : 0;
    }
    return true;
  }

  size_t ReadFull(uint8_t* out, size_t size) {
    size_t total = 0;
    while (total < size) {
      size_t n = input_->Read(out + total, size - total);
      if (n == 0) break;
      total += n;
    }
    return total;
  }

  std::unique_ptr<ByteSource> input_;
  std::string key_;
  std::vector<uint8_t> buffer_;
  std::vector<uint8_t> plain_;
  uint8_t iv_[16] = {};
  size_t ready_ = 0;
  size_t pos_ = 0;
  bool have_iv_ = false;
  bool at_end_ = false;
};

}  // namespace

std::unique_ptr<ByteSource> MakeRc4DecryptSource(std::unique_ptr<ByteSource> input,
                                                 std::string_view key) {
  return std::make_unique<Rc4Source>(std::move(input), key);
}

std::unique_ptr<ByteSource> MakeAesDecryptSource(std::unique_ptr<ByteSource> input,
                                                 std::string_view key) {
  return std::make_unique<AesSource>(std::move(input), key);
}

std::string AesDecryptString(std::string_view key, std::string_view data) {
  if (data.size() < 32) return {};  // an IV and at least one block
  uint8_t iv[16];
  std::memcpy(iv, data.data(), 16);
  size_t whole = (data.size() - 16) / 16 * 16;
  std::vector<uint8_t> plain(whole);
  AesCbcDecrypt(key, iv, reinterpret_cast<const uint8_t*>(data.data()) + 16, plain.data(), whole);
  size_t pad = plain.back();
  if (pad >= 1 && pad <= 16) whole -= pad;
  return std::string(reinterpret_cast<const char*>(plain.data()), whole);
}

}  // namespace qp::pdf
