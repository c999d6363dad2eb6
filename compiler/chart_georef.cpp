#include "compiler/chart_georef.h"

#include "compiler/geospatial_pdf.h"
#include "compiler/graticule_georef.h"

namespace qp {

std::optional<ChartGeoReference> FindChartGeoReference(pdf::TPDFDocument& document, int page,
                                                       const std::optional<PageRect>& plateArea,
                                                       std::string* problem) {
  std::string why = kNoGeoReferenceMessage;
  std::optional<ChartGeoReference> found =
      FindGeospatialGeoReference(document, page, plateArea, &why);
  if (found) return found;
  std::string graticuleWhy;
  found = FindGraticuleGeoReference(document, page, &graticuleWhy);
  // The graticule's reason when it found labels to speak of.
  if (!found && problem) *problem = graticuleWhy != kNoGeoReferenceMessage ? graticuleWhy : why;
  return found;
}

}  // namespace qp
