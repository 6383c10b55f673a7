#include "webhost/restart_budget.h"

#include <iterator>

namespace {

// A failed restart is tried again after these delays. The budget counts the engine's deaths, not
// these attempts: an engine that is still coming back fails the first ones.
constexpr UINT kRestartRetryDelaysMs[] = {1000, 2000, 4000};

ULONGLONG (*recoveryClock)() = nullptr;

}  // namespace

ULONGLONG RecoveryClockNow() { return recoveryClock ? recoveryClock() : GetTickCount64(); }

void SetRecoveryClockForTesting(ULONGLONG (*clock)()) { recoveryClock = clock; }

bool RecoveryAllowed(const std::vector<ULONGLONG>& earlierTimes, ULONGLONG now) {
    size_t recent = 0;
    for (ULONGLONG time : earlierTimes) {
        if (now - time < kRecoveryWindowMs) ++recent;
    }
    return recent < kRecoveryLimit;
}

bool RecoveryBudget::Take(const std::wstring& forSubject) {
    if (forSubject != subject) {
        subject = forSubject;
        times.clear();
    }
    const ULONGLONG now = RecoveryClockNow();
    if (!RecoveryAllowed(times, now)) return false;
    times.push_back(now);
    if (times.size() > kRecoveryLimit) times.erase(times.begin());
    return true;
}

UINT RestartRetryDelayMs(int failedAttempts) {
    if (failedAttempts < 0 || failedAttempts >= static_cast<int>(std::size(kRestartRetryDelaysMs))) return 0;
    return kRestartRetryDelaysMs[failedAttempts];
}
