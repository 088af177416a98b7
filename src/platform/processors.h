// How much parallel work the machine offers this process.
#pragma once

namespace platform {

// The processors this process may run on (its affinity, so that a process started with fewer
// processors gets fewer threads), at least 1.
unsigned UsableProcessorCount();

}  // namespace platform
