#pragma once
// Connects an encrypted document to the standard security handler: reads the
// /Encrypt dictionary and the trailer's /ID, checks the password, and
// decrypts strings and stream data for the parser.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/core/pdf_parser.h"
#include "pdf/core/security_handler.h"

namespace qp::pdf {

// The settings of an /Encrypt dictionary; `id` is the trailer's /ID (or
// nothing).
EncryptDict ReadEncryptDict(const TPDDictionary& encrypt, const TPDBaseObject* id);

class TPDSecurity final : public TPDDecryptor {
 public:
  // Raises ExUnsupportedEncryption ("Unsupported encryption") for another
  // handler or a scheme the handler does not implement, and
  // ExInvalidPassword when `password` opens nothing.
  TPDSecurity(const TPDDictionary& encrypt, const TPDBaseObject* id, std::string_view password);

  bool IsOwner() const { return handler_->is_owner(); }
  int32_t Permissions() const { return permissions_; }
  const SecurityHandler& Handler() const { return *handler_; }

  void DecryptString(uint32_t objNumber, uint32_t genNumber, std::string& bytes) override;
  std::unique_ptr<ByteSource> DecryptStream(uint32_t objNumber, uint32_t genNumber,
                                            std::unique_ptr<ByteSource> raw) override;
  std::unique_ptr<ByteSource> DecryptStreamData(uint32_t objNumber, uint32_t genNumber,
                                                const TPDDictionary& dict,
                                                std::unique_ptr<ByteSource> raw) override;

 private:
  std::unique_ptr<SecurityHandler> handler_;
  CryptMethod MethodOfCryptFilter(std::string_view name) const;
  EncryptDict settings_;
  int32_t permissions_ = 0;
  // The /CF dictionary's filters by name, for streams with their own /Crypt.
  std::vector<std::pair<std::string, CryptMethod>> crypt_filters_;
};

}  // namespace qp::pdf
