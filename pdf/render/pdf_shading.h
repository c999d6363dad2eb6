#pragma once
// Shadings read into a device-independent form: the geometry of a
// function-based, axial, radial or mesh shading with its colours already
// taken through its functions and colour space to RGB.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "pdf/core/pdf_geometry.h"
#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

// One colour of a gradient: the position across the shading's Domain
// (0 at its start, 1 at its end) and the colour in 0 … 1.
struct TShadingStop {
  double t;
  double r, g, b;
};

// One piece of a mesh: a triangle (Corners 3, Points 0 to 2 its vertices)
// or a patch (Corners 4, Points its twelve boundary points in drawing order,
// corners at 0, 3, 6 and 9), with the RGB colour of each corner.
struct TShadingPatch {
  int Corners = 3;
  std::array<double, 24> Points{};  // x, y pairs
  std::array<std::array<double, 3>, 4> Colours{};
};

struct TPDShading {
  enum Kind { kFunctionBased = 1, kAxial = 2, kRadial = 3 };
  // A mesh keeps at most this many triangles and patches.
  static constexpr size_t kMaxPatches = 1 << 16;
  // Mesh data beyond this many bytes is not read.
  static constexpr int64_t kMaxMeshBytes = int64_t{64} << 20;
  // Axial and radial shadings are sampled at this many positions (fewer
  // stops are kept where the colour runs straight between them).
  static constexpr int kSamples = 256;
  // Function-based shadings are sampled on a grid of at most this side.
  static constexpr int kGridSide = 128;

  // The shading of a dictionary or stream; nothing for another type, a
  // missing or unusable colour space or function, or functions whose inputs
  // or outputs do not fit the shading.
  static std::shared_ptr<const TPDShading> Read(TPDBaseObject* object, TPDObjectResolver* document);

  int Type = kAxial;
  // Axial: x0 y0 x1 y1; radial: x0 y0 r0 x1 y1 r1 (shading space).
  std::array<double, 6> Coords{};
  bool ExtendStart = false, ExtendEnd = false;
  std::vector<TShadingStop> Stops;  // axial and radial, t ascending, at least 2

  // Function-based: the Domain rectangle (x0 x1 y0 y1), the Matrix from it
  // to shading space, and the colours of a GridWidth × GridHeight grid over
  // the rectangle, first row at y0, as opaque 0xFFRRGGBB words.
  std::array<double, 4> Domain{0, 1, 0, 1};
  TPDMatrix Matrix;
  int GridWidth = 0, GridHeight = 0;
  std::vector<uint32_t> Grid;

  // Types 4 to 7.
  std::vector<TShadingPatch> Patches;

  bool HasBackground = false;
  std::array<double, 3> Background{};  // RGB, 0 … 1
  bool HasBBox = false;
  std::array<double, 4> BBox{};  // x1 y1 x2 y2, shading space
  bool AntiAlias = false;
};

using TPDShadingRef = std::shared_ptr<const TPDShading>;

}  // namespace qp::pdf
