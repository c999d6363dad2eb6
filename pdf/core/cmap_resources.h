#pragma once
// The installed CMap resources: predefined CMaps (by name, with the CMaps
// they use merged in) and the CID-to-Unicode tables of the character
// collections. Each file is read once per process and shared by every
// document and thread.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/pdf_cmap.h"

namespace qp::pdf {

// The folder of the installed CMaps, one subfolder per character collection
// ("Adobe-Japan1/90ms-RKSJ-H").
const std::string& DefaultCMapFolder();

// How many CMaps a chain of usecmap references may pass through.
constexpr int kMaxUseCMapDepth = 8;

// The predefined CMap `name` from `folder` (the file directly in the folder
// or in one of its collection subfolders), its usecmap chain merged in;
// nullptr when no such file exists, the name would leave the folder, or the
// file does not parse. Chains that refer back to themselves or run deeper
// than kMaxUseCMapDepth stop there.
std::shared_ptr<const TPDCMapParser> LoadPredefinedCMap(const std::string& folder,
                                                        const std::string& name);

// Merges the usecmap chain of `cmap` (a CMap read from a document) from the
// predefined CMaps of `folder`.
void ResolveUseCMap(TPDCMapParser& cmap, const std::string& folder);

// Unicode values by CID of the collection `collection` ("Adobe-Japan1"),
// from the cidToUnicode folder beside `folder`; 0 where a CID has none.
// nullptr when the collection has no table.
std::shared_ptr<const std::vector<uint32_t>> LoadCIDToUnicode(const std::string& folder,
                                                              const std::string& collection);

}  // namespace qp::pdf
