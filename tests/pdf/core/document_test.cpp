// Loading documents written as text templates: cross-reference sections,
// object streams, the page tree and the facade.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_facade.h"
#include "pdf/core/pdf_filter_manager.h"
#include "pdf/core/pdf_memory_stream.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::pdf {
namespace {

using testing::ExpandPdfTemplate;
using testing::ExpandPdfTemplateWithOffsets;

// A catalog (1), a page tree root (2) and `pages` written by the caller.
std::string Document(const std::string& pages, const std::string& trailerExtra = "") {
  return ExpandPdfTemplate("%PDF-1.5\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n" +
                           pages + "{{xref}}trailer << /Size 20 /Root 1 0 R " + trailerExtra +
                           ">>\n{{startxref}}\n%%EOF\n");
}

std::unique_ptr<TPDDocument> Load(const std::string& bytes) {
  auto document = std::make_unique<TPDDocument>();
  document->LoadDocumentFromBytes(bytes);
  return document;
}

const std::string kOnePage =
    "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
    "{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >> endobj\n";

TEST(DocumentLoad, FailuresCarryTheirMessages) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  };
  const Case cases[] = {
      {"empty file", "", "Invalid PDF Document"},
      {"no startxref", "%PDF-1.4\nnothing here\n", "startxref not found"},
      {"startxref then %%EOF on one line", "%PDF-1.4\nstartxref 9 %%EOF\n", "startxref not found"},
      {"startxref past the end", "%PDF-1.4\nstartxref\n999999\n%%EOF\n",
       "Improper Cross reference Table or Stream"},
      {"no root",
       ExpandPdfTemplate("%PDF-1.4\n{{object 1 0}} 5 endobj\n{{xref}}trailer << /Size 2 "
                         "/Root 1 0 R >>\n{{startxref}}\n%%EOF\n"),
       "Catalog not found"},
      {"no pages",
       ExpandPdfTemplate("%PDF-1.4\n{{object 1 0}} << /Type /Catalog >> endobj\n"
                         "{{xref}}trailer << /Size 2 /Root 1 0 R >>\n"
                         "{{startxref}}\n%%EOF\n"),
       "No Page Entry in Catalog"},
      {"unknown security handler",
       Document(kOnePage + "{{object 4 0}} << /Filter /Other /V 1 /R 2 >> endobj\n",
                "/Encrypt 4 0 R /ID [<00112233445566778899AABBCCDDEEFF> <00>]"),
       "Unsupported encryption"},
      // An identifier of 8 bytes is used as it stands: the password check
      // is reached.
      {"file identifier of 8 bytes",
       Document(kOnePage + "{{object 4 0}} << /Filter /Standard /V 1 /R 2 /P -4 /O <" +
                    std::string(64, '0') + "> /U <" + std::string(64, '0') + "> >> endobj\n",
                "/Encrypt 4 0 R /ID [<0011223344556677> <00>]"),
       "Encrypted PDF: Password required for loading"},
      {"wrong password",
       Document(kOnePage + "{{object 4 0}} << /Filter /Standard /V 1 /R 2 /P -4 /O <" +
                    std::string(64, '0') + "> /U <" + std::string(64, '0') + "> >> endobj\n",
                "/Encrypt 4 0 R /ID [<00112233445566778899AABBCCDDEEFF> <00>]"),
       "Encrypted PDF: Password required for loading"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      Load(c.bytes);
      ADD_FAILURE() << "loaded";
    } catch (const EPDFEngineError& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

TEST(DocumentLoad, NewestRevisionWinsAndVersionIsRead) {
  // Revision 2 redefines object 3 with another media box.
  std::string first = Document(kOnePage);
  const size_t firstXref = first.find("xref\n0 ");
  std::string update = "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 100 200] >> endobj\n";
  const size_t objectOffset = first.size();
  const size_t xrefOffset = first.size() + update.size();
  char row[32];
  std::snprintf(row, sizeof(row), "%010zu 00000 n \n", objectOffset);
  update += "xref\n3 1\n" + std::string(row) + "trailer << /Size 20 /Root 1 0 R /Prev " +
            std::to_string(firstXref) + " >>\nstartxref\n" + std::to_string(xrefOffset) +
            "\n%%EOF\n";
  auto document = Load(first + update);
  EXPECT_EQ(document->GetVersion(), v15);
  const TPDRect* box = document->GetPageTree()->GetPage(1)->Mediabox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Right(), 100);
  EXPECT_EQ(box->Bottom(), 200);
}

TEST(DocumentLoad, PrevChainThatLoopsEnds) {
  std::string bytes = Document(kOnePage);
  const size_t xref = bytes.find("xref\n0 ");
  bytes.replace(bytes.find("/Size 20"), 8, "/Size 20 /Prev " + std::to_string(xref));
  auto document = Load(bytes);
  EXPECT_EQ(document->GetPageCount(), 1);
}

TEST(DocumentLoad, TableRowsAndMissingObjects) {
  const std::string bytes = ExpandPdfTemplate(
      "%PDF-1.4\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [] /Count 0 >> endobj\n"
      "{{object 5 0}} (five) endobj\n{{object 6 0}} (six) endobj\n"
      "{{xref}}trailer << /Size 12 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
  auto document = Load(bytes);
  TPDBaseDoc& base = *document->GetBaseDoc();
  EXPECT_EQ(base.GetXRef()->GetEntry(0).EntryType, xeFree);
  EXPECT_EQ(base.GetObject(0), nullptr);
  EXPECT_EQ(base.GetObject(7), nullptr);        // beyond the rows written
  EXPECT_EQ(base.GetObject(1000000), nullptr);  // beyond the table
  ASSERT_NE(base.GetObject(5), nullptr);
  EXPECT_EQ(static_cast<TPDString*>(base.GetObject(5))->GetString(), "five");
  // The same object twice is the same cached object.
  EXPECT_EQ(base.GetObject(5), base.GetObject(5));
  // Information dictionary made in memory when the trailer has none.
  ASSERT_NE(base.GetDocInfo(), nullptr);
  EXPECT_NE(base.GetDocInfo()->LookUp("Producer"), nullptr);
}

TEST(DocumentLoad, SelfReferencesEndWithoutRecursion) {
  // A stream whose /Length is itself (its data then ends at "endstream"),
  // and one whose /Length is an integer object that does exist.
  auto document =
      Load(ExpandPdfTemplate("%PDF-1.4\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
                             "{{object 2 0}} << /Type /Pages /Kids [] /Count 0 >> endobj\n"
                             "{{object 5 0}} << /Length 5 0 R >>\nstream\nabc\nendstream endobj\n"
                             "{{object 6 0}} << /Length 7 0 R >>\nstream\nxyz\nendstream endobj\n"
                             "{{object 7 0}} 3 endobj\n"
                             "{{xref}}trailer << /Size 8 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n"));
  TPDBaseObject* five = document->GetBaseDoc()->GetObject(5);
  ASSERT_NE(five, nullptr);
  ASSERT_TRUE(five->IsStream());
  TPDBaseObject* six = document->GetBaseDoc()->GetObject(6);
  ASSERT_NE(six, nullptr);
  ASSERT_TRUE(six->IsStream());
  std::string data;
  static_cast<TPDStream*>(six)->Reset();
  static_cast<TPDStream*>(six)->Read(data, 10);
  EXPECT_EQ(data, "xyz");
}

TEST(DocumentLoad, RowPointingToAnotherObjectYieldsNothing) {
  std::string bytes = ExpandPdfTemplate(
      "%PDF-1.4\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [] /Count 0 >> endobj\n"
      "{{object 5 0}} (five) endobj\n{{object 6 0}} (six) endobj\n"
      "{{xref}}trailer << /Size 7 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
  // Point row 5 at object 6.
  const auto six = bytes.find("6 0 obj");
  const auto rows = bytes.find("xref\n0 7\n") + 9;
  char row[21];
  std::snprintf(row, sizeof(row), "%010zu 00000 n ", six);
  bytes.replace(rows + 5 * 20, 18, std::string(row, 18));
  auto document = Load(bytes);
  EXPECT_EQ(document->GetBaseDoc()->GetObject(5), nullptr);
  EXPECT_NE(document->GetBaseDoc()->GetObject(6), nullptr);
}

// A cross-reference stream with an object stream: objects 3 and 4 live in
// object stream 5. `header` is the object stream's header.
std::string ObjectStreamDocument(const std::string& header, bool hybrid) {
  const std::string objects = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 20] >> (four)";
  const std::string data = header + objects;
  std::string text =
      "%PDF-1.5\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
      "{{object 5 0}} << /Type /ObjStm /N 2 /First " +
      std::to_string(header.size()) + " {{streamlen}} >>\nstream\n" + data + "\nendstream endobj\n";
  testing::PdfTemplate part = ExpandPdfTemplateWithOffsets(text);
  // Rows 0..5 of type 0/1/2, W [1 4 1].
  std::string rows;
  auto row = [&rows](int type, uint32_t field2, int field3) {
    rows += static_cast<char>(type);
    for (int shift = 24; shift >= 0; shift -= 8)
      rows += static_cast<char>((field2 >> shift) & 0xFF);
    rows += static_cast<char>(field3);
  };
  row(0, 0, 0);
  row(1, static_cast<uint32_t>(part.object_offsets[1]), 0);
  row(1, static_cast<uint32_t>(part.object_offsets[2]), 0);
  row(2, 5, 0);
  row(2, 5, 1);
  row(1, static_cast<uint32_t>(part.object_offsets[5]), 0);
  std::string bytes = part.bytes;
  const size_t streamOffset = bytes.size();
  bytes += "6 0 obj << /Type /XRef /Size 6 /W [1 4 1] /Root 1 0 R /Length " +
           std::to_string(rows.size()) + " >>\nstream\n" + rows + "\nendstream endobj\n";
  if (hybrid) {
    // A table that lists only the catalog and the tree; the stream the rest.
    const size_t tableOffset = bytes.size();
    char line[32];
    bytes += "xref\n0 3\n0000000000 65535 f \n";
    for (int n = 1; n <= 2; ++n) {
      std::snprintf(line, sizeof(line), "%010zu 00000 n \n", part.object_offsets[n]);
      bytes += line;
    }
    bytes += "trailer << /Size 7 /Root 1 0 R /XRefStm " + std::to_string(streamOffset) +
             " >>\nstartxref\n" + std::to_string(tableOffset) + "\n%%EOF\n";
  } else {
    bytes += "startxref\n" + std::to_string(streamOffset) + "\n%%EOF\n";
  }
  return bytes;
}

TEST(DocumentLoad, ObjectStreamsThroughStreamAndHybridTables) {
  for (bool hybrid : {false, true}) {
    SCOPED_TRACE(hybrid ? "hybrid" : "stream");
    // Object 3 at offset 0, object 4 after the dictionary.
    auto document = Load(ObjectStreamDocument("3 0 4 54 ", hybrid));
    TPDPage* page = document->GetPageTree()->GetPage(1);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetPageSize().Height, 20);
    TPDBaseObject* four = document->GetBaseDoc()->GetObject(4);
    ASSERT_NE(four, nullptr);
    EXPECT_EQ(static_cast<TPDString*>(four)->GetString(), "four");
  }
}

TEST(DocumentLoad, ObjectStreamWithLyingHeaderHoldsNothing) {
  const char* headers[] = {"3 10 4 5 ", "3 0 ", "3 -1 4 0 ", "x y z w "};
  for (const char* header : headers) {
    SCOPED_TRACE(header);
    std::string padded = header;
    auto document = Load(ObjectStreamDocument(padded, false));
    EXPECT_EQ(document->GetBaseDoc()->GetObject(4), nullptr);
  }
}

TEST(PageTree, InheritanceOrderAndGuards) {
  const std::string tree =
      "{{object 2 0}} << /Type /Pages /Kids [4 0 R 3 0 R 3 0 R 2 0 R] /Count 3 "
      "/MediaBox [0 0 612 792] /Rotate 90 /Resources << /Font << >> >> >> endobj\n"
      "{{object 3 0}} << /Type /Page /Parent 2 0 R /Rotate -90 /Contents [7 0 R null 8 0 R] >> "
      "endobj\n"
      "{{object 4 0}} << /Type /Pages /Parent 2 0 R /Kids [5 0 R 6 0 R] /Count 2 "
      "/MediaBox [0 0 100 200] >> endobj\n"
      "{{object 5 0}} << /Type /Page /Parent 4 0 R /CropBox [100 200 0 0] >> endobj\n"
      "{{object 6 0}} << /Type /Page /Parent 4 0 R /Rotate 450 /Resources << >> "
      "/CropBox [50 -10 300 150] >> endobj\n"
      "{{object 7 0}} << {{streamlen}} >>\nstream\nq Q\nendstream endobj\n"
      "{{object 8 0}} << {{streamlen}} >>\nstream\nBT ET\nendstream endobj\n";
  auto document = Load(Document(tree));
  TPDPageTree& pages = *document->GetPageTree();
  EXPECT_EQ(pages.GetCount(), 3);
  EXPECT_EQ(pages.FoundPages(), 3u);  // page 3 listed twice, the root once more
  TPDPage* first = pages.GetPage(1);
  TPDPage* second = pages.GetPage(2);
  TPDPage* third = pages.GetPage(3);
  ASSERT_TRUE(first && second && third);
  EXPECT_EQ(pages.GetPage(0), nullptr);
  EXPECT_EQ(pages.GetPage(4), nullptr);
  // Page 1: the intermediate node's box, a crop box with signs kept.
  EXPECT_EQ(first->Mediabox()->Right(), 100);
  EXPECT_TRUE(first->IsInheritedMediaBox());
  EXPECT_EQ(first->GetPageSize().Width, -100);
  EXPECT_EQ(first->GetPageSize().Height, -200);
  EXPECT_EQ(first->Rotate(), 90);
  EXPECT_NE(first->Resource(), nullptr);
  EXPECT_EQ(first->Contents(), nullptr);
  // Page 2: its own rotation as stored, its own resources.
  EXPECT_EQ(second->Rotate(), 450);
  EXPECT_EQ(second->Resource()->GetDict()->GetLength(), 0u);
  // Page 2: a crop box reaching outside the media box is cut to it.
  EXPECT_EQ(second->GetPageSize().Width, 50);
  EXPECT_EQ(second->GetPageSize().Height, 150);
  // Page 3: the root's box, a negative rotation, two streams of three elements.
  EXPECT_EQ(third->GetPageSize().Width, 612);
  EXPECT_EQ(third->Rotate(), -90);
  ASSERT_NE(third->Contents(), nullptr);
  EXPECT_EQ(third->Contents()->StreamCount(), 2u);
}

TEST(PageTree, HugeCountAndBadAttributes) {
  const std::string tree =
      "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 2000000000 >> endobj\n"
      "{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox 5 /Rotate (x) >> endobj\n";
  auto document = Load(Document(tree));
  EXPECT_EQ(document->GetPageCount(), 2000000000);
  EXPECT_EQ(document->GetPageTree()->GetPage(2), nullptr);
  TPDPage* page = document->GetPageTree()->GetPage(1);
  ASSERT_NE(page, nullptr);
  EXPECT_THROW(page->Mediabox(), ExBadPage);
  EXPECT_THROW(page->Rotate(), ExBadPage);
}

// A /Count that is not a usable integer (as damaged files have) gives the
// pages the walk finds, so that the pages that are there can be shown.
TEST(PageTree, UnusableCountGivesThePagesFound) {
  for (const char* count : {"/Count 9999999999", "/Count -3", "/Count 2.0", "/Count /Two", ""}) {
    const std::string tree = std::string("{{object 2 0}} << /Type /Pages /Kids [3 0 R 4 0 R] ") +
                             count +
                             " >> endobj\n"
                             "{{object 3 0}} << /Type /Page /Parent 2 0 R >> endobj\n"
                             "{{object 4 0}} << /Type /Page /Parent 2 0 R >> endobj\n";
    auto document = Load(Document(tree));
    EXPECT_EQ(document->GetPageCount(), 2) << count;
    EXPECT_NE(document->GetPageTree()->GetPage(2), nullptr) << count;
  }
}

TEST(Geometry, RectAndMatrix) {
  TPDRect empty;
  EXPECT_FALSE(empty.IsValid());
  EXPECT_EQ(empty.Left(), -1);
  TPDRect explicitValues(1, 2, 3, 4);
  EXPECT_TRUE(explicitValues.IsValid());
  EXPECT_TRUE(explicitValues.Clone().IsValid());

  const TPDMatrix m(2, 0, 0, 4, 10, 20);
  const TPDMatrix inverse = m.GetInverse();
  const TPDMatrix product = m.PreMultiply(inverse);
  EXPECT_TRUE(product.IsIdentity());
  EXPECT_TRUE(TPDMatrix(1, 2, 2, 4, 0, 0).GetInverse().IsIdentity());  // singular
  const TPDMatrix translateThenScale =
      TPDMatrix(2, 0, 0, 2, 0, 0).PreMultiply(TPDMatrix(1, 0, 0, 1, 5, 0));
  EXPECT_EQ(translateThenScale.Dx, 10);
}

TEST(FilterManager, ChainsAndParameters) {
  struct Case {
    const char* dict;
    std::string data;
    std::string expected;
  };
  const Case cases[] = {
      {"<< >>", "raw bytes", "raw bytes"},
      {"<< /Filter /AHx >>", "61 62 6>", "ab`"},
      {"<< /Filter [/AHx /AHx] /DecodeParms [<< >>] >>", "3631>", "a"},
      {"<< /Filter /RunLengthDecode >>",
       "\x02"
       "abc\xFE"
       "d\x80",
       "abcddd"},
      {"<< /DecodeParms << /Predictor 12 >> >>", "plain", "plain"},
      {"<< /Filter /OtherDecode >>", "xyz", "xyz"},
  };
  TPDFilterManager manager;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dict);
    TPDParserContext context;
    TMemoryStream text(std::string(c.dict));
    TPDParser parser(context, std::make_unique<TPDLexer>(text), false);
    TPDObjectPtr dict = parser.GetObject();
    ASSERT_TRUE(dict->IsDict());
    std::unique_ptr<TPDStream> stream = manager.GetFilter(
        std::unique_ptr<TPDDictionary>(static_cast<TPDDictionary*>(dict.release())),
        std::make_unique<TMemoryStream>(c.data));
    ASSERT_NE(stream, nullptr);
    std::string out;
    stream->Reset();
    stream->Read(out, 100);
    EXPECT_EQ(out, c.expected);
  }
  EXPECT_THROW(manager.GetFilter(nullptr, std::make_unique<TMemoryStream>()), ExInvalidObject);
  EXPECT_THROW(manager.GetFilter(std::make_unique<TPDDictionary>(), nullptr), ExInvalidStream);
  // A chain that names something other than a filter ends there, without
  // the dictionary.
  auto broken = std::make_unique<TPDDictionary>();
  auto names = std::make_unique<TPDArray>();
  names->Add(std::make_unique<TPDName>("ASCIIHexDecode"));
  names->Add(std::make_unique<TPDInteger>(1));
  broken->Add("Filter", std::move(names));
  auto stream = manager.GetFilter(std::move(broken), std::make_unique<TMemoryStream>("6162>"));
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->GetDict(), nullptr);
  EXPECT_EQ(stream->GetStream()->GetType(), stWeird);
  uint8_t bytes[8];
  EXPECT_EQ(stream->Read(bytes, sizeof(bytes)), 2u);
  auto numberFilter = std::make_unique<TPDDictionary>();
  numberFilter->Add("Filter", std::make_unique<TPDInteger>(3));
  EXPECT_EQ(manager.GetFilter(std::move(numberFilter), std::make_unique<TMemoryStream>()), nullptr);
}

std::string FivePages() {
  std::string tree =
      "{{object 2 0}} << /Type /Pages /Kids [3 0 R 4 0 R 5 0 R 6 0 R 7 0 R] "
      "/Count 5 /MediaBox [0 0 612 792] >> endobj\n";
  tree += "{{object 3 0}} << /Type /Page /Parent 2 0 R >> endobj\n";
  tree += "{{object 4 0}} << /Type /Page /Parent 2 0 R /Rotate 90 >> endobj\n";
  tree += "{{object 5 0}} << /Type /Page /Parent 2 0 R /Rotate 360 >> endobj\n";
  tree += "{{object 6 0}} << /Type /Page /Parent 2 0 R /Rotate 180 >> endobj\n";
  tree += "{{object 7 0}} << /Type /Page /Parent 2 0 R /Rotate 270 >> endobj\n";
  return Document(tree);
}

TEST(Facade, PageWithoutBoxesIsLetter) {
  TPDFDocument facade;
  std::istringstream input(
      Document("{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
               "{{object 3 0}} << /Type /Page /Parent 2 0 R >> endobj\n"));
  ASSERT_TRUE(facade.LoadFromStream(input));
  EXPECT_DOUBLE_EQ(facade.GetPageSize(1, muPoints).Width, 612);
  EXPECT_DOUBLE_EQ(facade.GetPageSize(1, muPoints).Height, 792);
}

TEST(Facade, SizesRotationsAndRanges) {
  TPDFDocument facade;
  EXPECT_EQ(facade.GetPageCount(), 0);
  EXPECT_EQ(facade.GetPageRotate(1), -1);
  std::istringstream input(FivePages());
  ASSERT_TRUE(facade.LoadFromStream(input));
  EXPECT_TRUE(facade.IsLoaded());
  EXPECT_FALSE(facade.IsEncrypted());
  EXPECT_EQ(facade.GetPageCount(), 5);

  struct SizeCase {
    int page;
    TMeasurementUnit unit;
    double width, height;
  };
  const SizeCase sizes[] = {
      {1, muPoints, 612, 792},    {1, muInches, 8.5, 11},  {1, muPixels, 816, 1056},
      {1, muTwips, 12240, 15840}, {2, muPoints, 792, 612}, {3, muPoints, 0, 0},
      {4, muPoints, 612, 792},
  };
  for (const SizeCase& c : sizes) {
    const TPageSize size = facade.GetPageSize(c.page, c.unit);
    EXPECT_DOUBLE_EQ(size.Width, c.width) << c.page << " " << c.unit;
    EXPECT_DOUBLE_EQ(size.Height, c.height) << c.page << " " << c.unit;
  }
  EXPECT_NEAR(facade.GetPageSize(1, muMM).Width, 215.9, 0.001);

  try {
    facade.GetPageSize(6, muPoints);
    ADD_FAILURE();
  } catch (const EInvalidPageError& error) {
    EXPECT_STREQ(error.what(), "Invalid page number (6)");
  }
  EXPECT_THROW(facade.GetPageRotate(0), EInvalidPageError);

  facade.RotatePages("2", raACW90);
  EXPECT_EQ(facade.GetPageRotate(2), 270);
  facade.RotatePages("1", raCW90);  // a new entry on a page without one
  EXPECT_EQ(facade.GetPageRotate(1), 90);
  facade.RotatePages("", ra0);
  for (int page = 1; page <= 5; ++page) EXPECT_EQ(facade.GetPageRotate(page), 0);

  struct RangeCase {
    const char* text;
    const char* error;  // nullptr: no error
  };
  const RangeCase ranges[] = {
      {"3-1", "Invalid page range (3-1)"},
      {"x", "Invalid page range (x)"},
      {"7", "Invalid page number (7)"},
      {"2-9", "Invalid page range (2-9)"},
      {"-2, 4 \"5\"", nullptr},
  };
  for (const RangeCase& c : ranges) {
    SCOPED_TRACE(c.text);
    try {
      facade.RotatePages(c.text, raCW180);
      EXPECT_EQ(c.error, nullptr);
    } catch (const EInvalidPageError& error) {
      ASSERT_NE(c.error, nullptr);
      EXPECT_STREQ(error.what(), c.error);
    }
  }
  EXPECT_EQ(TPDFDocument::ParsePageRange("-2, 4 \"5\" 2", 5),
            (std::vector<int32_t>{1, 2, 4, 5, 2}));
  EXPECT_EQ(facade.GetPageRotate(4), 180);

  // Loading afresh forgets the rotations set in memory.
  std::istringstream again(FivePages());
  ASSERT_TRUE(facade.LoadFromStream(again));
  EXPECT_EQ(facade.GetPageRotate(4), 180);
  EXPECT_EQ(facade.GetPageRotate(1), 0);
  EXPECT_THROW(facade.LoadFromFile("/nonexistent/file.pdf"), EFileNotFound);
}

}  // namespace
}  // namespace qp::pdf
