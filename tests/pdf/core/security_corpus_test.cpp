// The encrypted files of the corpus: their /Encrypt values, read through
// qpdf without decrypting, must accept the passwords of MANIFEST.tsv; their
// encrypted strings and streams, cut from the file by object number, must
// decrypt to what qpdf decrypts.

#include <gtest/gtest.h>

#include <regex>

#include "pdf/core/security_handler.h"
#include "tests/pdf/core/filter_corpus_helpers.h"
#include "tests/pdf/core/filter_test_helpers.h"

namespace qp::pdf {
namespace {

using namespace qp::pdf::test;

// qpdf writes strings as "b:" hex bytes or "u:" text.
std::string StringValue(const Json* v) {
  if (!v || !v->IsString()) return {};
  if (v->text.rfind("b:", 0) == 0) return FromHex(v->text.substr(2));
  if (v->text.rfind("u:", 0) == 0) return v->text.substr(2);
  return v->text;
}

CryptMethod MethodOf(const Dump& dump, const Json& encrypt, const char* key) {
  const Json* name = dump.Resolve(encrypt.Find(key));
  if (!name || name->text == "/Identity") return CryptMethod::kIdentity;
  const Json* cf = dump.Resolve(encrypt.Find("/CF"));
  const Json* filter = cf ? dump.Resolve(cf->Find(name->text)) : nullptr;
  const Json* cfm = filter ? dump.Resolve(filter->Find("/CFM")) : nullptr;
  if (!cfm || cfm->text == "/None") return CryptMethod::kNone;
  if (cfm->text == "/V2") return CryptMethod::kRc4;
  if (cfm->text == "/AESV2") return CryptMethod::kAesV2;
  if (cfm->text == "/AESV3") return CryptMethod::kAesV3;
  return CryptMethod::kNone;
}

bool EncryptDictOf(const Dump& dump, EncryptDict* dict) {
  const Json* trailer = dump.Object("trailer");
  const Json* value = trailer ? trailer->Find("value") : nullptr;
  const Json* encrypt = value ? dump.Resolve(value->Find("/Encrypt")) : nullptr;
  if (!encrypt) return false;
  auto num = [&](const char* key, double fallback) {
    const Json* v = dump.Resolve(encrypt->Find(key));
    return v && v->type == Json::Type::kNumber ? v->number : fallback;
  };
  dict->filter = StringValue(dump.Resolve(encrypt->Find("/Filter"))).substr(1);
  dict->v = static_cast<int>(num("/V", 0));
  dict->r = static_cast<int>(num("/R", 0));
  dict->length = static_cast<int>(num("/Length", 40));
  // Some writers store P as its unsigned 32-bit value.
  dict->p = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(num("/P", 0))));
  dict->o = StringValue(encrypt->Find("/O"));
  dict->u = StringValue(encrypt->Find("/U"));
  dict->oe = StringValue(encrypt->Find("/OE"));
  dict->ue = StringValue(encrypt->Find("/UE"));
  dict->perms = StringValue(encrypt->Find("/Perms"));
  const Json* em = encrypt->Find("/EncryptMetadata");
  dict->encrypt_metadata = !em || em->type != Json::Type::kBool || em->boolean;
  dict->stream_method = MethodOf(dump, *encrypt, "/StmF");
  dict->string_method = MethodOf(dump, *encrypt, "/StrF");
  const Json* id = dump.Resolve(value->Find("/ID"));
  if (id && !id->items.empty()) dict->file_id = StringValue(&id->items[0]);
  return true;
}

// The text of indirect object `num gen` as it stands last in the file.
size_t FindObject(const std::string& file, int num, int gen) {
  std::string head = std::to_string(num) + " " + std::to_string(gen) + " obj";
  size_t found = std::string::npos;
  for (size_t at = file.find(head); at != std::string::npos; at = file.find(head, at + 1)) {
    if (at == 0 || !std::isdigit(static_cast<unsigned char>(file[at - 1]))) found = at;
  }
  return found;
}

// The encrypted bytes of a stream object, by its /Length.
bool EncryptedStream(const std::string& file, const Dump& dump, int num, int gen,
                     std::string* out) {
  size_t at = FindObject(file, num, gen);
  if (at == std::string::npos) return false;
  size_t kw = file.find("stream", at);
  if (kw == std::string::npos) return false;
  std::string dict = file.substr(at, kw - at);
  std::smatch m;
  if (!std::regex_search(dict, m, std::regex(R"(/Length\s+(\d+)(\s+(\d+)\s+R)?)"))) return false;
  size_t length = std::stoul(m[1]);
  if (m[2].matched) {
    const Json* v = dump.Resolve(dump.Object("obj:" + m[1].str() + " " + m[3].str() + " R"));
    if (v && v->Find("value")) v = v->Find("value");
    if (!v || v->type != Json::Type::kNumber) return false;
    length = static_cast<size_t>(v->number);
  }
  size_t start = kw + 6;
  if (file.compare(start, 2, "\r\n") == 0) {
    start += 2;
  } else if (file[start] == '\n' || file[start] == '\r') {
    ++start;
  }
  *out = file.substr(start, length);
  return out->size() == length;
}

// The first literal or hexadecimal string after `key` in object `num gen`.
bool EncryptedString(const std::string& file, int num, int gen, const std::string& key,
                     std::string* out) {
  size_t at = FindObject(file, num, gen);
  if (at == std::string::npos) return false;
  size_t end = file.find("endobj", at);
  size_t k = file.find(key, at);
  if (k == std::string::npos || k > end) return false;
  size_t p = file.find_first_of("(<", k + key.size());
  if (p == std::string::npos || p > end) return false;
  out->clear();
  if (file[p] == '<') {
    *out = FromHex(file.substr(p + 1, file.find('>', p) - p - 1));
    return true;
  }
  int depth = 0;
  for (size_t i = p + 1; i < end; ++i) {
    char c = file[i];
    if (c == '\\') {
      char e = file[++i];
      if (e >= '0' && e <= '7') {
        int v = 0;
        for (int d = 0; d < 3 && file[i] >= '0' && file[i] <= '7'; ++d)
          v = v * 8 + (file[i++] - '0');
        --i;
        out->push_back(static_cast<char>(v));
      } else if (e == '\r' || e == '\n') {
        if (e == '\r' && file[i + 1] == '\n') ++i;
      } else {
        const std::string from = "nrtbf", to = "\n\r\t\b\f";
        size_t idx = from.find(e);
        out->push_back(idx == std::string::npos ? e : to[idx]);
      }
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && depth-- == 0) return true;
    out->push_back(c);
  }
  return false;
}

TEST(SecurityCorpus, PasswordsAndDecryption) {
  QP_REQUIRE_CORPUS();
  int files = 0, streams = 0, strings = 0;
  for (const auto& [rel, passwords] : ManifestPasswords()) {
    if (!passwords.encrypted) continue;
    fs::path pdf = CorpusDir() / "mixed" / rel;
    SCOPED_TRACE(rel);
    TempDir tmp;
    Dump dump = QpdfDump(pdf, passwords.owner, "none", tmp.path(), "raw");
    ASSERT_TRUE(dump.ok);
    EncryptDict dict;
    ASSERT_TRUE(EncryptDictOf(dump, &dict));
    std::unique_ptr<SecurityHandler> handler;
    ASSERT_EQ(SecurityHandler::Create(dict, &handler), SecurityStatus::kOk);
    EXPECT_EQ(handler->CheckPassword("not the password"), PasswordKind::kInvalid);
    EXPECT_EQ(handler->CheckPassword(passwords.owner), PasswordKind::kOwner);
    std::string owner_key = handler->file_key();
    EXPECT_EQ(handler->CheckPassword(passwords.user), PasswordKind::kUser);
    EXPECT_EQ(handler->file_key(), owner_key);
    if (!passwords.user.empty()) {
      EXPECT_EQ(handler->CheckPassword(""), PasswordKind::kInvalid);
    }
    ++files;

    const std::string file = ReadFile(pdf);
    for (const auto& [key, obj] : dump.objects.members) {
      int num = 0, gen = 0;
      if (std::sscanf(key.c_str(), "obj:%d %d R", &num, &gen) != 2) continue;
      const Json* stream = obj.Find("stream");
      if (stream) {
        const Json* type = dump.Resolve(stream->Find("dict")->Find("/Type"));
        if (type && type->text == "/XRef") continue;  // never encrypted
        std::string encrypted;
        if (!EncryptedStream(file, dump, num, gen, &encrypted)) continue;  // in an object stream
        auto source = handler->DecryptStream(std::make_unique<MemorySource>(encrypted),
                                             static_cast<uint32_t>(num), static_cast<uint32_t>(gen),
                                             type && type->text == "/Metadata");
        std::string expected = ReadFile(stream->Find("datafile")->text);
        EXPECT_TRUE(ReadAll(*source) == expected) << key;
        ++streams;
        continue;
      }
      const Json* value = obj.Find("value");
      if (!value || value->type != Json::Type::kObject) continue;
      for (const char* string_key : {"/Producer", "/Title", "/Author", "/URI"}) {
        const Json* plain = value->Find(string_key);
        if (!plain || !plain->IsString()) continue;
        std::string encrypted;
        if (!EncryptedString(file, num, gen, string_key, &encrypted)) continue;
        EXPECT_EQ(handler->DecryptString(encrypted, static_cast<uint32_t>(num),
                                         static_cast<uint32_t>(gen)),
                  StringValue(plain))
            << key << " " << string_key;
        ++strings;
      }
    }
  }
  EXPECT_GE(files, 15);
  EXPECT_GT(streams, 40);
  EXPECT_GT(strings, 10);
  std::printf("%d files, %d streams and %d strings decrypted\n", files, streams, strings);
}

}  // namespace
}  // namespace qp::pdf
