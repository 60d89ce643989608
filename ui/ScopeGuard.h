// TScopeGuard: runs an action when a scope ends, normally or by an exception;
// the one way the windows give back a state they changed for a while (a flag,
// a status text, a scratch list, a control's look).
#pragma once

#include <utility>

namespace sorvane {

// Runs `action` once, on destruction. The action must not throw: a destructor
// that throws while an exception is leaving the scope ends the program.
//     const TScopeGuard emptied([&] { buffer.Clear(); });
template <typename Action> class [[nodiscard]] TScopeGuard {
public:
    explicit TScopeGuard(Action action) noexcept(noexcept(Action(std::move(action))))
        : action_(std::move(action)) {}
    ~TScopeGuard() { action_(); }

    TScopeGuard(const TScopeGuard&) = delete;
    TScopeGuard& operator=(const TScopeGuard&) = delete;

private:
    Action action_;
};

} // namespace sorvane
