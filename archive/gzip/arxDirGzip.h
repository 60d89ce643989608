// The directory walks of single-member compressed files: gzip (also a
// gzipped tar, reported as its gzip member) and Unix compress (.Z), one entry
// per file; and the "atMsGZ" archives, whose file records follow a chain of
// folder blocks at the offset their header names.
#pragma once

#include "archive/arxArxon.h"

#include <cstdint>

namespace sorvane {

// The modification time of the archive file being listed, for formats that
// store no date of their own member.
DateTime ArchiveFileDate(TArxon& arx);

class TGzipWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;
};

class TMsGzWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;
};

} // namespace sorvane
