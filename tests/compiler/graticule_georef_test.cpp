#include "compiler/graticule_georef.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "compiler/chart_georef.h"
#include "pdf/core/pdf_facade.h"
#include "pdf/render/pdf_text_page.h"

namespace qp {
namespace {

namespace fs = std::filesystem;

struct LabelCase {
  const char* name;
  std::u32string text;
  bool accepted;
  bool latitude;
  double degrees;
};

TEST(GraticuleLabel, FormsAndNearMisses) {
  const LabelCase cases[] = {
      {"minutes north", U"42°21'N", true, true, 42.35},
      {"minutes west", U"71°01'W", true, false, -(71 + 1 / 60.0)},
      {"decimal minutes", U"42°21.5'N", true, true, 42 + 21.5 / 60},
      {"letter first", U"N42°21'", true, true, 42.35},
      {"seconds", U"42°21'30\"S", true, true, -(42 + 21.5 / 60)},
      {"typographic marks", U"122°23\u2019W", true, false, -(122 + 23 / 60.0)},
      {"unmapped degree glyph, spaced", U"37\uFFFD 38\u2019N", true, true, 37 + 38 / 60.0},
      {"whole degrees", U"71°E", true, false, 71},
      {"prime and ordinal", U"42º21′N", true, true, 42.35},
      {"frequency", U"118.7", false, false, 0},
      {"heading", U"034.9°", false, false, 0},
      {"PAPI angle", U"PAPI 3.00°", false, false, 0},
      {"elevation", U"ELEV 19", false, false, 0},
      {"runway", U"04R", false, false, 0},
      {"no degree sign", U"4221'N", false, false, 0},
      {"two letters", U"N42°21'N", false, false, 0},
      {"minutes over 59", U"42°61'N", false, false, 0},
      {"latitude over 90", U"95°00'N", false, false, 0},
      {"minutes without sign", U"N42°21", false, false, 0},
      {"text after", U"42°21'NE", false, false, 0},
  };
  for (const LabelCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto label = ParseGraticuleLabel(c.text);
    ASSERT_EQ(label.has_value(), c.accepted);
    if (!c.accepted) continue;
    EXPECT_EQ(label->IsLatitude, c.latitude);
    EXPECT_NEAR(label->Degrees, c.degrees, 1e-9);
  }
}

// Two labels per axis with ticks; `lonStep` points between the meridians.
pdf::PageText SyntheticGraticule(double lonLabelSecond, double lonStep) {
  pdf::PageText text;
  auto label = [&](std::u32string s, double x, double y) {
    pdf::TextLine line;
    line.X0 = x, line.Y0 = y, line.X1 = x + 20, line.Y1 = y + 5;
    for (char32_t c : s) {
      pdf::TextGlyph g;
      g.Unicode = c, g.X = x, g.Y = y, g.Size = 5;
      g.X0 = x, g.Y0 = y, g.X1 = x + 20, g.Y1 = y + 5;
      line.Glyphs.push_back(text.Glyphs.size());
      line.Text.push_back(c);
      text.Glyphs.push_back(g);
    }
    text.Lines.push_back(line);
  };
  // Meridian labels under vertical ticks, parallel labels beside horizontal ones.
  label(U"71°01'W", 90, 50);
  text.Segments.push_back({100, 56, 100, 60});
  label(std::u32string(U"71°0") + char32_t(U'0' + lonLabelSecond) + U"'W", 90 + lonStep, 50);
  text.Segments.push_back({100 + lonStep, 56, 100 + lonStep, 60});
  // A minute of latitude is 1/cos(42.35°) times a minute of longitude.
  const double latStep = 100 / std::cos(42.35 * M_PI / 180);
  label(U"42°21'N", 300, 100);
  text.Segments.push_back({290, 102, 299, 102});
  label(U"42°22'N", 300, 100 + latStep);
  text.Segments.push_back({290, 102 + latStep, 299, 102 + latStep});
  return text;
}

TEST(GraticuleGeoReference, SyntheticGraticuleAndContradictions) {
  std::string problem;
  const auto found = FindGraticuleGeoReference(SyntheticGraticule(0, 100), &problem);
  ASSERT_TRUE(found) << problem;
  const auto p = found->Mapping->PositionAt({100, 102});
  ASSERT_TRUE(p);
  EXPECT_NEAR(p->Longitude, -(71 + 1 / 60.0), 1e-9);
  EXPECT_NEAR(p->Latitude, 42.35, 1e-9);
  // East of 71°01'W lies 71°00'W; a 71°02'W there contradicts the scale's sign
  // (a mirrored chart), and spacing off the latitude's cosine is refused.
  EXPECT_FALSE(FindGraticuleGeoReference(SyntheticGraticule(2, 100), &problem));
  EXPECT_EQ(problem.rfind(kNoGeoReferenceMessage, 0), 0u);
  EXPECT_FALSE(FindGraticuleGeoReference(SyntheticGraticule(0, 130), &problem));
  EXPECT_NE(problem.find("spacing"), std::string::npos) << problem;
  EXPECT_FALSE(FindGraticuleGeoReference(pdf::PageText{}, &problem));
  EXPECT_EQ(problem, kNoGeoReferenceMessage);
}

fs::path SharedCorpus() {
  return fs::path(QP_SHARED_DIR) / "corpus";
}

std::optional<ChartGeoReference> FindIn(const fs::path& file, std::string* problem = nullptr) {
  pdf::TPDFDocument document;
  if (!document.LoadFromFile(file.string())) return std::nullopt;
  return FindGraticuleGeoReference(document, 1, problem);
}

double MetresBetween(GeoPosition a, GeoPosition b) {
  const double north = (a.Latitude - b.Latitude) * 111320;
  const double east = (a.Longitude - b.Longitude) * 111320 * std::cos(a.Latitude * M_PI / 180);
  return std::hypot(north, east);
}

TEST(GraticuleGeoReference, BostonDiagramAgreesWithPublishedMapping) {
  const fs::path file = SharedCorpus() / "faa" / "MA-BOS-AIRPORT-DIAGRAM.pdf";
  if (!fs::exists(file)) GTEST_SKIP() << "no " << file;
  std::string problem;
  const auto found = FindIn(file, &problem);
  ASSERT_TRUE(found) << problem;
  EXPECT_EQ(found->Origin, "graticule");
  // The published mapping is in 300-dpi pixels of the displayed page; this
  // page has MediaBox [0.18 0 387.18 594], no CropBox and no rotation.
  double worst = 0;
  for (double x = 0.18; x <= 387.18; x += 387.0 / 8) {
    for (double y = 0; y <= 594; y += 594.0 / 8) {
      const double px = (x - 0.18) * 300 / 72, py = (594 - y) * 300 / 72;
      const GeoPosition published{42.3945163713 - py * 2.13555430912e-05,
                                  -71.0300595079 + px * 2.8782552714e-05};
      const auto ours = found->Mapping->PositionAt({x, y});
      ASSERT_TRUE(ours);
      worst = std::max(worst, MetresBetween(published, *ours));
    }
  }
  EXPECT_LT(worst, 20.0);
  RecordProperty("worst_metres", std::to_string(worst));
  // The chart finder falls back on the graticule for this file.
  pdf::TPDFDocument document;
  ASSERT_TRUE(document.LoadFromFile(file.string()));
  const auto chart = FindChartGeoReference(document, 1, std::nullopt, &problem);
  ASSERT_TRUE(chart) << problem;
  EXPECT_EQ(chart->Origin, "graticule");
}

TEST(GraticuleGeoReference, SanFranciscoDiagramIsNorthToTheSide) {
  const fs::path file = SharedCorpus() / "faa-sfo" / "CA-SFO-AIRPORT-DIAGRAM.pdf";
  if (!fs::exists(file)) GTEST_SKIP() << "no " << file;
  std::string problem;
  const auto found = FindIn(file, &problem);
  ASSERT_TRUE(found) << problem;
  const auto* m = dynamic_cast<const AffineGeoMapping*>(found->Mapping.get());
  ASSERT_NE(m, nullptr);
  // Longitude runs along y and latitude along x: north to the side.
  EXPECT_EQ(m->LonX, 0);
  EXPECT_EQ(m->LatY, 0);
  EXPECT_NE(m->LonY, 0);
  EXPECT_NE(m->LatX, 0);
  // The airport's reference point, 37°37'08"N 122°22'30"W, lies on the page.
  const double x = (37 + 37 / 60.0 + 8 / 3600.0 - m->Lat0) / m->LatX;
  const double y = (-(122 + 22 / 60.0 + 30 / 3600.0) - m->Lon0) / m->LonY;
  EXPECT_GT(x, 0);
  EXPECT_LT(x, 387);
  EXPECT_GT(y, 0);
  EXPECT_LT(y, 594);
}

TEST(GraticuleGeoReference, NoOtherChartOffersOne) {
#ifdef QP_SANITIZED
  // Every chart takes 40 s under the sanitizers; a sample keeps them on the
  // same code.
  constexpr int kEvery = 8;
#else
  constexpr int kEvery = 1;
#endif
  int checked = 0;
  int seen = 0;
  for (const char* folder : {"faa", "faa-sfo"}) {
    const fs::path dir = SharedCorpus() / folder;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      const fs::path file = entry.path();
      if (file.extension() != ".pdf" ||
          file.filename().string().find("AIRPORT-DIAGRAM") != std::string::npos) {
        continue;
      }
      if (seen++ % kEvery != 0) continue;
      ++checked;
      EXPECT_FALSE(FindIn(file)) << file;
    }
  }
  if (checked == 0) GTEST_SKIP() << "no charts in " << SharedCorpus();
}

}  // namespace
}  // namespace qp
