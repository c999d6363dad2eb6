#pragma once
// The document catalog's page tree as a flat, numbered list of pages, and
// each page's attributes with inheritance from the tree's nodes.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "pdf/core/pdf_geometry.h"
#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

class TPDBaseDoc;

// Attributes a page takes from the nearest tree node that carries them.
struct TPDInheritedProperty {
  const TPDBaseObject* MediaBox = nullptr;
  const TPDBaseObject* CropBox = nullptr;
  // The node whose /Resources applies; resolved only when a page's resources
  // are asked for, so that walking the tree fetches no resource dictionaries.
  const TPDDictionary* ResourcesOwner = nullptr;
  std::optional<int32_t> Rotate;
};

// A page's resource dictionary.
class TPDResource {
 public:
  explicit TPDResource(TPDDictionary* dict) : dict_(dict) {}
  TPDDictionary* GetDict() const { return dict_; }

 private:
  TPDDictionary* dict_;
};

// The content streams of a page, in order.
class TPDContents {
 public:
  explicit TPDContents(TPDBaseObject* contents);
  size_t StreamCount() const { return streams_.size(); }
  TPDStream* GetStream(size_t index) const {
    return index < streams_.size() ? streams_[index] : nullptr;
  }

 private:
  std::vector<TPDStream*> streams_;
};

struct TPageSize {
  double Width = 0;
  double Height = 0;
};

class TPDPage {
 public:
  // The box of a page that states neither a media box nor a crop box: US
  // Letter, as other viewers show such pages.
  static constexpr double kDefaultBox[4] = {0, 0, 612, 792};

  TPDPage(TPDDictionary* dict, uint32_t pageNum, TPDInheritedProperty inherited);

  // The page's own box, else the inherited one, else nothing. Raises
  // ExBadPage when the page's own entry is not an array.
  const TPDRect* Mediabox();
  const TPDRect* Cropbox();
  const TPDRect* Bleedbox();
  const TPDRect* TrimBox();
  // The page's own /Rotate (ExBadPage when it is not an integer), else the
  // inherited one, else 0; as stored, not reduced modulo 360.
  int32_t Rotate() const;
  // Sets the page's own /Rotate in memory.
  void SetRotate(int32_t degrees);
  // Nothing when neither the page nor a node above has /Resources.
  TPDResource* Resource();
  // Nothing without /Contents.
  TPDContents* Contents();
  uint32_t PageNum() const { return page_num_; }
  // Crop box differences with signs kept, else the media box's absolute
  // differences, else the default box's; in points, ignoring the rotation.
  TPageSize GetPageSize();
  double GetPageWidth() { return GetPageSize().Width; }
  double GetPageHeight() { return GetPageSize().Height; }
  bool IsInheritedCropBox() const { return inherited_crop_box_; }
  bool IsInheritedMediaBox() const { return inherited_media_box_; }
  TPDDictionary* GetDict() const { return dict_; }
  const TPDInheritedProperty& InheritedProp() const { return inherited_; }

 private:
  const TPDRect* Box(std::optional<TPDRect>& cache, std::string_view key,
                     const TPDBaseObject* inherited, bool* isInherited);
  void ClipCropboxToMediabox();

  TPDDictionary* dict_;
  uint32_t page_num_;
  TPDInheritedProperty inherited_;
  std::optional<TPDRect> media_box_, crop_box_, bleed_box_, trim_box_;
  bool media_box_done_ = false, crop_box_done_ = false;
  bool bleed_box_done_ = false, trim_box_done_ = false;
  bool inherited_media_box_ = false;
  bool inherited_crop_box_ = false;
  std::optional<TPDResource> resource_;
  bool resource_done_ = false;
  std::unique_ptr<TPDContents> contents_;
};

class TPDPageTree {
 public:
  // Page tree nodes nested deeper than this end the walk.
  static constexpr int kMaxDepth = 256;

  // `root` is the catalog's /Pages (or nothing); `tableSize` the number of
  // rows of the cross-reference table.
  TPDPageTree(TPDDictionary* root, size_t tableSize);

  // The root's /Count as stored; when it is missing or not a usable number
  // (a real, a negative or a value past the integers, as damaged files have),
  // the number of pages the walk finds.
  int32_t GetCount();
  // Page `index` (1-based), or nothing.
  TPDPage* GetPage(int64_t index);
  TPDDictionary* GetPageBaseObject(int64_t index);
  TPDPage* GetPageByIndRef(const TPDIndirectRef& ref);
  // The number of pages the walk found.
  size_t FoundPages();

 private:
  void Build();
  bool Walk(TPDDictionary* node, const TPDInheritedProperty& parent, int depth);
  static TPDInheritedProperty Inherit(const TPDDictionary& node,
                                      const TPDInheritedProperty& parent);

  TPDDictionary* root_;
  size_t table_size_;
  bool built_ = false;
  std::vector<bool> visited_;
  std::vector<std::unique_ptr<TPDPage>> pages_;
  std::vector<uint32_t> page_refs_;  // object number of each page (0 when direct)
};

class TPDCatalog {
 public:
  TPDCatalog(TPDDictionary* catalog, size_t tableSize)
      : catalog_(catalog), table_size_(tableSize) {}
  TPDDictionary* GetDict() const { return catalog_; }
  TPDPageTree& GetPageTree();

 private:
  TPDDictionary* catalog_;
  size_t table_size_;
  std::unique_ptr<TPDPageTree> page_tree_;
};

}  // namespace qp::pdf
