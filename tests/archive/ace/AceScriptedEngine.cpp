// A scripted stand-in for the ACE extraction module: the five entry points,
// where testing and extraction run a driver the test installs, which calls
// the reader's callbacks in the order the test wants. Built twice: whole,
// and (ACE_SCRIPTED_INCOMPLETE) without ACEList.
#include "archive/modules/AceModule.h"

namespace {

using TDriver = int (*)(const TAceInitRecord* Init, const char* ArchiveName,
                        const TAceFilesRecord* Files, int Operation);

TAceInitRecord g_init{};
TDriver g_driver = nullptr;
int g_initResult = 0;

int Run(const char* archive, const TAceFilesRecord* files, int operation) {
    return g_driver == nullptr ? 0 : g_driver(&g_init, archive, files, operation);
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) void AceScriptSetDriver(TDriver driver, int initResult) {
    g_driver = driver;
    g_initResult = initResult;
}

__attribute__((visibility("default"))) int ACEInitDll(const TAceInitRecord* Init) {
    if (Init != nullptr) g_init = *Init;
    return g_initResult;
}

__attribute__((visibility("default"))) int ACEReadArchiveData(const char*, TAceArchiveData*) {
    return 0;
}

#ifndef ACE_SCRIPTED_INCOMPLETE
__attribute__((visibility("default"))) int ACEList(const char* ArchiveName,
                                                   const TAceFilesRecord* Files) {
    return Run(ArchiveName, Files, kAceOperationList);
}
#endif

__attribute__((visibility("default"))) int ACETest(const char* ArchiveName,
                                                   const TAceFilesRecord* Files) {
    return Run(ArchiveName, Files, kAceOperationTest);
}

__attribute__((visibility("default"))) int ACEExtract(const char* ArchiveName,
                                                      const TAceFilesRecord* Files) {
    return Run(ArchiveName, Files, kAceOperationExtract);
}

} // extern "C"
