#pragma once
// The geo-reference of a chart page, wherever the page carries one: the
// file's own geospatial viewport first, then the graticule the chart prints.

#include <optional>
#include <string>

#include "compiler/chart_geo_mapping.h"
#include "pdf/core/pdf_facade.h"

namespace qp {

// Page `page` (1-based) of a loaded document, for the part `plateArea` of
// the page (std::nullopt: the whole page). On failure `problem` receives the
// reason of the last finder that had one to give.
std::optional<ChartGeoReference> FindChartGeoReference(pdf::TPDFDocument& document, int page,
                                                       const std::optional<PageRect>& plateArea,
                                                       std::string* problem);

}  // namespace qp
