// The process's heap as the operating system sees it.
#pragma once

namespace platform {

// Hands the heap's free pages back to the system (mimalloc's too, when the program is linked
// with it). A large capture's models are freed before the project is saved or built; without
// this their pages would still count against the process while the save needs memory of its own.
void ReturnFreeMemory();

// Large blocks (a table's stream, a file read whole) get pages of their own, returned as soon as
// they are freed. By default glibc raises that threshold each time such a block is freed, after
// which the blocks of a large save or build are cut from the heap among the rows, and the holes
// they leave stay resident (about 15 MB at the peak of a 200,000-value build).
void KeepLargeBlocksOutOfTheHeap();

}  // namespace platform
