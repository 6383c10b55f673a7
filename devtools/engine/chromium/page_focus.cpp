#include "devtools/engine/chromium/page_focus.h"

#include "devtools/engine/chromium/page_input.h"

#include <utility>

using nlohmann::json;

namespace {

// The page's sequential focus order: positive tabindex first in its order, then the rest as the
// document has them; disabled, hidden and undisplayed elements are skipped, as Tab skips them.
const char kFocusOrder[] =
    "function trovFocusOrder() {"
    "  var all = Array.prototype.filter.call(document.querySelectorAll("
    "    'a[href], area[href], button, input, select, textarea, iframe, summary, [tabindex], [contenteditable]'),"
    "    function (e) { return e.tabIndex >= 0 && !e.disabled && e.type !== 'hidden' &&"
    "      e.getClientRects().length > 0 && getComputedStyle(e).visibility !== 'hidden'; });"
    "  var ordered = all.filter(function (e) { return e.tabIndex > 0; })"
    "    .sort(function (a, b) { return a.tabIndex - b.tabIndex; });"
    "  return ordered.concat(all.filter(function (e) { return e.tabIndex === 0; }));"
    "}";

std::string Backwards(bool backwards) { return backwards ? "true" : "false"; }

// True when a Tab (Shift+Tab: backwards) leaves the page: the focus is on the last (first) element
// of its order, or the order is empty. From nowhere in particular Tab enters the order.
std::string TabLeavesScript(bool backwards) {
    return std::string("(function (backwards) {") + kFocusOrder +
           "  var order = trovFocusOrder();"
           "  if (!order.length) return true;"
           "  return document.activeElement === order[backwards ? 0 : order.length - 1];"
           "})(" + Backwards(backwards) + ")";
}

std::string FocusEndScript(bool last) {
    return std::string("(function (last) {") + kFocusOrder +
           "  var order = trovFocusOrder();"
           "  if (!order.length) { if (document.activeElement) document.activeElement.blur(); return; }"
           "  order[last ? order.length - 1 : 0].focus();"
           "})(" + Backwards(last) + ")";
}

bool EvaluatedTrue(const json& result) {
    auto remote = result.find("result");
    if (remote == result.end() || !remote->is_object()) return false;
    auto value = remote->find("value");
    return value != remote->end() && value->is_boolean() && value->get<bool>();
}

bool IsShifted(int modifiers) { return (modifiers & ProtocolModifiers(false, false, true)) != 0; }

}  // namespace

bool IsFocusTab(const TabGate::Input& input) {
    const int altOrCtrl = ProtocolModifiers(true, true, false);
    return input.message == WM_KEYDOWN && input.wParam == VK_TAB && (input.modifiers & altOrCtrl) == 0;
}

TabGate::TabGate(PageConnection& connection, Deliver deliver, Leave leave)
    : connection_(connection), deliver_(std::move(deliver)), leave_(std::move(leave)) {}

void TabGate::Pass(const Input& input) {
    if (asking_) {
        held_.push_back(input);
        return;
    }
    if (!IsFocusTab(input)) {
        deliver_(input);
        return;
    }
    json params = {{"expression", TabLeavesScript(IsShifted(input.modifiers))}, {"returnByValue", true}};
    asking_ = connection_.Call("Runtime.evaluate", params, [this, input](const json& result, bool failed) {
        OnAnswer(input, !failed && EvaluatedTrue(result));
    });
    if (!asking_) deliver_(input);
}

// A Tab the host does not take stays the page's: it moves on through the page, as in a browser.
// The host's handler may take the focus away meanwhile; the held input still goes to the page,
// where it was typed.
void TabGate::OnAnswer(const Input& tab, bool leaves) {
    asking_ = false;
    std::vector<Input> held = std::move(held_);
    held_.clear();
    if (!leaves || !leave_(IsShifted(tab.modifiers))) deliver_(tab);
    for (const Input& input : held) Pass(input);  // a Tab among them asks again, and holds the rest
}

void TabGate::FocusEnd(bool last) {
    connection_.Call("Runtime.evaluate", json{{"expression", FocusEndScript(last)}});
}
