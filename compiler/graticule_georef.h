#pragma once
// The geo-reference of a chart that prints its graticule (airport diagrams):
// latitude and longitude labels found in the page's text, each paired with
// the graticule line or tick it labels, and longitude fitted from one page
// axis and latitude from the other. Nothing is offered unless every check
// passes: never a wrong mapping.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/chart_geo_mapping.h"

namespace qp {

namespace pdf {
class TPDFDocument;
struct PageText;
}  // namespace pdf

// A label's value: degrees, north and east positive.
struct GraticuleLabel {
  bool IsLatitude = false;
  double Degrees = 0;
};

// The value of a label such as 42°21'N, 71°01'W, 42°21.5'N, N42°21',
// 42°21'30"N: degrees, a degree sign (° º ˚, or a glyph whose font gives no
// Unicode value), optional minutes and seconds with their marks, and one
// hemisphere letter before or after. Spaces are ignored. Nothing for any
// other text (frequencies, headings, "PAPI 3.00°", elevations).
std::optional<GraticuleLabel> ParseGraticuleLabel(std::u32string_view text);

// A label paired with the graticule line it labels: a vertical line at x =
// Position, or a horizontal one at y = Position (page space).
struct GraticuleMark {
  GraticuleLabel Label;
  bool Vertical = true;
  double Position = 0;
};

// Every label of the page that has its line, in reading order.
std::vector<GraticuleMark> FindGraticuleMarks(const pdf::PageText& text);

// The graticule geo-reference of page `page` (1-based) of a loaded document;
// nothing, with the reason in `problem` (kNoGeoReferenceMessage, with a
// detail after a colon when labels were found), when none passes the checks.
std::optional<ChartGeoReference> FindGraticuleGeoReference(pdf::TPDFDocument& document, int page,
                                                           std::string* problem = nullptr);

// The same over a page's text already read.
std::optional<ChartGeoReference> FindGraticuleGeoReference(const pdf::PageText& text,
                                                           std::string* problem = nullptr);

}  // namespace qp
