// Message boxes without a screen: each request is logged and answered from a
// queue, a host's handler, or the style's default button.
//
// The default answer is the button a user pressing Enter would choose: the
// one MB_DEFBUTTONn marks (the first when n is past the style's buttons).
// Queued answers are returned as they are, so a test can also script an
// answer the style does not offer.
#include <win/ui.h>

#include <algorithm>
#include <deque>
#include <mutex>

#include <winsim/ui.h>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

struct State {
    std::mutex lock;
    std::deque<int> answers;
    std::vector<winsim::MessageBoxRequest> log;
    std::function<int(const winsim::MessageBoxRequest&)> handler;
    HWND active = nullptr;
};
State& state() {
    static auto* s = new State;
    return *s;
}

// The style's buttons in their order on screen; empty for an unknown style.
std::vector<int> buttons(UINT type) {
    std::vector<int> b;
    switch (type & MB_TYPEMASK) {
        case MB_OK: b = {IDOK}; break;
        case MB_OKCANCEL: b = {IDOK, IDCANCEL}; break;
        case MB_ABORTRETRYIGNORE: b = {IDABORT, IDRETRY, IDIGNORE}; break;
        case MB_YESNOCANCEL: b = {IDYES, IDNO, IDCANCEL}; break;
        case MB_YESNO: b = {IDYES, IDNO}; break;
        case MB_RETRYCANCEL: b = {IDRETRY, IDCANCEL}; break;
        case MB_CANCELTRYCONTINUE: b = {IDCANCEL, IDTRYAGAIN, IDCONTINUE}; break;
        default: break;
    }
    if (!b.empty() && (type & MB_HELP)) b.push_back(IDHELP);
    return b;
}

int defaultAnswer(const std::vector<int>& b, UINT type) {
    size_t def = (type & MB_DEFMASK) >> 8;
    return def < b.size() && b[def] != IDHELP ? b[def] : b[0];
}

int show(HWND owner, std::u16string text, std::u16string caption, UINT type) {
    std::vector<int> b = buttons(type);
    if (b.empty()) {
        setError(ERROR_INVALID_MSGBOX_STYLE);
        return 0;
    }
    winsim::MessageBoxRequest req{owner, std::move(text), std::move(caption), type, 0};
    // The windows behind the box go on with their posted messages (a page
    // repaints) before the user answers.
    pushModal(ModalEntry{nullptr, 0, req.text});
    pumpPosted();
    popModal();
    int scripted = 0;
    const bool fromScript = scriptRunning() && scriptAnswer(&scripted);
    auto& s = state();
    std::unique_lock g(s.lock);
    if (fromScript) {
        req.answer = scripted;
    } else if (!s.answers.empty()) {
        req.answer = s.answers.front();
        s.answers.pop_front();
    } else if (s.handler) {
        auto handler = s.handler;
        g.unlock();  // the handler may take its time, or show another box
        req.answer = handler(req);
        g.lock();
    } else if (scriptRunning()) {
        // A box the script did not expect fails the run; the user backs out.
        recordFailure("unexpected message box \"" + winsim::toUtf8(req.text) + "\"");
        req.answer = std::find(b.begin(), b.end(), IDCANCEL) != b.end() ? IDCANCEL : defaultAnswer(b, type);
    } else {
        req.answer = defaultAnswer(b, type);
    }
    s.log.push_back(req);
    return req.answer;
}

}  // namespace

namespace winsim {

int defaultMessageBoxAnswer(UINT style) {
    std::vector<int> b = buttons(style);
    return b.empty() ? 0 : defaultAnswer(b, style);
}

void queueMessageBoxAnswer(int answer) {
    std::lock_guard g(state().lock);
    state().answers.push_back(answer);
}

size_t pendingMessageBoxAnswers() {
    std::lock_guard g(state().lock);
    return state().answers.size();
}

void setMessageBoxHandler(std::function<int(const MessageBoxRequest&)> handler) {
    std::lock_guard g(state().lock);
    state().handler = std::move(handler);
}

std::vector<MessageBoxRequest> messageBoxLog() {
    std::lock_guard g(state().lock);
    return state().log;
}

void clearMessageBoxes() {
    std::lock_guard g(state().lock);
    state().log.clear();
    state().answers.clear();
}

void setActiveWindow(HWND window) {
    std::lock_guard g(state().lock);
    state().active = window;
}

}  // namespace winsim

extern "C" {

WINBASEAPI int WINAPI MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    if (enter("MessageBoxW", text ? winsim::toUtf8(wstr(text)) : std::string())) return 0;
    try {
        // A null caption shows as "Error", as on Windows.
        return show(owner, wstr(text), caption ? wstr(caption) : u"Error", type);
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

WINBASEAPI int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (enter("MessageBoxA", text ? text : "")) return 0;
    try {
        return show(owner, text ? ansiToWide(text) : std::u16string(), caption ? ansiToWide(caption) : u"Error", type);
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

WINBASEAPI HWND WINAPI GetActiveWindow(void) {
    enter("GetActiveWindow");
    std::lock_guard g(state().lock);
    return state().active;
}

}  // extern "C"
