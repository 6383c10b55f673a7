// The main view's life, from its first start to the window's end: one stage, moved only by
// NextEngineStage, so that the restart (webhost/restart.cpp) and the close (app/closing.cpp) read
// the same answer to "where does the engine stand". The popups' views have theirs (PopupStage).
#pragma once

enum class EngineStage {
    Starting,      // the first start is under way; a failure leaves the window without a page
    NoEngine,      // the first start failed
    Running,       // the view is ready
    Asking,        // a close sent the page to about:blank: its leave question may come
    Leaving,       // about:blank started for that close: the page let go
    Closed,        // the window goes; the next WM_CLOSE destroys it
    Dead,          // the engine's browser process died; WM_APP_RESTART_ENGINE is on its way
    AwaitingExit,  // the restart waits for the word of that process's exit, kEngineRetryTimer as fallback
    Restarting,    // an attempt of a restart is under way
    AttemptFailed, // that attempt failed: WM_APP_START_FAILED lets go of it, outside its completion
    RetryDue,      // kEngineRetryTimer brings the next attempt
    Parked,        // the restarts gave up: the person's next request for a page starts the engine
};

enum class EngineEvent {
    Started,          // the view is ready and has every handler
    StartFailed,      // a start failed, as its environment's or controller's completion said
    AttemptGone,      // WM_APP_START_FAILED, and another attempt is allowed
    LastAttemptGone,  // WM_APP_START_FAILED, after the last attempt
    Died,             // ProcessFailed said the browser process exited, or the exit was heard first
    RestartDue,       // WM_APP_RESTART_ENGINE (for a dead engine: its exit heard, or no environment)
    RestartAwaitsExit,// WM_APP_RESTART_ENGINE for a dead engine whose exit was not heard
    RestartsSpent,    // WM_APP_RESTART_ENGINE for a dead engine past the restarts' budget
    ExitHeard,        // the environment's BrowserProcessExited, said once
    TimerDue,         // kEngineRetryTimer
    PageAsked,        // the person asked for a page (a typed address, refresh, home, back, forward)
    Reopen,           // the person reopens a page that does not answer, in a new view of the engine
    CloseAsked,       // WM_CLOSE, and the view took about:blank
    BlankStarted,     // about:blank started for the close
    BlankCompleted,   // that navigation completed
    Stayed,           // the page's leave question was answered Stay
    Left,             // ... answered Leave
    WaitOver,         // kCloseWaitTimer, no question of the page up
    WaitOverAsking,   // kCloseWaitTimer while the page's question is up: it has no time limit
};

// What the caller does for a move.
enum class EngineStep {
    None,
    GiveFocusBack,     // a restart succeeded: the focus goes back where the person left it
    MarkDown,          // the engine is marked down, and WM_APP_RESTART_ENGINE posted
    PostRestart,       // WM_APP_RESTART_ENGINE posted: the awaited exit came
    CloseWithEngine,   // the engine is marked down, and the close under way ends the window instead
    LetGoAndStart,     // the dead view goes, and a new engine starts at once
    LetGoAndWait,      // the dead view goes, and kEngineRetryTimer waits for the exit
    LetGoAndPark,      // the dead engine goes, and no new one starts
    StartAgain,        // a new engine starts (the old environment goes first)
    Reopen,            // the view is marked down and goes, and the same engine is asked for a new one
    PostLetGo,         // WM_APP_START_FAILED posted
    ArmRetry,          // the failed attempt goes, kEngineRetryTimer brings the next one
    LetGoOfAttempt,    // the failed attempt goes, and the engine waits for the person
    WaitAgain,         // kCloseWaitTimer starts again: the page made a step towards letting go
    EndWait,           // the close is over, the window stays
    CloseAfterEvent,   // the window closes once the engine's event has returned (posted WM_CLOSE)
    CloseNow,          // the window is destroyed now (kCloseWaitTimer)
};

struct EngineMove {
    EngineStage stage;
    EngineStep step;
};
EngineMove NextEngineStage(EngineStage stage, EngineEvent event);

// The main view's stage, and its move by an event: the stage changes, and the caller does the step.
EngineStage MainViewStage();
EngineStep MoveMainView(EngineEvent event);

// Tests only: back to a first start under way.
void ResetMainViewForTesting();
