// The writable side of the build results, for the build step itself.
#pragma once

#include "project/vpx_build.h"

namespace project {

BuildResult& MutableBuildResult();

}  // namespace project
