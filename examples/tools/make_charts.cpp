// Writes the example project's PDF source: approach and aerodrome charts of
// the fictional aerodrome LFQV, drawn with lines and text through Cairo's
// PDF surface. Usage: make_charts OUT.pdf
#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

namespace {

using Context = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

constexpr double kPi = 3.14159265358979323846;

void Text(cairo_t* cr, double x, double y, double size, const std::string& text,
          bool bold = false) {
  cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
}

void Box(cairo_t* cr, double x, double y, double w, double h, double width = 1) {
  cairo_set_line_width(cr, width);
  cairo_rectangle(cr, x, y, w, h);
  cairo_stroke(cr);
}

void Line(cairo_t* cr, double x1, double y1, double x2, double y2, double width = 1) {
  cairo_set_line_width(cr, width);
  cairo_move_to(cr, x1, y1);
  cairo_line_to(cr, x2, y2);
  cairo_stroke(cr);
}

// A runway of the given length and heading (degrees) centred on (x, y).
void Runway(cairo_t* cr, double x, double y, double length, double heading) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_rotate(cr, (heading - 90) * kPi / 180);
  cairo_rectangle(cr, -length / 2, -4, length, 8);
  cairo_fill(cr);
  cairo_restore(cr);
}

// A navigation aid: a hexagon in a compass circle, with its name.
void Beacon(cairo_t* cr, double x, double y, const std::string& name, const std::string& freq) {
  cairo_set_line_width(cr, 0.8);
  cairo_new_path(cr);
  cairo_arc(cr, x, y, 28, 0, 2 * kPi);
  cairo_stroke(cr);
  for (int deg = 0; deg < 360; deg += 30) {
    const double a = deg * kPi / 180;
    Line(cr, x + 24 * std::sin(a), y - 24 * std::cos(a), x + 28 * std::sin(a), y - 28 * std::cos(a),
         0.6);
  }
  for (int i = 0; i <= 6; ++i) {
    const double a = i * kPi / 3;
    if (i == 0) {
      cairo_move_to(cr, x + 6 * std::cos(a), y + 6 * std::sin(a));
    } else {
      cairo_line_to(cr, x + 6 * std::cos(a), y + 6 * std::sin(a));
    }
  }
  cairo_stroke(cr);
  Text(cr, x + 32, y - 4, 8, name, true);
  Text(cr, x + 32, y + 6, 7, freq);
}

// The frame and title block shared by the approach charts.
void ApproachFrame(cairo_t* cr, double w, double h, const std::string& title,
                   const std::string& course) {
  cairo_set_source_rgb(cr, 0, 0, 0);
  Box(cr, 18, 18, w - 36, h - 36, 1.5);
  Line(cr, 18, 70, w - 18, 70);
  Text(cr, 26, 38, 9, "VALBREON-SAINT-AURELE (LFQV)");
  Text(cr, 26, 58, 13, title, true);
  Text(cr, w - 150, 38, 8, "APP 119.275  TWR 118.650");
  Text(cr, w - 150, 58, 8, "Final approach course " + course);
  Text(cr, 26, h - 24, 6, "FICTIONAL CHART - NOT FOR NAVIGATION");
}

void ApproachPage(cairo_t* cr, double w, double h, const std::string& title, double heading,
                  const std::string& beacon) {
  char course[16];
  std::snprintf(course, sizeof course, "%03.0f", heading);
  ApproachFrame(cr, w, h, title, course);
  // Plan view: a grid of minutes, the runway, the final course and a beacon.
  const double top = 80, bottom = h * 0.62;
  cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
  for (double x = 40; x < w - 20; x += 40) Line(cr, x, top, x, bottom, 0.3);
  for (double y = top + 20; y < bottom; y += 40) Line(cr, 20, y, w - 20, y, 0.3);
  cairo_set_source_rgb(cr, 0, 0, 0);
  Box(cr, 18, top, w - 36, bottom - top);
  const double cx = w / 2, cy = (top + bottom) / 2;
  Runway(cr, cx, cy, 60, heading);
  const double a = (heading + 180) * kPi / 180;
  const double dash[] = {6, 3};
  cairo_set_dash(cr, dash, 2, 0);
  Line(cr, cx, cy, cx + 150 * std::sin(a), cy - 150 * std::cos(a), 1.2);
  cairo_set_dash(cr, nullptr, 0, 0);
  Beacon(cr, cx + 110 * std::sin(a), cy - 110 * std::cos(a), beacon, "VOR 113.45");
  cairo_set_source_rgb(cr, 0.1, 0.3, 0.7);
  cairo_set_line_width(cr, 0.8);
  cairo_new_path(cr);  // no line from the text before
  cairo_arc(cr, cx - 90, cy + 60, 18, 0, 2 * kPi);
  cairo_stroke(cr);
  Text(cr, cx - 104, cy + 92, 7, "MSA 3200");
  // Profile view: the descent on the glide path.
  cairo_set_source_rgb(cr, 0, 0, 0);
  const double pTop = bottom + 10, pBottom = h * 0.82;
  Box(cr, 18, pTop, w - 36, pBottom - pTop);
  Line(cr, 40, pTop + 20, w - 80, pBottom - 12, 1.5);
  Line(cr, w - 80, pBottom - 12, w - 30, pBottom - 12, 3);
  Text(cr, 44, pTop + 16, 7, "FAF 3000 ft");
  Text(cr, w / 2 - 20, (pTop + pBottom) / 2 + 4, 7, "GS 3.0");
  // Minimums table.
  const double mTop = pBottom + 8;
  Box(cr, 18, mTop, w - 36, h - 40 - mTop);
  const char* rows[] = {"CAT A  DA 620  RVR 550", "CAT B  DA 620  RVR 550",
                        "CAT C  DA 640  RVR 800", "CAT D  DA 660  RVR 1200"};
  for (int i = 0; i < 4; ++i) Text(cr, 28, mTop + 14 + i * 11, 7, rows[i]);
}

void AerodromePage(cairo_t* cr, double w, double h) {
  cairo_set_source_rgb(cr, 0, 0, 0);
  Box(cr, 18, 18, w - 36, h - 36, 1.5);
  Text(cr, 26, 38, 12, "LFQV AERODROME CHART", true);
  Text(cr, w - 200, 38, 8, "ELEV 412  N45 12.0 E002 14.5");
  cairo_set_source_rgb(cr, 0.85, 0.85, 0.8);
  cairo_rectangle(cr, 60, 70, w - 120, h - 120);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  Runway(cr, w / 2, h / 2, w * 0.6, 90);
  cairo_set_source_rgb(cr, 0.9, 0.75, 0.1);
  for (double x = w * 0.3; x <= w * 0.7; x += w * 0.1) Line(cr, x, h / 2 + 6, x, h / 2 + 50, 3);
  Line(cr, w * 0.3, h / 2 + 50, w * 0.7, h / 2 + 50, 3);
  cairo_set_source_rgb(cr, 0, 0, 0);
  Text(cr, w * 0.2 - 10, h / 2 - 12, 9, "09", true);
  Text(cr, w * 0.8 - 4, h / 2 - 12, 9, "27", true);
  Text(cr, w / 2 - 30, h / 2 + 66, 8, "APRON   TWR");
  Text(cr, 26, h - 24, 6, "FICTIONAL CHART - NOT FOR NAVIGATION");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: make_charts OUT.pdf\n");
    return 2;
  }
  // 5.5 x 8.5 inch pages, as approach charts are printed.
  const double w = 396, h = 612;
  cairo_surface_t* surface = cairo_pdf_surface_create(argv[1], w, h);
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, "LFQV charts");
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "make_charts");
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, "2026-01-01T00:00:00Z");
  {
    Context cr(cairo_create(surface), cairo_destroy);
    ApproachPage(cr.get(), w, h, "ILS or LOC RWY 09", 90, "VBR");
    cairo_show_page(cr.get());
    ApproachPage(cr.get(), w, h, "VOR RWY 27", 270, "SAU");
    cairo_show_page(cr.get());
    cairo_pdf_surface_set_size(surface, h, w);  // landscape
    AerodromePage(cr.get(), h, w);
    cairo_show_page(cr.get());
  }
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "make_charts: %s: %s\n", argv[1], cairo_status_to_string(status));
    return 1;
  }
  return 0;
}
