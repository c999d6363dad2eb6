// Damaged variants of corpus files (a chart, an encrypted file, a file of
// object streams) load with repair and render like the undamaged file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <regex>
#include <sstream>
#include <string>

#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_errors.h"
#include "tests/pdf/render/render_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::Rendered;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string StartxrefNowhere(std::string bytes) {
  const size_t at = bytes.rfind("startxref");
  size_t digits = bytes.find_first_of("0123456789", at);
  const size_t end = bytes.find_first_not_of("0123456789", digits);
  return bytes.replace(digits, end - digits, std::to_string(bytes.size() * 3));
}

std::string LineOnTop(std::string bytes) {
  return "% a line added by a download tool\n" + bytes;
}

std::string CutAt90(std::string bytes) {
  return bytes.substr(0, bytes.size() * 9 / 10);
}

std::string WrongLengths(std::string bytes) {
  static const std::regex length("/Length (\\d+)");
  std::string out;
  auto last = bytes.cbegin();
  for (std::sregex_iterator it(bytes.begin(), bytes.end(), length), end; it != end; ++it) {
    out.append(last, (*it)[0].first);
    out += "/Length " + std::to_string(std::stol((*it)[1].str()) + 7);
    last = (*it)[0].second;
  }
  return out.append(last, bytes.cend());
}

std::string RandomBytes(std::string bytes) {
  std::mt19937 random(20261209);
  for (int i = 0; i < 20; ++i) bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
  return bytes;
}

struct Page {
  std::unique_ptr<Rendered> pixels;
  bool repaired = false;
};

constexpr int kWidth = 300, kHeight = 400;

Page Render(const std::string& bytes) {
  TPDDocument document;
  document.LoadDocumentFromBytes(bytes, true);
  Page page{std::make_unique<Rendered>(kWidth, kHeight), false};
  page.pixels->Render(document);
  page.repaired = document.WasRepaired();
  return page;
}

bool Ink(uint32_t pixel) {
  return (pixel & 0xFF) < 160 || ((pixel >> 8) & 0xFF) < 160 || ((pixel >> 16) & 0xFF) < 160;
}

// The share of `a`'s ink pixels that have ink in `b` within one pixel.
double InkFound(Rendered& a, Rendered& b) {
  int64_t ink = 0, found = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (!Ink(a.At(x, y))) continue;
      ++ink;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy) {
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const int xx = x + dx, yy = y + dy;
          near = xx >= 0 && yy >= 0 && xx < kWidth && yy < kHeight && Ink(b.At(xx, yy));
        }
      }
      found += near;
    }
  }
  return ink == 0 ? 1.0 : static_cast<double>(found) / static_cast<double>(ink);
}

TEST(RepairCorpus, DamagedVariantsLoadAndRender) {
  const std::filesystem::path corpus = std::filesystem::path(QP_SHARED_DIR) / "corpus";
  const std::filesystem::path files[] = {corpus / "faa/MA-BOS-AIRPORT-DIAGRAM.pdf",
                                         corpus / "mixed/security/aes-256-r6-emptyuser.pdf",
                                         corpus / "mixed/filters/flate-objstm-xrefstream-qpdf.pdf"};
  struct Damage {
    const char* name;
    std::function<std::string(std::string)> apply;
    double agreement;  // the least share of ink in common with the undamaged page
    bool repaired;
  };
  const Damage damages[] = {
      {"startxref pointing nowhere", StartxrefNowhere, 0.99, true},
      {"a line on top", LineOnTop, 0.99, true},
      {"wrong /Length values", WrongLengths, 0.99, false},
      // What is left of the file is drawn; how much depends on the file.
      {"cut at 90 %", CutAt90, 0, true},
      // Random damage is tried on the chart alone: in a small file it may
      // well hit the page tree, and then there is no page to draw.
      {"20 random bytes", RandomBytes, -1, false},
  };
  for (const auto& file : files) {
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "corpus file absent: " << file;
    const std::string original = ReadFile(file);
    Page reference = Render(original);
    for (const Damage& damage : damages) {
      if (damage.agreement < 0 && file.parent_path().filename() != "faa") continue;
      SCOPED_TRACE(file.filename().string() + ": " + damage.name);
      try {
        Page page = Render(damage.apply(original));
        EXPECT_TRUE(page.repaired || !damage.repaired);
        EXPECT_GE(InkFound(*reference.pixels, *page.pixels), damage.agreement);
        EXPECT_GE(InkFound(*page.pixels, *reference.pixels), damage.agreement);
      } catch (const std::exception& error) {
        ADD_FAILURE() << error.what();
      }
    }
  }
}

}  // namespace
}  // namespace qp::pdf
