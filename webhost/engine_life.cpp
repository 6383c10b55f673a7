#include "webhost/engine_life.h"

namespace {

EngineStage mainView = EngineStage::Starting;

bool ClosingStage(EngineStage stage) { return stage == EngineStage::Asking || stage == EngineStage::Leaving; }

// Only a view that shows a page can die or be closed through its page; a restart's view that dies
// before it is ready fails its start instead.
EngineMove NextForPage(EngineStage stage, EngineEvent event) {
    using S = EngineStage;
    using E = EngineEvent;
    using P = EngineStep;
    switch (event) {
    case E::Died:
    case E::ExitHeard:  // heard before ProcessFailed: the same death
        if (ClosingStage(stage)) return {S::Closed, P::CloseWithEngine};
        return {S::Dead, P::MarkDown};
    case E::Reopen:  // a close under way ends the hung page within its wait instead
        return stage == S::Running ? EngineMove{S::Restarting, P::Reopen} : EngineMove{stage, P::None};
    case E::CloseAsked:
        return stage == S::Running ? EngineMove{S::Asking, P::WaitAgain} : EngineMove{stage, P::None};
    case E::BlankStarted:
    case E::Left:
        return ClosingStage(stage) ? EngineMove{event == E::BlankStarted ? S::Leaving : stage, P::WaitAgain}
                                   : EngineMove{stage, P::None};
    case E::BlankCompleted:
        return stage == S::Leaving ? EngineMove{S::Closed, P::CloseAfterEvent} : EngineMove{stage, P::None};
    case E::Stayed:
        return ClosingStage(stage) ? EngineMove{S::Running, P::EndWait} : EngineMove{stage, P::None};
    case E::WaitOver:
        return ClosingStage(stage) ? EngineMove{S::Closed, P::CloseNow} : EngineMove{stage, P::EndWait};
    case E::WaitOverAsking:  // the page's question has no time limit
        return ClosingStage(stage) ? EngineMove{stage, P::None} : EngineMove{stage, P::EndWait};
    default:
        return {stage, P::None};
    }
}

}  // namespace

EngineMove NextEngineStage(EngineStage stage, EngineEvent event) {
    using S = EngineStage;
    using E = EngineEvent;
    using P = EngineStep;
    switch (stage) {
    case S::Running:
    case S::Asking:
    case S::Leaving:
        return NextForPage(stage, event);
    case S::Closed:  // the window goes, whatever the engine says meanwhile
        break;
    case S::Starting:
        if (event == E::Started) return {S::Running, P::None};
        if (event == E::StartFailed) return {S::NoEngine, P::None};
        break;
    case S::Dead:
        if (event == E::RestartDue) return {S::Restarting, P::LetGoAndStart};
        if (event == E::RestartAwaitsExit) return {S::AwaitingExit, P::LetGoAndWait};
        if (event == E::RestartsSpent) return {S::Parked, P::LetGoAndPark};
        break;
    case S::AwaitingExit:
        if (event == E::ExitHeard) return {stage, P::PostRestart};
        if (event == E::RestartDue || event == E::TimerDue) return {S::Restarting, P::StartAgain};
        break;
    case S::Restarting:
        if (event == E::Started) return {S::Running, P::GiveFocusBack};
        if (event == E::StartFailed) return {S::AttemptFailed, P::PostLetGo};
        break;
    case S::AttemptFailed:
        if (event == E::AttemptGone) return {S::RetryDue, P::ArmRetry};
        if (event == E::LastAttemptGone) return {S::Parked, P::LetGoOfAttempt};
        break;
    case S::RetryDue:
        if (event == E::TimerDue) return {S::Restarting, P::StartAgain};
        break;
    case S::Parked:
        if (event == E::PageAsked) return {S::Restarting, P::StartAgain};
        break;
    case S::NoEngine:
        break;
    }
    // A close timer left from a close that ended is stopped, wherever the engine stands.
    if (event == E::WaitOver || event == E::WaitOverAsking) return {stage, P::EndWait};
    return {stage, P::None};
}

EngineStage MainViewStage() { return mainView; }

EngineStep MoveMainView(EngineEvent event) {
    const EngineMove move = NextEngineStage(mainView, event);
    mainView = move.stage;
    return move.step;
}

void ResetMainViewForTesting() { mainView = EngineStage::Starting; }
