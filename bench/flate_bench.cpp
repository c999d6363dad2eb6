// Flate decoding through the decoder chain against zlib's own inflate, on the
// Flate streams of the charts in the shared corpus. The raw streams are
// extracted once with qpdf; both sides decode the same bytes.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/core/filters.h"
#include "pdf/core/memory_source.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream whole;
  whole << in.rdbuf();
  return std::move(whole).str();
}

struct Corpus {
  std::vector<std::string> streams;  // raw zlib data of streams filtered by Flate only
  size_t decoded_bytes = 0;
};

// Raw Flate streams without predictor, from every chart.
const Corpus& Charts() {
  static const Corpus corpus = [] {
    Corpus c;
    fs::path dir = fs::path(QP_SHARED_DIR) / "corpus" / "faa";
    if (!fs::is_directory(dir)) return c;
    fs::path tmp = fs::temp_directory_path() / "qp-flate-bench";
    fs::create_directories(tmp);
    const std::regex flate_only(R"re("/Filter": (\[\s*)?"/FlateDecode"(\s*\])?,?\s*\n)re");
    int n = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.path().extension() != ".pdf") continue;
      fs::path prefix = tmp / ("f" + std::to_string(n++));
      std::string cmd =
          "qpdf --json=2 --json-key=qpdf --json-stream-data=file "
          "--decode-level=none --json-stream-prefix='" +
          prefix.string() + "' '" + entry.path().string() + "' '" + prefix.string() +
          ".json' 2>/dev/null";
      if (std::system(cmd.c_str()) != 0) continue;
      // Each stream object in the dump: its dictionary, then its data file.
      std::string json = ReadFile(prefix.string() + ".json");
      const std::regex stream(R"re("datafile": "([^"]+)",\s*"dict": \{([^{}]*)\})re");
      for (std::sregex_iterator it(json.begin(), json.end(), stream), end; it != end; ++it) {
        std::string dict = (*it)[2];
        if (dict.find("\"/FlateDecode\"") == std::string::npos ||
            dict.find("/DecodeParms") != std::string::npos ||
            dict.find("\"/DCTDecode\"") != std::string::npos ||
            dict.find("\"/ASCII85Decode\"") != std::string::npos)
          continue;
        c.streams.push_back(ReadFile((*it)[1].str()));
      }
    }
    fs::remove_all(tmp);
    std::vector<uint8_t> out(1 << 16);
    for (const auto& s : c.streams) {
      auto d = qp::pdf::MakeFlateDecoder(std::make_unique<qp::pdf::MemorySource>(
          std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size())));
      for (size_t got; (got = d->Read(out.data(), out.size())) > 0;) c.decoded_bytes += got;
    }
    return c;
  }();
  return corpus;
}

void ZlibInflate(benchmark::State& state) {
  const Corpus& c = Charts();
  if (c.streams.empty()) return state.SkipWithError("no charts in the shared corpus");
  std::vector<uint8_t> out(1 << 16);
  for (auto _ : state) {
    for (const auto& s : c.streams) {
      z_stream zs{};
      inflateInit(&zs);
      zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(s.data()));
      zs.avail_in = static_cast<uInt>(s.size());
      int rc;
      do {
        zs.next_out = out.data();
        zs.avail_out = static_cast<uInt>(out.size());
        rc = inflate(&zs, Z_NO_FLUSH);
        benchmark::DoNotOptimize(out.data());
      } while (rc == Z_OK);
      inflateEnd(&zs);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.decoded_bytes));
}

void FlateChain(benchmark::State& state) {
  const Corpus& c = Charts();
  if (c.streams.empty()) return state.SkipWithError("no charts in the shared corpus");
  std::vector<uint8_t> out(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    for (const auto& s : c.streams) {
      auto decoder = qp::pdf::MakeFlateDecoder(std::make_unique<qp::pdf::MemorySource>(
          std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size())));
      while (decoder->Read(out.data(), out.size()) > 0) benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.decoded_bytes));
  state.counters["streams"] = static_cast<double>(c.streams.size());
}

}  // namespace

BENCHMARK(ZlibInflate)->Unit(benchmark::kMillisecond);
BENCHMARK(FlateChain)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond);
