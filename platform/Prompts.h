// Questions the engine must put to the user while it works (a disk that is not
// accessible: Retry or Cancel; a folder that is missing: Yes or No). The engine
// links no windows, so the program installs a hook that shows them and tests
// install one that answers from a script. Without a hook the answer is Cancel
// or No, so nothing waits for a user who cannot be asked.
#pragma once

#include <functional>
#include <string>

namespace sorvane {

enum class PromptKind { RetryCancel, YesNo };

// Shows `text` as a question of `kind`; true for Retry or Yes.
using PromptHook = std::function<bool(PromptKind kind, const std::string& text)>;

// Installs `hook` (an empty one removes it); gives the hook it replaces.
PromptHook SetPromptHook(PromptHook hook);

// True when the user chose Retry; false for Cancel or when no hook is installed.
bool AskRetryCancel(const std::string& text);

// True when the user chose Yes; false for No or when no hook is installed.
bool AskYesNo(const std::string& text);

} // namespace sorvane
