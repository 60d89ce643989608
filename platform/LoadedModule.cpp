// Run-time loading of shared objects.
#include "platform/LoadedModule.h"

#include <dlfcn.h>

namespace sorvane {

bool TLoadedModule::Load(const std::string& Path) {
    Release();
    // A bare name would be searched along the library path: only paths load.
    if (Path.find('/') == std::string::npos) return false;
    handle_ = ::dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

void* TLoadedModule::Symbol(const char* Name) const {
    return handle_ == nullptr ? nullptr : ::dlsym(handle_, Name);
}

void TLoadedModule::Release() {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = nullptr;
}

} // namespace sorvane
