#include "frontend/run_flags.h"

namespace frontend {

RunFlags& Flags() {
  static RunFlags flags;
  return flags;
}

}  // namespace frontend
