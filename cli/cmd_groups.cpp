#include <ostream>

#include "cli/command.h"
#include "cli/json_text.h"
#include "cli/project_json.h"
#include "cli/project_loading.h"
#include "project/line_texts.h"

namespace qp::cli {

int RunGroups(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  CommandArgs rest = args;
  const bool json = TakeFlag(rest, "--json");
  if (rest.size() != 1 || rest[0].starts_with("-")) {
    err << "Usage: platec groups PROJECT.zpl [--json]\n";
    return 2;
  }
  Project project;
  LoadProjectFile(rest[0], project, err);
  JsonArray groups;
  for (int position = 0; position < project.GroupCount(); ++position) {
    if (json) {
      groups.Add(GroupJson(*project.GroupAt(position), position));
    } else {
      out << GroupLine(*project.GroupAt(position), position) << "\n";
    }
  }
  if (json) out << groups.Text() << "\n";
  return 0;
}

}  // namespace qp::cli
