// Loading damaged files with repair: each kind of damage, and the objects
// that must come back after the cross-reference is rebuilt.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_errors.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::pdf {
namespace {

using testing::ExpandPdfTemplate;

// A catalog (1), pages (2), a page (3) with a content stream (4), and the
// strings "five" (5) and "six" (6).
const std::string kBody =
    "%PDF-1.4\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
    "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
    "{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 50 60] /Contents 4 0 R >> "
    "endobj\n"
    "{{object 4 0}} << {{streamlen}} >>\nstream\n0 0 m 10 10 l S\nendstream endobj\n"
    "{{object 5 0}} (five) endobj\n{{object 6 0}} (six) endobj\n";
const std::string kTail = "{{xref}}trailer << /Size 7 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at == std::string::npos) throw std::invalid_argument("no " + from);
  return text.replace(at, from.size(), to);
}

std::string StringOf(TPDBaseObject* object) {
  return object != nullptr && object->IsString() ? static_cast<TPDString*>(object)->GetString()
                                                 : "(none)";
}

std::string StreamOf(TPDBaseObject* object) {
  if (object == nullptr || !object->IsStream()) return "(none)";
  auto* stream = static_cast<TPDStream*>(object);
  stream->Reset();
  std::string data;
  stream->Read(data, 1000);
  return data;
}

TEST(Repair, DamagedFilesGiveBackTheirObjects) {
  const std::string good = ExpandPdfTemplate(kBody + kTail);
  struct Case {
    const char* name;
    std::string bytes;
    std::string five = "five";
    std::string contents = "0 0 m 10 10 l S";
    bool repaired = true;
  };
  const std::string xrefRows =
      good.substr(good.find("xref"), good.find("trailer") - good.find("xref"));
  const Case cases[] = {
      {"undamaged", good, "five", "0 0 m 10 10 l S", false},
      {"startxref pointing nowhere",
       Replace(good, "startxref\n" + std::to_string(good.find("xref\n0")), "startxref\n12345")},
      {"startxref at an object", Replace(good, "startxref\n" + std::to_string(good.find("xref\n0")),
                                         "startxref\n" + std::to_string(good.find("3 0 obj")))},
      {"no startxref", good.substr(0, good.find("startxref"))},
      {"one line inserted at the top", "%garbage line from a mail gateway\n" + good},
      {"no trailer", Replace(good, "trailer << /Size 7 /Root 1 0 R >>", "")},
      {"damaged table", Replace(good, xrefRows, "xref\n0 7\n0000000000 65535 f \ngarbage\n")},
      {"cut before the table", good.substr(0, good.find("xref\n0"))},
      {"row pointing at another object", Replace(good, xrefRows,
                                                 Replace(xrefRows, xrefRows.substr(9 + 5 * 20, 10),
                                                         xrefRows.substr(9 + 6 * 20, 10)))},
      {"wrong /Length", Replace(good, "/Length 15", "/Length 150"), "five", "0 0 m 10 10 l S",
       false},
      {"root not a catalog", Replace(good, "/Root 1 0 R", "/Root 5 0 R")},
      {"newer definition after the table, startxref lost",
       good.substr(0, good.find("startxref")) + "5 0 obj (new five) endobj\n", "new five"},
      {"cut inside the content stream", good.substr(0, good.find("l S")), "(none)", "0 0 m 10 10 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPDDocument document;
    try {
      document.LoadDocumentFromBytes(c.bytes, true);
    } catch (const EPDFEngineError& error) {
      ADD_FAILURE() << error.what();
      continue;
    }
    EXPECT_EQ(document.GetPageCount(), 1);
    TPDBaseDoc& base = *document.GetBaseDoc();
    EXPECT_EQ(StringOf(base.GetObject(5)), c.five);
    EXPECT_EQ(StreamOf(base.GetObject(4)), c.contents);
    EXPECT_EQ(document.WasRepaired(), c.repaired);
  }
}

TEST(Repair, ObjectStreamsAndStreamTrailersAreRebuilt) {
  // Objects 1, 2, 3 and 5 in object stream 7, whose /Length is a reference;
  // a cross-reference stream as the only trailer; startxref unusable.
  const std::string objects[] = {"<< /Type /Catalog /Pages 2 0 R >> ",
                                 "<< /Type /Pages /Kids [3 0 R] /Count 1 >> ",
                                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 5 6] >> ", "(five)"};
  const int numbers[] = {1, 2, 3, 5};
  std::string header;
  std::string data;
  for (int i = 0; i < 4; ++i) {
    header += std::to_string(numbers[i]) + " " + std::to_string(data.size()) + " ";
    data += objects[i];
  }
  const std::string text =
      "%PDF-1.5\n{{object 7 0}} << /Type /ObjStm /N 4 /First " + std::to_string(header.size()) +
      " /Length 8 0 R >>\nstream\n" + header + data + "\nendstream endobj\n{{object 8 0}} " +
      std::to_string(header.size() + data.size()) +
      " endobj\n"
      "{{object 9 0}} << /Type /XRef /Size 10 /W [1 4 1] /Root 1 0 R /Length 0 >>\nstream\n"
      "\nendstream endobj\nstartxref\n99999\n%%EOF\n";
  for (bool lose_root : {false, true}) {
    SCOPED_TRACE(lose_root ? "catalog by its type" : "root from the stream's dictionary");
    std::string bytes = ExpandPdfTemplate(text);
    if (lose_root) bytes = Replace(bytes, "/Root 1 0 R /Length", "/Length");
    TPDDocument document;
    document.LoadDocumentFromBytes(bytes, true);
    EXPECT_TRUE(document.WasRepaired());
    EXPECT_EQ(document.GetPageCount(), 1);
    EXPECT_EQ(StringOf(document.GetBaseDoc()->GetObject(5)), "five");
  }
}

TEST(Repair, WithoutRepairDamageStillFails) {
  const std::string good = ExpandPdfTemplate(kBody + kTail);
  TPDDocument document;
  EXPECT_THROW(document.LoadDocumentFromBytes(good.substr(0, good.find("startxref")), false),
               ExStartXrefNotFound);
  // Nothing to rebuild from: the original failure is reported.
  EXPECT_THROW(document.LoadDocumentFromBytes("%PDF-1.4\nstartxref\n999\n%%EOF\n", true),
               ExImproperCrossRefTableOrStream);
}

}  // namespace
}  // namespace qp::pdf
