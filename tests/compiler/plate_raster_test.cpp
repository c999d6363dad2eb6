#include "compiler/plate_raster.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include "compiler/plate_error.h"

namespace qp {
namespace {

// A renderer paints through a cairo surface over the raster's own memory;
// the pixel accessors then read what it painted as 0x00BBGGRR.
TEST(PlateRaster, CairoPaintsIntoItsMemory) {
  PlateRaster raster(37, 20);
  EXPECT_EQ(raster.Pixel(36, 19), 0xFFFFFFu);  // starts white
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      raster.Data(), CAIRO_FORMAT_RGB24, raster.Width(), raster.Height(), raster.Stride());
  ASSERT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1.0, 0.5, 0.0);
  cairo_rectangle(cr, 10, 5, 4, 3);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  EXPECT_EQ(raster.Pixel(11, 6) & 0xFF, 0xFFu);  // red in the low byte
  EXPECT_NEAR((raster.Pixel(11, 6) >> 8) & 0xFF, 128, 1);
  EXPECT_EQ(raster.Pixel(11, 6) >> 16, 0u);  // no blue
  EXPECT_EQ(raster.Pixel(9, 6), 0xFFFFFFu);

  raster.SetPixel(0, 0, 0x123456);
  EXPECT_EQ(raster.Pixel(0, 0), 0x123456u);
  EXPECT_EQ(raster.Row(0)[0] & 0xFFFFFF, 0x563412u);  // native 0x00RRGGBB
}

TEST(PlateRaster, RefusesSizesOutsideItsBounds) {
  const std::pair<int, int> sizes[] = {{0, 5}, {5, 0}, {-1, 5}, {65536, 1}, {40000, 40000}};
  for (auto [w, h] : sizes) EXPECT_THROW(PlateRaster(w, h), PlateError) << w << " x " << h;
  EXPECT_EQ(PlateRaster(65535, 1).Width(), 65535);
}

}  // namespace
}  // namespace qp
