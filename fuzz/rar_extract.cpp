// A whole RAR extraction of the input (fuzz/ExtractRig.h), with the RAR
// module linked in: nothing may be written outside its destination.
#include "archive/rar/arxUnRar.h"
#include "fuzz/ExtractRig.h"

extern "C" {
void* RAROpenArchiveEx(RAROpenArchiveDataEx* Data);
int RARCloseArchive(void* Handle);
int RARReadHeaderEx(void* Handle, RARHeaderDataEx* Header);
int RARProcessFile(void* Handle, int Operation, const char* DestPath, const char* DestName);
void RARSetCallback(void* Handle, UNRARCALLBACK Callback, std::intptr_t UserData);
}

namespace {

const sorvane::TRarEngine kLinked{RAROpenArchiveEx, RARCloseArchive, RARReadHeaderEx,
                                  RARProcessFile,   RARSetCallback,  true};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    return fuzz::FuzzExtract<TUnRar>("rar", data, size, [](TUnRar& reader) {
        reader.Engine = &kLinked;
        reader.Password = "secret";
    });
}
