#include <ostream>

#include "cli/command.h"
#include "cli/project_loading.h"
#include "project/line_texts.h"

namespace qp::cli {

int RunGroups(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) {
    err << "Usage: platec groups PROJECT.zpl\n";
    return 2;
  }
  Project project;
  LoadProjectFile(args[0], project);
  for (int position = 0; position < project.GroupCount(); ++position) {
    out << GroupLine(*project.GroupAt(position), position) << "\n";
  }
  return 0;
}

}  // namespace qp::cli
