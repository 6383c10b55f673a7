// A real main window in the test process, with the real window procedure and the engine double.
#pragma once

#include "addressbar/navigate.h"
#include "engine_double.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <string>
#include <vector>

// What the engine double was asked, read by the tests of the window.
using engine_double::Calls;
using engine_double::CountCalls;
using engine_double::LastCall;

// Opens the real main window before each test and closes it after; state starts fresh each time.
class BrowserWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the window (done by SetUp unless the test's constructor says otherwise).
    void OpenWindow(int showCommand = SW_SHOWNORMAL);
    // Lets the double answer both creation requests, leaving the web view ready.
    void StartEngine();
    // Sets the main window's client area to the given size.
    void SetClientSize(int width, int height);
    int ClientWidth() const;

    // From now to the end of the test, WM_ACTIVATE gets only the default handling (which puts the
    // focus on the main window), so that other ways of giving the focus back show on their own.
    void BypassActivationHandling();

    // Messages the main window received since the last reset, by kind.
    int paints() const;
    int erases() const;
    void ResetMessageCounts();

    HWND window() const;

    bool openWindowInSetUp_ = true;
};

// The window with a page shown as the engine shows one: started, its source read, completed.
class WebHostTest : public BrowserWindowTest {
protected:
    void ShowPage(const std::wstring& url) {
        NavigateTo(url);
        engine_double::RaiseNavigationStarting(url);
        engine_double::Settings().source = url;
        engine_double::RaiseNavigationCompleted(true);
    }
};

// Pumps messages until the condition holds or the timeout passes; returns the condition.
template <class Condition>
bool PumpUntil(Condition condition, int timeoutMs = 3000) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        engine_double::PumpMessages();
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// The put_Bounds call the engine double records for that rectangle, and for a view across the
// window's whole client area below the given top.
std::wstring BoundsCall(int left, int top, int right, int bottom);
std::wstring BoundsCall(HWND hwnd, int top);

// The address bar's whole text.
std::wstring AddressBarText();

LPARAM PointParam(int x, int y);
void Click(HWND hwnd, int x, int y);  // a WM_LBUTTONDOWN sent to the window procedure

// Catches every message box the thread opens, records it and presses OK.
struct CaughtMessageBox {
    std::wstring text;
    std::wstring caption;
    HWND owner;
    RECT rect;  // where it is shown
};
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    const std::vector<CaughtMessageBox>& boxes() const;
    int total() const;  // every box caught, also those forgotten by Clear
    void Clear();
};

// Answers the page's dialogs that open while it lives, in order, from inside their modal loop as a
// person would: each step notes what the dialog shows, types into its field, checks its box to
// stop the page's dialogs, and presses a button; or, instead, does what the step's act says.
struct PageDialogStep {
    PageDialogStep(int pressed, bool check = false, std::wstring typed = L"", std::function<void()> instead = nullptr)
        : button(pressed), checkStop(check), type(std::move(typed)), act(std::move(instead)) {}
    int button;
    bool checkStop;
    std::wstring type;          // replaces the field's text when not empty
    std::function<void()> act;  // done instead of answering
};
struct SeenPageDialog {
    std::wstring caption, message, field, ok, cancel;
    bool stopOffered = false;
    bool hasField = false;
    int linesShown = 0;     // whole lines of the dialog's font that the message's place holds
    bool laidOut = false;   // every other control below the message and inside the dialog
    bool onScreen = false;  // the dialog inside its screen's work area
    bool onOwner = false;   // centred on the main window (across only, when taller than it)
    bool scrollsToEnd = false;  // its message hides its end, and the wheel and the scroll bar reach it
};
// The dialog as a person sees it: the lines of its font that the message's place holds, every
// other control below the message and inside the dialog, the dialog inside the work area and on
// its owner.
void SeeLayout(HWND dialog, SeenPageDialog& seen);
class PageDialogAnswerer {
public:
    PageDialogAnswerer(std::initializer_list<PageDialogStep> steps);
    ~PageDialogAnswerer();
    const std::vector<SeenPageDialog>& seen() const;
};

// Real input through the window system, as a person's pointer and keyboard.
void MovePointerTo(HWND hwnd, int clientX, int clientY);
void MovePointerOffWindow(HWND hwnd);
void RealClick(HWND hwnd, int clientX, int clientY);
void PressKey(WORD virtualKey, bool extended = false);
// Presses the keys in order and lets them go in reverse, as a person presses Ctrl+L.
void PressChord(const std::vector<WORD>& keys);

// The client area's accessible object, asked for as the system asks for a screen reader: a
// WM_GETOBJECT to the window, then ObjectFromLresult. Null on failure; the caller releases it.
// The object id comes as a 32-bit value in lParam, zero-extended (as Wine passes it from another
// process) or sign-extended.
IAccessible* ClientAccessible(HWND hwnd, bool signExtended = false);

// What a reader reads of one child of an accessible object.
struct AccessibleChild {
    HRESULT result;  // of get_accName: the other fields are valid on S_OK
    std::wstring name;
    long role, state;
    RECT location;   // screen coordinates, right and bottom exclusive
};
AccessibleChild ReadChild(IAccessible* object, long id);
VARIANT ChildVariant(long id);
