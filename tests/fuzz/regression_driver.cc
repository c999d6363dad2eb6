// Runs a fuzz target over every file of the folders or files given on the
// command line, so that saved crash inputs stay regression tests.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int failures = 0;
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path root(argv[i]);
    if (std::filesystem::is_directory(root)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
          failures += RunFile(entry.path());
          ++files;
        }
      }
    } else if (std::filesystem::exists(root)) {
      failures += RunFile(root);
      ++files;
    }
  }
  // An empty input still exercises the target once.
  LLVMFuzzerTestOneInput(nullptr, 0);
  std::printf("%d inputs run\n", files + 1);
  return failures == 0 ? 0 : 1;
}
