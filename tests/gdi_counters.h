// Counters of what a paint could leak: live GDI objects and busy heap blocks (GDI+ objects are
// heap memory). Both work under Wine, where GetGuiResources is a stub that answers 0.
#pragma once

int LiveGdiObjects();
int BusyHeapBlocks();
