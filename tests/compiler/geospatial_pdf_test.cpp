#include "compiler/geospatial_pdf.h"

#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/core/pdf_facade.h"
#include "tests/compiler/pdf_source_helpers.h"

namespace qp {
namespace {

using testing::NumberText;

constexpr double kMetresPerDegree = 111320;

// One page of 612 x 792 points whose dictionary has `/VP vp`, or the
// entries `vp` when they begin with a name (/LGIDict ...).
std::string GeoPdf(const std::string& vp) {
  return pdf::testing::ExpandPdfTemplate(
      "%PDF-1.7\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
      "{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] " +
      (vp.empty() || vp[0] == '/' ? vp : "/VP " + vp) +
      " >> endobj\n{{xref}}trailer << /Size 4 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
}

std::string Numbers(const std::vector<double>& values) {
  std::string text = "[";
  for (double v : values) {
    std::ostringstream s;
    s.precision(12);
    s << v;
    text += s.str() + " ";
  }
  return text + "]";
}

struct Box {
  double x0, y0, x1, y1;
};

// A viewport dictionary: /BBox, and a /GEO measure with the control points
// at the unit-square points `unit` whose latitude and longitude are `geo`.
std::string Viewport(Box box, const std::vector<double>& unit, const std::vector<double>& geo,
                     const std::string& gcs, const std::string& more = {}) {
  return "<< /Type /Viewport /BBox " + Numbers({box.x0, box.y0, box.x1, box.y1}) +
         " /Measure << /Type /Measure /Subtype /GEO /GPTS " + Numbers(geo) + " /LPTS " +
         Numbers(unit) + " /GCS " + gcs + " /PDU [/M /SQM /DEG] " + more + " >> >>";
}

const std::string kWgs84 = "<< /Type /GEOGCS /EPSG 4326 >>";
const std::string kUtm19 = "<< /Type /PROJCS /EPSG 32619 >>";
const std::string kUtm19Wkt =
    "<< /Type /PROJCS /WKT (PROJCS[\"WGS 84 / UTM zone 19N\",GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\","
    "SPHEROID[\"WGS 84\",6378137,298.257223563]],PRIMEM[\"Greenwich\",0],UNIT[\"degree\","
    "0.0174532925199433]],PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"latitude_of_origin\",0],"
    "PARAMETER[\"central_meridian\",-69],PARAMETER[\"scale_factor\",0.9996],"
    "PARAMETER[\"false_easting\",500000],PARAMETER[\"false_northing\",0],UNIT[\"metre\",1]]) >>";

// The truth of a test map: where each page point lies on the earth.
using Truth = GeoPosition (*)(PagePoint);

// A geographic map, slightly turned.
GeoPosition BostonTruth(PagePoint p) {
  return {42.30 + 0.00014 * p.y + 0.000004 * p.x, -71.06 + 0.00019 * p.x - 0.000005 * p.y};
}
// Another place, for a second viewport.
GeoPosition DenverTruth(PagePoint p) {
  return {39.80 + 0.0001 * p.y, -104.70 + 0.00013 * p.x};
}

// UTM zone 19N, 50 metres a point and turned by a few degrees: a map of
// 30 km by 40 km, where an affine fit in latitude and longitude would be
// metres off.
GeoPosition UtmTruth(PagePoint p) {
  const double easting = 300000 + 50 * p.x - 3 * p.y, northing = 4680000 + 3 * p.x + 50 * p.y;
  PJ_CONTEXT* context = proj_context_create();
  PJ* utm = proj_create_crs_to_crs(context, "EPSG:32619", "EPSG:4326", nullptr);
  const PJ_COORD c = proj_trans(utm, PJ_FWD, proj_coord(easting, northing, 0, 0));
  proj_destroy(utm);
  proj_context_destroy(context);
  return {c.lp.lam, c.lp.phi};  // EPSG:4326 is latitude first
}

// A map frame in UTM zone 19N with registration points at the box's corners.
std::string UtmFrame(Box box, const std::string& datum = "(WGE)") {
  std::string points;
  for (PagePoint p : {PagePoint{box.x0, box.y0}, PagePoint{box.x1, box.y0},
                      PagePoint{box.x0, box.y1}, PagePoint{box.x1, box.y1}})
    points += Numbers({p.x, p.y, 300000 + 50 * p.x - 3 * p.y, 4680000 + 3 * p.x + 50 * p.y});
  return "<< /Type /LGIDict /Neatline " + Numbers({box.x0, box.y0, box.x1, box.y1}) +
         " /Registration [" + points + "] /Projection << /ProjectionType (UT) /Zone 19 " +
         "/Hemisphere (N) /Datum " + datum + " >> >>";
}

// The Boston map's positions on NAD 27, some tens of metres from WGS 84.
GeoPosition BostonOnNad27(PagePoint p) {
  const GeoPosition wgs84 = BostonTruth(p);
  PJ_CONTEXT* context = proj_context_create();
  PJ* shift = proj_create_crs_to_crs(context, "EPSG:4326", "EPSG:4267", nullptr);
  const PJ_COORD c = proj_trans(shift, PJ_FWD, proj_coord(wgs84.Latitude, wgs84.Longitude, 0, 0));
  proj_destroy(shift);
  proj_context_destroy(context);
  return {c.v[0], c.v[1]};
}

// GPTS for the unit-square points of a viewport with box `box`.
std::vector<double> GeoPoints(Box box, const std::vector<double>& unit, Truth truth) {
  std::vector<double> geo;
  for (size_t i = 0; i + 1 < unit.size(); i += 2) {
    const GeoPosition g =
        truth({box.x0 + unit[i] * (box.x1 - box.x0), box.y0 + unit[i + 1] * (box.y1 - box.y0)});
    geo.push_back(g.Latitude);
    geo.push_back(g.Longitude);
  }
  return geo;
}

double MetresApart(GeoPosition a, GeoPosition b) {
  return std::hypot(
      (a.Latitude - b.Latitude) * kMetresPerDegree,
      (a.Longitude - b.Longitude) * kMetresPerDegree * std::cos(a.Latitude * M_PI / 180));
}

std::optional<ChartGeoReference> Find(const std::string& pdfBytes,
                                      const std::optional<PageRect>& plateArea,
                                      std::string* problem = nullptr) {
  pdf::TPDFDocument document;
  std::istringstream stream(pdfBytes);
  EXPECT_TRUE(document.LoadFromStream(stream));
  return FindGeospatialGeoReference(document, 1, plateArea, problem);
}

const Box kMap{36, 36, 576, 756};
const Box kInset{400, 36, 576, 180};
const std::vector<double> kCorners = {0, 0, 0, 1, 1, 1, 1, 0};
const std::vector<double> kScattered = {0.1, 0.2, 0.9, 0.1, 0.5, 0.95, 0.8, 0.7, 0.3, 0.6};

TEST(GeospatialPdf, MapsPagePointsToTheControlPointsPositions) {
  const std::string inset =
      Viewport(kInset, kCorners, GeoPoints(kInset, kCorners, DenverTruth), kWgs84);
  struct Case {
    const char* name;
    std::string vp;
    std::optional<PageRect> plateArea;
    Truth truth;
    const char* origin;
  } cases[] = {
      {"geographic, corners",
       "[" + Viewport(kMap, kCorners, GeoPoints(kMap, kCorners, BostonTruth), kWgs84) + "]",
       std::nullopt, BostonTruth, "geospatial viewport"},
      {"geographic, scattered points, no GCS code",
       "[" +
           Viewport(kMap, kScattered, GeoPoints(kMap, kScattered, BostonTruth),
                    "<< /Type /GEOGCS >>") +
           "]",
       std::nullopt, BostonTruth, "geospatial viewport"},
      {"geographic on NAD 27, moved to WGS 84",
       "[" +
           Viewport(kMap, kScattered, GeoPoints(kMap, kScattered, BostonOnNad27),
                    "<< /Type /GEOGCS /EPSG 4267 >>") +
           "]",
       std::nullopt, BostonTruth, "geospatial viewport"},
      {"UTM 19N by EPSG code",
       "[" + Viewport(kMap, kScattered, GeoPoints(kMap, kScattered, UtmTruth), kUtm19) + "]",
       std::nullopt, UtmTruth, "geospatial viewport"},
      {"UTM 19N by WKT",
       "[" + Viewport(kMap, kCorners, GeoPoints(kMap, kCorners, UtmTruth), kUtm19Wkt) + "]",
       PageRect{100, 100, 300, 400}, UtmTruth, "geospatial viewport"},
      {"no LPTS: the bounds' points",
       "[<< /BBox [36 36 576 756] /Measure << /Subtype /GEO /Bounds [0 0 0 1 1 1] /GPTS " +
           Numbers(GeoPoints(kMap, {0, 0, 0, 1, 1, 1}, BostonTruth)) + " /GCS " + kWgs84 +
           " >> >>]",
       std::nullopt, BostonTruth, "geospatial viewport"},
      // A map and an inset inside it: the plate shows the inset.
      {"inset chosen",
       "[" + Viewport(kMap, kCorners, GeoPoints(kMap, kCorners, BostonTruth), kWgs84) + inset + "]",
       PageRect{410, 40, 570, 170}, DenverTruth, "geospatial viewport 2 of 2"},
      // The whole page: neither contains it, the map overlaps it most.
      {"map chosen",
       "[" + inset + Viewport(kMap, kCorners, GeoPoints(kMap, kCorners, BostonTruth), kWgs84) + "]",
       std::nullopt, BostonTruth, "geospatial viewport 2 of 2"},
      {"map chosen for a part outside the inset",
       "[" + inset + Viewport(kMap, kCorners, GeoPoints(kMap, kCorners, BostonTruth), kWgs84) + "]",
       PageRect{100, 300, 200, 400}, BostonTruth, "geospatial viewport 2 of 2"},
      {"map frame, geographic, matrix partly in strings",
       "/LGIDict << /Type /LGIDict /CTM [(0.00019) 0.000004 -0.000005 0.00014 (-71.06) 42.3] "
       "/Projection << /Type /Projection /ProjectionType (GEOGRAPHIC) /Datum (WGE) >> >>",
       std::nullopt, BostonTruth, "geospatial map frame"},
      {"map frame, UTM 19N by registration points", "/LGIDict [" + UtmFrame(kMap) + "]",
       PageRect{50, 50, 500, 700}, UtmTruth, "geospatial map frame"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string problem;
    const auto found = Find(GeoPdf(c.vp), c.plateArea, &problem);
    ASSERT_TRUE(found.has_value()) << problem;
    EXPECT_EQ(found->Origin, c.origin);
    for (PagePoint probe : {PagePoint{0, 0}, PagePoint{612, 792}, PagePoint{36, 756},
                            PagePoint{450, 100}, PagePoint{307.5, 411.25}}) {
      const auto at = found->Mapping->PositionAt(probe);
      ASSERT_TRUE(at.has_value()) << probe.x << "," << probe.y;
      EXPECT_LT(MetresApart(*at, c.truth(probe)), 1.0) << probe.x << "," << probe.y;
    }
  }
}

TEST(GeospatialPdf, OffersNothingForBadViewports) {
  const std::vector<double> geo = GeoPoints(kMap, kCorners, BostonTruth);
  std::vector<double> wrongGeo = geo;
  wrongGeo[0] += 0.05;  // one corner 5 km off
  std::vector<double> hugeUnit, hugeGeo;
  for (int i = 0; i < 300; ++i) {
    hugeUnit.insert(hugeUnit.end(), {i / 300.0, (i * 7 % 300) / 300.0});
    hugeGeo.insert(hugeGeo.end(), {42, -71});
  }
  const std::vector<double> oddGeo(geo.begin(), geo.end() - 1);
  const struct {
    const char* name;
    std::string vp;
    const char* problem;
  } cases[] = {
      {"no /VP", "", kNoGeoReferenceMessage},
      {"/VP not an array", "5", "not an array"},
      {"no /GEO measure", "[<< /BBox [0 0 612 792] /Measure << /Subtype /RL >> >>]",
       kNoGeoReferenceMessage},
      {"two control points",
       "[" + Viewport(kMap, {0, 0, 1, 1}, GeoPoints(kMap, {0, 0, 1, 1}, BostonTruth), kWgs84) + "]",
       "fewer than three"},
      {"points in a line",
       "[" +
           Viewport(kMap, {0, 0, 0.5, 0.5, 1, 1},
                    GeoPoints(kMap, {0, 0, 0.5, 0.5, 1, 1}, BostonTruth), kWgs84) +
           "]",
       "in a line"},
      {"points that contradict each other", "[" + Viewport(kMap, kCorners, wrongGeo, kWgs84) + "]",
       "contradict"},
      {"flat bounds",
       "[" + Viewport(kMap, kCorners, geo, kWgs84, "/Bounds [0 0 1 1 0.5 0.5]") + "]", "/Bounds"},
      {"flat box", "[" + Viewport({100, 100, 100, 700}, kCorners, geo, kWgs84) + "]", "/BBox"},
      {"unknown system", "[" + Viewport(kMap, kCorners, geo, "<< /Type /GEOCCS >>") + "]",
       "unknown coordinate system"},
      {"WKT that PROJ rejects",
       "[" + Viewport(kMap, kCorners, geo, "<< /Type /PROJCS /WKT (PROJCS[\"x\",UNIT[) >>") + "]",
       "WKT"},
      {"unknown EPSG code",
       "[" + Viewport(kMap, kCorners, geo, "<< /Type /PROJCS /EPSG 999999 >>") + "]", "EPSG"},
      {"projected type, geographic code",
       "[" + Viewport(kMap, kCorners, geo, "<< /Type /PROJCS /EPSG 4326 >>") + "]",
       "not a projected"},
      {"geographic type, projected code",
       "[" + Viewport(kMap, kCorners, geo, "<< /Type /GEOGCS /EPSG 32619 >>") + "]",
       "not a geographic"},
      {"odd GPTS count", "[" + Viewport(kMap, kCorners, oddGeo, kWgs84) + "]", "odd"},
      {"LPTS and GPTS of different counts", "[" + Viewport(kMap, kScattered, geo, kWgs84) + "]",
       "different counts"},
      {"a name among the numbers",
       "[<< /BBox [36 36 576 756] /Measure << /Subtype /GEO /GPTS [42 /W 42 -71 43 -71 43 -70] "
       "/LPTS [0 0 0 1 1 1 1 0] >> >>]",
       "other than numbers"},
      {"huge arrays", "[" + Viewport(kMap, hugeUnit, hugeGeo, kWgs84) + "]", "too many"},
      {"latitude out of range",
       "[" + Viewport(kMap, kCorners, {95, -71, 96, -71, 96, -70, 95, -70}, kWgs84) + "]", "range"},
      {"map frames neither a dictionary nor an array", "/LGIDict 3", "neither"},
      {"map frame without a projection", "/LGIDict << /CTM [1 0 0 1 0 0] >>", "no /Projection"},
      {"map frame in a projection not handled",
       "/LGIDict << /CTM [1 0 0 1 0 0] /Projection << /ProjectionType (LE) >> >>",
       "unsupported projection LE"},
      {"UTM map frame on another datum", "/LGIDict " + UtmFrame(kMap, "(NAS-C)"),
       "unsupported datum NAS-C"},
      {"map frame with two registration points",
       "/LGIDict << /Registration [[0 0 -71 42] [600 700 -70 43]] /Projection << "
       "/ProjectionType (GEOGRAPHIC) >> >>",
       "fewer than three"},
      {"viewport beside the plate", "[" + Viewport(kInset, kCorners, geo, kWgs84) + "]",
       "covers the plate"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string problem;
    const std::optional<PageRect> plate = std::string(c.name) == "viewport beside the plate"
                                              ? std::optional(PageRect{10, 300, 100, 400})
                                              : std::nullopt;
    EXPECT_FALSE(Find(GeoPdf(c.vp), plate, &problem).has_value());
    EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
  }
}

TEST(GeospatialPdf, OffersNothingForAPageThatIsNotThere) {
  pdf::TPDFDocument document;
  std::string problem;
  EXPECT_FALSE(FindGeospatialGeoReference(document, 1, std::nullopt, &problem).has_value());
  std::istringstream stream(GeoPdf("[]"));
  ASSERT_TRUE(document.LoadFromStream(stream));
  EXPECT_FALSE(FindGeospatialGeoReference(document, 7, std::nullopt, &problem).has_value());
  EXPECT_EQ(problem, kNoGeoReferenceMessage);
}

}  // namespace
}  // namespace qp
