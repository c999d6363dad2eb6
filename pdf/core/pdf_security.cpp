#include "pdf/core/pdf_security.h"

#include <cmath>

#include "pdf/core/pdf_errors.h"

namespace qp::pdf {

namespace {

int IntValue(const TPDDictionary& dict, std::string_view key, int fallback) {
  const TPDBaseObject* value = dict.LookUp(key);
  if (value == nullptr || !value->IsNumber()) return fallback;
  return static_cast<int>(value->GetNumber());
}

std::string StringBytes(const TPDDictionary& dict, std::string_view key) {
  const TPDBaseObject* value = dict.LookUp(key);
  if (value == nullptr || !value->IsString()) return {};
  return static_cast<const TPDString*>(value)->GetBytes();
}

std::string NameValue(const TPDBaseObject* value) {
  return value != nullptr && value->IsName() ? static_cast<const TPDName*>(value)->Value()
                                             : std::string();
}

// /P is a signed 32-bit value, but some writers store it unsigned.
int32_t PermissionValue(const TPDBaseObject* value) {
  if (value == nullptr || !value->IsNumber()) return 0;
  const double number = value->GetNumber();
  if (!std::isfinite(number) || std::fabs(number) > 4294967296.0) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(number)));
}

CryptMethod MethodOfCfm(std::string_view cfm) {
  if (cfm == "V2") return CryptMethod::kRc4;
  if (cfm == "AESV2") return CryptMethod::kAesV2;
  if (cfm == "AESV3") return CryptMethod::kAesV3;
  return CryptMethod::kNone;
}

std::vector<std::pair<std::string, CryptMethod>> ReadCryptFilters(const TPDDictionary& encrypt) {
  std::vector<std::pair<std::string, CryptMethod>> filters;
  const TPDBaseObject* cf = encrypt.LookUp("CF");
  if (cf == nullptr || !cf->IsDict()) return filters;
  const auto& dict = static_cast<const TPDDictionary&>(*cf);
  for (size_t i = 0; i < dict.GetLength(); ++i) {
    const TPDBaseObject* filter = dict.GetValue(i);
    CryptMethod method = CryptMethod::kNone;
    if (filter != nullptr && filter->IsDict()) {
      method = MethodOfCfm(NameValue(static_cast<const TPDDictionary*>(filter)->LookUp("CFM")));
    }
    filters.emplace_back(std::string(dict.GetKey(i)), method);
  }
  return filters;
}

CryptMethod Lookup(const std::vector<std::pair<std::string, CryptMethod>>& filters,
                   std::string_view name) {
  if (name.empty() || name == "Identity") return CryptMethod::kIdentity;
  for (const auto& [key, method] : filters) {
    if (key == name) return method;
  }
  return CryptMethod::kNone;
}

}  // namespace

EncryptDict ReadEncryptDict(const TPDDictionary& encrypt, const TPDBaseObject* id) {
  EncryptDict dict;
  dict.filter = NameValue(encrypt.LookUp("Filter"));
  dict.v = IntValue(encrypt, "V", 0);
  dict.r = IntValue(encrypt, "R", 0);
  dict.length = IntValue(encrypt, "Length", 40);
  dict.o = StringBytes(encrypt, "O");
  dict.u = StringBytes(encrypt, "U");
  dict.oe = StringBytes(encrypt, "OE");
  dict.ue = StringBytes(encrypt, "UE");
  dict.perms = StringBytes(encrypt, "Perms");
  dict.p = PermissionValue(encrypt.LookUp("P"));
  const TPDBaseObject* metadata = encrypt.LookUp("EncryptMetadata");
  if (metadata != nullptr && metadata->IsBoolean()) {
    dict.encrypt_metadata = static_cast<const TPDBoolean*>(metadata)->Value();
  }
  if (dict.v == 4 || dict.v == 5) {
    const auto filters = ReadCryptFilters(encrypt);
    dict.stream_method = Lookup(filters, NameValue(encrypt.LookUp("StmF")));
    dict.string_method = Lookup(filters, NameValue(encrypt.LookUp("StrF")));
  }
  if (id != nullptr && id->IsArray()) {
    const TPDBaseObject* first = static_cast<const TPDArray*>(id)->Get(0);
    if (first != nullptr && first->IsString()) {
      dict.file_id = static_cast<const TPDString*>(first)->GetBytes();
    }
  }
  return dict;
}

TPDSecurity::TPDSecurity(const TPDDictionary& encrypt, const TPDBaseObject* id,
                         std::string_view password)
    : settings_(ReadEncryptDict(encrypt, id)) {
  switch (SecurityHandler::Create(settings_, &handler_)) {
    case SecurityStatus::kOk:
      break;
    case SecurityStatus::kUnsupportedEncryption:
      throw ExUnsupportedEncryption();
  }
  if (handler_->CheckPassword(password) == PasswordKind::kInvalid) throw ExInvalidPassword();
  permissions_ = settings_.p;
  crypt_filters_ = ReadCryptFilters(encrypt);
}

void TPDSecurity::DecryptString(uint32_t objNumber, uint32_t genNumber, std::string& bytes) {
  bytes = handler_->DecryptString(bytes, objNumber, genNumber);
}

std::unique_ptr<ByteSource> TPDSecurity::DecryptStream(uint32_t objNumber, uint32_t genNumber,
                                                       std::unique_ptr<ByteSource> raw) {
  return handler_->DecryptStream(std::move(raw), objNumber, genNumber);
}

CryptMethod TPDSecurity::MethodOfCryptFilter(std::string_view name) const {
  return Lookup(crypt_filters_, name);
}

std::unique_ptr<ByteSource> TPDSecurity::DecryptStreamData(uint32_t objNumber, uint32_t genNumber,
                                                           const TPDDictionary& dict,
                                                           std::unique_ptr<ByteSource> raw) {
  // Cross-reference streams are never encrypted.
  if (dict.IsDict("XRef")) return raw;
  // A stream whose first filter is /Crypt names its own crypt filter.
  const TPDBaseObject* filter = dict.LookUp("Filter");
  const TPDBaseObject* params = dict.LookUp("DecodeParms");
  if (filter != nullptr && filter->IsArray()) {
    filter = static_cast<const TPDArray*>(filter)->Get(0);
    params = params != nullptr && params->IsArray() ? static_cast<const TPDArray*>(params)->Get(0)
                                                    : nullptr;
  }
  if (filter != nullptr && filter->IsName("Crypt") && settings_.v >= 4) {
    std::string name = "Identity";
    if (params != nullptr && params->IsDict()) {
      const std::string given =
          NameValue(static_cast<const TPDDictionary*>(params)->LookUp("Name"));
      if (!given.empty()) name = given;
    }
    return handler_->DecryptStream(std::move(raw), objNumber, genNumber, MethodOfCryptFilter(name));
  }
  return handler_->DecryptStream(std::move(raw), objNumber, genNumber, dict.IsDict("Metadata"));
}

}  // namespace qp::pdf
