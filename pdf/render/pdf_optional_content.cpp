#include "pdf/render/pdf_optional_content.h"

namespace qp::pdf {

namespace {

TPDDictionary* DictOf(TPDBaseObject* object, TPDObjectResolver* doc) {
  object = ResolveObject(object, doc);
  return object && object->IsDict() ? static_cast<TPDDictionary*>(object) : nullptr;
}

// The groups of an array (or the one group given alone).
template <typename F>
void ForEachGroup(TPDBaseObject* list, TPDObjectResolver* doc, F&& f) {
  list = ResolveObject(list, doc);
  if (!list) return;
  if (list->IsArray()) {
    const auto& array = static_cast<const TPDArray&>(*list);
    for (size_t i = 0; i < array.GetLength(); ++i) {
      if (TPDDictionary* g = DictOf(array.Get(i), doc)) f(g);
    }
  } else if (list->IsDict()) {
    f(static_cast<TPDDictionary*>(list));
  }
}

}  // namespace

TPDOptionalContent::TPDOptionalContent(TPDDictionary* catalog, TPDObjectResolver* doc) : doc_(doc) {
  TPDDictionary* properties = catalog ? DictOf(catalog->LookUp("OCProperties"), doc) : nullptr;
  TPDDictionary* config = properties ? DictOf(properties->LookUp("D"), doc) : nullptr;
  if (!config) return;
  const TPDBaseObject* base = ResolveObject(config->LookUp("BaseState"), doc);
  if (base && base->IsName("OFF")) {
    ForEachGroup(properties->LookUp("OCGs"), doc, [&](TPDDictionary* g) { off_.insert(g); });
    ForEachGroup(config->LookUp("ON"), doc, [&](TPDDictionary* g) { off_.erase(g); });
  } else {
    ForEachGroup(config->LookUp("OFF"), doc, [&](TPDDictionary* g) { off_.insert(g); });
  }
}

bool TPDOptionalContent::IsHidden(TPDBaseObject* object) const {
  if (off_.empty()) return false;
  return !Visible(object, 0);
}

bool TPDOptionalContent::GroupOn(TPDBaseObject* group) const {
  return !off_.count(ResolveObject(group, doc_));
}

bool TPDOptionalContent::Visible(TPDBaseObject* object, int depth) const {
  TPDDictionary* dict = DictOf(object, doc_);
  if (!dict) return true;
  const TPDBaseObject* type = ResolveObject(dict->LookUp("Type"), doc_);
  if (!type || !type->IsName("OCMD")) return GroupOn(dict);
  // A membership dictionary: its visibility expression when it has one,
  // else its groups under its policy (AnyOn without one).
  if (TPDBaseObject* ve = ResolveObject(dict->LookUp("VE"), doc_); ve && ve->IsArray()) {
    return Expression(ve, depth + 1);
  }
  int on = 0, off = 0;
  ForEachGroup(dict->LookUp("OCGs"), doc_, [&](TPDDictionary* g) { ++(GroupOn(g) ? on : off); });
  if (on + off == 0) return true;
  const TPDBaseObject* policy = ResolveObject(dict->LookUp("P"), doc_);
  if (policy && policy->IsName("AllOn")) return off == 0;
  if (policy && policy->IsName("AnyOff")) return off > 0;
  if (policy && policy->IsName("AllOff")) return on == 0;
  return on > 0;
}

bool TPDOptionalContent::Expression(TPDBaseObject* ve, int depth) const {
  if (depth > kMaxExpressionDepth) return true;
  ve = ResolveObject(ve, doc_);
  if (!ve) return true;
  if (!ve->IsArray()) return Visible(ve, depth);
  const auto& array = static_cast<const TPDArray&>(*ve);
  if (array.GetLength() == 0) return true;
  const TPDBaseObject* op = ResolveObject(array.Get(0), doc_);
  if (op && op->IsName("Not")) {
    return array.GetLength() < 2 || !Expression(array.Get(1), depth + 1);
  }
  const bool all = op && op->IsName("And");
  if (!all && !(op && op->IsName("Or"))) return true;
  for (size_t i = 1; i < array.GetLength(); ++i) {
    const bool v = Expression(array.Get(i), depth + 1);
    if (all && !v) return false;
    if (!all && v) return true;
  }
  return all;
}

}  // namespace qp::pdf
