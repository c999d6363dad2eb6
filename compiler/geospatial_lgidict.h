#pragma once
// The older geo-registration of a page (/LGIDict: map frames with a
// transformation matrix or registration points, a neatline and a
// projection), where it is simple: geographic frames, and UTM frames on
// WGS 84 or NAD 83. Other projections are reported, not guessed.

#include <string>
#include <vector>

#include "compiler/geospatial_viewport.h"

namespace qp {

// The page's map frames as viewports (a frame without a neatline covers
// `wholePage`); `problem` receives a message when /LGIDict itself cannot be
// read.
std::vector<GeospatialViewport> ReadLgiMapFrames(const pdf::TPDDictionary& page,
                                                 const PageRect& wholePage, std::string* problem);

}  // namespace qp
