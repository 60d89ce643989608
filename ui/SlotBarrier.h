// The exception barrier: every handler the controls call on behalf of a window
// runs inside Guarded, so no exception ever leaves a Qt slot or event handler.
// What was caught goes to one process-wide reporter, which the main window sets
// to show the text in its message window.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace sorvane {

using ExceptionReporter = std::function<void(const std::string& message)>;

// Replaces the process-wide reporter; an empty one restores the default, which
// writes the message to stderr.
void SetExceptionReporter(ExceptionReporter reporter);

// Hands a message to the reporter. Never throws: a reporter that throws, or an
// exception caught while the reporter is still running (a handler failing under
// a message window the reporter opened), is written to stderr instead of
// reaching the reporter again.
void ReportException(const std::string& message) noexcept;

// The text of the exception being handled; call only inside a catch block.
// std::exception gives what(); a thrown std::string or C string gives itself;
// anything else gives "Unknown exception".
std::string CurrentExceptionMessage() noexcept;

// Runs `handler` and returns the message of the exception it threw, if any,
// without reporting it. For callers that must report later (a draw hook that
// fails in the middle of painting).
template <typename Handler> std::optional<std::string> RunCatching(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
        return std::nullopt;
    } catch (...) {
        return CurrentExceptionMessage();
    }
}

// Runs `handler`; an exception it throws is reported and stops there. True when
// the handler returned normally.
template <typename Handler> bool Guarded(Handler&& handler) noexcept {
    std::optional<std::string> failure = RunCatching(std::forward<Handler>(handler));
    if (!failure) return true;
    ReportException(*failure);
    return false;
}

// Calls a window's handler through the barrier; an empty handler does nothing.
template <typename... Signature, typename... Args>
void Fire(const std::function<void(Signature...)>& handler, Args&&... args) noexcept {
    if (!handler) return;
    Guarded([&] { handler(std::forward<Args>(args)...); });
}

} // namespace sorvane
