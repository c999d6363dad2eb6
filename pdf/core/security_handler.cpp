#include "pdf/core/security_handler.h"

#include <cstring>

#include "pdf/core/crypt_primitives.h"
#include "pdf/core/crypt_stream.h"

namespace qp::pdf {
namespace {

constexpr char kPadding[] =
    "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
    "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A";

std::string DigestString(const Md5Digest& d) {
  return std::string(reinterpret_cast<const char*>(d.data()), d.size());
}

// The first `size` bytes of `s`, zero-filled when it is shorter.
std::string Fixed(std::string_view s, size_t size) {
  std::string out(s.substr(0, size));
  out.resize(size, '\0');
  return out;
}

std::string XorKey(const std::string& key, int value) {
  std::string out(key);
  for (auto& c : out) c = static_cast<char>(static_cast<uint8_t>(c) ^ value);
  return out;
}

bool IsTransparent(CryptMethod m) {
  return m == CryptMethod::kNone || m == CryptMethod::kIdentity;
}

}  // namespace

std::string_view PasswordPadding() {
  return {kPadding, 32};
}

std::string PadPassword(std::string_view password) {
  std::string out(password.substr(0, 32));
  out.append(kPadding, 32 - out.size());
  return out;
}

SecurityStatus SecurityHandler::Create(const EncryptDict& dict,
                                       std::unique_ptr<SecurityHandler>* out) {
  out->reset();
  if (dict.filter != "Standard") return SecurityStatus::kUnsupportedEncryption;
  std::unique_ptr<SecurityHandler> h(new SecurityHandler);
  h->v_ = dict.v == 0 ? 1 : dict.v;  // V absent: the original 40-bit scheme
  h->r_ = dict.r;
  if (h->r_ == 0) h->r_ = h->v_ == 1 ? 2 : h->v_ == 2 ? 3 : h->v_ == 4 ? 4 : 6;
  switch (h->v_) {
    case 1:
    case 2:
      if (h->r_ != 2 && h->r_ != 3) return SecurityStatus::kUnsupportedEncryption;
      h->stream_method_ = h->string_method_ = CryptMethod::kRc4;
      if (h->r_ == 2 || h->v_ == 1) {
        h->key_bytes_ = 5;
      } else {
        int bits = dict.length;
        if (bits < 40 || bits > 128 || bits % 8 != 0) bits = 128;
        h->key_bytes_ = static_cast<size_t>(bits / 8);
      }
      break;
    case 4:
      if (h->r_ != 4) return SecurityStatus::kUnsupportedEncryption;
      for (CryptMethod m : {dict.stream_method, dict.string_method})
        if (m == CryptMethod::kAesV3) return SecurityStatus::kUnsupportedEncryption;
      h->stream_method_ = dict.stream_method;
      h->string_method_ = dict.string_method;
      h->key_bytes_ = 16;
      break;
    case 5:
      if (h->r_ != 5 && h->r_ != 6) return SecurityStatus::kUnsupportedEncryption;
      for (CryptMethod m : {dict.stream_method, dict.string_method})
        if (m != CryptMethod::kAesV3 && !IsTransparent(m))
          return SecurityStatus::kUnsupportedEncryption;
      h->stream_method_ = dict.stream_method;
      h->string_method_ = dict.string_method;
      h->key_bytes_ = 32;
      break;
    default:
      return SecurityStatus::kUnsupportedEncryption;
  }
  // The identifier feeds the key of revisions 2 to 4 as it stands, whatever
  // its length: some writers put a 36-character text there, and other
  // readers open those files.
  if (h->r_ <= 4) {
    h->o_ = Fixed(dict.o, 32);
    h->u_ = Fixed(dict.u, 32);
  } else {
    h->o_ = Fixed(dict.o, 48);
    h->u_ = Fixed(dict.u, 48);
    h->oe_ = Fixed(dict.oe, 32);
    h->ue_ = Fixed(dict.ue, 32);
  }
  h->file_id_ = dict.file_id;
  h->p_ = dict.p;
  h->encrypt_metadata_ = dict.encrypt_metadata;
  h->file_key_.assign(h->key_bytes_, '\0');
  *out = std::move(h);
  return SecurityStatus::kOk;
}

std::string SecurityHandler::ComputeKey(std::string_view padded_password) const {
  std::string input(padded_password);
  input += o_;
  uint32_t p = static_cast<uint32_t>(p_);
  for (int i = 0; i < 4; ++i) input.push_back(static_cast<char>((p >> (8 * i)) & 0xFF));
  input += file_id_;
  if (r_ >= 4 && !encrypt_metadata_) input.append(4, '\xFF');
  std::string digest = DigestString(Md5(input));
  if (r_ >= 3)
    for (int i = 0; i < 50; ++i)
      digest = DigestString(Md5(std::string_view(digest).substr(0, key_bytes_)));
  return digest.substr(0, key_bytes_);
}

bool SecurityHandler::CheckUserKey(const std::string& key) const {
  if (r_ == 2) return Rc4Crypt(key, u_) == PasswordPadding();
  std::string data = u_;
  for (int i = 19; i >= 0; --i) data = Rc4Crypt(XorKey(key, i), data);
  std::string expected = DigestString(Md5(std::string(PasswordPadding()) + file_id_));
  return data.compare(0, 16, expected) == 0;
}

// Decrypts /O with a key from the owner password: the padded user password.
std::string SecurityHandler::UserPasswordFromOwner(std::string_view password) const {
  std::string digest = DigestString(Md5(PadPassword(password)));
  if (r_ >= 3)
    for (int i = 0; i < 50; ++i) digest = DigestString(Md5(digest));
  std::string key = digest.substr(0, key_bytes_);
  if (r_ == 2) return Rc4Crypt(key, o_);
  std::string data = o_;
  for (int i = 19; i >= 0; --i) data = Rc4Crypt(XorKey(key, i), data);
  return data;
}

std::string SecurityHandler::Hash(std::string_view password, std::string_view salt,
                                  std::string_view user_data) const {
  std::string k = Sha256(std::string(password) + std::string(salt) + std::string(user_data));
  if (r_ == 5) return k;
  std::string k1, e;
  for (int round = 0;; ++round) {
    std::string block = std::string(password) + k + std::string(user_data);
    k1.clear();
    for (int i = 0; i < 64; ++i) k1 += block;
    e.resize(k1.size());
    uint8_t iv[16];
    std::memcpy(iv, k.data() + 16, 16);
    AesCbcEncrypt(std::string_view(k).substr(0, 16), iv,
                  reinterpret_cast<const uint8_t*>(k1.data()), reinterpret_cast<uint8_t*>(e.data()),
                  k1.size());
    int sum = 0;
    for (int i = 0; i < 16; ++i) sum += static_cast<uint8_t>(e[i]);
    switch (sum % 3) {
      case 0:
        k = Sha256(e);
        break;
      case 1:
        k = Sha384(e);
        break;
      default:
        k = Sha512(e);
        break;
    }
    if (round >= 63 && static_cast<uint8_t>(e.back()) <= round - 31) break;
  }
  return k.substr(0, 32);
}

bool SecurityHandler::CheckAes256(std::string_view password, bool owner, std::string* key) const {
  password = password.substr(0, 127);
  std::string_view user_data = owner ? std::string_view(u_).substr(0, 48) : std::string_view();
  const std::string& hashed = owner ? o_ : u_;
  if (Hash(password, std::string_view(hashed).substr(32, 8), user_data) != hashed.substr(0, 32))
    return false;
  std::string intermediate = Hash(password, std::string_view(hashed).substr(40, 8), user_data);
  const std::string& wrapped = owner ? oe_ : ue_;
  uint8_t iv[16] = {};
  key->assign(32, '\0');
  AesCbcDecrypt(intermediate, iv, reinterpret_cast<const uint8_t*>(wrapped.data()),
                reinterpret_cast<uint8_t*>(key->data()), 32);
  return true;
}

PasswordKind SecurityHandler::CheckPassword(std::string_view password) {
  if (r_ >= 5) {
    std::string key;
    for (bool owner : {true, false}) {
      if (CheckAes256(password, owner, &key)) {
        file_key_ = key;
        has_key_ = true;
        is_owner_ = owner;
        user_password_.clear();
        return owner ? PasswordKind::kOwner : PasswordKind::kUser;
      }
    }
    return PasswordKind::kInvalid;
  }
  std::string padded_user = UserPasswordFromOwner(password);
  std::string key = ComputeKey(padded_user);
  if (CheckUserKey(key)) {
    file_key_ = key;
    has_key_ = true;
    is_owner_ = true;
    // The recovered password ends where the padding string begins.
    size_t end = 32;
    for (size_t k = 0; k <= 32; ++k) {
      if (padded_user.compare(k, 32 - k, kPadding, 32 - k) == 0) {
        end = k;
        break;
      }
    }
    user_password_ = padded_user.substr(0, end);
    return PasswordKind::kOwner;
  }
  key = ComputeKey(PadPassword(password));
  if (CheckUserKey(key)) {
    file_key_ = key;
    has_key_ = true;
    is_owner_ = false;
    user_password_ = std::string(password.substr(0, 32));
    return PasswordKind::kUser;
  }
  return PasswordKind::kInvalid;
}

std::string SecurityHandler::ObjectKey(uint32_t obj, uint32_t gen, CryptMethod method) const {
  if (method == CryptMethod::kAesV3) return file_key_;
  std::string input = file_key_;
  for (int i = 0; i < 3; ++i) input.push_back(static_cast<char>((obj >> (8 * i)) & 0xFF));
  for (int i = 0; i < 2; ++i) input.push_back(static_cast<char>((gen >> (8 * i)) & 0xFF));
  if (method == CryptMethod::kAesV2) input += "sAlT";
  size_t size = std::min<size_t>(file_key_.size() + 5, 16);
  return DigestString(Md5(input)).substr(0, size);
}

std::string SecurityHandler::DecryptString(std::string_view data, uint32_t obj,
                                           uint32_t gen) const {
  CryptMethod m = string_method_;
  if (IsTransparent(m)) return std::string(data);
  std::string key = ObjectKey(obj, gen, m);
  if (m == CryptMethod::kRc4) return Rc4Crypt(key, data);
  return AesDecryptString(key, data);
}

std::unique_ptr<ByteSource> SecurityHandler::DecryptStream(std::unique_ptr<ByteSource> input,
                                                           uint32_t obj, uint32_t gen,
                                                           bool is_metadata) const {
  if (is_metadata && !encrypt_metadata_ && v_ >= 4) return input;
  return DecryptStream(std::move(input), obj, gen, stream_method_);
}

std::unique_ptr<ByteSource> SecurityHandler::DecryptStream(std::unique_ptr<ByteSource> input,
                                                           uint32_t obj, uint32_t gen,
                                                           CryptMethod method) const {
  if (IsTransparent(method)) return input;
  std::string key = ObjectKey(obj, gen, method);
  if (method == CryptMethod::kRc4) return MakeRc4DecryptSource(std::move(input), key);
  return MakeAesDecryptSource(std::move(input), key);
}

}  // namespace qp::pdf
