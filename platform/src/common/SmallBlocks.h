// Small records of a size known again when they are freed (string records: their length says
// their size), carved from pages of one block size each, with no header per block. A cache of a
// large tree holds two strings a file; from the general heap each would carry a header and be
// rounded up to the next 16 bytes, and freeing millions of them makes the heap merge them one by
// one.
//
// A page is 64 KiB, aligned to its size, so a block finds its page from its address; the page
// counts its blocks in use and goes back to the system when the last is freed. Blocks are freed
// to a list in their page and taken again before the page's untouched rest.
#pragma once

#include <cstddef>

namespace platform {

// The largest block taken from pages; a larger one comes from the general heap. Zero when the
// pages are not used at all: under AddressSanitizer, which can watch only blocks of the heap.
extern const size_t kLargestSmallBlock;

// A block of at least size bytes, aligned to 8, or null when there is no memory. Sizes above
// kLargestSmallBlock come from operator new.
void* allocateSmallBlock(size_t size);
// Frees a block from allocateSmallBlock, given the same size.
void freeSmallBlock(void* block, size_t size);

// The bytes of the pages held now, whole pages counted: what the blocks cost the process.
size_t smallBlockPageBytes();

} // namespace platform
