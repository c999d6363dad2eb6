#include <ostream>

#include "cli/argument_reader.h"
#include "cli/command.h"
#include "cli/json_text.h"
#include "cli/project_json.h"
#include "cli/project_loading.h"
#include "project/line_texts.h"

namespace qp::cli {

int RunGroups(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  ArgumentReader reader(args);
  const bool json = reader.Flag("--json");
  const std::string file = reader.Positionals({"PROJECT.zpl"}, 1)[0];
  Project project;
  LoadProjectFile(file, project, err);
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
