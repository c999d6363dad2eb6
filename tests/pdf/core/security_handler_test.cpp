// Password checks and key derivation against /Encrypt values of documents
// written by several producers (the owner password is always "owner"), with
// the file keys that an independent implementation derives for them.

#include <gtest/gtest.h>

#include "pdf/core/security_handler.h"
#include "tests/pdf/core/filter_test_helpers.h"

namespace qp::pdf {
namespace {

using test::FromHex;
using test::ToHex;

struct Document {
  const char* name;
  int v, r, length;
  const char* o;
  const char* u;
  const char* oe;
  const char* ue;
  int32_t p;
  const char* id;
  CryptMethod method;
  const char* user_password;
  const char* file_key;
};

EncryptDict DictOf(const Document& d) {
  EncryptDict dict;
  dict.v = d.v;
  dict.r = d.r;
  dict.length = d.length;
  dict.o = FromHex(d.o);
  dict.u = FromHex(d.u);
  dict.oe = FromHex(d.oe);
  dict.ue = FromHex(d.ue);
  dict.p = d.p;
  dict.file_id = FromHex(d.id);
  dict.stream_method = dict.string_method = d.method;
  return dict;
}

const Document kDocuments[] = {
    {"rc4 40 r2 user", 1, 2, 40, "94e8094419662a774442fb072e3d9f19e9d130ec09a4d0061e78fe920f7ab62f",
     "d170fff504148520746af4bc371572110dc72ce31b10320c840c9f0899a6e4d8", "", "", -4,
     "b5e763fd966b997ed3fafea3b242a3c1", CryptMethod::kRc4, "user", "270ad81f71"},
    {"rc4 40 r2 no length", 1, 2, 40,
     "c92422687facee686e373f10b5c7d04738053152f7e2ee30e11c69ec442576ab",
     "d693bddf4368b1f41abdf1491853c55768f79b4374b8eb7c71b8421409de3741", "", "", -12,
     "b5e763fd966b997ed3fafea3b242a3c1", CryptMethod::kRc4, "", "852b20e13f"},
    {"rc4 128 r3 user", 2, 3, 128,
     "0ba3835f88f90388e74e54584125ce142be0de24c6b0d37746e075b891756671",
     "89fd346c7507d65c0cb74718a8c010c528bf4e5e4e758a4164004e56fffa0108", "", "",
     static_cast<int32_t>(4294963392u), "9b7e3f8ac2a6b3ce4a91d7f2a831574d", CryptMethod::kRc4,
     "user", "2072e060a3ad82c817774995506988bb"},
    {"aes 128 r4", 4, 4, 128, "566fa873ee33c797cd3b904fdadf814afa34df9a38f6ed41b984e2c6da2aa6f5",
     "a76859c50e40cb7b7de9b5641d58dfb70122456a91bae5134273a6db134c87c4", "", "", -4,
     "b5e763fd966b997ed3fafea3b242a3c1", CryptMethod::kAesV2, "",
     "fb8c96eed6aa95585e0472cafe1704a8"},
    {"aes 256 r5", 5, 5, 256,
     "ecfa49c3d9119886b7ef731cce41605ee063f9b33e109fa1881396690df9eb2864b035c8c6f5b342bba24c8f2984"
     "dd6c",
     "b756b4084543a5bc41a3eb7c9742cc51e2fad5157534749db4eae47555a0f938d741352607a3cb4db5ab3d9768"
     "64d280",
     "e9131768f68e12872f799fbf474c5713fed6eccf4d56a7d3e3ecf927f64d9d1f",
     "6f968039f517c8389668932fef1169e7f5c3e478f7669704b4662a7c57887da5", -4,
     "b5e763fd966b997ed3fafea3b242a3c1", CryptMethod::kAesV3, "",
     "1fb5a2f9112bf2141fc49aec69ceade18b53668753f29ff91a5444dbac8d5f12"},
    {"aes 256 r6 user", 5, 6, 256,
     "2b581dcb328bba18c52906bec4c7d393ae4b35f032bc045a7b47b9149b03fe523c625ce0f1e028b4090372a402"
     "c8fbf9",
     "3993fb9dfad1b139000b6c7285c4e082f7a2beac08ee0561233e8cd259e8c98d63cd5717330a8ec3d183e17272"
     "41db39",
     "fefb97292308f13364954b3db5d32c20d11f0ccf55b6e026cdbebfbab526d575",
     "2fa8aac9ae95efeb8003c8653b1f056903aee1a63660787e47740b547be2955a", -4,
     "b5e763fd966b997ed3fafea3b242a3c1", CryptMethod::kAesV3, "user",
     "0ff0da4709f18d6de94b3de53038ff399d309a32940068c57a7d4e74617a94ae"},
};

TEST(SecurityHandler, PasswordsAndFileKeys) {
  for (const Document& d : kDocuments) {
    SCOPED_TRACE(d.name);
    std::unique_ptr<SecurityHandler> handler;
    ASSERT_EQ(SecurityHandler::Create(DictOf(d), &handler), SecurityStatus::kOk);
    EXPECT_FALSE(handler->has_key());
    EXPECT_EQ(handler->CheckPassword("wrong"), PasswordKind::kInvalid);
    EXPECT_FALSE(handler->has_key());
    bool empty_user = std::string(d.user_password).empty();
    if (!empty_user) {
      EXPECT_EQ(handler->CheckPassword(""), PasswordKind::kInvalid);
    }
    EXPECT_EQ(handler->CheckPassword(d.user_password), PasswordKind::kUser);
    EXPECT_FALSE(handler->is_owner());
    EXPECT_EQ(ToHex(handler->file_key()), d.file_key);
    EXPECT_EQ(handler->CheckPassword("owner"), PasswordKind::kOwner);
    EXPECT_TRUE(handler->is_owner());
    EXPECT_EQ(ToHex(handler->file_key()), d.file_key);
    if (d.r <= 4) {
      EXPECT_EQ(handler->user_password(), d.user_password);
    }
    // A failed check keeps the key and the owner flag of the last success.
    EXPECT_EQ(handler->CheckPassword("nope"), PasswordKind::kInvalid);
    EXPECT_TRUE(handler->is_owner());
    EXPECT_EQ(ToHex(handler->file_key()), d.file_key);
  }
}

TEST(SecurityHandler, ObjectKeys) {
  std::unique_ptr<SecurityHandler> handler;
  ASSERT_EQ(SecurityHandler::Create(DictOf(kDocuments[0]), &handler), SecurityStatus::kOk);
  ASSERT_EQ(handler->CheckPassword("user"), PasswordKind::kUser);
  // 40-bit file keys give 10-byte object keys; the salt changes AES keys.
  EXPECT_EQ(handler->ObjectKey(7, 0, CryptMethod::kRc4).size(), 10u);
  ASSERT_EQ(SecurityHandler::Create(DictOf(kDocuments[3]), &handler), SecurityStatus::kOk);
  ASSERT_EQ(handler->CheckPassword(""), PasswordKind::kUser);
  std::string rc4 = handler->ObjectKey(7, 0, CryptMethod::kRc4);
  std::string aes = handler->ObjectKey(7, 0, CryptMethod::kAesV2);
  EXPECT_EQ(rc4.size(), 16u);
  EXPECT_EQ(aes.size(), 16u);
  EXPECT_NE(rc4, aes);
  EXPECT_NE(handler->ObjectKey(8, 0, CryptMethod::kRc4), rc4);
  EXPECT_NE(handler->ObjectKey(7, 1, CryptMethod::kRc4), rc4);
  // Only the low three bytes of the object number count.
  EXPECT_EQ(handler->ObjectKey(7 + (1u << 24), 0, CryptMethod::kRc4), rc4);
}

TEST(SecurityHandler, RefusesWhatItCannotDecrypt) {
  struct Refusal {
    const char* name;
    EncryptDict dict;
    SecurityStatus expected;
  };
  EncryptDict base = DictOf(kDocuments[2]);
  auto with = [&](auto change) {
    EncryptDict d = base;
    change(d);
    return d;
  };
  const Refusal cases[] = {
      {"other handler", with([](EncryptDict& d) { d.filter = "Adobe.PubSec"; }),
       SecurityStatus::kUnsupportedEncryption},
      {"V 3", with([](EncryptDict& d) { d.v = 3; }), SecurityStatus::kUnsupportedEncryption},
      {"R 7", with([](EncryptDict& d) { d.r = 7; }), SecurityStatus::kUnsupportedEncryption},
      {"V 4 with R 3", with([](EncryptDict& d) { d.v = 4; }),
       SecurityStatus::kUnsupportedEncryption},
      {"V 4 with AESV3", with([](EncryptDict& d) {
         d.v = 4;
         d.r = 4;
         d.stream_method = CryptMethod::kAesV3;
       }),
       SecurityStatus::kUnsupportedEncryption},
      {"V 5 with RC4", with([](EncryptDict& d) {
         d.v = 5;
         d.r = 6;
       }),
       SecurityStatus::kUnsupportedEncryption},
      // Identifiers of any length feed the key as they stand.
      {"8-byte ID", with([](EncryptDict& d) { d.file_id.resize(8); }), SecurityStatus::kOk},
      {"36-byte ID", with([](EncryptDict& d) { d.file_id.resize(36, 'A'); }), SecurityStatus::kOk},
      {"no ID", with([](EncryptDict& d) { d.file_id.clear(); }), SecurityStatus::kOk},
  };
  for (const auto& c : cases) {
    std::unique_ptr<SecurityHandler> handler;
    EXPECT_EQ(SecurityHandler::Create(c.dict, &handler), c.expected) << c.name;
    EXPECT_EQ(handler != nullptr, c.expected == SecurityStatus::kOk) << c.name;
  }
}

TEST(SecurityHandler, IdentityAndUnencryptedMetadataPassThrough) {
  EncryptDict dict = DictOf(kDocuments[3]);
  dict.string_method = CryptMethod::kIdentity;
  dict.encrypt_metadata = false;
  std::unique_ptr<SecurityHandler> handler;
  ASSERT_EQ(SecurityHandler::Create(dict, &handler), SecurityStatus::kOk);
  handler->CheckPassword("");  // the key differs with EncryptMetadata false
  EXPECT_EQ(handler->DecryptString("plain text", 4, 0), "plain text");
  auto metadata = handler->DecryptStream(test::Source("<x:xmpmeta/>"), 9, 0, true);
  EXPECT_EQ(test::ReadAll(*metadata), "<x:xmpmeta/>");
  auto explicit_identity =
      handler->DecryptStream(test::Source("raw"), 9, 0, CryptMethod::kIdentity);
  EXPECT_EQ(test::ReadAll(*explicit_identity), "raw");
}

TEST(SecurityHandler, PaddingOfPasswords) {
  EXPECT_EQ(PadPassword("").substr(0, 32), std::string(PasswordPadding()));
  EXPECT_EQ(PadPassword("ab").substr(0, 2), "ab");
  EXPECT_EQ(PadPassword("ab").substr(2), std::string(PasswordPadding().substr(0, 30)));
  EXPECT_EQ(PadPassword(std::string(40, 'x')), std::string(32, 'x'));
}

}  // namespace
}  // namespace qp::pdf
