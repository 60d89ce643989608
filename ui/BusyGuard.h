// TBusyGuard: marks a window busy for the length of a scope, so a handler can
// refuse to start again while a long operation of its own is running.
#pragma once

#include "ui/ScopeGuard.h"

namespace sorvane {

// Gives a flag back the value it had.
struct TFlagRestore {
    bool& flag;
    bool previous;
    void operator()() const noexcept { flag = previous; }
};

// Sets `flag` on construction and gives it back the value it had on scope exit,
// whether the scope ends normally or by an exception. In the usual pattern
//     if (busy_) return;
//     TBusyGuard guard(busy_);
// that means the flag is cleared on exit; a nested guard on a flag that is
// already set leaves it set for the outer one.
class TBusyGuard {
public:
    explicit TBusyGuard(bool& flag) noexcept : restore_(TFlagRestore{flag, flag}) { flag = true; }

private:
    TScopeGuard<TFlagRestore> restore_;
};

} // namespace sorvane
