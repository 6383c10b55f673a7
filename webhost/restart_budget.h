// How often the engine is brought back after its failures, and when a failed restart is tried again:
// plain values and a clock the tests can set, so that the program's own numbers are what they check.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Each kind of recovery runs at most kRecoveryLimit times within kRecoveryWindowMs.
inline constexpr size_t kRecoveryLimit = 3;
inline constexpr ULONGLONG kRecoveryWindowMs = 60 * 1000;

// Milliseconds since some fixed start: GetTickCount64 unless a test set a clock of its own.
ULONGLONG RecoveryClockNow();
// Tests only: the clock the budgets read from now on; null puts GetTickCount64 back.
void SetRecoveryClockForTesting(ULONGLONG (*clock)());

// Whether one more recovery may run at `now`, given when the earlier ones ran: fewer than
// kRecoveryLimit of them within the last kRecoveryWindowMs.
bool RecoveryAllowed(const std::vector<ULONGLONG>& earlierTimes, ULONGLONG now);

// The recoveries of one kind that ran lately, oldest first, kept to the limit; counted for one
// subject (the page, for reloads) and started afresh for another.
struct RecoveryBudget {
    std::wstring subject;
    std::vector<ULONGLONG> times;

    // Takes one recovery when the budget allows one now.
    bool Take(const std::wstring& forSubject = std::wstring());
};

// How long to wait before the next attempt of a restart after `failedAttempts` failed ones (1, 2
// and 4 seconds); 0 once the attempts are used up, when the engine waits for the person.
UINT RestartRetryDelayMs(int failedAttempts);
