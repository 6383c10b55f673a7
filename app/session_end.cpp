#include "app/session_end.h"

#include "webhost/engine.h"

LRESULT OnQueryEndSession() { return TRUE; }

void RegisterForRestartAfterUpdates() { RegisterApplicationRestart(nullptr, kRestartFlags); }

LRESULT OnEndSession(HWND hwnd, WPARAM ending) {
    if (!ending) return 0;
    // The engine first, while the process still runs: its browser process lets go of the data folder.
    ReleaseEngineReferences();
    DestroyWindow(hwnd);  // no WM_CLOSE: the page is not asked, and the message loop ends
    return 0;
}
