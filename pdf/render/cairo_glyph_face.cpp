#include "pdf/render/cairo_glyph_face.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace qp::pdf {

namespace {

// What the cairo face needs alive: the library, the face and the bytes a
// memory face reads in place.
struct FaceHolder {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  std::string program;

  ~FaceHolder() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

const cairo_user_data_key_t kHolderKey{};

// Cairo keeps recently used sizes of a face (and so the face and its copy of
// the program) after the page; larger programs are drawn as paths instead.
constexpr size_t kMaxProgramBytes = size_t{1} << 20;

void DestroyHolder(void* holder) {
  delete static_cast<FaceHolder*>(holder);
}

}  // namespace

TFontFacePtr CreateCairoGlyphFace(TPDFont& font, const TTextFace& face) {
  auto holder = std::make_unique<FaceHolder>();
  if (FT_Init_FreeType(&holder->library) != 0) {
    holder->library = nullptr;
    return nullptr;
  }
  FT_Error error = 0;
  if (face.embedded) {
    const std::string* program = font.GetEmbeddedFontProgram();
    if (!program || program->size() > kMaxProgramBytes) return nullptr;
    holder->program = *program;
    error = FT_New_Memory_Face(holder->library,
                               reinterpret_cast<const FT_Byte*>(holder->program.data()),
                               static_cast<FT_Long>(holder->program.size()), 0, &holder->face);
  } else {
    if (face.filePath.empty()) return nullptr;
    error = FT_New_Face(holder->library, face.filePath.c_str(), face.faceIndex, &holder->face);
  }
  if (error != 0) {
    holder->face = nullptr;
    return nullptr;
  }
  // Outlines only: the bitmap strikes that some fonts carry for small sizes
  // (Calibri, WenQuanYi) are one-bit and drawn bold at those sizes.
  TFontFacePtr cairoFace(
      cairo_ft_font_face_create_for_ft_face(holder->face, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP));
  if (cairo_font_face_status(cairoFace.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  if (cairo_font_face_set_user_data(cairoFace.get(), &kHolderKey, holder.get(), DestroyHolder) !=
      CAIRO_STATUS_SUCCESS) {
    return nullptr;  // the face goes first, then the holder
  }
  static_cast<void>(holder.release());  // cairo owns the holder now
  return cairoFace;
}

}  // namespace qp::pdf
