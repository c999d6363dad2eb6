// Published test vectors for the hashes and ciphers, and the decrypting
// sources built on them.

#include <gtest/gtest.h>

#include "pdf/core/crypt_primitives.h"
#include "pdf/core/crypt_stream.h"
#include "tests/pdf/core/filter_test_helpers.h"

namespace qp::pdf {
namespace {

using test::FromHex;
using test::ToHex;

std::string Str(const Md5Digest& d) {
  return std::string(d.begin(), d.end());
}

TEST(CryptVectors, Md5Rfc1321) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [input, digest] : cases) EXPECT_EQ(ToHex(Str(Md5(input))), digest) << input;
}

TEST(CryptVectors, Rc4Published) {
  const std::tuple<std::string, std::string, const char*> cases[] = {
      {"Key", "Plaintext", "bbf316e8d940af0ad3"},
      {"Wiki", "pedia", "1021bf0420"},
      {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
      {FromHex("0102030405"), std::string(16, '\0'), "b2396305f03dc027ccc3524a0a1118a8"},
  };
  for (const auto& [key, plain, cipher] : cases) {
    EXPECT_EQ(ToHex(Rc4Crypt(key, plain)), cipher) << key;
    EXPECT_EQ(Rc4Crypt(key, FromHex(cipher)), plain) << key;
  }
}

TEST(CryptVectors, AesFips197) {
  const std::string plain = FromHex("00112233445566778899aabbccddeeff");
  const std::pair<std::string, const char*> cases[] = {
      {FromHex("000102030405060708090a0b0c0d0e0f"), "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {FromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"),
       "8ea2b7ca516745bfeafc49904b496089"},
  };
  for (const auto& [key, cipher] : cases) {
    uint8_t out[16];
    AesEcbEncryptBlock(key, reinterpret_cast<const uint8_t*>(plain.data()), out);
    EXPECT_EQ(ToHex(std::string(reinterpret_cast<char*>(out), 16)), cipher);
    std::string c = FromHex(cipher);
    AesEcbDecryptBlock(key, reinterpret_cast<const uint8_t*>(c.data()), out);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 16), plain);
  }
}

TEST(CryptVectors, Sha2) {
  EXPECT_EQ(ToHex(Sha256("abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(ToHex(Sha256("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(ToHex(Sha384("abc")),
            "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed"
            "8086072ba1e7cc2358baeca134c825a7");
  EXPECT_EQ(ToHex(Sha512("abc")),
            "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
            "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
}

// CBC with an IV prefix and PKCS#5 padding, as AES-encrypted PDF data is
// stored; decrypted through the stream source in pieces of every size.
TEST(CryptVectors, AesSourceRemovesIvAndPadding) {
  const std::string key = FromHex("2b7e151628aed2a6abf7158809cf4f3c");
  for (size_t length : {size_t{0}, size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{70000}}) {
    std::string plain(length, '\0');
    for (size_t i = 0; i < length; ++i) plain[i] = static_cast<char>(i * 7 + 3);
    size_t pad = 16 - length % 16;
    std::string padded = plain + std::string(pad, static_cast<char>(pad));
    uint8_t iv[16];
    for (int i = 0; i < 16; ++i) iv[i] = static_cast<uint8_t>(i * 13);
    std::string stored(reinterpret_cast<char*>(iv), 16);
    std::string cipher(padded.size(), '\0');
    AesCbcEncrypt(key, iv, reinterpret_cast<const uint8_t*>(padded.data()),
                  reinterpret_cast<uint8_t*>(cipher.data()), padded.size());
    stored += cipher;
    EXPECT_EQ(AesDecryptString(key, stored), plain) << length;
    for (size_t step : {size_t{1}, size_t{5}, size_t{100000}}) {
      auto source = MakeAesDecryptSource(std::make_unique<test::TrickleSource>(stored, step), key);
      EXPECT_TRUE(test::ReadAll(*source, 1000) == plain) << length << " step " << step;
      source->Rewind();
      EXPECT_TRUE(test::ReadAll(*source, 7) == plain) << length << " after rewind";
    }
  }
  // Too short to hold an IV and a block: no data.
  EXPECT_EQ(AesDecryptString(key, std::string(20, 'x')), "");
  auto short_source = MakeAesDecryptSource(test::Source(std::string(10, 'x')), key);
  EXPECT_EQ(test::ReadAll(*short_source), "");
}

TEST(CryptVectors, Rc4SourceRestartsKeystream) {
  auto source = MakeRc4DecryptSource(test::Source(FromHex("bbf316e8d940af0ad3")), "Key");
  EXPECT_EQ(test::ReadAll(*source, 2), "Plaintext");
  source->Rewind();
  EXPECT_EQ(test::ReadAll(*source), "Plaintext");
}

}  // namespace
}  // namespace qp::pdf
