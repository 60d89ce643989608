// A shared object loaded at run time (dlopen), released when the object goes.
#pragma once

#include <string>

namespace sorvane {

class TLoadedModule {
public:
    TLoadedModule() = default;
    ~TLoadedModule() { Release(); }
    TLoadedModule(const TLoadedModule&) = delete;
    TLoadedModule& operator=(const TLoadedModule&) = delete;

    // Loads the module at Path (all symbols resolved now, kept local); false
    // when it cannot be loaded.
    bool Load(const std::string& Path);
    // The address of an exported symbol, or null.
    void* Symbol(const char* Name) const;
    void Release();
    bool Loaded() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
};

} // namespace sorvane
