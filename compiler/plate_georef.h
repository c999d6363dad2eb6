#pragma once
// A plate's corners from the chart's own geo-reference: the page mapping a
// finder gives, taken through the plate's layout (scaling and rotation)
// exactly as the build lays out the raster.

#include <functional>
#include <optional>
#include <string>

#include "compiler/chart_geo_mapping.h"
#include "compiler/geo_reference.h"
#include "pdf/core/pdf_facade.h"
#include "project/records.h"

namespace qp {

// Finds the mapping of page `page` (1-based) of a loaded document for the
// part `plateArea` of the page (std::nullopt: the whole page); on failure
// sets `problem` to why.
using ChartGeoFinder = std::function<std::optional<ChartGeoReference>(
    pdf::TPDFDocument& document, int page, const std::optional<PageRect>& plateArea,
    std::string* problem)>;

struct PlateGeoResult {
  // The corners of the whole preview raster (pixel (0, 0) and pixel (width,
  // height), before the clip), as the plate record stores them.
  PlateCorners Corners;
  // The plate's rotation choice, or the one that puts north up when the
  // plate's own leaves north to a side; the corners are for this one.
  uint8_t Rotate = rtNone;
  std::string Origin;  // what the finder read
};

// Finds the mapping of the plate's page in `document` (loaded with the
// plate's source) and gives the corners; std::nullopt with `problem` set
// when there is none or it cannot be told by corners (a chart not drawn
// north up). Throws PlateError naming the file when the page cannot be laid
// out.
std::optional<PlateGeoResult> GeoReferenceLoadedPlate(pdf::TPDFDocument& document,
                                                      const PlateRecord& plate,
                                                      const ChartGeoFinder& find,
                                                      std::string* problem);

// The same after loading the plate's PDF source into `document`; throws
// PlateError naming the file when it does not load.
std::optional<PlateGeoResult> GeoReferencePlate(pdf::TPDFDocument& document,
                                                const PlateRecord& plate,
                                                const ChartGeoFinder& find, std::string* problem);

}  // namespace qp
