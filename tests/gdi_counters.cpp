#include "gdi_counters.h"

#include <windows.h>

#include <vector>

// Live GDI objects of this process. Wine's GetGuiResources always answers 0, but Wine's handle
// table accepts a bare index (upper word 0) for whatever object lives at it, so the table itself
// can be probed. Where that finds nothing (Windows checks the full handle) the system count is used.
int LiveGdiObjects() {
    int live = 0;
    for (UINT_PTR index = 1; index <= 0xFFFF; ++index) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++live;
    }
    if (live > 0) return live;
    return static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
}

// Allocated blocks on the process's heaps. GDI+ pens, brushes, paths and graphics are heap
// memory, not GDI handles: a forgotten GdipDelete* shows up here.
int BusyHeapBlocks() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 8);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    int busy = 0;
    for (HANDLE heap : heaps) {
        HeapLock(heap);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
        }
        HeapUnlock(heap);
    }
    return busy;
}
