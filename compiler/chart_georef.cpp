#include "compiler/chart_georef.h"

namespace qp {

std::optional<ChartGeoReference> FindChartGeoReference(pdf::TPDFDocument&, int,
                                                       const std::optional<PageRect>&,
                                                       std::string* problem) {
  if (problem) *problem = kNoGeoReferenceMessage;  // TEMPORARY until the finders merge
  return std::nullopt;
}

}  // namespace qp
