#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <vector>

#include "cli/argument_reader.h"
#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/project_loading.h"
#include "compiler/build_driver.h"
#include "compiler/clip_outline.h"
#include "compiler/pdf_source.h"
#include "compiler/picture_source.h"
#include "compiler/plate_error.h"
#include "compiler/png_writer.h"
#include "project/errors.h"

namespace qp::cli {

namespace {

struct PlatePreview {
  PlateRaster image;
  int pageCount = 0;
};

PlatePreview PreviewSource(const PlateRecord& plate) {
  const std::filesystem::path source(plate.SourceFile);
  switch (SourceKindOf(source)) {
    case SourceKind::Pdf: {
      pdf::TPDFDocument document;
      PreviewPdfResult r = PreviewPdfPage(document, source, plate.FirstPage,
                                          TargetWidthFor(plate.Scaling), plate.Rotate);
      return {std::move(r.image), r.PreviewPageCount};
    }
    case SourceKind::Bmp:
    case SourceKind::Jpeg: {
      PreviewPictureResult r = PreviewPicture(source);
      return {std::move(r.image), r.PreviewPageCount};
    }
    case SourceKind::Unsupported:
      break;
  }
  throw PlateError("Unsupported image file type: " + plate.SourceFile);
}

}  // namespace

int RunPreview(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  ArgumentReader reader(args);
  const auto group = static_cast<int>(reader.Number("--group", 1, INT32_MAX, 0));
  const auto plate = static_cast<int>(reader.Number("--plate", 1, kMaxPlatesPerGroup, 0));
  const std::optional<std::string> output = reader.Value("-o");
  const std::string project_file = reader.Positionals({"PROJECT.zpl"}, 1)[0];
  if (group == 0) throw UsageError("no group given (--group N)");
  if (plate == 0) throw UsageError("no plate given (--plate M)");
  if (!output) throw UsageError("no output file given (-o OUT.png)");
  Project project;
  LoadProjectFile(project_file, project, err);
  if (group > project.GroupCount()) {
    throw Error("no group " + std::to_string(group) + " in " + project_file);
  }
  project.LoadGroup(group - 1);
  const int count = std::clamp(project.GroupAt(group - 1)->Count, 0,
                               static_cast<int>(project.PlateTable().size()));
  if (plate > count) {
    throw Error("no plate " + std::to_string(plate) + " in group " + std::to_string(group));
  }
  const PlateRecord record = project.PlateTable()[plate - 1];
  PlatePreview preview = PreviewSource(record);
  PlateRaster& image = preview.image;
  if (record.Clip) {
    DrawClipOutline(image, {record.ClipX1, record.ClipY1, record.ClipX2, record.ClipY2});
  }
  std::ostream& report = *output == "-" ? err : out;
  if (*output == "-") {
    out << Rgb24PngBytes(image.Width(), image.Height(), image.Stride(), image.Data());
  } else {
    WriteRgb24Png(*output, image.Width(), image.Height(), image.Stride(), image.Data());
  }
  report << "Size: " << image.Width() << " x " << image.Height() << "\n";
  report << "Pages: " << preview.pageCount << "\n";
  return 0;
}

}  // namespace qp::cli
