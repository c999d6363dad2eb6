// The document's resource cache: eviction by least recent use within a byte
// budget, and the facade keeping a loaded file (and its cache) when the same
// unchanged file is loaded again.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/pdf_facade.h"
#include "pdf/core/pdf_resource_cache.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::pdf {
namespace {

using Kind = TPDResourceCache::Kind;

// Objects are the addresses of these; each step keeps ('k'), finds ('f') or
// lowers the budget to `bytes` ('b').
const int kObjects[4] = {};
struct Step {
  char op;
  int object;
  size_t bytes;
};

TEST(ResourceCache, EvictsLeastRecentlyUsedWithinBudget) {
  struct Case {
    const char* name;
    size_t budget;
    std::vector<Step> steps;
    std::vector<int> kept;  // objects still found afterwards
    uint64_t evictions;
  };
  const Case cases[] = {
      {"all fit", 100, {{'k', 0, 30}, {'k', 1, 30}, {'k', 2, 40}}, {0, 1, 2}, 0},
      {"oldest goes first", 100, {{'k', 0, 40}, {'k', 1, 40}, {'k', 2, 40}}, {1, 2}, 1},
      {"a find makes an entry recent",
       100,
       {{'k', 0, 40}, {'k', 1, 40}, {'f', 0, 0}, {'k', 2, 40}},
       {0, 2},
       1},
      {"a large entry evicts several", 100, {{'k', 0, 30}, {'k', 1, 30}, {'k', 2, 90}}, {2}, 2},
      {"larger than the budget is not kept", 100, {{'k', 0, 30}, {'k', 1, 101}}, {0}, 0},
      {"keeping again replaces the count",
       100,
       {{'k', 0, 60}, {'k', 0, 60}, {'k', 1, 40}},
       {0, 1},
       0},
      {"lowering the budget evicts", 100, {{'k', 0, 30}, {'k', 1, 30}, {'b', 0, 40}}, {1}, 1},
      {"budget 0 keeps nothing", 0, {{'k', 0, 1}, {'k', 1, 0}}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPDResourceCache cache(c.budget);
    for (const Step& s : c.steps) {
      const TPDResourceCache::Key key{&kObjects[s.object], Kind::kImage};
      if (s.op == 'k') {
        cache.Keep(key, std::make_shared<int>(s.object), s.bytes);
      } else if (s.op == 'f') {
        EXPECT_NE(cache.Find<int>(key), nullptr);
      } else {
        cache.SetBudget(s.bytes);
      }
    }
    EXPECT_LE(cache.Bytes(), cache.Budget());
    EXPECT_EQ(cache.GetStats().evictions, c.evictions);
    std::vector<int> kept;
    for (int o = 0; o < 4; ++o) {
      std::shared_ptr<int> value = cache.Find<int>({&kObjects[o], Kind::kImage});
      if (value) {
        EXPECT_EQ(*value, o);
        kept.push_back(o);
      }
    }
    EXPECT_EQ(kept, c.kept);
    EXPECT_EQ(cache.Size(), c.kept.size());
  }
}

TEST(ResourceCache, KeysTellKindsAndVariantsApart) {
  TPDResourceCache cache(1000);
  cache.Keep({&kObjects[0], Kind::kImage, 1, 1}, std::make_shared<int>(11), 10);
  cache.Keep({&kObjects[0], Kind::kImage, 2, 1}, std::make_shared<int>(21), 10);
  cache.Keep({&kObjects[0], Kind::kColorSpace}, std::make_shared<int>(0), 10);
  EXPECT_EQ(*cache.Find<int>({&kObjects[0], Kind::kImage, 1, 1}), 11);
  EXPECT_EQ(*cache.Find<int>({&kObjects[0], Kind::kImage, 2, 1}), 21);
  EXPECT_EQ(*cache.Find<int>({&kObjects[0], Kind::kColorSpace}), 0);
  EXPECT_EQ(cache.Find<int>({&kObjects[0], Kind::kFont}), nullptr);
  // A value dropped from the cache lives on with its holders.
  std::shared_ptr<int> held = cache.Find<int>({&kObjects[0], Kind::kColorSpace});
  cache.Clear();
  EXPECT_EQ(*held, 0);
  EXPECT_EQ(cache.Bytes(), 0u);
}

// Two pages; the file is written to a temporary path that each test owns.
class KeptDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("qp-kept-document-" + std::to_string(::getpid()) + ".pdf");
    Write("/Rotate 90");
  }
  void TearDown() override { std::filesystem::remove(path_); }
  void Write(const std::string& pageOneExtra, bool datedBack = true, int streams = 0) {
    std::string streamObjects;
    for (int i = 0; i < streams; ++i) {
      streamObjects += "{{object " + std::to_string(10 + i) +
                       " 0}} << {{streamlen}} >>\nstream\nq Q\nendstream endobj\n";
    }
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << testing::ExpandPdfTemplate(
        "%PDF-1.5\n" + streamObjects +
        "{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
        "{{object 2 0}} << /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >> endobj\n"
        "{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] " +
        pageOneExtra +
        " >> endobj\n"
        "{{object 4 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >> endobj\n"
        "{{xref}}trailer << /Size " +
        std::to_string(10 + streams) + " /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
    // A file written just now is never kept (its time may not change with
    // the next write); dated an hour back, it may be.
    if (datedBack) {
      std::filesystem::last_write_time(
          path_, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    }
  }
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

TEST_F(KeptDocument, SameFileKeepsDocumentAndUndoesRotations) {
  TPDFDocument document;
  ASSERT_TRUE(document.LoadFromFile(Path()));
  TPDDocument* loaded = document.Document();
  document.Document()->ResourceCache().Keep({&kObjects[0], Kind::kFont}, std::make_shared<int>(1),
                                            10);
  document.RotatePages("1-2", raCW180);
  EXPECT_EQ(document.GetPageRotate(1), 180);
  EXPECT_EQ(document.GetPageRotate(2), 180);

  ASSERT_TRUE(document.LoadFromFile(Path()));
  EXPECT_EQ(document.Document(), loaded);
  EXPECT_EQ(document.Document()->ResourceCache().Size(), 1u);
  EXPECT_EQ(document.GetPageRotate(1), 90);
  EXPECT_EQ(document.GetPageRotate(2), 0);
}

TEST_F(KeptDocument, ChangedFileOrNoBudgetLoadsAfresh) {
  struct Case {
    const char* name;
    bool rewrite;
    size_t budget;
    bool datedBack;
    int streamsFetched;
  };
  constexpr int kMaxStreams = int(TPDFDocument::kMaxKeptStreams);
  const Case cases[] = {
      {"rewritten", true, TPDResourceCache::kDefaultBudget, true, 0},
      {"cache off", false, 0, true, 0},
      {"written just now", false, TPDResourceCache::kDefaultBudget, false, 0},
      {"too many streams fetched", false, TPDResourceCache::kDefaultBudget, true, kMaxStreams + 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write("/Rotate 90", c.datedBack, c.streamsFetched);
    TPDFDocument document;
    document.SetResourceCacheBudget(c.budget);
    ASSERT_TRUE(document.LoadFromFile(Path()));
    for (int i = 0; i < c.streamsFetched; ++i) document.Document()->GetBaseDoc()->GetObject(10 + i);
    document.Document()->ResourceCache().Keep({&kObjects[0], Kind::kFont}, std::make_shared<int>(1),
                                              10);
    if (c.rewrite) Write("/Rotate 270");
    ASSERT_TRUE(document.LoadFromFile(Path()));
    EXPECT_EQ(document.Document()->ResourceCache().Size(), 0u);
    EXPECT_EQ(document.GetPageRotate(1), c.rewrite ? 270 : 90);
  }
}

}  // namespace
}  // namespace qp::pdf
