#pragma once
// PROJ, opened at its first use rather than linked: the library brings in
// about forty others (network, TLS, SQLite) whose loading cost every platec
// process some 20 ms, while only geospatial PDFs in a named coordinate
// system need it.

#include <proj.h>

namespace qp {

struct ProjFunctions {
  decltype(&::proj_context_create) context_create;
  decltype(&::proj_context_destroy) context_destroy;
  decltype(&::proj_log_level) log_level;
  decltype(&::proj_context_set_enable_network) context_set_enable_network;
  decltype(&::proj_context_errno) context_errno;
  decltype(&::proj_context_errno_string) context_errno_string;
  decltype(&::proj_create) create;
  decltype(&::proj_create_from_wkt) create_from_wkt;
  decltype(&::proj_string_list_destroy) string_list_destroy;
  decltype(&::proj_destroy) destroy;
  decltype(&::proj_clone) clone;
  decltype(&::proj_get_type) get_type;
  decltype(&::proj_get_source_crs) get_source_crs;
  decltype(&::proj_crs_get_geodetic_crs) crs_get_geodetic_crs;
  decltype(&::proj_create_crs_to_crs_from_pj) create_crs_to_crs_from_pj;
  decltype(&::proj_normalize_for_visualization) normalize_for_visualization;
  decltype(&::proj_is_equivalent_to) is_equivalent_to;
  decltype(&::proj_trans) trans;
};

// The functions of the installed PROJ, opened once per process (safe from
// any thread), or nullptr when it cannot be opened.
const ProjFunctions* OpenProj();

// Longitude (or easting) and latitude (or northing) as PROJ takes them.
inline PJ_COORD ProjCoord(double x, double y) {
  PJ_COORD c{};
  c.v[0] = x;
  c.v[1] = y;
  return c;
}

}  // namespace qp
