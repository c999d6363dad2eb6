#include "compiler/chart_georef.h"

#include "compiler/geospatial_pdf.h"

namespace qp {

std::optional<ChartGeoReference> FindChartGeoReference(pdf::TPDFDocument& document, int page,
                                                       const std::optional<PageRect>& plateArea,
                                                       std::string* problem) {
  std::string why = kNoGeoReferenceMessage;
  std::optional<ChartGeoReference> found =
      FindGeospatialGeoReference(document, page, plateArea, &why);
  if (!found && problem) *problem = why;
  return found;
}

}  // namespace qp
