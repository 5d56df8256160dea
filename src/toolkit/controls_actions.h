// Actions (caption, image, enabled state, command) and idle updates of their state.
#pragma once

#include "toolkit/window.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace tk {

// An action: caption, image, enabled state and a command, shared by the controls bound to it.
class Action {
public:
    Action() = default;
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;

    std::wstring Caption;
    int ImageIndex = -1;
    std::function<void()> OnExecute;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Runs OnExecute (whatever the enabled state: callers check it, as a button does).
    void Execute();
    // Called with the new state whenever it changes.
    void AddEnabledObserver(std::function<void(bool)> observer);

private:
    bool enabled_ = true;
    std::vector<std::function<void(bool)>> observers_;
};

// Runs OnUpdate each time the application becomes idle, while the list lives.
class ActionList {
public:
    ActionList() = default;
    ActionList(const ActionList&) = delete;
    ActionList& operator=(const ActionList&) = delete;
    ~ActionList();
    void Start();
    void Stop();
    std::function<void()> OnUpdate;

private:
    int idleId_ = 0;
};

} // namespace tk
