// Mesh shadings: free-form (type 4) and lattice-form (type 5) triangle
// meshes, Coons (type 6) and tensor-product (type 7) patch meshes, read from
// their packed stream data into triangles and patches with RGB corners. A
// tensor patch keeps its boundary; its four inner points are not used.

#include <cmath>
#include <string>

#include "pdf/render/pdf_shading_build.h"

namespace qp::pdf {

namespace {

// Reads big-endian bit fields of up to 32 bits.
class BitReader {
 public:
  explicit BitReader(const std::string& data) : data_(data) {}
  bool Read(int bits, double& value) {
    if (bits <= 0 || bits > 32 || pos_ + static_cast<size_t>(bits) > data_.size() * 8) return false;
    uint64_t v = 0;
    for (int i = 0; i < bits; ++i, ++pos_) {
      v = v << 1 | ((static_cast<uint8_t>(data_[pos_ >> 3]) >> (7 - (pos_ & 7))) & 1);
    }
    value = static_cast<double>(v);
    return true;
  }
  void Align() { pos_ = (pos_ + 7) & ~size_t{7}; }

 private:
  const std::string& data_;
  size_t pos_ = 0;
};

struct Vertex {
  double x = 0, y = 0;
  std::array<double, 3> rgb{};
};

class MeshReader {
 public:
  MeshReader(const std::string& data, const TPDColorSpace& space) : bits_(data), space_(space) {}

  bool Setup(TPDDictionary& dict, TPDObjectResolver* document, int type) {
    auto integer = [&](const char* key, int& out) {
      const TPDBaseObject* v = ResolveObject(dict.LookUp(key), document);
      if (!v || !v->IsNumber()) return false;
      const double n = v->GetNumber();
      if (!(n >= 1 && n <= 32)) return false;
      out = static_cast<int>(n);
      return true;
    };
    if (!integer("BitsPerCoordinate", coord_bits_) || !integer("BitsPerComponent", comp_bits_)) {
      return false;
    }
    if (comp_bits_ > 16) return false;
    if (type != 5 && !integer("BitsPerFlag", flag_bits_)) return false;
    if (flag_bits_ > 8) return false;
    const TPDBaseObject* function = ResolveObject(dict.LookUp("Function"), document);
    has_function_ = function != nullptr;
    if (has_function_ &&
        !colours_.Read(dict.LookUp("Function"), document, 1, space_.GetNoOfComps())) {
      return false;
    }
    values_ = has_function_ ? 1 : space_.GetNoOfComps();
    if (!ReadNumbers(dict.LookUp("Decode"), document, 4 + 2 * static_cast<size_t>(values_),
                     decode_)) {
      return false;
    }
    return true;
  }

  bool Flag(int& flag) {
    double v;
    if (!bits_.Read(flag_bits_, v)) return false;
    flag = static_cast<int>(v);
    return true;
  }

  bool Point(double& x, double& y) {
    double vx, vy;
    if (!bits_.Read(coord_bits_, vx) || !bits_.Read(coord_bits_, vy)) return false;
    const double top = std::ldexp(1.0, coord_bits_) - 1;
    x = decode_[0] + vx * (decode_[1] - decode_[0]) / top;
    y = decode_[2] + vy * (decode_[3] - decode_[2]) / top;
    return true;
  }

  bool Colour(std::array<double, 3>& rgb) {
    const double top = std::ldexp(1.0, comp_bits_) - 1;
    double c[kMaxColorComps] = {};
    for (int i = 0; i < values_; ++i) {
      double v;
      if (!bits_.Read(comp_bits_, v)) return false;
      c[i] = decode_[4 + 2 * i] + v * (decode_[5 + 2 * i] - decode_[4 + 2 * i]) / top;
    }
    if (has_function_) {
      rgb = colours_.RGB(space_, c[0]);
    } else {
      TColor colour{};
      for (int i = 0; i < values_; ++i) colour.Comps[i] = FixedFromDouble(c[i]);
      rgb = ShadingRGB(space_, colour);
    }
    return true;
  }

  bool Vertex(struct Vertex& v) { return Point(v.x, v.y) && Colour(v.rgb); }
  void Align() { bits_.Align(); }

 private:
  BitReader bits_;
  const TPDColorSpace& space_;
  ShadingColours colours_;
  bool has_function_ = false;
  int coord_bits_ = 0, comp_bits_ = 0, flag_bits_ = 0, values_ = 0;
  std::vector<double> decode_;
};

void AddTriangle(TPDShading& shading, const Vertex& a, const Vertex& b, const Vertex& c) {
  TShadingPatch patch;
  patch.Corners = 3;
  const Vertex* v[3] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i) {
    patch.Points[2 * i] = v[i]->x, patch.Points[2 * i + 1] = v[i]->y;
    patch.Colours[i] = v[i]->rgb;
  }
  shading.Patches.push_back(patch);
}

void ReadFreeForm(MeshReader& reader, TPDShading& shading) {
  Vertex a, b, c;
  int count = 0;  // vertices of the current triangle known
  while (shading.Patches.size() < TPDShading::kMaxPatches) {
    int flag;
    Vertex v;
    if (!reader.Flag(flag) || !reader.Vertex(v)) return;
    reader.Align();
    if (flag == 0 || count < 3) {
      // A new triangle starts (a continuation flag before three vertices
      // is taken as a start).
      if (flag == 0 && count >= 3) count = 0;
      (count == 0 ? a : count == 1 ? b : c) = v;
      if (++count == 3) AddTriangle(shading, a, b, c);
      continue;
    }
    if (flag == 1) {
      a = b, b = c, c = v;
    } else {
      b = c, c = v;
    }
    AddTriangle(shading, a, b, c);
  }
}

void ReadLattice(MeshReader& reader, TPDShading& shading, int perRow) {
  std::vector<Vertex> previous, row;
  while (shading.Patches.size() < TPDShading::kMaxPatches) {
    row.clear();
    for (int i = 0; i < perRow; ++i) {
      Vertex v;
      if (!reader.Vertex(v)) return;
      row.push_back(v);
    }
    if (!previous.empty()) {
      for (int i = 0; i + 1 < perRow; ++i) {
        AddTriangle(shading, previous[i], previous[i + 1], row[i]);
        AddTriangle(shading, previous[i + 1], row[i + 1], row[i]);
      }
    }
    previous.swap(row);
  }
}

void ReadPatches(MeshReader& reader, TPDShading& shading, bool tensor) {
  TShadingPatch last;
  bool haveLast = false;
  while (shading.Patches.size() < TPDShading::kMaxPatches) {
    int flag;
    if (!reader.Flag(flag)) return;
    TShadingPatch patch;
    patch.Corners = 4;
    int firstPoint = 0, firstColour = 0;
    if (flag != 0 && haveLast) {
      // The new patch's first side is a side of the last one: its points
      // from corner `from`, and the colours of that side's two corners.
      const int side = flag >= 1 && flag <= 3 ? flag : 1;
      const int from = 3 * side;
      for (int i = 0; i < 4; ++i) {
        const int p = (from + i) % 12;
        patch.Points[2 * i] = last.Points[2 * p], patch.Points[2 * i + 1] = last.Points[2 * p + 1];
      }
      patch.Colours[0] = last.Colours[side];
      patch.Colours[1] = last.Colours[(side + 1) % 4];
      firstPoint = 4, firstColour = 2;
    } else if (flag != 0) {
      return;  // nothing to continue from
    }
    for (int i = firstPoint; i < 12; ++i) {
      if (!reader.Point(patch.Points[2 * i], patch.Points[2 * i + 1])) return;
    }
    if (tensor) {
      double x, y;
      for (int i = 0; i < 4; ++i) {
        if (!reader.Point(x, y)) return;
      }
    }
    for (int i = firstColour; i < 4; ++i) {
      if (!reader.Colour(patch.Colours[i])) return;
    }
    reader.Align();
    shading.Patches.push_back(patch);
    last = patch;
    haveLast = true;
  }
}

}  // namespace

bool ReadMesh(TPDStream& stream, TPDObjectResolver* document, const TPDColorSpace& space,
              TPDShading& shading) {
  TPDDictionary* dict = stream.GetDict();
  if (!dict) return false;
  std::string data;
  stream.Reset();
  uint8_t buffer[65536];
  while (static_cast<int64_t>(data.size()) < TPDShading::kMaxMeshBytes) {
    const size_t n = stream.Read(buffer, sizeof buffer);
    if (n == 0) break;
    data.append(reinterpret_cast<const char*>(buffer), n);
  }
  MeshReader reader(data, space);
  if (!reader.Setup(*dict, document, shading.Type)) return false;
  if (shading.Type == 4) {
    ReadFreeForm(reader, shading);
  } else if (shading.Type == 5) {
    const TPDBaseObject* perRow = ResolveObject(dict->LookUp("VerticesPerRow"), document);
    if (!perRow || !perRow->IsNumber()) return false;
    const double n = perRow->GetNumber();
    if (!(n >= 2 && n <= 1e5)) return false;
    ReadLattice(reader, shading, static_cast<int>(n));
  } else {
    ReadPatches(reader, shading, shading.Type == 7);
  }
  return !shading.Patches.empty();
}

}  // namespace qp::pdf
