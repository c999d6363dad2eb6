#include "compiler/group_file_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "compiler/group_file.h"
#include "compiler/plate_error.h"
#include "project/text_encoding.h"

namespace qp {

namespace {

// Writes a short string: a length byte and `capacity` bytes, text cut to fit.
void PutShortString(uint8_t* p, const std::string& text, size_t capacity) {
  size_t n = std::min(text.size(), capacity);
  p[0] = static_cast<uint8_t>(n);
  std::copy_n(text.data(), n, p + 1);
}

}  // namespace

std::filesystem::path GroupFileName(const GroupRecord& group) {
  if (!group.IsAirport()) return "ZPINFO.ZPG";
  if (group.ID.find_first_of(std::string("/\0", 2)) != std::string::npos) {
    throw PlateError("Invalid group ID for a file name: " + group.ID);
  }
  // The record holds Windows-1252 bytes; names on disk are UTF-8.
  return "ZG" + Windows1252ToUtf8(group.ID) + ".ZPG";
}

namespace {

// The file's path, once the group is known to fit a group file.
std::filesystem::path CheckedPath(const std::filesystem::path& exportFolder,
                                  const GroupRecord& group, size_t plateCount) {
  if (plateCount > kMaxPlatesPerGroup) {
    throw PlateError("A group holds at most " + std::to_string(kMaxPlatesPerGroup) + " plates");
  }
  return exportFolder / GroupFileName(group);
}

}  // namespace

PlateCorners PlateHeaderCorners(const PlateRecord& plate, const EncodedImage& image) {
  PlateCorners stored{plate.LatTL, plate.LongTL, plate.LatBR, plate.LongBR};
  if (!(plate.GEOREF && plate.Clip && image.Clipped)) return stored;
  return ClipCorners(stored, image.RasterWidth, image.RasterHeight, image.Clip);
}

GroupFileWriter::GroupFileWriter(const std::filesystem::path& exportFolder,
                                 const GroupRecord& group, std::span<const PlateRecord> plates)
    : file_(CheckedPath(exportFolder, group, plates.size())) {
  plateCount_ = static_cast<uint32_t>(plates.size());
  std::array<uint8_t, kGroupHeaderSize> header{};
  std::copy_n(kGroupFileMagic, 4, header.data());
  PutShortString(header.data() + kGroupIdOffset, group.ID, kGroupIdCapacity);
  header[kHeaderMarkOffset] = 1;
  PutShortString(header.data() + kGroupNameOffset, group.Name, kNameCapacity);
  PutU32(header.data() + kPlateCountOffset, plateCount_);
  file_.File().Write(header.data(), header.size());

  for (const PlateRecord& plate : plates) {
    std::array<uint8_t, kDirectoryEntrySize> entry{};
    PutShortString(entry.data(), plate.Name, kNameCapacity);
    file_.File().Write(entry.data(), entry.size());
  }
  completedEnd_ = file_.File().Tell();
}

void GroupFileWriter::AppendPlate(int index, const PlateRecord& plate, const EncodedImage& image,
                                  const std::filesystem::path& tempFile) {
  if (index < 0 || static_cast<uint32_t>(index) >= plateCount_) {
    throw PlateError("Plate index " + std::to_string(index) + " is outside the group of " +
                     Path().string());
  }
  std::FILE* temp = std::fopen(tempFile.c_str(), "rb");
  if (!temp) throw PlateError("Unable to open " + tempFile.string());
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(temp, &std::fclose);

  const uint64_t start = file_.File().Tell();
  if (start > UINT32_MAX) throw PlateError("Group file " + Path().string() + " exceeds 4 GiB");

  PlateCorners corners = PlateHeaderCorners(plate, image);
  std::array<uint8_t, kPlateHeaderSize> header{};
  PutU32(header.data() + 0, static_cast<uint32_t>(corners.LatTL));
  PutU32(header.data() + 4, static_cast<uint32_t>(corners.LongTL));
  PutU32(header.data() + 8, static_cast<uint32_t>(corners.LatBR));
  PutU32(header.data() + 12, static_cast<uint32_t>(corners.LongBR));
  PutU16(header.data() + 16, static_cast<uint16_t>(plate.NumberOfPages));
  PutU16(header.data() + 18, 1);
  header[20] = plate.GEOREF ? 1 : 0;
  header[21] = 0;
  PutU16(header.data() + 22, image.ImageWidth);
  PutU16(header.data() + 24, image.ImageHeight);
  file_.File().Write(header.data(), header.size());

  uint8_t block[512];
  size_t n;
  do {
    n = std::fread(block, 1, sizeof block, temp);
    file_.File().Write(block, n);
  } while (n == sizeof block);
  if (std::ferror(temp)) throw PlateError("Unable to read " + tempFile.string());

  const uint64_t end = file_.File().Tell();
  file_.File().Seek(DirectoryEntryOffset(static_cast<uint32_t>(index)) + kPlateOffsetField);
  file_.File().WriteU32(static_cast<uint32_t>(start));
  file_.File().Seek(end);
  completedEnd_ = end;
}

void GroupFileWriter::Close() {
  file_.Commit();
}

void GroupFileWriter::CloseAfterFailure() {
  if (!file_.File().IsOpen()) return;
  file_.File().Truncate(completedEnd_);
  file_.Commit();
}

}  // namespace qp
