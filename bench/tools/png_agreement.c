/* Agreement of two renderings of one page, tolerant of anti-aliasing: over
 * every pixel that is not white in one image, the share for which the other
 * image has a pixel within one pixel distance whose colour differs by at most
 * 64 in every channel. Counted both ways. Prints the share in percent. */
#include <cairo.h>
#include <stdio.h>
#include <stdlib.h>

static int near_match(const unsigned char* d, int stride, int w, int h, int x, int y,
                      unsigned int c) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const int xx = x + dx, yy = y + dy;
      if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
      const unsigned int o = *(const unsigned int*)(d + (size_t)yy * stride + (size_t)xx * 4);
      int ok = 1;
      for (int s = 0; s < 24; s += 8) {
        const int a = (int)((c >> s) & 0xFF), b = (int)((o >> s) & 0xFF);
        if (abs(a - b) > 64) ok = 0;
      }
      if (ok) return 1;
    }
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: png_agreement A.png B.png\n");
    return 2;
  }
  cairo_surface_t* a = cairo_image_surface_create_from_png(argv[1]);
  cairo_surface_t* b = cairo_image_surface_create_from_png(argv[2]);
  if (cairo_surface_status(a) || cairo_surface_status(b)) {
    fprintf(stderr, "cannot read the images\n");
    return 1;
  }
  cairo_surface_flush(a);
  cairo_surface_flush(b);
  /* Renderers may round the height of the same page differently: a
   * difference of up to two pixels is compared over the common area. */
  const int wa = cairo_image_surface_get_width(a), ha = cairo_image_surface_get_height(a);
  const int wb = cairo_image_surface_get_width(b), hb = cairo_image_surface_get_height(b);
  if (abs(wa - wb) > 2 || abs(ha - hb) > 2) {
    fprintf(stderr, "sizes differ\n");
    return 1;
  }
  const int w = wa < wb ? wa : wb, h = ha < hb ? ha : hb;
  const unsigned char* da = cairo_image_surface_get_data(a);
  const unsigned char* db = cairo_image_surface_get_data(b);
  const int sa = cairo_image_surface_get_stride(a), sb = cairo_image_surface_get_stride(b);
  long long counted = 0, agreed = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned int ca = *(const unsigned int*)(da + (size_t)y * sa + (size_t)x * 4) & 0xFFFFFF;
      const unsigned int cb = *(const unsigned int*)(db + (size_t)y * sb + (size_t)x * 4) & 0xFFFFFF;
      if (ca != 0xFFFFFF) {
        ++counted;
        agreed += near_match(db, sb, w, h, x, y, ca);
      }
      if (cb != 0xFFFFFF) {
        ++counted;
        agreed += near_match(da, sa, w, h, x, y, cb);
      }
    }
  }
  printf("%.2f\n", counted ? 100.0 * (double)agreed / (double)counted : 100.0);
  cairo_surface_destroy(a);
  cairo_surface_destroy(b);
  return 0;
}
