#pragma once
// The standard security handler: password checks, the file key, object keys,
// and decryption of strings and stream data with RC4 or AES.
//
// The document loader fills EncryptDict from the /Encrypt dictionary and the
// trailer, calls SecurityHandler::Create (kUnsupportedEncryption becomes the
// "Unsupported encryption" error), then CheckPassword with the caller's password (kInvalid becomes
// "Invalid password").

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/core/byte_source.h"

namespace qp::pdf {

// The /CFM of a crypt filter. kNone (CFM None) and kIdentity leave the data
// as it is.
enum class CryptMethod { kNone, kIdentity, kRc4, kAesV2, kAesV3 };

struct EncryptDict {
  std::string filter = "Standard";  // /Filter
  int v = 0;                        // /V
  int r = 0;                        // /R
  int length = 40;                  // /Length in bits (40 when absent)
  std::string o, u, oe, ue, perms;  // string values as bytes
  int32_t p = 0;
  std::string file_id;  // the first string of the trailer's /ID, as bytes
  bool encrypt_metadata = true;
  // Methods of the crypt filters named by /StmF and /StrF (V 4 and 5); the
  // loader gives kIdentity when the entry is absent or names /Identity, and
  // the /CFM of the named filter otherwise. Ignored for V 1 and 2 (RC4).
  CryptMethod stream_method = CryptMethod::kRc4;
  CryptMethod string_method = CryptMethod::kRc4;
};

enum class SecurityStatus { kOk, kUnsupportedEncryption };
enum class PasswordKind { kInvalid, kUser, kOwner };

class SecurityHandler {
 public:
  static SecurityStatus Create(const EncryptDict& dict, std::unique_ptr<SecurityHandler>* out);

  // Tries `password` as the owner password, then as the user password. On
  // success the file key is derived; on failure nothing changes. An empty
  // password opens documents whose user password is empty.
  PasswordKind CheckPassword(std::string_view password);

  // Until a password check succeeds the file key is all zero bytes.
  bool has_key() const { return has_key_; }
  bool is_owner() const { return is_owner_; }
  const std::string& file_key() const { return file_key_; }
  // The user password recovered from /O when the owner password was given
  // (revisions 2 to 4); empty otherwise.
  const std::string& user_password() const { return user_password_; }
  int revision() const { return r_; }
  CryptMethod stream_method() const { return stream_method_; }
  CryptMethod string_method() const { return string_method_; }

  // The key for one object: derived from the file key, the object and
  // generation numbers (and "sAlT" for AES-128); the file key itself for
  // AES-256.
  std::string ObjectKey(uint32_t obj, uint32_t gen, CryptMethod method) const;

  // Decrypts a string object of indirect object `obj` `gen`.
  std::string DecryptString(std::string_view data, uint32_t obj, uint32_t gen) const;

  // Decrypts stream data. A metadata stream of a document whose
  // EncryptMetadata is false passes unchanged (V 4 and 5).
  std::unique_ptr<ByteSource> DecryptStream(std::unique_ptr<ByteSource> input, uint32_t obj,
                                            uint32_t gen, bool is_metadata = false) const;
  // The same with an explicit method, for a stream's own /Crypt filter.
  std::unique_ptr<ByteSource> DecryptStream(std::unique_ptr<ByteSource> input, uint32_t obj,
                                            uint32_t gen, CryptMethod method) const;

 private:
  SecurityHandler() = default;

  // Revisions 2 to 4.
  std::string ComputeKey(std::string_view padded_password) const;
  bool CheckUserKey(const std::string& key) const;
  std::string UserPasswordFromOwner(std::string_view password) const;
  // Revisions 5 and 6.
  std::string Hash(std::string_view password, std::string_view salt,
                   std::string_view user_data) const;
  bool CheckAes256(std::string_view password, bool owner, std::string* key) const;

  int v_ = 0;
  int r_ = 0;
  size_t key_bytes_ = 5;
  std::string o_, u_, oe_, ue_, file_id_;
  int32_t p_ = 0;
  bool encrypt_metadata_ = true;
  CryptMethod stream_method_ = CryptMethod::kRc4;
  CryptMethod string_method_ = CryptMethod::kRc4;

  std::string file_key_;
  std::string user_password_;
  bool is_owner_ = false;
  bool has_key_ = false;
};

// The 32-byte string that pads passwords of revisions 2 to 4.
std::string_view PasswordPadding();
// A password cut or padded to 32 bytes.
std::string PadPassword(std::string_view password);

}  // namespace qp::pdf
