// Loads arbitrary bytes as a project file and every group in it, saves the
// model to another file and checks that reloading gives the same model.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "project/project.h"

namespace {

// Keeps a run short when the input claims thousands of groups.
constexpr int kGroupsChecked = 16;

struct Snapshot {
  std::vector<qp::GroupRecord> groups;
  std::vector<std::vector<qp::PlateRecord>> plates;
};

bool SameGroup(const qp::GroupRecord& a, const qp::GroupRecord& b) {
  return a.ID == b.ID && a.Name == b.Name && a.Count == b.Count && a.Type == b.Type;
}

bool SamePlate(const qp::PlateRecord& a, const qp::PlateRecord& b) {
  return a.Name == b.Name && a.SourceFile == b.SourceFile && a.FirstPage == b.FirstPage &&
         a.NumberOfPages == b.NumberOfPages && a.Scaling == b.Scaling && a.Rotate == b.Rotate &&
         a.GEOREF == b.GEOREF && a.NameFromFilename == b.NameFromFilename && a.Clip == b.Clip &&
         a.LatTL == b.LatTL && a.LongTL == b.LongTL && a.LatBR == b.LatBR && a.LongBR == b.LongBR &&
         a.ClipX1 == b.ClipX1 && a.ClipY1 == b.ClipY1 && a.ClipX2 == b.ClipX2 &&
         a.ClipY2 == b.ClipY2 && a.Width == b.Width && a.Height == b.Height;
}

Snapshot LoadAll(qp::Project& project, const std::string& path) {
  project.ProjectFileName = path;
  project.LoadProject();
  Snapshot snapshot;
  for (int g = 0; g < project.GroupCount(); ++g) snapshot.groups.push_back(*project.GroupAt(g));
  for (int g = 0; g < std::min(project.GroupCount(), kGroupsChecked); ++g) {
    project.LoadGroup(g);
    const auto& table = project.PlateTable();
    snapshot.plates.emplace_back(table.begin(), table.begin() + project.GroupAt(g)->Count);
  }
  return snapshot;
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qp-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TempFolder folder;
  if (folder.Path().empty()) return 0;
  const std::string input = folder.Path() + "/input.zpl";
  const std::string output = folder.Path() + "/output.zpl";
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::filesystem::remove(output);

  qp::Project original;
  Snapshot before = LoadAll(original, input);

  // Write the whole model into a new file: the header keys, then each
  // checked group's plates.
  original.ProjectFileName = output;
  original.SaveProject();
  for (int g = 0; g < static_cast<int>(before.plates.size()); ++g) {
    auto& table = original.PlateTable();
    std::copy(before.plates[static_cast<size_t>(g)].begin(),
              before.plates[static_cast<size_t>(g)].end(), table.begin());
    original.SaveGroup(g);
  }

  qp::Project reloaded;
  Snapshot after = LoadAll(reloaded, output);
  bool same =
      before.groups.size() == after.groups.size() && before.plates.size() == after.plates.size();
  for (size_t g = 0; same && g < before.groups.size(); ++g) {
    same = SameGroup(before.groups[g], after.groups[g]);
  }
  for (size_t g = 0; same && g < before.plates.size(); ++g) {
    same = before.plates[g].size() == after.plates[g].size();
    for (size_t i = 0; same && i < before.plates[g].size(); ++i) {
      same = SamePlate(before.plates[g][i], after.plates[g][i]);
    }
  }
  if (!same) {
    std::fprintf(stderr, "project file did not read back as written\n");
    std::abort();
  }
  return 0;
}
