// Every state the band can be painted in, for tests that paint them all.
#pragma once

#include "app/state.h"
#include "app/toolbar.h"

// Calls paint once in each state: the menu panel open or closed, a page loading or not, and every
// hovered slot or none: 36 states. The fields are left as in the last state.
template <class Paint>
void ForEachBandState(Paint paint) {
    for (bool open : {false, true}) {
        menuOpen = open;
        for (bool loading : {false, true}) {
            isLoading = loading;
            for (int hover = kSlotNone; hover < kSlotCount; ++hover) {
                hoverIndex = hover;
                paint();
            }
        }
    }
}
