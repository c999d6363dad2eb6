#include "pdf/core/pdf_parser.h"

#include <gtest/gtest.h>

#include <sstream>

#include "pdf/core/pdf_filter_stream.h"
#include "pdf/core/pdf_memory_stream.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::pdf {
namespace {

// A compact text form of an object, for table-driven expectations.
std::string Describe(const TPDBaseObject* object) {
  if (object == nullptr) return "nothing";
  std::ostringstream out;
  switch (object->GetType()) {
    case otBoolean:
      out << (static_cast<const TPDBoolean*>(object)->Value() ? "true" : "false");
      break;
    case otInteger:
      out << static_cast<const TPDInteger*>(object)->Value();
      break;
    case otReal:
      out << static_cast<const TPDReal*>(object)->Value();
      break;
    case otString: {
      const auto* string = static_cast<const TPDString*>(object);
      out << (string->IsHexString() ? "<" : "(") << string->GetString()
          << (string->IsHexString() ? ">" : ")");
      break;
    }
    case otName:
      out << "/" << static_cast<const TPDName*>(object)->Value();
      break;
    case otCommand:
      out << "'" << static_cast<const TPDCommand*>(object)->Value() << "'";
      break;
    case otNull:
      out << "null";
      break;
    case otEOF:
      out << "EOF";
      break;
    case otError:
      out << "ERROR";
      break;
    case otIndirectRef:
      out << object->GetObjNumber() << " " << object->GetGenNumber() << " R";
      break;
    case otArray: {
      const auto* array = static_cast<const TPDArray*>(object);
      out << "[";
      for (size_t i = 0; i < array->GetLength(); ++i) {
        out << (i ? " " : "") << Describe(array->GetRefObj(i));
      }
      out << "]";
      break;
    }
    case otDict: {
      const auto* dict = static_cast<const TPDDictionary*>(object);
      out << "<<";
      for (size_t i = 0; i < dict->GetLength(); ++i) {
        out << " /" << dict->GetKey(i) << " " << Describe(dict->GetValueRefObj(i));
      }
      out << " >>";
      break;
    }
    case otStream:
      out << "stream" << Describe(static_cast<const TPDStream*>(object)->GetDict());
      break;
    case otNone:
      out << "?";
      break;
  }
  return out.str();
}

// All objects of `input` until the end, separated by " | ".
std::string ParseAll(const std::string& input, const TPDParserContext& context = {},
                     bool allowStreams = false) {
  TPDParser parser(context, std::make_unique<TPDLexer>(std::make_unique<TMemoryStream>(input)),
                   allowStreams);
  std::string result;
  for (int i = 0; i < 50; ++i) {
    auto object = parser.GetObject();
    if (object->IsEOF()) break;
    if (!result.empty()) result += " | ";
    result += Describe(object.get());
  }
  return result;
}

struct ParseCase {
  const char* input;
  const char* objects;
};

TEST(PdfParser, AssemblesObjects) {
  const ParseCase cases[] = {
      {"4 0 R", "4 0 R"},
      {"4 0 obj", "4 | 0 | 'obj'"},
      {"4 R", "4 | 'R'"},
      {"1 2 3 R", "1 | 2 3 R"},
      {"[1 2 R 3] 5", "[1 2 R 3] | 5"},
      {"[1 [2 [3]] /N (s) <41>]", "[1 [2 [3]] /N (s) <41>]"},
      {"<< /A 1 /B [2] /C << /D /E >> >>", "<< /A 1 /B [2] /C << /D /E >> >>"},
      // The value is read before the end of the dictionary is tested.
      {"<< /A 1 /B >>", "<< /A 1 /B '>>' >>"},
      // A token that is not a name where a key belongs is skipped.
      {"<< 1 /A 2 (x) /B 3 >>", "<< /A 2 /B 3 >>"},
      // An error token ends the dictionary and stays to be read.
      {"<< /A ) /B 1 >>", "<< >> | ERROR | /B | 1 | '>>'"},
      {"[1 2", "[1 2]"},
      {"] >> ) {", "']' | '>>' | ERROR | ERROR"},
      // "ID" inside a container: the data after it is read as tokens.
      {"<< ID 1 /A 2 >>", "<< /A 2 >>"},
      {"<< /A ID 1 >>", "<< /A 'ID' >>"},
      {"[ID 1]", "['ID' 1]"},
      {"<< /Length 5 >> stream\nhello\nendstream",
       "<< /Length 5 >> | 'stream' | 'hello' | 'endstream'"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseAll(c.input), c.objects) << "input: " << c.input;
}

TEST(PdfParser, NestingBeyondTheLimitBecomesAnErrorObject) {
  const int limit = TPDParser::kMaxNesting;
  std::string inside = std::string(limit, '[') + std::string(limit, ']');
  EXPECT_EQ(ParseAll(inside + " 7").find("ERROR"), std::string::npos);
  const std::string deep = std::string(limit + 1, '[') + "1" + std::string(limit + 1, ']') + " 7";
  const std::string result = ParseAll(deep);
  EXPECT_NE(result.find("ERROR"), std::string::npos);
  EXPECT_EQ(result.substr(result.size() - 4), " | 7") << "parsing resumes after the deep part";
  // A hostile depth neither overflows the stack nor hangs.
  EXPECT_EQ(ParseAll(std::string(1000000, '[')).substr(0, 2), "[[");
  std::string dicts;
  for (int i = 0; i < 100000; ++i) dicts += "<</A ";
  EXPECT_NE(ParseAll(dicts).find("ERROR"), std::string::npos);
}

TEST(PdfParser, InlineImageDataIsLeftToTheCaller) {
  const std::string content = "BI /W 2 /H 1 ID \x01)>\x80 EI Q";
  TMemoryStream stream(content);
  TPDParser parser({}, std::make_unique<TPDLexer>(stream), false);
  std::string seen;
  for (;;) {
    auto object = parser.GetObject();
    seen += Describe(object.get()) + " ";
    if (object->IsCommand("ID")) break;
  }
  EXPECT_EQ(seen, "'BI' /W 2 /H 1 'ID' ");
  // The stream stands at the first byte of the data.
  TEmbededStream data(*parser.GetStream(), 4, true);
  std::string bytes;
  data.Read(bytes, 100);
  EXPECT_EQ(bytes, "\x01)>\x80");
  EXPECT_EQ(Describe(parser.GetObject().get()), "'EI'");
  EXPECT_EQ(Describe(parser.GetObject().get()), "'Q'");
  EXPECT_TRUE(parser.GetObject()->IsEOF());
}

TEST(PdfParser, SimpleObjectsMatchGetObject) {
  const std::string content =
      "q 1 0 0 1 72.5 -3 cm /F1 12 Tf [(A) -20 (B)] TJ 4 0 R <</MCID 0>> BDC (x\\y) Tj "
      "BI /W 1 ID \x07 EI ) true null EMC Q";
  TMemoryStream by_object(content);
  TMemoryStream by_token(content);
  TPDParser objects({}, std::make_unique<TPDLexer>(by_object), false);
  TPDParser tokens({}, std::make_unique<TPDLexer>(by_token), false);
  TPDToken token;
  for (int i = 0; i < 100; ++i) {
    const auto expected = objects.GetObject();
    const auto got = tokens.GetSimpleObject(token) ? token.ToObject() : tokens.GetObject();
    ASSERT_EQ(Describe(got.get()), Describe(expected.get())) << "object " << i;
    if (expected->IsEOF()) break;
  }
}

// Operands of content streams hold no references: integers that follow
// each other are all simple, with nothing read as an object.
TEST(PdfParser, ContentOperandsTakeIntegersAsSimple) {
  TMemoryStream stream(std::string("4 0 R 1 2 re"));
  TPDParser parser({}, std::make_unique<TPDLexer>(stream), false);
  TPDToken token;
  std::string seen;
  while (parser.GetSimpleObject(token, false) && token.kind != TPDTokenKind::EndOfInput) {
    seen += token.kind == TPDTokenKind::Integer ? std::to_string(token.int_value) : token.text;
  }
  EXPECT_EQ(seen, "40R12re");
}

// A document whose objects are parsed from a template.
class TemplateDocument final : public TPDObjectResolver {
 public:
  explicit TemplateDocument(const std::string& text)
      : pdf_(testing::ExpandPdfTemplateWithOffsets(text)),
        file_(reinterpret_cast<const uint8_t*>(pdf_.bytes.data()), pdf_.bytes.size()) {}

  TPDBaseObject* GetObject(uint32_t number) override {
    auto& slot = cache_[number];
    if (!slot) slot = Fetch(number);
    return slot.get();
  }

  // Reads "N G obj" and the object after it at the recorded offset.
  TPDObjectPtr Fetch(uint32_t number, TPDDecryptor* decryptor = nullptr,
                     TPDStreamFilterFactory* filters = nullptr) {
    const auto it = pdf_.object_offsets.find(number);
    if (it == pdf_.object_offsets.end()) return nullptr;
    TPDParserContext context{this, decryptor, filters};
    TPDParser parser(
        context,
        std::make_unique<TPDLexer>(file_.MakeSubStream(static_cast<int64_t>(it->second), 0, false)),
        true);
    for (int i = 0; i < 3; ++i) parser.GetObject();  // N G obj
    return parser.GetObject(number, 0);
  }

  const testing::PdfTemplate& pdf() const { return pdf_; }

 private:
  testing::PdfTemplate pdf_;
  TMemoryStream file_;
  std::map<uint32_t, TPDObjectPtr> cache_;
};

std::string StreamData(TPDBaseObject* object) {
  if (object == nullptr || !object->IsStream()) return "not a stream: " + Describe(object);
  auto* stream = static_cast<TPDStream*>(object);
  stream->Reset();
  std::string data;
  stream->Read(data, 1 << 20);
  return data;
}

TEST(PdfParser, StreamObjectsTolerateAWrongLength) {
  TemplateDocument doc(
      "%PDF-1.4\n"
      "{{object 1 0}} << {{streamlen}} >>\nstream\nexact data\nendstream\nendobj\n"
      "{{object 2 0}} << /Length 10 >>\nstream\n0123456789abcdefghij\nendstream\nendobj\n"
      "{{object 3 0}} << /Length 4 0 R >>\nstream\r\nvia ref\r\nendstream\nendobj\n"
      "{{object 4 0}} 7\nendobj\n"
      "{{object 5 0}} << /Length /Five >>\nstream\nxx\nendstream\nendobj\n"
      "{{object 6 0}} << /Length -3 >>\nstream\nneg\nendstream\nendobj\n"
      "{{object 7 0}} << /Length 9 0 R >>\nstream\nfree\nendstream\nendobj\n"
      "{{xref}}trailer << /Size 8 >>\n{{startxref}}\n%%EOF\n");
  EXPECT_EQ(StreamData(doc.Fetch(1).get()), "exact data");
  EXPECT_EQ(StreamData(doc.Fetch(3).get()), "via ref");
  // A wrong, missing or unusable /Length: the data ends before "endstream".
  EXPECT_EQ(StreamData(doc.Fetch(2).get()), "0123456789abcdefghij");
  EXPECT_EQ(StreamData(doc.Fetch(5).get()), "xx");
  EXPECT_EQ(StreamData(doc.Fetch(6).get()), "neg");
  EXPECT_EQ(StreamData(doc.Fetch(7).get()), "free");
  // A file cut inside the data: the data runs to the end of the file.
  TemplateDocument cut("%PDF-1.4\n{{object 1 0}} << /Length 99 >>\nstream\ncut here");
  EXPECT_EQ(StreamData(cut.Fetch(1).get()), "cut here");
}

// Decrypts by subtracting a key derived from the object number from each byte.
class FakeDecryptor final : public TPDDecryptor {
 public:
  static uint8_t Key(uint32_t number) { return static_cast<uint8_t>(number * 3 + 1); }
  static std::string Encrypt(uint32_t number, std::string text) {
    for (char& c : text) c = static_cast<char>(c + Key(number));
    return text;
  }

  void DecryptString(uint32_t number, uint32_t, std::string& bytes) override {
    ++strings;
    for (char& c : bytes) c = static_cast<char>(c - Key(number));
  }

  std::unique_ptr<ByteSource> DecryptStream(uint32_t number, uint32_t,
                                            std::unique_ptr<ByteSource> raw) override {
    class Shift final : public ByteSource {
     public:
      Shift(std::unique_ptr<ByteSource> input, uint8_t key) : input_(std::move(input)), key_(key) {}
      size_t Read(uint8_t* out, size_t size) override {
        const size_t got = input_->Read(out, size);
        for (size_t i = 0; i < got; ++i) out[i] = static_cast<uint8_t>(out[i] - key_);
        return got;
      }
      void Rewind() override { input_->Rewind(); }

     private:
      std::unique_ptr<ByteSource> input_;
      uint8_t key_;
    };
    if (refuse) return nullptr;
    return std::make_unique<Shift>(std::move(raw), Key(number));
  }

  int strings = 0;
  bool refuse = false;
};

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
    out += ' ';
  }
  return out;
}

TEST(PdfParser, DecryptsStringsAndStreamsOfIndirectObjects) {
  const std::string secret = FakeDecryptor::Encrypt(2, "secret");
  const std::string data = FakeDecryptor::Encrypt(2, "stream data");
  TemplateDocument doc("{{object 2 0}} << /S <" + Hex(FakeDecryptor::Encrypt(2, "\xFE\xFFhex")) +
                       "> /L [(" + secret + ")] /Length " + std::to_string(data.size()) +
                       " >>\nstream\n" + data + "\nendstream\nendobj\n");
  FakeDecryptor decryptor;
  auto object = doc.Fetch(2, &decryptor);
  ASSERT_TRUE(object && object->IsStream()) << Describe(object.get());
  const TPDDictionary* dict = static_cast<TPDStream&>(*object).GetDict();
  EXPECT_EQ(Describe(dict->LookUp("S")), "(\xFE\xFFhex)");
  EXPECT_EQ(Describe(dict->LookUp("L")), "[(secret)]");
  EXPECT_EQ(StreamData(object.get()), "stream data");
  EXPECT_EQ(decryptor.strings, 2);
  // Without the object's numbers nothing is decrypted.
  TMemoryStream plain("(" + secret + ")");
  TPDParser parser({nullptr, &decryptor, nullptr}, std::make_unique<TPDLexer>(plain), false);
  EXPECT_EQ(Describe(parser.GetObject().get()), "(" + secret + ")");
  // A decryptor that refuses the data makes the stream object an error.
  decryptor.refuse = true;
  EXPECT_TRUE(doc.Fetch(2, &decryptor)->IsError());
}

class WrappingFilters final : public TPDStreamFilterFactory {
 public:
  std::unique_ptr<TPDStream> GetFilter(std::unique_ptr<TPDDictionary> dict,
                                       std::unique_ptr<TStream> raw) override {
    if (dict->LookUp("Filter") != nullptr) return nullptr;
    return std::make_unique<TPDStream>(std::make_shared<TEOFStream>(std::move(raw)),
                                       std::move(dict));
  }
};

TEST(PdfParser, TheFilterFactoryBuildsTheStreamObject) {
  TemplateDocument doc(
      "{{object 1 0}} << {{streamlen}} >>\nstream\nabc\nendstream\nendobj\n"
      "{{object 2 0}} << /Filter /X {{streamlen}} >>\nstream\nabc\nendstream\nendobj\n");
  WrappingFilters filters;
  auto stream = doc.Fetch(1, nullptr, &filters);
  ASSERT_TRUE(stream && stream->IsStream());
  EXPECT_EQ(static_cast<TPDStream&>(*stream).GetStream()->GetType(), stWeird);
  EXPECT_TRUE(doc.Fetch(2, nullptr, &filters)->IsError());
}

TEST(PdfTemplate, ComputesOffsetsAndTheCrossReferenceTable) {
  const auto pdf = testing::ExpandPdfTemplateWithOffsets(
      "%PDF-1.4\n{{object 1 0}} << >>\nendobj\n{{object 3 0}} 5\nendobj\n{{xref}}"
      "trailer\n<< /Size 4 >>\n{{startxref}}\n%%EOF\n");
  EXPECT_EQ(pdf.bytes.compare(pdf.object_offsets.at(1), 7, "1 0 obj"), 0);
  EXPECT_EQ(pdf.bytes.compare(pdf.object_offsets.at(3), 7, "3 0 obj"), 0);
  EXPECT_EQ(pdf.bytes.compare(pdf.xref_offset, 9, "xref\n0 4\n"), 0);
  char row[32];
  std::snprintf(row, sizeof(row), "%010zu 00000 n \n", pdf.object_offsets.at(3));
  EXPECT_NE(pdf.bytes.find("0000000000 65535 f \n" + std::string(row).insert(0, "")),
            std::string::npos);
  EXPECT_NE(pdf.bytes.find("startxref\n" + std::to_string(pdf.xref_offset) + "\n%%EOF"),
            std::string::npos);
}

}  // namespace
}  // namespace qp::pdf
