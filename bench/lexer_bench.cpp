// Tokenising speed over the decoded page content streams of the FAA charts.
// The streams are decoded once by qpdf (QDF mode writes them uncompressed and
// marks each page's contents), then lexed from memory.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_parser.h"

namespace {

namespace fs = std::filesystem;
using namespace qp::pdf;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream whole;
  whole << in.rdbuf();
  return std::move(whole).str();
}

// The data of every stream that follows a "%% Contents for page" marker.
void CollectContents(const std::string& qdf, std::vector<std::string>& out) {
  size_t pos = 0;
  while ((pos = qdf.find("%% Contents for page", pos)) != std::string::npos) {
    size_t begin = qdf.find("stream\n", pos);
    const size_t end = begin == std::string::npos ? begin : qdf.find("\nendstream", begin);
    if (end == std::string::npos) break;
    begin += 7;
    out.push_back(qdf.substr(begin, end - begin));
    pos = end;
  }
}

const std::vector<std::string>& ContentStreams() {
  static const std::vector<std::string> streams = [] {
    std::vector<std::string> result;
    const fs::path corpus = fs::path(QP_SHARED_DIR) / "corpus" / "faa";
    if (!fs::is_directory(corpus)) return result;
    char pattern[] = "/tmp/qp_lexer_bench_XXXXXX";
    if (mkdtemp(pattern) == nullptr) return result;
    const fs::path temp(pattern);
    for (const auto& entry : fs::directory_iterator(corpus)) {
      if (entry.path().extension() != ".pdf") continue;
      const fs::path out = temp / "page.qdf";
      const std::string command = "qpdf --qdf --object-streams=disable '" + entry.path().string() +
                                  "' '" + out.string() + "' 2>/dev/null";
      if (std::system(command.c_str()) != 0 && !fs::exists(out)) continue;
      CollectContents(ReadFile(out), result);
      fs::remove(out);
    }
    fs::remove_all(temp);
    return result;
  }();
  return streams;
}

int64_t TotalBytes(const std::vector<std::string>& streams) {
  int64_t total = 0;
  for (const auto& s : streams) total += static_cast<int64_t>(s.size());
  return total;
}

void BM_LexContentStreams(benchmark::State& state) {
  const auto& streams = ContentStreams();
  if (streams.empty()) {
    state.SkipWithError("no FAA charts found under QP_SHARED_DIR/corpus/faa (or qpdf missing)");
    return;
  }
  TPDToken token;
  int64_t tokens = 0;
  for (auto _ : state) {
    for (const auto& data : streams) {
      TMemoryStream stream(reinterpret_cast<const uint8_t*>(data.data()), data.size());
      TPDLexer lexer(stream);
      do {
        lexer.NextToken(token);
        ++tokens;
      } while (token.kind != TPDTokenKind::EndOfInput);
    }
    benchmark::DoNotOptimize(token);
  }
  state.SetBytesProcessed(state.iterations() * TotalBytes(streams));
  state.counters["streams"] = static_cast<double>(streams.size());
  state.counters["tokens"] =
      benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LexContentStreams)->Unit(benchmark::kMillisecond);

// The same through the parser, one object allocated per operand.
void BM_ParseContentStreams(benchmark::State& state) {
  const auto& streams = ContentStreams();
  if (streams.empty()) {
    state.SkipWithError("no FAA charts found under QP_SHARED_DIR/corpus/faa (or qpdf missing)");
    return;
  }
  for (auto _ : state) {
    for (const auto& data : streams) {
      TMemoryStream stream(reinterpret_cast<const uint8_t*>(data.data()), data.size());
      TPDParser parser({}, std::make_unique<TPDLexer>(stream), false);
      while (!parser.GetObject()->IsEOF()) {
      }
    }
  }
  state.SetBytesProcessed(state.iterations() * TotalBytes(streams));
}
BENCHMARK(BM_ParseContentStreams)->Unit(benchmark::kMillisecond);

// A content stream interpreter's way: single tokens without allocation, whole
// objects only for arrays and dictionaries.
void BM_ParseSimpleObjects(benchmark::State& state) {
  const auto& streams = ContentStreams();
  if (streams.empty()) {
    state.SkipWithError("no FAA charts found under QP_SHARED_DIR/corpus/faa (or qpdf missing)");
    return;
  }
  TPDToken token;
  for (auto _ : state) {
    for (const auto& data : streams) {
      TMemoryStream stream(reinterpret_cast<const uint8_t*>(data.data()), data.size());
      TPDParser parser({}, std::make_unique<TPDLexer>(stream), false);
      for (;;) {
        if (parser.GetSimpleObject(token)) {
          if (token.kind == TPDTokenKind::EndOfInput) break;
        } else {
          benchmark::DoNotOptimize(parser.GetObject());
        }
      }
    }
  }
  state.SetBytesProcessed(state.iterations() * TotalBytes(streams));
}
BENCHMARK(BM_ParseSimpleObjects)->Unit(benchmark::kMillisecond);

}  // namespace
