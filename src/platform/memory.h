// The process's heap as the operating system sees it.
#pragma once

namespace platform {

// Hands the heap's free pages back to the system. A large capture's models are freed before the
// project is saved or built; without this their pages would still count against the process
// while the save needs memory of its own.
void ReturnFreeMemory();

}  // namespace platform
