#pragma once
// Rasterises the triangles and patches of a mesh shading into a pixel
// block: colours run linearly across each triangle (Gouraud), patches are
// cut into a grid of triangles over their Coons surface first. The cost is
// bounded by the block, whatever the size of the mesh in target space.

#include <cairo.h>

#include <cstdint>

#include "pdf/render/pdf_shading.h"

namespace qp::pdf {

// Paints into `pixels` (premultiplied ARGB words, `stride` words a row),
// which covers target pixels x0 … x0 + width − 1 and y0 … y0 + height − 1;
// `toTarget` maps shading space to target pixels. Pixels no piece covers
// are left as they are.
void RasteriseMesh(const TPDShading& shading, const cairo_matrix_t& toTarget, uint32_t* pixels,
                   int stride, int x0, int y0, int width, int height);

}  // namespace qp::pdf
