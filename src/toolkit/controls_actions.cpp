#include "toolkit/controls_actions.h"

namespace tk {

// ---- Action

void Action::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    auto observers = observers_;
    for (auto& o : observers) {
        o(enabled);
    }
}

void Action::Execute() {
    if (OnExecute) {
        OnExecute();
    }
}

void Action::AddEnabledObserver(std::function<void(bool)> observer) {
    observers_.push_back(std::move(observer));
}

// ---- ActionList

ActionList::~ActionList() {
    Stop();
}

void ActionList::Start() {
    if (idleId_ == 0) {
        idleId_ = Application::AddIdleHandler([this] {
            if (OnUpdate) {
                OnUpdate();
            }
        });
    }
}

void ActionList::Stop() {
    if (idleId_ != 0) {
        Application::RemoveIdleHandler(idleId_);
        idleId_ = 0;
    }
}

} // namespace tk
