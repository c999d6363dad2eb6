#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "cli/command.h"
#include "tests/cli/cli_run_helpers.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

class PdfCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = fs::temp_directory_path() / ("qp-pdfcmd-" + std::to_string(::getpid()) + ".pdf");
    std::ofstream(path_, std::ios::binary) << pdf::testing::ExpandPdfTemplate(
        "%PDF-1.4\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
        "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
        "{{object 3 0}} << /Type /Page /MediaBox [0 0 612 792] /Rotate 90 /Contents 4 0 R >> "
        "endobj\n"
        "{{object 4 0}} << /Filter /AHx {{streamlen}} >>\nstream\n71 20 51>\nendstream endobj\n"
        "{{xref}}trailer << /Size 5 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
  }
  void TearDown() override { fs::remove(path_); }
  fs::path path_;
};

TEST_F(PdfCommands, PdfinfoPrintsPages) {
  const CliRun run = Platec({"pdfinfo", path_.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Pages: 1\nEncrypted: no\nPage 1: media [0 0 612 792] crop none rotate 90 size 792 x "
            "612 pt, 1056 x 816 px\n");
  const CliRun json = Platec({"pdfinfo", path_.string(), "--json"});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out, "{\"file\":\"" + path_.string() +
                          "\",\"pages\":1,\"encrypted\":false,\"page_list\":[{\"number\":1,"
                          "\"media\":[0,0,612,792],\"crop\":null,\"rotate\":90,\"width_pt\":792,"
                          "\"height_pt\":612,\"width_px\":1056,\"height_px\":816}]}\n");
}

TEST_F(PdfCommands, ShowTextRawAndDecoded) {
  struct Case {
    CommandArgs args;
    int status;
    std::string out;
    std::string errPart;
  };
  const std::string file = path_.string();
  const Case cases[] = {
      {{"show", file, "1"}, 0, "<< /Type /Catalog /Pages 2 0 R >>\n", ""},
      {{"show", file, "4", "--raw"}, 0, "71 20 51>", ""},
      {{"show", file, "4", "--decoded"}, 0, "q Q", ""},
      {{"show", file, "4"}, 0, "<< /Filter /AHx /Length 9 >> stream\n", ""},
      {{"show", file, "1", "--raw"}, 1, "", "not a stream"},
      {{"show", file, "9"}, 1, "", "not found"},
      {{"show", file, "x"}, 2, "", "Usage: platec show"},
      {{"show", file, "4", "--raw", "--decoded"}, 2, "", "--raw and --decoded exclude each other"},
      {{"show", "/nonexistent.pdf", "1"}, 1, "", "/nonexistent.pdf: no such file"},
      {{"pdfinfo", "/nonexistent.pdf"}, 1, "", "/nonexistent.pdf: no such file"},
      {{"pdfinfo", "/tmp"}, 1, "", "/tmp is a directory"},
      {{"render", "/tmp", "--output=-"}, 1, "", "/tmp is a directory"},
      {{"show", "--password=x", file, "1"}, 0, "<< /Type /Catalog /Pages 2 0 R >>\n", ""},
      {{"text", file}, 0, "", ""},
      {{"text", file, "--page", "2"}, 1, "", file + ": no page 2 (the file has 1 page)"},
      {{"text", "/nonexistent.pdf"}, 1, "", "/nonexistent.pdf: no such file"},
      {{"text", file, "--page", "0"}, 2, "", "--page"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + c.args[c.args.size() - 1]);
    const CliRun run = Platec(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
  }
}

TEST(TextCommand, LinesInReadingOrderWithBoxes) {
  const fs::path path =
      fs::temp_directory_path() / ("qp-textcmd-" + std::to_string(::getpid()) + ".pdf");
  // Drawn bottom line first; the second string continues the first line after
  // a word gap, the Differences name an accented glyph.
  std::ofstream(path, std::ios::binary) << pdf::testing::ExpandPdfTemplate(
      "%PDF-1.4\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
      "{{object 3 0}} << /Type /Page /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << "
      "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << "
      "/Differences [200 /eacute] >> >> >> >> >> endobj\n"
      "{{object 4 0}} << {{streamlen}} >>\nstream\n"
      "BT /F1 10 Tf 20 50 Td (Second) Tj ET BT /F1 10 Tf 20 150 Td (Caf\\310) Tj 30 0 Td (ok) Tj "
      "ET\nendstream endobj\n"
      "{{xref}}trailer << /Size 5 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
  const CliRun plain = Platec({"text", path.string()});
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out, "Caf\xC3\xA9 ok\nSecond\n");
  const CliRun boxes = Platec({"text", path.string(), "--bbox"});
  EXPECT_EQ(boxes.out.substr(0, boxes.out.find('\t')), "20.00 147.82 60.56 157.29");
  fs::remove(path);
}

}  // namespace
}  // namespace qp::cli
