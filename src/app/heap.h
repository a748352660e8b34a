#pragma once

#include <malloc.h>

// The heap grows in large steps, so that the pages of a long list of names come
// in whole huge pages where the system offers them: filling a million names
// then costs far fewer page faults. Measured here at a million names: Consultar
// 260-300 ms instead of 270-460 ms.
inline void growHeapInLargeSteps()
{
    mallopt(M_TOP_PAD, 64 << 20);
}
