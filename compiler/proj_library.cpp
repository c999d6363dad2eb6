#include "compiler/proj_library.h"

#include <dlfcn.h>

#include <memory>

namespace qp {
namespace {

template <typename Function>
bool Resolve(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

std::unique_ptr<ProjFunctions> Load() {
  void* library = dlopen(QP_PROJ_SONAME, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  auto f = std::make_unique<ProjFunctions>();
  const bool complete =
      Resolve(library, "proj_context_create", f->context_create) &&
      Resolve(library, "proj_context_destroy", f->context_destroy) &&
      Resolve(library, "proj_log_level", f->log_level) &&
      Resolve(library, "proj_context_set_enable_network", f->context_set_enable_network) &&
      Resolve(library, "proj_context_errno", f->context_errno) &&
      Resolve(library, "proj_context_errno_string", f->context_errno_string) &&
      Resolve(library, "proj_create", f->create) &&
      Resolve(library, "proj_create_from_wkt", f->create_from_wkt) &&
      Resolve(library, "proj_string_list_destroy", f->string_list_destroy) &&
      Resolve(library, "proj_destroy", f->destroy) && Resolve(library, "proj_clone", f->clone) &&
      Resolve(library, "proj_get_type", f->get_type) &&
      Resolve(library, "proj_get_source_crs", f->get_source_crs) &&
      Resolve(library, "proj_crs_get_geodetic_crs", f->crs_get_geodetic_crs) &&
      Resolve(library, "proj_create_crs_to_crs_from_pj", f->create_crs_to_crs_from_pj) &&
      Resolve(library, "proj_normalize_for_visualization", f->normalize_for_visualization) &&
      Resolve(library, "proj_is_equivalent_to", f->is_equivalent_to) &&
      Resolve(library, "proj_trans", f->trans);
  // The library stays open for the life of the process: mappings made from
  // it may live until exit.
  if (!complete) {
    dlclose(library);
    return nullptr;
  }
  return f;
}

}  // namespace

const ProjFunctions* OpenProj() {
  static const std::unique_ptr<ProjFunctions> functions = Load();
  return functions.get();
}

}  // namespace qp
