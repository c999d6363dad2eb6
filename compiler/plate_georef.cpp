#include "compiler/plate_georef.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>

#include "compiler/build_driver.h"
#include "compiler/pdf_source.h"
#include "compiler/plate_error.h"
#include "pdf/render/pdf_render.h"

namespace qp {

namespace {

constexpr double kEarthRadiusMetres = 6371008.8;
constexpr double kDegree = 3.14159265358979323846 / 180;
// The corners describe a plate by latitude along its height and longitude
// along its width; a chart turned or skewed against that is placed wrong
// towards the other two corners by at most this much.
constexpr double kToleratedMetres = 20;
constexpr double kToleratedShareOfDiagonal = 0.005;

double DistanceMetres(const GeoPosition& a, const GeoPosition& b) {
  const double meanLat = (a.Latitude + b.Latitude) / 2 * kDegree;
  const double dx = (b.Longitude - a.Longitude) * kDegree * std::cos(meanLat);
  const double dy = (b.Latitude - a.Latitude) * kDegree;
  return kEarthRadiusMetres * std::hypot(dx, dy);
}

struct PlateLayout {
  int64_t Width = 0;
  int64_t Height = 0;
  pdf::TPDMatrix PixelToPage;
};

PlateLayout LayOut(pdf::TPDFDocument& document, const PlateRecord& plate, int rotate,
                   const std::filesystem::path& source) {
  const int page = plate.FirstPage;
  const pdf::TPageSize size = document.GetPageSize(page, pdf::muPixels);
  const int32_t pageRotation = document.GetPageRotate(page);
  const PdfPageLayout layout =
      LayoutPdfPage(size, pageRotation, TargetWidthFor(plate.Scaling), rotate, source, page);
  const std::optional<pdf::TPDMatrix> toPixels = pdf::PageToCanvasMatrix(
      *document.Document(), page, static_cast<uint32_t>(layout.Width),
      static_cast<uint32_t>(layout.Height), PageRotationAfter(layout, pageRotation));
  if (!toPixels) {
    throw PlateError(source.string() + ", page " + std::to_string(page) +
                     ": the page has a width or height of 0");
  }
  return {layout.Width, layout.Height, toPixels->GetInverse()};
}

PagePoint PageAt(const PlateLayout& layout, double px, double py) {
  const pdf::TPDMatrix& m = layout.PixelToPage;
  return {m.M11 * px + m.M21 * py + m.Dx, m.M12 * px + m.M22 * py + m.Dy};
}

// The page area the plate shows: its clip rectangle, or the whole page.
std::optional<PageRect> PlateArea(const PlateRecord& plate, const PlateLayout& layout) {
  if (!plate.Clip || plate.ClipX2 <= plate.ClipX1 || plate.ClipY2 <= plate.ClipY1) {
    return std::nullopt;
  }
  const PagePoint a = PageAt(layout, plate.ClipX1, plate.ClipY1);
  const PagePoint b = PageAt(layout, plate.ClipX2, plate.ClipY2);
  return PageRect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

std::optional<int32_t> ToUnits(double degrees, int32_t limit) {
  const double units = RoundHalfEven(degrees * kUnitsPerDegree);
  if (!(std::fabs(units) <= limit)) return std::nullopt;
  return static_cast<int32_t>(units);
}

struct Placement {
  PlateCorners Corners;
  double NorthDegrees = 0;  // where north points on the raster: 0 up, 90 right
  bool Mirrored = false;
  double WorstMetres = 0;  // the corners' error at the other two corners
  double DiagonalMetres = 0;
};

std::optional<Placement> Place(const PageGeoMapping& mapping, const PlateLayout& layout) {
  const double w = static_cast<double>(layout.Width), h = static_cast<double>(layout.Height);
  const std::array<PagePoint, 4> pixels = {PageAt(layout, 0, 0), PageAt(layout, w, 0),
                                           PageAt(layout, 0, h), PageAt(layout, w, h)};
  std::array<GeoPosition, 4> at;  // top left, top right, bottom left, bottom right
  for (size_t i = 0; i < pixels.size(); ++i) {
    const std::optional<GeoPosition> p = mapping.PositionAt(pixels[i]);
    if (!p) return std::nullopt;
    at[i] = *p;
  }
  Placement placement;
  const std::optional<int32_t> latTL = ToUnits(at[0].Latitude, kMaxLatitude);
  const std::optional<int32_t> longTL = ToUnits(at[0].Longitude, kMaxLongitude);
  const std::optional<int32_t> latBR = ToUnits(at[3].Latitude, kMaxLatitude);
  const std::optional<int32_t> longBR = ToUnits(at[3].Longitude, kMaxLongitude);
  if (!latTL || !longTL || !latBR || !longBR) return std::nullopt;
  placement.Corners = {*latTL, *longTL, *latBR, *longBR};

  // Latitude grows towards north; its change along the raster's axes gives
  // north's direction on the raster (y grows downwards).
  const double cosLat = std::cos(at[0].Latitude * kDegree);
  const double northX = (at[1].Latitude - at[0].Latitude) / w;
  const double northY = (at[2].Latitude - at[0].Latitude) / h;
  placement.NorthDegrees = std::atan2(northX, -northY) / kDegree;
  const double eastX = (at[1].Longitude - at[0].Longitude) * cosLat / w;
  const double eastY = (at[2].Longitude - at[0].Longitude) * cosLat / h;
  // East lies a quarter turn clockwise from north unless the chart is mirrored.
  placement.Mirrored = northX * eastY - northY * eastX < 0;

  const GeoPosition modelTR{at[0].Latitude, at[3].Longitude};
  const GeoPosition modelBL{at[3].Latitude, at[0].Longitude};
  placement.WorstMetres = std::max(DistanceMetres(modelTR, at[1]), DistanceMetres(modelBL, at[2]));
  placement.DiagonalMetres = DistanceMetres(at[0], at[3]);
  return placement;
}

bool NorthUp(const Placement& p) {
  return !p.Mirrored && std::fabs(p.NorthDegrees) <= 45;
}

}  // namespace

std::optional<PlateGeoResult> GeoReferencePlate(pdf::TPDFDocument& document,
                                                const PlateRecord& plate,
                                                const ChartGeoFinder& find, std::string* problem) {
  LoadPdfSource(document, plate.SourceFile);
  return GeoReferenceLoadedPlate(document, plate, find, problem);
}

std::optional<PlateGeoResult> GeoReferenceLoadedPlate(pdf::TPDFDocument& document,
                                                      const PlateRecord& plate,
                                                      const ChartGeoFinder& find,
                                                      std::string* problem) {
  const std::filesystem::path source(plate.SourceFile);
  const int ownRotate = plate.Rotate <= rtUpsideDown ? int{plate.Rotate} : int{rtNone};
  const PlateLayout layout = LayOut(document, plate, ownRotate, source);

  std::string why = kNoGeoReferenceMessage;
  const std::optional<ChartGeoReference> found =
      find(document, plate.FirstPage, PlateArea(plate, layout), &why);
  auto fail = [&](std::string message) -> std::optional<PlateGeoResult> {
    if (problem) *problem = std::move(message);
    return std::nullopt;
  };
  if (!found || !found->Mapping) return fail(why);

  // The plate's own rotation first; when north is not up, the turn that
  // puts it up.
  std::optional<Placement> placement;
  int rotate = ownRotate;
  for (int step = 0; step < 4; ++step) {
    const int candidate = step == 0 ? ownRotate : (step - 1 < ownRotate ? step - 1 : step);
    const PlateLayout turned =
        candidate == ownRotate ? layout : LayOut(document, plate, candidate, source);
    std::optional<Placement> p = Place(*found->Mapping, turned);
    if (!p) return fail("The geo-reference found gives no position for the corners of this plate");
    if (NorthUp(*p)) {
      placement = p;
      rotate = candidate;
      break;
    }
  }
  if (!placement) return fail("The chart is mirrored: its corners cannot place it");
  const double tolerated =
      std::max(kToleratedMetres, kToleratedShareOfDiagonal * placement->DiagonalMetres);
  if (placement->WorstMetres > tolerated) {
    return fail("North on this chart is turned " +
                std::to_string(std::lround(std::fabs(placement->NorthDegrees))) +
                " degrees from the plate's top: its corners cannot place it");
  }
  return PlateGeoResult{placement->Corners, static_cast<uint8_t>(rotate), found->Origin};
}

}  // namespace qp
