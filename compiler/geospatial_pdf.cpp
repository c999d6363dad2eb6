#include "compiler/geospatial_pdf.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "compiler/geo_system_mapping.h"
#include "compiler/geospatial_lgidict.h"
#include "compiler/geospatial_viewport.h"
#include "pdf/core/pdf_facade.h"

namespace qp {
namespace {

// A plate area reaching this far past a viewport still counts as inside it.
constexpr double kContainSlack = 1.0;  // points

double AreaOf(const PageRect& r) {
  return std::max(0.0, r.x1 - r.x0) * std::max(0.0, r.y1 - r.y0);
}

PageRect Intersection(const PageRect& a, const PageRect& b) {
  return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

bool Contains(const PageRect& outer, const PageRect& inner) {
  return inner.x0 >= outer.x0 - kContainSlack && inner.y0 >= outer.y0 - kContainSlack &&
         inner.x1 <= outer.x1 + kContainSlack && inner.y1 <= outer.y1 + kContainSlack;
}

// The smallest viewport that contains `area`, else the one that overlaps it
// most; std::nullopt when none overlaps it.
std::optional<size_t> ChooseViewport(const std::vector<GeospatialViewport>& viewports,
                                     const PageRect& area) {
  std::optional<size_t> smallest, widest;
  double smallestArea = 0, widestOverlap = 0;
  for (size_t i = 0; i < viewports.size(); ++i) {
    if (!viewports[i].Area) continue;
    const PageRect& box = *viewports[i].Area;
    if (Contains(box, area) && (!smallest || AreaOf(box) < smallestArea)) {
      smallest = i;
      smallestArea = AreaOf(box);
    }
    const double overlap = AreaOf(Intersection(box, area));
    if (overlap > widestOverlap) {
      widest = i;
      widestOverlap = overlap;
    }
  }
  return smallest ? smallest : widest;
}

PageRect WholePage(pdf::TPDPage& page) {
  const pdf::TPDRect* box = page.Cropbox();
  if (box == nullptr) box = page.Mediabox();
  if (box == nullptr) return {0, 0, 612, 792};
  return {std::min(box->Left(), box->Right()), std::min(box->Top(), box->Bottom()),
          std::max(box->Left(), box->Right()), std::max(box->Top(), box->Bottom())};
}

std::optional<ChartGeoReference> Find(pdf::TPDFDocument& document, int pageNumber,
                                      const std::optional<PageRect>& plateArea, std::string& why) {
  pdf::TPDDocument* engine = document.Document();
  if (engine == nullptr || !engine->IsLoaded() || engine->GetPageTree() == nullptr)
    return std::nullopt;
  pdf::TPDPage* page = engine->GetPageTree()->GetPage(pageNumber);
  if (page == nullptr || page->GetDict() == nullptr) return std::nullopt;

  const PageRect wholePage = WholePage(*page);
  std::vector<GeospatialViewport> viewports = ReadGeospatialViewports(*page->GetDict(), &why);
  const bool mapFrames = viewports.empty();
  if (mapFrames) viewports = ReadLgiMapFrames(*page->GetDict(), wholePage, &why);
  if (viewports.empty()) return std::nullopt;
  PageRect area = plateArea ? *plateArea : wholePage;
  if (area.x0 > area.x1) std::swap(area.x0, area.x1);
  if (area.y0 > area.y1) std::swap(area.y0, area.y1);
  const std::optional<size_t> chosen = ChooseViewport(viewports, area);
  if (!chosen) {
    why = viewports.size() == 1 && !viewports[0].Problem.empty() ? viewports[0].Problem
          : mapFrames ? "No map frame of the page covers the plate's area"
                      : "No geospatial viewport of the page covers the plate's area";
    return std::nullopt;
  }
  const GeospatialViewport& viewport = viewports[*chosen];
  if (!viewport.Problem.empty()) {
    why = viewport.Problem;
    return std::nullopt;
  }
  const std::string label =
      (mapFrames ? "Map frame " : "Geospatial viewport ") + std::to_string(viewport.Number) + ": ";
  std::shared_ptr<const PageGeoMapping> mapping =
      FitGeoMapping(viewport.System, viewport.Points, viewport.PlanePoints, &why);
  if (mapping == nullptr) {
    why = label + why;
    return std::nullopt;
  }
  ChartGeoReference found;
  found.Mapping = std::move(mapping);
  found.Origin = mapFrames ? "geospatial map frame" : "geospatial viewport";
  if (viewports.size() > 1)
    found.Origin +=
        " " + std::to_string(viewport.Number) + " of " + std::to_string(viewports.size());
  return found;
}

}  // namespace

std::optional<ChartGeoReference> FindGeospatialGeoReference(
    pdf::TPDFDocument& document, int page, const std::optional<PageRect>& plateArea,
    std::string* problem) {
  std::string why;
  std::optional<ChartGeoReference> found;
  try {
    found = Find(document, page, plateArea, why);
  } catch (const std::exception& error) {
    found.reset();
    why = std::string("The page's geospatial data cannot be read: ") + error.what();
  }
  if (!found && problem != nullptr) *problem = why.empty() ? kNoGeoReferenceMessage : why;
  return found;
}

}  // namespace qp
