#include "pdf/core/pdf_page_tree.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "pdf/core/pdf_errors.h"

namespace qp::pdf {

TPDContents::TPDContents(TPDBaseObject* contents) {
  if (contents == nullptr) return;
  if (contents->IsStream()) {
    streams_.push_back(static_cast<TPDStream*>(contents));
    return;
  }
  if (!contents->IsArray()) return;
  const auto& array = static_cast<const TPDArray&>(*contents);
  for (size_t i = 0; i < array.GetLength(); ++i) {
    TPDBaseObject* element = array.Get(i);
    if (element != nullptr && element->IsStream()) {
      streams_.push_back(static_cast<TPDStream*>(element));
    }
  }
}

TPDPage::TPDPage(TPDDictionary* dict, uint32_t pageNum, TPDInheritedProperty inherited)
    : dict_(dict), page_num_(pageNum), inherited_(inherited) {}

const TPDRect* TPDPage::Box(std::optional<TPDRect>& cache, std::string_view key,
                            const TPDBaseObject* inherited, bool* isInherited) {
  const TPDBaseObject* own = dict_->LookUp(key);
  if (own != nullptr) {
    if (!own->IsArray()) throw ExBadPage();
    cache.emplace(own);
  } else if (inherited != nullptr) {
    cache.emplace(inherited);
    if (isInherited != nullptr) *isInherited = true;
  }
  return cache ? &*cache : nullptr;
}

const TPDRect* TPDPage::Mediabox() {
  if (!media_box_done_) {
    Box(media_box_, "MediaBox", inherited_.MediaBox, &inherited_media_box_);
    media_box_done_ = true;
  }
  return media_box_ ? &*media_box_ : nullptr;
}

namespace {

struct Extent {
  double x0, y0, x1, y1;
};

Extent Normalised(const TPDRect& r) {
  return {std::min(r.Left(), r.Right()), std::min(r.Top(), r.Bottom()),
          std::max(r.Left(), r.Right()), std::max(r.Top(), r.Bottom())};
}

}  // namespace

const TPDRect* TPDPage::Cropbox() {
  if (!crop_box_done_) {
    Box(crop_box_, "CropBox", inherited_.CropBox, &inherited_crop_box_);
    crop_box_done_ = true;
    if (crop_box_) ClipCropboxToMediabox();
  }
  return crop_box_ ? &*crop_box_ : nullptr;
}

// Nothing outside the media box is part of the page, so a crop box reaching
// beyond it is cut to it, as other viewers do. A crop box inside the media box
// stays as stored; one that misses it entirely too (there is nothing better).
void TPDPage::ClipCropboxToMediabox() {
  const TPDRect* media = nullptr;
  try {
    media = Mediabox();
  } catch (const ExBadPage&) {
    return;  // reported when the media box itself is asked for
  }
  if (media == nullptr) return;
  const Extent c = Normalised(*crop_box_), m = Normalised(*media);
  if (c.x0 >= m.x0 && c.y0 >= m.y0 && c.x1 <= m.x1 && c.y1 <= m.y1) return;
  const Extent cut{std::max(c.x0, m.x0), std::max(c.y0, m.y0), std::min(c.x1, m.x1),
                   std::min(c.y1, m.y1)};
  if (cut.x1 - cut.x0 < 1 || cut.y1 - cut.y0 < 1) return;
  crop_box_.emplace(cut.x0, cut.y0, cut.x1, cut.y1);
}

const TPDRect* TPDPage::Bleedbox() {
  if (!bleed_box_done_) {
    Box(bleed_box_, "BleedBox", nullptr, nullptr);
    bleed_box_done_ = true;
  }
  return bleed_box_ ? &*bleed_box_ : nullptr;
}

const TPDRect* TPDPage::TrimBox() {
  if (!trim_box_done_) {
    Box(trim_box_, "TrimBox", nullptr, nullptr);
    trim_box_done_ = true;
  }
  return trim_box_ ? &*trim_box_ : nullptr;
}

int32_t TPDPage::Rotate() const {
  const TPDBaseObject* own = dict_->LookUp("Rotate");
  if (own != nullptr) {
    if (!own->IsInteger()) throw ExBadPage();
    return static_cast<const TPDInteger*>(own)->Value();
  }
  return inherited_.Rotate.value_or(0);
}

void TPDPage::SetRotate(int32_t degrees) {
  TPDBaseObject* own = dict_->LookUp("Rotate");
  if (own != nullptr && own->IsInteger()) {
    static_cast<TPDInteger*>(own)->SetValue(degrees);
  } else {
    dict_->SetKeyValue("Rotate", std::make_unique<TPDInteger>(degrees));
  }
}

TPDResource* TPDPage::Resource() {
  if (!resource_done_) {
    const TPDDictionary* owner =
        dict_->LookupRefObj("Resources") != nullptr ? dict_ : inherited_.ResourcesOwner;
    TPDBaseObject* resources = owner != nullptr ? owner->LookUp("Resources") : nullptr;
    if (resources != nullptr && resources->IsDict()) {
      resource_.emplace(static_cast<TPDDictionary*>(resources));
    }
    resource_done_ = true;
  }
  return resource_ ? &*resource_ : nullptr;
}

TPDContents* TPDPage::Contents() {
  if (!contents_) {
    TPDBaseObject* contents = dict_->LookUp("Contents");
    if (contents == nullptr) return nullptr;
    contents_ = std::make_unique<TPDContents>(contents);
  }
  return contents_.get();
}

TPageSize TPDPage::GetPageSize() {
  TPageSize size;
  if (const TPDRect* crop = Cropbox()) {
    size.Width = crop->Right() - crop->Left();
    size.Height = crop->Bottom() - crop->Top();
  } else if (const TPDRect* media = Mediabox()) {
    size.Width = std::abs(media->Right() - media->Left());
    size.Height = std::abs(media->Bottom() - media->Top());
  } else {
    size.Width = kDefaultBox[2] - kDefaultBox[0];
    size.Height = kDefaultBox[3] - kDefaultBox[1];
  }
  return size;
}

TPDPageTree::TPDPageTree(TPDDictionary* root, size_t tableSize)
    : root_(root), table_size_(tableSize) {}

int32_t TPDPageTree::GetCount() {
  if (root_ == nullptr) return 0;
  const TPDBaseObject* count = root_->LookUp("Count");
  if (count != nullptr && count->IsInteger() &&
      static_cast<const TPDInteger*>(count)->Value() >= 0) {
    return static_cast<const TPDInteger*>(count)->Value();
  }
  return static_cast<int32_t>(std::min<size_t>(FoundPages(), INT32_MAX));
}

TPDInheritedProperty TPDPageTree::Inherit(const TPDDictionary& node,
                                          const TPDInheritedProperty& parent) {
  TPDInheritedProperty result = parent;
  if (const TPDBaseObject* box = node.LookUp("MediaBox")) result.MediaBox = box;
  if (const TPDBaseObject* box = node.LookUp("CropBox")) result.CropBox = box;
  if (node.LookupRefObj("Resources") != nullptr) result.ResourcesOwner = &node;
  if (const TPDBaseObject* rotate = node.LookUp("Rotate"); rotate && rotate->IsInteger()) {
    result.Rotate = static_cast<const TPDInteger*>(rotate)->Value();
  }
  return result;
}

void TPDPageTree::Build() {
  if (built_) return;
  built_ = true;
  if (root_ == nullptr) return;
  visited_.assign(table_size_, false);
  if (root_->GetObjNumber() < visited_.size()) visited_[root_->GetObjNumber()] = true;
  Walk(root_, TPDInheritedProperty(), 0);
}

bool TPDPageTree::Walk(TPDDictionary* node, const TPDInheritedProperty& parent, int depth) {
  if (depth >= kMaxDepth) return false;
  const TPDInheritedProperty inherited = Inherit(*node, parent);
  TPDBaseObject* kidsObject = node->LookUp("Kids");
  if (kidsObject == nullptr || !kidsObject->IsArray()) return false;
  const auto& kids = static_cast<const TPDArray&>(*kidsObject);
  for (size_t i = 0; i < kids.GetLength(); ++i) {
    const TPDBaseObject* ref = kids.GetRefObj(i);
    uint32_t number = 0;
    if (ref != nullptr && ref->IsIndirectRef()) {
      // Every object number is guarded, so a tree that loops ends here.
      number = ref->GetObjNumber();
      if (number >= visited_.size()) continue;  // no such object in the table
      if (visited_[number]) continue;
      visited_[number] = true;
    }
    TPDBaseObject* kid = kids.Get(i);
    if (kid == nullptr || !kid->IsDict()) continue;
    auto* dict = static_cast<TPDDictionary*>(kid);
    if (dict->IsDict("Page")) {
      page_refs_.push_back(number);
      pages_.push_back(std::make_unique<TPDPage>(dict, static_cast<uint32_t>(pages_.size() + 1),
                                                 Inherit(*dict, inherited)));
    } else if (dict->IsDict("Pages")) {
      if (!Walk(dict, inherited, depth + 1)) return false;
    }
  }
  return true;
}

size_t TPDPageTree::FoundPages() {
  Build();
  return pages_.size();
}

TPDPage* TPDPageTree::GetPage(int64_t index) {
  Build();
  if (index < 1 || index > static_cast<int64_t>(pages_.size()) || index > GetCount()) {
    return nullptr;
  }
  return pages_[static_cast<size_t>(index - 1)].get();
}

TPDDictionary* TPDPageTree::GetPageBaseObject(int64_t index) {
  TPDPage* page = GetPage(index);
  return page != nullptr ? page->GetDict() : nullptr;
}

TPDPage* TPDPageTree::GetPageByIndRef(const TPDIndirectRef& ref) {
  Build();
  for (size_t i = 0; i < page_refs_.size(); ++i) {
    if (page_refs_[i] != 0 && page_refs_[i] == ref.GetObjNumber()) return pages_[i].get();
  }
  return nullptr;
}

TPDPageTree& TPDCatalog::GetPageTree() {
  if (!page_tree_) {
    TPDBaseObject* pages = catalog_ != nullptr ? catalog_->LookUp("Pages") : nullptr;
    page_tree_ = std::make_unique<TPDPageTree>(
        pages != nullptr && pages->IsDict() ? static_cast<TPDDictionary*>(pages) : nullptr,
        table_size_);
  }
  return *page_tree_;
}

}  // namespace qp::pdf
