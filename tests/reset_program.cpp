#include "reset_program.h"

#include "addressbar/address_bar.h"
#include "app/accessible_events.h"
#include "app/closing.h"
#include "app/focus.h"
#include "app/fullscreen.h"
#include "app/keyboard.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "app/tooltips.h"
#include "app/unresponsive_page.h"
#include "webhost/engine.h"
#include "webhost/failure_events.h"
#include "webhost/navigation_events.h"
#include "webhost/page_window_events.h"
#include "webhost/restart.h"
#include "webhost/script_dialogs.h"
#include "webhost/zoom.h"

void ResetProgramForTesting() {
    ResetAppStateForTesting();
    ResetEngineForTesting();
    ResetRestartForTesting();
    ResetNavigationEventsForTesting();
    ResetFailureEventsForTesting();
    ResetPageWindowEventsForTesting();
    ResetClosingForTesting();
    ResetPageDialogsForTesting();
    ResetUnresponsivePageForTesting();
    ForgetZoom();
    ResetFocusForTesting();
    ResetKeyboardForTesting();
    ResetFullScreenForTesting();
    ResetAccessibleForTesting();
    ResetToolbarTipsForTesting();
    ResetAddressBarForTesting();
}
