// A whole gzip extraction of the input (fuzz/ExtractRig.h): nothing may be
// written outside its destination.
#include "archive/gzip/arxUnGZip.h"
#include "fuzz/ExtractRig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    return fuzz::FuzzExtract<TUnGZip>("gz", data, size, [](auto& reader) {
        reader.OnNestedTarFile = [](TZipCommon&, const std::string&, bool& doUnTar) {
            doUnTar = true;
        };
    });
}
