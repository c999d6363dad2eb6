#pragma once
// Open font processors for installed faces, kept for the life of the thread.
//
// Installed faces never change while the program runs, so every text block
// that draws with one (after each BT, Tf or Tm) can reuse the same open face
// and the outlines it has already loaded, instead of opening the file again.

#include <memory>

#include "pdf/core/font_processor.h"
#include "pdf/render/system_font_list.h"

namespace qp::pdf {

// The processor for an installed face, opened on first use and shared by
// later calls on the same thread; nullptr when FreeType cannot open it.
// Processors are not thread-safe, so each thread has its own.
std::shared_ptr<TFontProcessor> OpenSystemFace(const TSystemFontFace& face);

}  // namespace qp::pdf
