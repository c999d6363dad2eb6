#pragma once
// Thin wrappers over nettle for the hashes and ciphers of PDF encryption.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qp::pdf {

using Md5Digest = std::array<uint8_t, 16>;

Md5Digest Md5(std::string_view data);
std::string Sha256(std::string_view data);
std::string Sha384(std::string_view data);
std::string Sha512(std::string_view data);

// RC4 keystream; Apply XORs it into the bytes, so it both encrypts and
// decrypts.
class Rc4 {
 public:
  explicit Rc4(std::string_view key);  // 1 to 256 bytes
  ~Rc4();
  Rc4(const Rc4&) = delete;
  Rc4& operator=(const Rc4&) = delete;
  void Apply(uint8_t* data, size_t size);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// One-shot RC4 over a string.
std::string Rc4Crypt(std::string_view key, std::string_view data);

// AES in CBC mode without padding; the key is 16 or 32 bytes, `data` a whole
// number of 16-byte blocks; `iv` is 16 bytes and is updated to chain calls.
void AesCbcDecrypt(std::string_view key, uint8_t* iv, const uint8_t* in, uint8_t* out, size_t size);
void AesCbcEncrypt(std::string_view key, uint8_t* iv, const uint8_t* in, uint8_t* out, size_t size);
// One block without chaining.
void AesEcbDecryptBlock(std::string_view key, const uint8_t* in, uint8_t* out);
void AesEcbEncryptBlock(std::string_view key, const uint8_t* in, uint8_t* out);

}  // namespace qp::pdf
