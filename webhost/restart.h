// The restart of a dead engine: marking it down, starting it again once its browser process has
// exited, retrying a failed attempt, and giving up until the person asks for a page.
#pragma once

// WM_APP_RESTART_ENGINE: closes and lets go of the dead engine's view, once, and starts a new engine
// when its browser process has exited (kEngineRetryTimer does after a second without that word).
void RestartEngine();

// kEngineRetryTimer: the next attempt of a restart whose last attempt failed.
void RetryEngineStart();

// The person chose to reopen a page that does not answer: a new view of the running engine opens
// its address, the focus comes back where it was; the restarts' budget is not used.
void ReopenView();

// The person asked for a page (a typed address, refresh, home, back or forward) while a restart
// had given up: starts the engine once more, which then opens currentUrl. False when the engine is
// not waiting for that (it is running, starting, or never started).
bool StartParkedEngine();

// The engine's browser process died, as its view or its environment said: the engine is down, and
// its restart follows from the posted WM_APP_RESTART_ENGINE (unless a close under way ends with it).
void MarkEngineDown();

// Start-up's outcomes. A failed attempt of a restart is retried a little later; a failed first start
// stays as it is. A start that succeeded ends the restart, and a restart gives the focus back.
void OnStartFailed();
void OnStartSucceeded();
// WM_APP_START_FAILED: the failed attempt's objects go, and the next attempt is timed.
void LetGoOfFailedStart();
// Whether the start under way is a restart.
bool StartIsRestart();

// A new environment: the word of its browser process's exit is listened for, and not yet heard.
void ListenForBrowserExit();
// Lets go of the handler of that word.
void StopListeningForBrowserExit();

// Tests only: forgets a restart under way, its budget, and the exit heard.
void ResetRestartForTesting();
