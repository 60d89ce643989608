// The one prompt hook of the process.
#include "platform/Prompts.h"

#include <utility>

namespace sorvane {
namespace {

PromptHook& InstalledHook() {
    static PromptHook hook;
    return hook;
}

bool Ask(PromptKind kind, const std::string& text) {
    // A copy, so a hook that replaces itself while it runs stays alive until it returns.
    const PromptHook hook = InstalledHook();
    return hook ? hook(kind, text) : false;
}

} // namespace

PromptHook SetPromptHook(PromptHook hook) {
    return std::exchange(InstalledHook(), std::move(hook));
}

bool AskRetryCancel(const std::string& text) {
    return Ask(PromptKind::RetryCancel, text);
}

bool AskYesNo(const std::string& text) {
    return Ask(PromptKind::YesNo, text);
}

} // namespace sorvane
