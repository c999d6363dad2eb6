#include "pdf/render/system_face_cache.h"

#include <map>
#include <string>
#include <utility>

namespace qp::pdf {

namespace {

// A page uses a handful of installed faces; a document with a great many
// font names still stays within this bound.
constexpr size_t kMaxOpenFaces = 32;

}  // namespace

std::shared_ptr<TFontProcessor> OpenSystemFace(const TSystemFontFace& face) {
  thread_local std::map<std::pair<std::string, int>, std::shared_ptr<TFontProcessor>> open;
  auto key = std::make_pair(face.filePath, face.faceIndex);
  if (auto it = open.find(key); it != open.end()) return it->second;
  auto processor = std::make_shared<TFontProcessor>();
  if (processor->OpenFile(face.filePath, face.faceIndex) != kFpSuccess) return nullptr;
  if (open.size() >= kMaxOpenFaces) open.clear();  // callers keep theirs alive
  open.emplace(std::move(key), processor);
  return processor;
}

}  // namespace qp::pdf
