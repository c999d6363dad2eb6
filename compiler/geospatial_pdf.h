#pragma once
// The geo-reference a geospatial PDF carries: the page's viewports (/VP)
// with a /GEO measure, read and fitted into a page-to-earth mapping.

#include <optional>
#include <string>

#include "compiler/chart_geo_mapping.h"

namespace qp {

namespace pdf {
class TPDFDocument;
}

// The mapping of page `page` (1-based) of the loaded document, from the
// geospatial viewport that covers `plateArea` (the part of the page the
// plate shows; std::nullopt for the whole page): the smallest viewport that
// contains it, else the one that overlaps it most. std::nullopt when the page
// has none or it cannot be used; then `problem` receives why
// (kNoGeoReferenceMessage, or a message naming the problem).
std::optional<ChartGeoReference> FindGeospatialGeoReference(
    pdf::TPDFDocument& document, int page, const std::optional<PageRect>& plateArea,
    std::string* problem = nullptr);

}  // namespace qp
