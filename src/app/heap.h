#pragma once

#include <malloc.h>

// The heap grows in large steps and keeps what a long list of names frees, so
// that the next list takes memory already in use rather than fresh pages, which
// cost a fault each on first touch (where the system offers huge pages, they
// come in whole ones). The block of a list of up to a million names comes from
// the heap too, not from a mapping of its own that would be handed back when freed.
// What reading a list and building its search index take only for a while is
// handed back once the index is built (combolist.cpp), not kept.
inline void growHeapInLargeSteps()
{
    mallopt(M_TOP_PAD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
}
