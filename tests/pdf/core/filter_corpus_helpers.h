#pragma once
// Access to the shared corpus for the real-data tests: qpdf dumps of every
// stream (raw and decoded), the passwords of MANIFEST.tsv, and decoder chains
// built from a stream dictionary as qpdf's JSON shows it.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/core/filters.h"
#include "pdf/core/memory_source.h"
#include "tests/pdf/core/filter_json_helpers.h"

namespace qp::pdf::test {

namespace fs = std::filesystem;

inline fs::path CorpusDir() {
  return fs::path(QP_SHARED_DIR) / "corpus";
}
inline bool HaveCorpus() {
  return fs::is_directory(CorpusDir());
}

#define QP_REQUIRE_CORPUS()                                                        \
  if (!::qp::pdf::test::HaveCorpus())                                              \
    GTEST_SKIP() << "shared corpus not found at " << ::qp::pdf::test::CorpusDir(); \
  if (std::system("qpdf --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "qpdf missing"

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream whole;
  whole << in.rdbuf();
  return std::move(whole).str();
}

inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// A temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string templ = (fs::temp_directory_path() / "qp-filters-XXXXXX").string();
    path_ = mkdtemp(templ.data()) ? fs::path(templ) : fs::path();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// PDF files of the corpus folders, sorted.
inline std::vector<fs::path> CorpusPdfs(const std::vector<std::string>& folders) {
  std::vector<fs::path> out;
  for (const auto& folder : folders) {
    fs::path dir = CorpusDir() / folder;
    if (!fs::is_directory(dir)) continue;
    for (const auto& e : fs::recursive_directory_iterator(dir))
      if (e.path().extension() == ".pdf") out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

struct Passwords {
  std::string user;
  std::string owner;
  bool encrypted = false;
};

// MANIFEST.tsv of corpus/mixed: path -> passwords ("(empty)" is "").
inline std::map<std::string, Passwords> ManifestPasswords() {
  std::map<std::string, Passwords> out;
  std::istringstream in(ReadFile(CorpusDir() / "mixed" / "MANIFEST.tsv"));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    if (cols.size() < 7 || cols[6] == "-" || cols[6] == "passwords") continue;
    Passwords p;
    p.encrypted = true;
    std::stringstream ps(cols[6]);
    std::string item;
    while (ps >> item) {
      auto eq = item.find('=');
      if (eq == std::string::npos) continue;
      std::string value = item.substr(eq + 1);
      if (value == "(empty)") value.clear();
      (item.substr(0, eq) == "user" ? p.user : p.owner) = value;
    }
    out[cols[0]] = p;
  }
  return out;
}

// The "qpdf" section of a JSON dump whose stream data went to files.
struct Dump {
  Json objects;  // "obj:N G R" -> {"value": ...} or {"stream": {"dict", "datafile"}}
  bool ok = false;

  const Json* Object(const std::string& key) const { return objects.Find(key); }
  // Follows "N G R" strings to the object's value.
  const Json* Resolve(const Json* v) const {
    for (int i = 0; v && v->IsString() && i < 10; ++i) {
      const std::string& t = v->text;
      if (t.size() < 5 || t.compare(t.size() - 2, 2, " R") != 0) break;
      const Json* obj = Object("obj:" + t);
      if (!obj) return nullptr;
      const Json* value = obj->Find("value");
      v = value ? value : obj;
    }
    return v;
  }
};

inline Dump QpdfDump(const fs::path& pdf, const std::string& password, const std::string& level,
                     const fs::path& dir, const std::string& prefix) {
  Dump dump;
  fs::path json = dir / (prefix + ".json");
  std::string cmd = "qpdf --json=2 --json-key=qpdf --json-stream-data=file --json-stream-prefix=" +
                    Quote((dir / prefix).string()) + " --decode-level=" + level;
  if (!password.empty()) cmd += " --password=" + Quote(password);
  cmd += " " + Quote(pdf.string()) + " " + Quote(json.string()) + " 2>/dev/null";
  int rc = std::system(cmd.c_str());
  if (rc != 0 && WEXITSTATUS(rc) != 3) return dump;  // 3: warnings only
  std::string text = ReadFile(json);
  JsonReader reader(text);
  Json root = reader.Parse();
  const Json* q = root.Find("qpdf");
  if (!reader.ok() || !q || q->items.size() < 2) return dump;
  dump.objects = q->items[1];
  dump.ok = true;
  return dump;
}

inline std::vector<std::string> FilterNames(const Dump& dump, const Json& dict) {
  std::vector<std::string> out;
  const Json* f = dump.Resolve(dict.Find("/Filter"));
  if (!f) return out;
  if (f->IsString()) out.push_back(f->text);
  for (const auto& item : f->items) {
    const Json* r = dump.Resolve(&item);
    out.push_back(r && r->IsString() ? r->text : "?");
  }
  return out;
}

inline FilterParams ParamsFrom(const Dump& dump, const Json* parms) {
  FilterParams p;
  parms = dump.Resolve(parms);
  if (!parms || parms->type != Json::Type::kObject) return p;
  auto num = [&](const char* key, int* out) {
    const Json* v = dump.Resolve(parms->Find(key));
    if (v && v->type == Json::Type::kNumber) *out = static_cast<int>(v->number);
  };
  auto flag = [&](const char* key, bool* out) {
    const Json* v = dump.Resolve(parms->Find(key));
    if (v && v->type == Json::Type::kBool) *out = v->boolean;
  };
  num("/Predictor", &p.predictor.predictor);
  num("/Columns", &p.predictor.columns);
  num("/Colors", &p.predictor.colors);
  num("/BitsPerComponent", &p.predictor.bits_per_component);
  num("/EarlyChange", &p.early_change);
  num("/K", &p.ccitt.k);
  num("/Columns", &p.ccitt.columns);
  num("/Rows", &p.ccitt.rows);
  flag("/EndOfLine", &p.ccitt.end_of_line);
  flag("/EncodedByteAlign", &p.ccitt.encoded_byte_align);
  flag("/EndOfBlock", &p.ccitt.end_of_block);
  flag("/BlackIs1", &p.ccitt.black_is_1);
  num("/ColorTransform", &p.dct.color_transform);
  return p;
}

// The parameters of filter `index` of the stream dictionary.
inline FilterParams ParamsAt(const Dump& dump, const Json& dict, size_t index) {
  const Json* parms = dump.Resolve(dict.Find("/DecodeParms"));
  if (parms && parms->type == Json::Type::kArray)
    return index < parms->items.size() ? ParamsFrom(dump, &parms->items[index]) : FilterParams{};
  return index == 0 ? ParamsFrom(dump, parms) : FilterParams{};
}

// Decodes `raw` through the chain the dictionary names.
inline std::string DecodeChain(const Dump& dump, const Json& dict, std::string raw) {
  std::unique_ptr<ByteSource> top = std::make_unique<MemorySource>(std::move(raw));
  std::vector<std::string> names = FilterNames(dump, dict);
  for (size_t i = 0; i < names.size(); ++i) {
    FilterKind kind = FilterKindFromName(names[i].substr(names[i].empty() ? 0 : 1));
    top = MakeDecoder(kind, std::move(top), ParamsAt(dump, dict, i));
  }
  std::string out;
  std::string buffer(65536, '\0');
  for (;;) {
    size_t n = top->Read(reinterpret_cast<uint8_t*>(buffer.data()), buffer.size());
    if (n == 0) break;
    out.append(buffer, 0, n);
  }
  return out;
}

}  // namespace qp::pdf::test
