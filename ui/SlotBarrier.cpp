// The process-wide exception reporter behind Guarded.
#include "ui/SlotBarrier.h"

#include <cstdio>
#include <exception>
#include <mutex>

namespace sorvane {
namespace {

std::mutex& ReporterMutex() {
    static std::mutex mutex;
    return mutex;
}

ExceptionReporter& Reporter() {
    static ExceptionReporter reporter;
    return reporter;
}

void WriteToStderr(const std::string& message) noexcept {
    std::fprintf(stderr, "sorvane: %s\n", message.c_str());
    std::fflush(stderr);
}

// Set while the reporter runs, so a failure inside it is not fed back to it.
thread_local bool reporting = false;

} // namespace

void SetExceptionReporter(ExceptionReporter reporter) {
    std::lock_guard lock(ReporterMutex());
    Reporter() = std::move(reporter);
}

void ReportException(const std::string& message) noexcept {
    if (reporting) {
        WriteToStderr(message);
        return;
    }
    ExceptionReporter reporter;
    try {
        std::lock_guard lock(ReporterMutex());
        reporter = Reporter();
    } catch (...) {
        // Copying the reporter failed (out of memory): fall through to stderr.
    }
    if (!reporter) {
        WriteToStderr(message);
        return;
    }
    reporting = true;
    try {
        reporter(message);
    } catch (...) {
        WriteToStderr(message);
        const std::string failure = CurrentExceptionMessage();
        std::fprintf(stderr, "sorvane: the exception reporter failed: %s\n", failure.c_str());
    }
    reporting = false;
}

std::string CurrentExceptionMessage() noexcept {
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            return e.what();
        } catch (const std::string& text) {
            return text;
        } catch (const char* text) {
            return text ? text : "Unknown exception";
        } catch (...) {
            return "Unknown exception";
        }
    } catch (...) {
        // Building the message itself threw (out of memory).
        return {};
    }
}

} // namespace sorvane
