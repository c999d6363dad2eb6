#pragma once
// The seam between the main window's two build commands and the build
// driver: the presenter hands a GroupBuilder the project, which groups to
// build and the status window's port. The types live with the driver in the
// compiler library; the status window implements BuildStatus.

#include "compiler/build_port.h"

namespace qp::app {

using qp::BuildRequest;
using qp::BuildScope;
using qp::BuildStatus;
using qp::GroupBuilder;

}  // namespace qp::app
