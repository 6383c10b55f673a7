// startup_probe [RUNS [FOLDER...]]: times, from process start to the first completed paint of its
// main window, each of these programs beside this one, RUNS times each (15 by default) after one
// warm-up start each; then reads the private memory of some of them a few seconds after start.
// Prints its part of the table that bench/run shows.
//   - trov.exe with the development engine, which is told to fail at once (no web view);
//   - minimal-loader\trov.exe: a copy of the same trov.exe beside the minimal loader, whose export
//     fails at once: the browser's own start-up without the development engine's DLL;
//   - release\trov.exe: the release build beside the minimal loader;
//   - FOLDER\trov.exe for each FOLDER named: another build put there beside the minimal loader, for
//     instance the release build of an earlier commit, to read a change in the same rounds;
//   - the start-up ladder: bare_window.exe 8 down to 1, each rung one facility of trov.exe's
//     start-up more than the rung below, and bare_window.exe, the baseline.
// bench/run puts the copies in place.
//
// "First completed paint", seen from outside without hooks: the window is visible and has no
// update region left (its WM_PAINT has validated it), and then a WM_NULL sent to it returns, which
// happens only once its thread has left the paint handler and asks for messages again; the update
// region is checked once more after that, in case the window was caught between showing and
// invalidating. The clock is QueryPerformanceCounter, read just before CreateProcessW.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Target {
    const char* name;
    const char* label;
    const wchar_t* exe;
    const wchar_t* arguments;
    const wchar_t* windowClass;
    bool memory;  // its private memory is read too
};

const Target kTrovRows[] = {
    {"trov", "trov.exe, development engine", L"trov.exe", L"", L"TrovBrowserClass", true},
    {"minimal", "trov.exe, minimal loader", L"minimal-loader\\trov.exe", L"", L"TrovBrowserClass", true},
    {"release", "release trov.exe, minimal loader", L"release\\trov.exe", L"", L"TrovBrowserClass", true},
};

// The ladder runs from the top rung down to the baseline, which comes last: every ratio is to it.
const Target kLadder[] = {
    {"rung8", "8 + band painted, with the glyphs", L"bare_window.exe", L" 8", L"TrovBareWindowClass", true},
    {"rung7", "7 + engine loader and its call", L"bare_window.exe", L" 7", L"TrovBareWindowClass", false},
    {"rung6", "6 + address bar (EDIT, subclass)", L"bare_window.exe", L" 6", L"TrovBareWindowClass", false},
    {"rung5", "5 + UI font", L"bare_window.exe", L" 5", L"TrovBareWindowClass", false},
    {"rung4", "4 + common controls", L"bare_window.exe", L" 4", L"TrovBareWindowClass", false},
    {"rung3", "3 + COM apartment", L"bare_window.exe", L" 3", L"TrovBareWindowClass", false},
    {"rung2", "2 + GDI+ start-up", L"bare_window.exe", L" 2", L"TrovBareWindowClass", false},
    {"rung1", "1 + per-monitor DPI awareness", L"bare_window.exe", L" 1", L"TrovBareWindowClass", false},
    {"bare", "0 bare_window.exe", L"bare_window.exe", L"", L"TrovBareWindowClass", true},
};

constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kIdleMs = 3000;
constexpr int kMemoryRuns = 3;

std::wstring ExeDirectory() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

double Seconds(LONGLONG ticks) {
    static LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    return static_cast<double>(ticks) / static_cast<double>(frequency);
}

LONGLONG Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

HWND WindowOf(const Target& target, DWORD processId) {
    HWND hwnd = FindWindowW(target.windowClass, nullptr);
    DWORD owner = 0;
    if (hwnd) GetWindowThreadProcessId(hwnd, &owner);
    return owner == processId ? hwnd : nullptr;
}

bool PaintedAndValid(HWND hwnd) { return IsWindowVisible(hwnd) && !GetUpdateRect(hwnd, nullptr, FALSE); }

// The window once its first paint has completed, or null on time-out.
HWND WaitForFirstPaint(const Target& target, DWORD processId, HANDLE process) {
    const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
    while (GetTickCount64() < deadline) {
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return nullptr;
        HWND hwnd = WindowOf(target, processId);
        if (hwnd && PaintedAndValid(hwnd)) {
            DWORD_PTR ignored = 0;
            if (SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &ignored) && PaintedAndValid(hwnd)) {
                return hwnd;
            }
        }
        Sleep(1);
    }
    return nullptr;
}

struct Started {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
    double seconds = 0;
};

Started Start(const Target& target) {
    Started started;
    std::wstring commandLine = L"\"" + ExeDirectory() + target.exe + L"\"" + target.arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    const LONGLONG begin = Now();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &started.process)) {
        std::fprintf(stderr, "startup_probe: cannot start %s (error %lu)\n", target.name, GetLastError());
        std::exit(2);
    }
    started.window = WaitForFirstPaint(target, started.process.dwProcessId, started.process.hProcess);
    started.seconds = Seconds(Now() - begin);
    if (!started.window) {
        std::fprintf(stderr, "startup_probe: %s painted no window\n", target.name);
        TerminateProcess(started.process.hProcess, 3);
        std::exit(3);
    }
    return started;
}

void Stop(Started& started) {
    PostMessageW(started.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(started.process.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(started.process.hProcess, 4);
        WaitForSingleObject(started.process.hProcess, INFINITE);
    }
    CloseHandle(started.process.hThread);
    CloseHandle(started.process.hProcess);
    Sleep(200);  // lets Wine finish with the old process before the next start
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

// The median over paired values of a / b, or of a - b.
double MedianRatio(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> ratios;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) ratios.push_back(a[i] / b[i]);
    return Median(ratios);
}

double MedianDifference(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> differences;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) differences.push_back(a[i] - b[i]);
    return Median(differences);
}

// One row of the table: median, range, the median ratio to the baseline over paired values and,
// given a row to compare with, the median ratio and difference to it.
void PrintRow(const char* label, const std::vector<double>& values, const std::vector<double>& baseline,
              const char* format, const std::vector<double>* against = nullptr) {
    std::printf("  %-34s ", label);
    std::printf(format, Median(values), *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()));
    std::printf("   %5.2f", MedianRatio(values, baseline));
    if (against) std::printf("   %5.2f  %+6.1f", MedianRatio(values, *against), MedianDifference(values, *against));
    std::printf("\n");
}

// The rows of the start-up table: trov.exe's builds against the top rung, the ladder's rungs each
// against the rung below.
void PrintTable(const std::vector<Target>& targets, size_t topRung, const std::vector<std::vector<double>>& values) {
    const size_t baseline = targets.size() - 1;
    for (size_t i = 0; i < targets.size(); ++i) {
        if (i == topRung) {
            std::printf("  start-up ladder: bare_window.exe RUNG, one facility of trov.exe's start-up more on each rung\n");
        }
        const std::vector<double>* against = i < topRung ? &values[topRung] : i < baseline ? &values[i + 1] : nullptr;
        PrintRow(targets[i].label, values[i], values[baseline], "%8.1f   (%5.1f-%5.1f)", against);
    }
}

// Folder names are plain ASCII.
std::wstring Widened(const std::string& text) { return std::wstring(text.begin(), text.end()); }

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    // The folders' names and paths live as long as the targets that point into them.
    std::vector<std::string> labels;
    std::vector<std::wstring> paths;
    for (int i = 2; i < argc; ++i) {
        labels.push_back(std::string(argv[i]) + "\\trov.exe, minimal loader");
        paths.push_back(Widened(argv[i]) + L"\\trov.exe");
    }
    std::vector<Target> targets(std::begin(kTrovRows), std::end(kTrovRows));
    for (size_t i = 0; i < labels.size(); ++i) {
        targets.push_back({argv[i + 2], labels[i].c_str(), paths[i].c_str(), L"", L"TrovBrowserClass", false});
    }
    const size_t topRung = targets.size();
    targets.insert(targets.end(), std::begin(kLadder), std::end(kLadder));
    const size_t count = targets.size();
    const size_t baseline = count - 1;

    // The development engine beside trov.exe then reports a missing runtime at once: no web view.
    SetEnvironmentVariableW(L"TROV_ENGINE_FAIL", L"environment");

    for (const Target& target : targets) {
        Started warmUp = Start(target);
        Stop(warmUp);
    }

    // In rounds, in an order that rotates, so that a slow spell of the machine falls on every
    // program alike; each ratio is the median of the ratios to the baseline of the same round.
    std::vector<std::vector<double>> startup(count);
    for (int run = 0; run < runs; ++run) {
        for (size_t turn = 0; turn < count; ++turn) {
            const size_t i = (turn + run) % count;
            Started started = Start(targets[i]);
            startup[i].push_back(started.seconds * 1000);
            Stop(started);
        }
    }

    std::vector<std::vector<double>> privateKiB(count);
    for (int run = 0; run < kMemoryRuns; ++run) {
        for (size_t i = 0; i < count; ++i) {
            if (!targets[i].memory) continue;
            Started started = Start(targets[i]);
            Sleep(kIdleMs);
            PROCESS_MEMORY_COUNTERS_EX counters = {};
            counters.cb = sizeof(counters);
            GetProcessMemoryInfo(started.process.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                 sizeof(counters));
            // On Windows PrivateUsage and PagefileUsage are the same figure; Wine 8 fills only the latter.
            privateKiB[i].push_back(static_cast<double>(std::max(counters.PrivateUsage, counters.PagefileUsage)) / 1024);
            Stop(started);
        }
    }

    std::printf("Start-up, process start to first completed paint (ms, median of %d rounds; min-max; ratio to bare;\n"
                "  then ratio and difference in ms to the rung below, for trov.exe to rung 8: medians over the rounds)\n",
                runs);
    PrintTable(targets, topRung, startup);
    std::printf("\nPrivate memory %.0f s after start (KiB, Wine's figure, median of %d runs; min-max; ratio to bare)\n",
                kIdleMs / 1000.0, kMemoryRuns);
    for (size_t i = 0; i < count; ++i) {
        if (targets[i].memory) PrintRow(targets[i].label, privateKiB[i], privateKiB[baseline], "%8.0f   (%5.0f-%5.0f)");
    }
    std::printf("\n");
    return 0;
}
