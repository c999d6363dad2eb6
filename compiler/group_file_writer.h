#pragma once
// Writes a group file: OpenGroupFile writes the header and a directory whose
// plate offsets are 0; AppendPlate adds one plate from the temporary image
// file and fills its directory offset. A build driver calls them plate by plate.

#include <cstdint>
#include <filesystem>
#include <span>

#include "compiler/binary_file.h"
#include "compiler/image_encoder.h"
#include "project/records.h"

namespace qp {

// "ZG" + ID (in UTF-8) + ".ZPG" for an airport group, "ZPINFO.ZPG" for an information
// group. Throws PlateError for an ID that would leave the folder ('/' or NUL).
std::filesystem::path GroupFileName(const GroupRecord& group);

// The corners that go into a plate header: recalculated for the clipped image
// when the plate is geo-referenced and clipped and the encoder applied the
// clip; otherwise the record's own (an ignored clip leaves the whole raster,
// which the record's corners describe).
PlateCorners PlateHeaderCorners(const PlateRecord& plate, const EncodedImage& image);

class GroupFileWriter {
 public:
  // Starts the group's file in `exportFolder` under a temporary name and
  // writes the header and one directory entry per plate. The file keeps its
  // previous content until Close or CloseAfterFailure renames the new one
  // over it; a writer destroyed without either leaves it untouched. Throws
  // PlateError.
  GroupFileWriter(const std::filesystem::path& exportFolder, const GroupRecord& group,
                  std::span<const PlateRecord> plates);

  // Appends plate `index` (from 0): its header from `plate` and `image`, then
  // the content of `tempFile`, which the encoder has just written.
  void AppendPlate(int index, const PlateRecord& plate, const EncodedImage& image,
                   const std::filesystem::path& tempFile);

  // Closes the file as it stands and puts it in place.
  void Close();

  // For a failed build: cuts a partly written plate off (back to the end of
  // the last completed plate), so the file stays valid, then closes it and
  // puts it in place.
  void CloseAfterFailure();

  // The group file's own path (not the temporary one).
  const std::filesystem::path& Path() const { return file_.Destination(); }

 private:
  ReplacementFile file_;
  uint32_t plateCount_ = 0;
  uint64_t completedEnd_ = 0;  // end of the last completed plate
};

// Convenience names for the driver.
inline GroupFileWriter OpenGroupFile(const std::filesystem::path& exportFolder,
                                     const GroupRecord& group,
                                     std::span<const PlateRecord> plates) {
  return GroupFileWriter(exportFolder, group, plates);
}

}  // namespace qp
