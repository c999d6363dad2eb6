// Builds a small valid document from a layout chosen by the first input byte
// (classic tables or cross-reference streams, an incremental update, an
// object stream), damages its cross-reference as the remaining bytes say
// (offsets shifted, rows turned free or compressed, /Prev loops, startxref
// moved, headers renumbered or moved, /Length wrong, the file cut or
// patched), then loads it with repair as the facade does and reads every
// page's contents.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/fuzz/fuzz_read_document.h"

namespace {

// One row of a section: type 0 free, 1 in the file, 2 in an object stream.
struct Row {
  int type = 1;
  int64_t field2 = 0;  // offset, or the object stream's number
  int64_t field3 = 0;  // generation, or the index in the object stream
};

struct Section {
  bool stream = false;        // a cross-reference stream instead of a table
  uint32_t streamNumber = 0;  // its object number when it is a stream
  uint32_t first = 0;         // first object number of its one subsection
  std::vector<Row> rows;
  int prevTo = -1;        // the section /Prev names; -1 for none
  int64_t prevDelta = 0;  // added to that offset
  int64_t sizeDelta = 0;  // added to /Size
  int64_t offset = 0;     // where it starts, filled while writing
};

struct Object {
  uint32_t number = 0;
  std::string body;  // the text between "N G obj" and "endobj", or a stream's dictionary
  std::string data;  // a stream's data
  bool stream = false;
  int revision = 0;
  bool inStream = false;      // stored in the object stream (number 9)
  uint32_t headerNumber = 0;  // the number its header shows; 0 for `number`
  size_t pad = 0;             // bytes written before the header, after the row's offset
  int64_t offset = 0;
};

struct Model {
  std::vector<Object> objects;
  std::vector<Section> sections;  // one per revision, in file order
  int startxrefTo = 1;            // index of the section startxref names
  int64_t startxrefDelta = 0;
  int64_t lengthDelta = 0;  // added to the content stream's /Length
};

std::string Stream(const std::string& dict, const std::string& data, int64_t lengthDelta = 0) {
  return "<< " + dict + " /Length " +
         std::to_string(static_cast<int64_t>(data.size()) + lengthDelta) + " >>\nstream\n" + data +
         "\nendstream";
}

Model MakeModel(uint8_t layout) {
  Model model;
  const bool useObjectStream = (layout & 1) != 0;
  const bool update = (layout & 2) != 0;
  auto plain = [](uint32_t number, std::string body) {
    Object object;
    object.number = number;
    object.body = std::move(body);
    return object;
  };
  auto stream = [&](uint32_t number, std::string data) {
    Object object = plain(number, "");
    object.data = std::move(data);
    object.stream = true;
    return object;
  };
  model.objects = {
      plain(1, "<< /Type /Catalog /Pages 2 0 R >>"),
      plain(2, "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>"),
      plain(3,
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 40 40] /Contents 4 0 R "
            "/Resources << /Font << /F1 6 0 R >> >> >>"),
      stream(4, "BT /F1 12 Tf 10 10 Td (Hi) Tj ET 0 0 m 20 20 l S"),
      plain(5, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 40 40] /Contents [4 0 R 7 0 R] >>"),
      plain(6, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"),
      stream(7, "1 0 0 RG 5 5 10 10 re f"),
  };
  if (useObjectStream) {
    model.objects[1].inStream = true;
    model.objects[5].inStream = true;
  }
  if (update) {
    Object changed = model.objects[3];
    changed.data += " 0 0 m 40 0 l S";
    changed.revision = 1;
    model.objects.push_back(changed);
  }
  const int revisions = update ? 2 : 1;
  for (int revision = 0; revision < revisions; ++revision) {
    Section section;
    section.stream = useObjectStream || ((layout >> (2 + revision)) & 1) != 0;
    section.streamNumber = revision == 0 ? 10 : 11;
    if (revision == 1) section.prevTo = 0;
    model.sections.push_back(section);
  }
  model.startxrefTo = revisions - 1;
  return model;
}

// Fills each section's rows from the objects written so far.
void FillRows(Model& model, const std::vector<int64_t>& streamOffsets) {
  for (size_t s = 0; s < model.sections.size(); ++s) {
    Section& section = model.sections[s];
    section.rows.clear();
    section.first = 0;
    const bool first = s == 0;
    const uint32_t last = section.stream ? section.streamNumber : 9;
    section.rows.assign(last + 1, Row{0, 0, first ? 65535 : 0});
    for (const Object& object : model.objects) {
      if (object.revision != static_cast<int>(s)) continue;
      Row& row = section.rows[object.number];
      if (object.inStream) {
        row = {2, 9, object.number == 2 ? 0 : 1};
      } else {
        row = {1, object.offset, 0};
      }
    }
    if (first) {
      bool hasStream = false;
      for (const Object& object : model.objects) hasStream = hasStream || object.inStream;
      if (hasStream) section.rows[9] = {1, streamOffsets[0], 0};
    }
    if (section.stream) section.rows[section.streamNumber] = {1, section.offset, 0};
    if (!first) {
      // An update lists only what it changes: the content stream, object 4.
      section.rows = {section.rows[4]};
      section.first = 4;
    }
  }
}

struct Edit {
  uint8_t op, a, b, c;
};

// Edits of the rows and trailers, applied after every pass of writing.
void EditRows(Model& model, const std::vector<Edit>& edits) {
  for (const Edit& edit : edits) {
    Section& section = model.sections[edit.a % model.sections.size()];
    Row* row = section.rows.empty() ? nullptr : &section.rows[edit.b % section.rows.size()];
    const int8_t delta = static_cast<int8_t>(edit.c);
    switch (edit.op % 16) {
      case 0:
        if (row) row->field2 += delta;
        break;
      case 1:
        if (row) row->type = (row->type + 1 + edit.c % 2) % 3;
        break;
      case 2:
        if (row) row->field3 = edit.c % 4 == 0 ? 65535 : delta;
        break;
      case 3:
        if (row) row->field2 = static_cast<int64_t>(edit.c) << (edit.c % 5 * 6);
        break;
      case 4:
        section.first = edit.c % 12;
        break;
      case 5:
        if (!section.rows.empty()) section.rows.resize(edit.c % (section.rows.size() + 3));
        break;
      default:
        break;
    }
  }
}

// Edits of the layout, applied before writing.
void EditLayout(Model& model, const std::vector<Edit>& edits) {
  for (const Edit& edit : edits) {
    Section& section = model.sections[edit.a % model.sections.size()];
    Object& object = model.objects[edit.b % model.objects.size()];
    const int8_t delta = static_cast<int8_t>(edit.c);
    switch (edit.op % 16) {
      case 6:
        section.prevTo = static_cast<int>(edit.c % (model.sections.size() + 1)) - 1;
        section.prevDelta = edit.c & 0x80 ? delta / 8 : 0;
        break;
      case 7:
        model.startxrefTo = edit.a % model.sections.size();
        model.startxrefDelta = delta;
        break;
      case 8:
        object.headerNumber = edit.c % 12;
        break;
      case 9:
        object.pad = edit.c % 64;
        break;
      case 10:
        model.lengthDelta = delta;
        break;
      case 11:
        section.sizeDelta = delta;
        break;
      default:
        break;
    }
  }
}

std::string TableText(const Section& section) {
  std::string text =
      "xref\n" + std::to_string(section.first) + " " + std::to_string(section.rows.size()) + "\n";
  char line[32];
  for (const Row& row : section.rows) {
    std::snprintf(line, sizeof line, "%010lld %05lld %c \n", static_cast<long long>(row.field2),
                  static_cast<long long>(row.field3 & 0xFFFFF), row.type == 0 ? 'f' : 'n');
    text += line;
  }
  return text;
}

std::string StreamRows(const Section& section) {
  std::string data;
  for (const Row& row : section.rows) {
    data += static_cast<char>(row.type);
    for (int shift = 24; shift >= 0; shift -= 8)
      data += static_cast<char>((row.field2 >> shift) & 0xFF);
    data += static_cast<char>((row.field3 >> 8) & 0xFF);
    data += static_cast<char>(row.field3 & 0xFF);
  }
  return data;
}

std::string Write(Model& model, std::vector<int64_t>& streamOffsets) {
  std::string file = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
  const size_t revisions = model.sections.size();
  for (size_t s = 0; s < revisions; ++s) {
    std::string objectStreamHead, objectStreamBody;
    for (Object& object : model.objects) {
      if (object.revision != static_cast<int>(s)) continue;
      const std::string body = object.stream ? Stream(object.body, object.data,
                                                      object.number == 4 ? model.lengthDelta : 0)
                                             : object.body;
      if (object.inStream) {
        objectStreamHead +=
            std::to_string(object.number) + " " + std::to_string(objectStreamBody.size()) + " ";
        objectStreamBody += body + "\n";
        continue;
      }
      object.offset = static_cast<int64_t>(file.size());
      file.append(object.pad % 32, object.pad < 32 ? ' ' : 'x');
      file += std::to_string(object.headerNumber ? object.headerNumber : object.number) +
              " 0 obj\n" + body + "\nendobj\n";
    }
    if (!objectStreamBody.empty()) {
      streamOffsets[0] = static_cast<int64_t>(file.size());
      file += "9 0 obj\n" +
              Stream("/Type /ObjStm /N 2 /First " + std::to_string(objectStreamHead.size()),
                     objectStreamHead + objectStreamBody) +
              "\nendobj\n";
    }
    Section& section = model.sections[s];
    section.offset = static_cast<int64_t>(file.size());
    uint32_t count = 10;
    for (const Section& any : model.sections)
      count = any.stream ? std::max(count, any.streamNumber + 1) : count;
    std::string trailer = "/Size " + std::to_string(count + section.sizeDelta) + " /Root 1 0 R";
    if (section.prevTo >= 0) {
      trailer +=
          " /Prev " + std::to_string(model.sections[section.prevTo].offset + section.prevDelta);
    }
    if (section.stream) {
      const std::string dict = "/Type /XRef /W [1 4 2] /Index [" + std::to_string(section.first) +
                               " " + std::to_string(section.rows.size()) + "] " + trailer;
      file += std::to_string(section.streamNumber) + " 0 obj\n" +
              Stream(dict, StreamRows(section)) + "\nendobj\n";
    } else {
      file += TableText(section) + "trailer\n<< " + trailer + " >>\n";
    }
  }
  file += "startxref\n" +
          std::to_string(model.sections[model.startxrefTo].offset + model.startxrefDelta) +
          "\n%%EOF\n";
  return file;
}

// Edits of the written bytes.
void EditBytes(std::string& file, const std::vector<Edit>& edits) {
  for (const Edit& edit : edits) {
    if (file.empty()) return;
    const size_t at = ((size_t{edit.a} << 8 | edit.b) * file.size()) >> 16;
    switch (edit.op % 16) {
      case 12:
        file.resize(at);
        break;
      case 13:
        file.insert(0, std::string(edit.c % 8 + 1, '\n'));
        break;
      case 14:
        file[at] = static_cast<char>(edit.c);
        break;
      case 15:
        file.erase(at, edit.c);
        break;
      default:
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  std::vector<Edit> edits;
  for (size_t i = 1; i + 4 <= size; i += 4)
    edits.push_back({data[i], data[i + 1], data[i + 2], data[i + 3]});
  Model model = MakeModel(data[0]);
  EditLayout(model, edits);
  // Offsets depend on what precedes them: write until they settle.
  std::vector<int64_t> streamOffsets(1, 0);
  std::string file;
  for (int pass = 0; pass < 3; ++pass) {
    FillRows(model, streamOffsets);
    EditRows(model, edits);
    file = Write(model, streamOffsets);
  }
  EditBytes(file, edits);
  qp::fuzz::LoadAndReadPages(file);
  return 0;
}
