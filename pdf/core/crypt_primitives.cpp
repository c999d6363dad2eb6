#include "pdf/core/crypt_primitives.h"

#include <nettle/aes.h>
#include <nettle/arcfour.h>
#include <nettle/cbc.h>
#include <nettle/md5.h>
#include <nettle/sha2.h>

#include <algorithm>
#include <cstring>

namespace qp::pdf {
namespace {

const uint8_t* Bytes(std::string_view s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

// An AES context of either key size, keyed for one direction.
struct AesKey {
  bool wide;
  aes128_ctx ctx128;
  aes256_ctx ctx256;

  // Keys of other sizes are cut or zero-filled to 16 bytes.
  AesKey(std::string_view key, bool decrypt) : wide(key.size() == 32) {
    uint8_t narrow[16] = {};
    if (!wide && key.size() != 16) {
      std::memcpy(narrow, key.data(), std::min<size_t>(key.size(), 16));
      key = std::string_view(reinterpret_cast<const char*>(narrow), 16);
    }
    if (wide) {
      decrypt ? aes256_set_decrypt_key(&ctx256, Bytes(key))
              : aes256_set_encrypt_key(&ctx256, Bytes(key));
    } else {
      decrypt ? aes128_set_decrypt_key(&ctx128, Bytes(key))
              : aes128_set_encrypt_key(&ctx128, Bytes(key));
    }
  }
  const void* ctx() const { return wide ? static_cast<const void*>(&ctx256) : &ctx128; }
  nettle_cipher_func* decrypt() const { return wide ? Decrypt256 : Decrypt128; }
  nettle_cipher_func* encrypt() const { return wide ? Encrypt256 : Encrypt128; }

  static void Decrypt128(const void* c, size_t n, uint8_t* dst, const uint8_t* src) {
    aes128_decrypt(static_cast<const aes128_ctx*>(c), n, dst, src);
  }
  static void Decrypt256(const void* c, size_t n, uint8_t* dst, const uint8_t* src) {
    aes256_decrypt(static_cast<const aes256_ctx*>(c), n, dst, src);
  }
  static void Encrypt128(const void* c, size_t n, uint8_t* dst, const uint8_t* src) {
    aes128_encrypt(static_cast<const aes128_ctx*>(c), n, dst, src);
  }
  static void Encrypt256(const void* c, size_t n, uint8_t* dst, const uint8_t* src) {
    aes256_encrypt(static_cast<const aes256_ctx*>(c), n, dst, src);
  }
};

}  // namespace

Md5Digest Md5(std::string_view data) {
  md5_ctx ctx;
  md5_init(&ctx);
  md5_update(&ctx, data.size(), Bytes(data));
  Md5Digest digest;
  md5_digest(&ctx, digest.size(), digest.data());
  return digest;
}

std::string Sha256(std::string_view data) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  sha256_update(&ctx, data.size(), Bytes(data));
  std::string out(SHA256_DIGEST_SIZE, '\0');
  sha256_digest(&ctx, out.size(), reinterpret_cast<uint8_t*>(out.data()));
  return out;
}

std::string Sha384(std::string_view data) {
  sha384_ctx ctx;
  sha384_init(&ctx);
  sha384_update(&ctx, data.size(), Bytes(data));
  std::string out(SHA384_DIGEST_SIZE, '\0');
  sha384_digest(&ctx, out.size(), reinterpret_cast<uint8_t*>(out.data()));
  return out;
}

std::string Sha512(std::string_view data) {
  sha512_ctx ctx;
  sha512_init(&ctx);
  sha512_update(&ctx, data.size(), Bytes(data));
  std::string out(SHA512_DIGEST_SIZE, '\0');
  sha512_digest(&ctx, out.size(), reinterpret_cast<uint8_t*>(out.data()));
  return out;
}

struct Rc4::State {
  arcfour_ctx ctx;
};

Rc4::Rc4(std::string_view key) : state_(std::make_unique<State>()) {
  arcfour_set_key(&state_->ctx, key.size(), Bytes(key));
}

Rc4::~Rc4() = default;

void Rc4::Apply(uint8_t* data, size_t size) {
  arcfour_crypt(&state_->ctx, size, data, data);
}

std::string Rc4Crypt(std::string_view key, std::string_view data) {
  std::string out(data);
  Rc4(key).Apply(reinterpret_cast<uint8_t*>(out.data()), out.size());
  return out;
}

void AesCbcDecrypt(std::string_view key, uint8_t* iv, const uint8_t* in, uint8_t* out,
                   size_t size) {
  AesKey k(key, true);
  cbc_decrypt(k.ctx(), k.decrypt(), 16, iv, size, out, in);
}

void AesCbcEncrypt(std::string_view key, uint8_t* iv, const uint8_t* in, uint8_t* out,
                   size_t size) {
  AesKey k(key, false);
  cbc_encrypt(k.ctx(), k.encrypt(), 16, iv, size, out, in);
}

void AesEcbDecryptBlock(std::string_view key, const uint8_t* in, uint8_t* out) {
  AesKey k(key, true);
  k.decrypt()(k.ctx(), 16, out, in);
}

void AesEcbEncryptBlock(std::string_view key, const uint8_t* in, uint8_t* out) {
  AesKey k(key, false);
  k.encrypt()(k.ctx(), 16, out, in);
}

}  // namespace qp::pdf
