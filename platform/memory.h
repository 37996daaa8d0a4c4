#pragma once
// Handing the allocator's free memory back to the system.

// Returns the free pages of every allocator arena to the system
// (malloc_trim). Loading a model frees far more than a frame allocates (the
// importer's documents, decoded images); a caller runs this where loading
// ends, so those pages stop counting in the resident set. Takes a few
// milliseconds; not for every frame.
void ReturnFreeMemory();
