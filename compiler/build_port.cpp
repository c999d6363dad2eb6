#include "compiler/build_port.h"

#include <algorithm>

namespace qp {

std::vector<int> BuildRequest::Groups(const Project& project) const {
  std::vector<int> groups;
  if (scope == BuildScope::bsAllGroups) {
    for (int g = 0; g < project.GroupCount(); ++g) groups.push_back(g);
    return groups;
  }
  for (int g : selected_groups) {
    if (project.GroupAt(g)) groups.push_back(g);
  }
  std::sort(groups.begin(), groups.end());
  groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
  return groups;
}

int BuildRequest::PlateCount(const Project& project) const {
  int total = 0;
  for (int g : Groups(project)) {
    total += std::clamp(project.GroupAt(g)->Count, 0, kMaxPlatesPerGroup);
  }
  return total;
}

}  // namespace qp
