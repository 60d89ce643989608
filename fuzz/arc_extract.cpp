// A whole ARC extraction of the input (fuzz/ExtractRig.h): nothing may be
// written outside its destination.
#include "archive/arc/arxUnArc.h"
#include "fuzz/ExtractRig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    return fuzz::FuzzExtract<TUnArc>("arc", data, size, [](auto&) {});
}
