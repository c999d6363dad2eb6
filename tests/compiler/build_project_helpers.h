#pragma once
// A project in a scratch application folder whose plates are small BMP and
// JPEG files written by the tests, for build driver and platec tests.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "project/project.h"
#include "tests/compiler/bmp_helpers.h"
#include "tests/compiler/compiler_test_helpers.h"
#include "tests/compiler/jpeg_helpers.h"

namespace qp::testing {

// A 24-bit BMP of width x height whose pixels vary in every channel, so
// that a build exercises many palette entries. `seed` varies the picture.
inline std::vector<uint8_t> PatternBmp(int width, int height, int seed = 0) {
  std::vector<std::vector<uint8_t>> rows;
  for (int y = height - 1; y >= 0; --y) {  // bottom-up
    std::vector<uint8_t> row;
    for (int x = 0; x < width; ++x) {
      row.push_back(static_cast<uint8_t>(x * 37 + y * 11 + seed * 50));  // blue
      row.push_back(static_cast<uint8_t>(y * 23 + seed * 13));           // green
      row.push_back(static_cast<uint8_t>(x < width / 2 ? 255 : x * 5));  // red
    }
    rows.push_back(row);
  }
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bits = 24;
  layout.pixels = PadRows(rows);
  return BuildBmp(layout);
}

// An RGB JPEG with a gradient and a dark band.
inline std::vector<uint8_t> PatternJpeg(int width, int height) {
  std::vector<uint8_t> samples;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool band = y >= height / 3 && y < height / 2;
      samples.push_back(band ? 20 : static_cast<uint8_t>(x * 255 / width));
      samples.push_back(band ? 20 : static_cast<uint8_t>(y * 255 / height));
      samples.push_back(band ? 90 : 200);
    }
  }
  return EncodeJpeg(width, height, 3, samples);
}

// An application folder with Export and Temp, a folder for sources, and an
// open project "test.zpl" in it.
class BuildFixtureFolder {
 public:
  BuildFixtureFolder() {
    std::filesystem::create_directories(dir_ / "Export");
    std::filesystem::create_directories(dir_ / "Temp");
    std::filesystem::create_directories(dir_ / "Sources");
  }
  const std::filesystem::path& Home() const { return dir_.path(); }
  std::filesystem::path Export(const std::string& name) const { return dir_ / "Export" / name; }
  std::string ProjectPath() const { return (dir_ / "test.zpl").string(); }

  // Writes a source file and returns its full path.
  std::string Source(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const std::filesystem::path path = dir_ / "Sources" / name;
    WriteBytes(path, bytes);
    return path.string();
  }
  std::string MissingSource(const std::string& name) const {
    return (dir_ / "Sources" / name).string();
  }

 private:
  ScratchDir dir_;
};

inline PlateRecord PlateFrom(const std::string& name, const std::string& source) {
  PlateRecord plate;
  plate.Name = name;
  plate.SourceFile = source;
  return plate;
}

// Adds an airport group (an information group when `id` is empty) with the
// given plates; the plates stay pending until the project is written.
inline void AddGroupWithPlates(Project& project, const std::string& name, const std::string& id,
                               const std::vector<PlateRecord>& plates) {
  project.AddGroup(name, id, id.empty() ? 1 : 0);
  project.SelectGroup(project.GroupCount() - 1);
  for (const PlateRecord& plate : plates) project.AddPlate(plate);
}

}  // namespace qp::testing
