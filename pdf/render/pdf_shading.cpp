#include "pdf/render/pdf_shading.h"

#include <algorithm>
#include <cmath>

#include "pdf/render/pdf_colorspace.h"
#include "pdf/render/pdf_function.h"
#include "pdf/render/pdf_shading_build.h"

namespace qp::pdf {

bool ShadingColours::Read(TPDBaseObject* object, TPDObjectResolver* document, int inputs,
                          int comps) {
  object = ResolveObject(object, document);
  if (!object) return false;
  std::vector<TPDBaseObject*> parts;
  if (object->IsArray()) {
    auto* array = static_cast<TPDArray*>(object);
    if (array->GetLength() != static_cast<size_t>(comps)) return false;
    for (size_t i = 0; i < array->GetLength(); ++i) parts.push_back(array->Get(i));
  } else {
    parts.push_back(object);
  }
  for (TPDBaseObject* part : parts) {
    TPDFunctionPtr f = TPDFunction::MakeFunction(part, document);
    if (!f || !f->IsOk() || f->GetInputSize() != inputs) return false;
    const int needed = parts.size() == 1 ? comps : 1;
    if (f->GetOutputSize() < needed) return false;
    functions_.push_back(std::move(f));
  }
  comps_ = comps;
  return true;
}

std::array<double, 3> ShadingColours::RGB(const TPDColorSpace& space, double x, double y) const {
  TFuncValues in{}, out{};
  in[0] = x, in[1] = y;
  TColor colour{};
  if (functions_.size() == 1) {
    functions_[0]->Transform(in, out);
    for (int c = 0; c < comps_; ++c) colour.Comps[c] = FixedFromDouble(out[c]);
  } else {
    for (int c = 0; c < comps_; ++c) {
      functions_[c]->Transform(in, out);
      colour.Comps[c] = FixedFromDouble(out[0]);
    }
  }
  return ShadingRGB(space, colour);
}

std::array<double, 3> ShadingRGB(const TPDColorSpace& space, const TColor& colour) {
  const TRGB rgb = space.GetRGB(colour);
  return {DoubleFromFixed(ClampFixed(rgb.R)), DoubleFromFixed(ClampFixed(rgb.G)),
          DoubleFromFixed(ClampFixed(rgb.B))};
}

bool ReadNumbers(TPDBaseObject* object, TPDObjectResolver* document, size_t count,
                 std::vector<double>& out) {
  out.clear();
  object = ResolveObject(object, document);
  if (!object || !object->IsArray()) return false;
  auto* array = static_cast<TPDArray*>(object);
  const size_t n = array->GetLength();
  if ((count != 0 && n != count) || n > 64) return false;
  for (size_t i = 0; i < n; ++i) {
    const TPDBaseObject* e = ResolveObject(array->Get(i), document);
    if (!e || !e->IsNumber() || !std::isfinite(e->GetNumber())) return false;
    out.push_back(e->GetNumber());
  }
  return true;
}

bool ReadBool(TPDBaseObject* object, TPDObjectResolver* document) {
  object = ResolveObject(object, document);
  return object && object->IsBoolean() && static_cast<TPDBoolean*>(object)->Value();
}

namespace {

// Drops the stops that lie on the straight run between their neighbours
// (within a fraction of a colour step), so that a linear gradient keeps two.
std::vector<TShadingStop> Simplify(const std::vector<TShadingStop>& in) {
  constexpr double kTolerance = 0.25 / 255;
  std::vector<TShadingStop> out;
  out.push_back(in.front());
  for (size_t i = 1; i + 1 < in.size(); ++i) {
    const TShadingStop& a = out.back();
    const TShadingStop& c = in[i + 1];
    // Every skipped stop between a and c must lie on the line from a to c.
    bool straight = true;
    for (size_t j = i; j > 0 && straight; --j) {
      const TShadingStop& b = in[j];
      if (b.t <= a.t) break;
      const double f = (b.t - a.t) / (c.t - a.t);
      straight = std::fabs(a.r + f * (c.r - a.r) - b.r) <= kTolerance &&
                 std::fabs(a.g + f * (c.g - a.g) - b.g) <= kTolerance &&
                 std::fabs(a.b + f * (c.b - a.b) - b.b) <= kTolerance;
    }
    if (!straight) out.push_back(in[i]);
  }
  out.push_back(in.back());
  return out;
}

bool ReadGradient(TPDDictionary& dict, TPDObjectResolver* document, const TPDColorSpace& space,
                  TPDShading& shading) {
  std::vector<double> v;
  const size_t coordCount = shading.Type == TPDShading::kAxial ? 4 : 6;
  if (!ReadNumbers(dict.LookUp("Coords"), document, coordCount, v)) return false;
  std::copy(v.begin(), v.end(), shading.Coords.begin());
  if (shading.Type == TPDShading::kRadial) {
    if (shading.Coords[2] < 0 || shading.Coords[5] < 0) return false;
    if (shading.Coords[2] == 0 && shading.Coords[5] == 0) return false;
  }
  double t0 = 0, t1 = 1;
  if (ReadNumbers(dict.LookUp("Domain"), document, 2, v)) t0 = v[0], t1 = v[1];
  TPDBaseObject* extend = ResolveObject(dict.LookUp("Extend"), document);
  if (extend && extend->IsArray() && static_cast<TPDArray*>(extend)->GetLength() == 2) {
    auto* array = static_cast<TPDArray*>(extend);
    shading.ExtendStart = ReadBool(array->Get(0), document);
    shading.ExtendEnd = ReadBool(array->Get(1), document);
  }
  ShadingColours functions;
  if (!functions.Read(dict.LookUp("Function"), document, 1, space.GetNoOfComps())) return false;
  std::vector<TShadingStop> stops;
  for (int i = 0; i < TPDShading::kSamples; ++i) {
    const double f = static_cast<double>(i) / (TPDShading::kSamples - 1);
    const std::array<double, 3> c = functions.RGB(space, t0 + f * (t1 - t0));
    stops.push_back({f, c[0], c[1], c[2]});
  }
  shading.Stops = Simplify(stops);
  return true;
}

bool ReadFunctionBased(TPDDictionary& dict, TPDObjectResolver* document, const TPDColorSpace& space,
                       TPDShading& shading) {
  std::vector<double> v;
  if (ReadNumbers(dict.LookUp("Domain"), document, 4, v)) {
    std::copy(v.begin(), v.end(), shading.Domain.begin());
  }
  const auto& d = shading.Domain;
  if (!(d[1] > d[0]) || !(d[3] > d[2])) return false;
  if (ReadNumbers(dict.LookUp("Matrix"), document, 6, v)) {
    shading.Matrix = TPDMatrix(v[0], v[1], v[2], v[3], v[4], v[5]);
  }
  ShadingColours functions;
  if (!functions.Read(dict.LookUp("Function"), document, 2, space.GetNoOfComps())) return false;
  const int side = TPDShading::kGridSide;
  shading.GridWidth = shading.GridHeight = side;
  shading.Grid.resize(static_cast<size_t>(side) * side);
  for (int row = 0; row < side; ++row) {
    const double y = d[2] + (row + 0.5) / side * (d[3] - d[2]);
    for (int col = 0; col < side; ++col) {
      const double x = d[0] + (col + 0.5) / side * (d[1] - d[0]);
      const std::array<double, 3> c = functions.RGB(space, x, y);
      auto byte = [](double value) { return static_cast<uint32_t>(std::lround(value * 255)); };
      shading.Grid[static_cast<size_t>(row) * side + col] =
          0xFF000000u | byte(c[0]) << 16 | byte(c[1]) << 8 | byte(c[2]);
    }
  }
  return true;
}

}  // namespace

TPDShadingRef TPDShading::Read(TPDBaseObject* object, TPDObjectResolver* document) {
  object = ResolveObject(object, document);
  if (!object) return nullptr;
  TPDDictionary* dict = nullptr;
  if (object->IsStream()) {
    dict = static_cast<TPDStream*>(object)->GetDict();
  } else if (object->IsDict()) {
    dict = static_cast<TPDDictionary*>(object);
  }
  if (!dict) return nullptr;
  const TPDBaseObject* type = ResolveObject(dict->LookUp("ShadingType"), document);
  if (!type || !type->IsNumber()) return nullptr;
  auto shading = std::make_shared<TPDShading>();
  const double kind = type->GetNumber();
  if (!(kind >= 1 && kind <= 7) || kind != std::floor(kind)) return nullptr;
  shading->Type = static_cast<int>(kind);
  TPDColorSpacePtr space = TPDColorSpace::MakeColorSpace(
      ResolveObject(dict->LookUp("ColorSpace"), document), {}, document);
  if (!space || space->GetMode() == csPattern || space->GetNoOfComps() < 1 ||
      space->GetNoOfComps() > kMaxFuncValues) {
    return nullptr;
  }
  try {
    bool ok = false;
    if (shading->Type == kFunctionBased) {
      ok = ReadFunctionBased(*dict, document, *space, *shading);
    } else if (shading->Type == kAxial || shading->Type == kRadial) {
      ok = ReadGradient(*dict, document, *space, *shading);
    } else if (object->IsStream()) {
      ok = ReadMesh(*static_cast<TPDStream*>(object), document, *space, *shading);
    }
    if (!ok) return nullptr;
  } catch (const std::exception&) {
    return nullptr;  // a damaged function stream
  }
  std::vector<double> v;
  const size_t comps = static_cast<size_t>(space->GetNoOfComps());
  if (ReadNumbers(dict->LookUp("Background"), document, comps, v)) {
    TColor colour{};
    for (size_t c = 0; c < comps; ++c) colour.Comps[c] = FixedFromDouble(v[c]);
    const TRGB rgb = space->GetRGB(colour);
    shading->HasBackground = true;
    shading->Background = {DoubleFromFixed(ClampFixed(rgb.R)), DoubleFromFixed(ClampFixed(rgb.G)),
                           DoubleFromFixed(ClampFixed(rgb.B))};
  }
  if (ReadNumbers(dict->LookUp("BBox"), document, 4, v)) {
    shading->HasBBox = true;
    shading->BBox = {std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]),
                     std::max(v[1], v[3])};
  }
  shading->AntiAlias = ReadBool(dict->LookUp("AntiAlias"), document);
  return shading;
}

}  // namespace qp::pdf
