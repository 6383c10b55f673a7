// The host's handlers of one event, as the controller and the web view keep them: each held with
// one reference of ours from its add_… call until it is removed or let go.
#pragma once

#include "devtools/engine/engine.h"

#include <utility>
#include <vector>

// What every call on a dead view or controller answers, as a runtime whose browser process exited.
inline const HRESULT kBrowserProcessGone = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);

// A token unique among all of the engine's registrations.
INT64 NextRegistrationToken();

template <class Handler>
class HandlerList {
public:
    // `addLine` is logged for each add_… call on a live engine, `releasedLine` for each handler let go.
    HandlerList(const EngineConfig& config, const wchar_t* addLine, const wchar_t* releasedLine)
        : config_(config), addLine_(addLine), releasedLine_(releasedLine) {}
    HandlerList(const HandlerList&) = delete;
    HandlerList& operator=(const HandlerList&) = delete;
    ~HandlerList() { ReleaseAll(); }

    HRESULT Add(bool engineDead, Handler* handler, EventRegistrationToken* token) {
        if (engineDead) return kBrowserProcessGone;
        LogLine(config_, addLine_);
        if (!handler || !token) return E_POINTER;
        token->value = NextRegistrationToken();
        registrations_.push_back({token->value, ComHolder<Handler>(handler)});
        return S_OK;
    }

    // The handler is let go only after the list is consistent again, in case its release re-enters.
    HRESULT Remove(EventRegistrationToken token) {
        for (auto it = registrations_.begin(); it != registrations_.end(); ++it) {
            if (it->token == token.value) {
                ComHolder<Handler> removed = std::move(it->handler);
                registrations_.erase(it);
                LogLine(config_, releasedLine_);
                return S_OK;
            }
        }
        return S_OK;
    }

    // Each registration let go is logged, so a test sees every handler given back.
    void ReleaseAll() {
        std::vector<Registration> released = std::move(registrations_);
        registrations_.clear();
        for (size_t i = 0; i < released.size(); ++i) LogLine(config_, releasedLine_);
    }

    bool Empty() const { return registrations_.empty(); }

    // In registration order; a handler may add or remove handlers meanwhile.
    template <class Sender, class Args>
    void Invoke(Sender* sender, Args* args) const {
        std::vector<Registration> registrations = registrations_;
        for (const Registration& registration : registrations) registration.handler->Invoke(sender, args);
    }

private:
    struct Registration {
        INT64 token;
        ComHolder<Handler> handler;
    };

    const EngineConfig& config_;
    const wchar_t* addLine_;
    const wchar_t* releasedLine_;
    std::vector<Registration> registrations_;
};
