/* Ink of a rendering: the number of pixels far from white (some channel below 160, so that coloured text counts) of
 * a PNG, a quick measure of how much text and line work a page shows. */
#include <cairo.h>
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: png_ink IMAGE.png\n");
    return 2;
  }
  cairo_surface_t* s = cairo_image_surface_create_from_png(argv[1]);
  if (cairo_surface_status(s)) {
    fprintf(stderr, "cannot read the image\n");
    return 1;
  }
  cairo_surface_flush(s);
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  const int stride = cairo_image_surface_get_stride(s);
  const cairo_format_t format = cairo_image_surface_get_format(s);
  const unsigned char* d = cairo_image_surface_get_data(s);
  long long ink = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned int c = *(const unsigned int*)(d + (size_t)y * stride + (size_t)x * 4);
      /* Transparent pixels of an ARGB image are white paper. */
      if (format == CAIRO_FORMAT_ARGB32 && (c >> 24) < 128) continue;
      if (((c >> 16) & 0xFF) < 160 || ((c >> 8) & 0xFF) < 160 || (c & 0xFF) < 160) ++ink;
    }
  }
  printf("%lld\n", ink);
  cairo_surface_destroy(s);
  return 0;
}
