#include <array>

#include "cli/command.h"

namespace qp::cli {

// Each command is defined in its own cmd_*.cpp file.
int RunVersion(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunGroups(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunPlates(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunInspect(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunExtract(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunPdfinfo(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunGeoref(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunShow(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunBuild(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunRender(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunImport(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunPreview(const CommandArgs& args, std::ostream& out, std::ostream& err);
int RunText(const CommandArgs& args, std::ostream& out, std::ostream& err);

namespace {

const std::array kCommands = {
    Command{"version", "print the program's version", "Usage: platec version\n", &RunVersion},
    Command{"groups", "list the groups of a project",
            "Usage: platec groups PROJECT.zpl [--json]\n\n"
            "Prints one line per group of the project, as the main window lists them:\n"
            "  Airport: Group1 KLAX, Los Angeles international, 12 plates\n"
            "With --json, an array of {\"number\" (from 1), \"type\" (\"airport\" or\n"
            "\"information\"), \"id\", \"name\", \"plates\"}.\n",
            &RunGroups},
    Command{
        "plates", "list the plates of one group of a project",
        "Usage: platec plates PROJECT.zpl --group N   (or: platec plates PROJECT.zpl N)\n\n"
        "Prints one line per plate of group N (1 is the first group), as the main\n"
        "window lists them:\n"
        "  Plate 1, ILS RWY 24R, Page 1, File: \"klax-ils24r.pdf\"\n"
        "With --json, an array of {\"number\", \"name\", \"source\", \"page\", \"pages\",\n"
        "\"scaling\", \"rotate\", \"georeferenced\", \"corners\": {\"lat_tl\", \"long_tl\",\n"
        "\"lat_br\", \"long_br\"} (1/180000 degree), \"clip\", \"clip_rect\": {\"x1\", \"y1\",\n"
        "\"x2\", \"y2\"}}, in the project file's units.\n",
        &RunPlates},
    Command{"build", "build the group files of a project",
            "Usage: platec build PROJECT.zpl [--all | --group N ...] [--home DIR] [--jobs N]\n"
            "                    [--no-wait] [--quiet | --json]\n\n"
            "Builds every group of the project (--all, the default) or the groups given\n"
            "with --group (1 is the first group) into group files in the Export folder\n"
            "of the application folder (--home DIR, else as the desktop application\n"
            "finds it). Prints a line per plate as it is processed and one per group\n"
            "file written; stops at the first error.\n\n"
            "The plates of a group are rendered by N workers at once (--jobs, 1 to 256;\n"
            "default one per core) and written in plate order: the group file is the\n"
            "same whatever N is.\n\n"
            "Each plate is reported as \"[3/53] charts.pdf, page 2\"; on a terminal one\n"
            "line keeps the count of plates done and left and the time taken. --quiet\n"
            "prints errors only. --json prints one JSON object per line: for each plate\n"
            "written {\"group\", \"file\", \"plate\", \"name\", \"source\", \"page\", \"width\",\n"
            "\"height\", \"georeferenced\", \"corners\": {\"lat_tl\", \"long_tl\", \"lat_br\",\n"
            "\"long_br\"}} (group and plate from 1, corners in 1/180000 degree as in the\n"
            "project file), and {\"written\": FILE} for each group file.\n\n"
            "One build at a time uses an application folder: a second one waits for the\n"
            "first to finish, or with --no-wait stops with exit status 1. Each group file\n"
            "is written under a temporary name and renamed over the old one when its\n"
            "group ends, so an interrupted build leaves the previous file as it was.\n",
            &RunBuild},
    Command{"import", "add the pages of a folder's PDF files to a group as plates",
            "Usage: platec import PROJECT.zpl --group N --folder DIR [--prefix P] [--option 0|1|2] "
            "[--scaling 0..4] [--georef | --no-georef]\n\n"
            "Adds every page of the PDF files in DIR whose names start with P (letter case\n"
            "ignored) to group N (1 is the first group) as plates named after the rest of\n"
            "the file name up to its first \".\", as the desktop application's batch\n"
            "import does, without showing the plate editor. Files are taken in the order\n"
            "the folder lists them.\n"
            "  --option 0  skip files that are already the source of a plate of the group\n"
            "  --option 1  replace those plates, keeping their settings\n"
            "  --option 2  replace those plates, resetting their settings\n"
            "  --scaling   the scaling of added plates: 0 original, 1 1024, 2 800, 3 640,\n"
            "              4 320 pixels\n"
            "  --georef    give each plate the corners its chart carries or prints (a\n"
            "              geospatial PDF, or an airport diagram's latitude and longitude\n"
            "              labels), turned north up; --no-georef leaves the corners at 0\n"
            "Prefix, option, scaling and georef default to the project's import settings; the\n"
            "values given are kept in the project when it is written. Prints each plate\n"
            "added or replaced, then writes the project and the group. A file that\n"
            "cannot be opened ends the import; the plates added before it are kept.\n",
            &RunImport},
    Command{"inspect", "show the header, directory and plate headers of a group file",
            "Usage: platec inspect FILE.ZPG [--json]\n\n"
            "Reads a group file, checks every plate image, and prints the header, the\n"
            "directory and each plate's header with its corners as coordinate text.\n"
            "With --json, {\"file\", \"group_id\", \"group_name\", \"plate_count\", \"plates\":\n"
            "[{\"number\", \"name\", \"written\", \"offset\", and for a written plate\n"
            "\"width\", \"height\", \"georeferenced\", \"pages\", \"data_length\",\n"
            "\"corners\"}]}. Plates not written are counted on standard error.\n",
            &RunInspect},
    Command{"extract", "write the plates of a group file as PNG images",
            "Usage: platec extract FILE.ZPG -o DIR\n\n"
            "Decodes every plate of a group file in the palette's colours and writes it\n"
            "to DIR as NAME-NNN.png (NAME the group file's name, NNN the plate number).\n",
            &RunExtract},
    Command{"pdfinfo", "print a PDF file's pages, sizes and rotations",
            "Usage: platec pdfinfo FILE.pdf [--password P] [--json]\n\n"
            "Prints the page count, whether the file is encrypted, and per page the\n"
            "media box, crop box, rotation and size in points and in pixels at 96\n"
            "per inch. With --json, {\"file\", \"pages\", \"encrypted\", \"page_list\":\n"
            "[{\"number\", \"media\", \"crop\" ([left, top, right, bottom] or null),\n"
            "\"rotate\", \"width_pt\", \"height_pt\", \"width_px\", \"height_px\"}]}.\n",
            &RunPdfinfo},
    Command{"render", "render a PDF page to a PNG file as the compiler rasterises it",
            "Usage: platec render FILE.pdf [--page N] [--width W] [--rotate 0..3] [--password P] "
            "-o OUT.png\n\n"
            "Renders page N (default 1) at target width W (0, the default, for the\n"
            "page's own width in pixels at 96 per inch), the height following the\n"
            "page's proportions and the rotation choice (0 none, 1 left, 2 right,\n"
            "3 upside down), and prints the size and the time taken. With -o - the PNG\n"
            "goes to standard output and the report to standard error.\n",
            &RunRender},
    Command{"preview", "draw a plate's source as the plate editor previews it",
            "Usage: platec preview PROJECT.zpl --group N --plate M -o OUT.png\n\n"
            "Writes plate M of group N (both from 1) as the editor previews it: a PDF\n"
            "page at the plate's scaling and rotation, a BMP or JPEG at its own size,\n"
            "with the clip rectangle's outline in red when clipping is on, and prints\n"
            "the size and the source's page count.\n",
            &RunPreview},
    Command{"georef", "find a chart page's geo-reference and the corners of its plate",
            "Usage: platec georef FILE.pdf [--page N] [--scaling 0..4] [--rotate 0..3] "
            "[--clip X1,Y1,X2,Y2] [--password P] [--json]\n\n"
            "Reads the geo-reference of page N (default 1) from the file's geospatial\n"
            "viewport or from the latitude and longitude the chart prints on its border,\n"
            "and prints the corners of a plate of that page as the plate editor shows\n"
            "them: scaling (default 1, 1024 pixels wide) and rotation (0 none, 1 left,\n"
            "2 right, 3 upside down) as the plate's, and the clip rectangle in preview\n"
            "pixels, which chooses the viewport a plate of part of the page uses. When\n"
            "the chart is printed with north to a side, the rotation that puts north up\n"
            "is printed and the corners are for it. With --json, {\"file\", \"page\",\n"
            "\"rotate\", \"rotate_changed\", \"origin\", \"corners\" (1/180000 degree),\n"
            "\"texts\"}. Without a geo-reference, the reason and exit status 1.\n",
            &RunGeoref},
    Command{"text", "print the text of a PDF page in reading order",
            "Usage: platec text FILE.pdf [--page N] [--bbox] [--password P]\n\n"
            "Prints the text of page N (default 1), one line per text line, top to\n"
            "bottom on the page as displayed. With --bbox each line starts with its\n"
            "box in page points (left bottom right top, before the page's rotation)\n"
            "and a tab. Characters whose font tells no Unicode value print as U+FFFD.\n",
            &RunText},
    Command{"show", "print one object of a PDF file, or a stream's bytes",
            "Usage: platec show FILE.pdf OBJ [--raw | --decoded] [--password P]\n\n"
            "Prints object OBJ as text; with --raw a stream's stored bytes (decrypted),\n"
            "with --decoded its decoded bytes, to standard output.\n",
            &RunShow},
};

}  // namespace

std::span<const Command> AllCommands() {
  return kCommands;
}

}  // namespace qp::cli
