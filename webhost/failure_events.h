// The handlers of the failures of the engine's processes: its browser process dies (the engine is
// restarted, webhost/restart.h), the page's renderer dies (the page is reloaded, within a budget).
#pragma once

// Tests only: forgets the page's reloads.
void ResetFailureEventsForTesting();
