#pragma once
// The records of a project: groups and their plates. Names, IDs and paths
// are held as Windows-1252 bytes (source paths as the file system's bytes),
// cut to the capacity of their field when stored.

#include <cstdint>
#include <string>

namespace qp {

inline constexpr int kGroupIdCapacity = 6;
inline constexpr int kNameCapacity = 63;
inline constexpr int kSourceFileCapacity = 255;
inline constexpr int kMaxPlatesPerGroup = 500;

struct GroupRecord {
  std::string ID;    // ICAO identifier; empty for an information group
  std::string Name;  // descriptive group name
  int32_t Count = 0;
  uint8_t Type = 0;  // 0 = airport group; any other value = information group

  bool IsAirport() const { return Type == 0; }
};

// `Scaling` values.
enum PlateScaling : uint8_t {
  scOriginal = 0,  // "Leave at original resolution"
  sc1024 = 1,
  sc800 = 2,
  sc640 = 3,
  sc320 = 4,
};

// `Rotate` values.
enum PlateRotation : uint8_t {
  rtNone = 0,        // "Do not rotate"
  rtLeft90 = 1,      // "Rotate 90 degrees left"
  rtRight90 = 2,     // "Rotate 90 degrees right"
  rtUpsideDown = 3,  // "Rotate upside down"
};

struct PlateRecord {
  std::string Name;        // descriptive plate name
  std::string SourceFile;  // full path of the .pdf, .bmp, .jpg or .jpeg source
  int32_t FirstPage = 1;
  int32_t NumberOfPages = 0;
  uint8_t Scaling = scOriginal;
  uint8_t Rotate = rtNone;
  bool GEOREF = false;
  bool NameFromFilename = false;
  bool Clip = false;
  int32_t LatTL = 0;  // coordinates in 1/180000 degree, north and east positive
  int32_t LongTL = 0;
  int32_t LatBR = 0;
  int32_t LongBR = 0;
  int32_t ClipX1 = 0;  // clip rectangle in preview pixels, origin top left
  int32_t ClipY1 = 0;
  int32_t ClipX2 = 0;
  int32_t ClipY2 = 0;
  uint16_t Width = 0;  // carried through load and save unchanged
  uint16_t Height = 0;
};

}  // namespace qp
