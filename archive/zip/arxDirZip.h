// The directory walk of the ZIP family (plain, self-extracting, JAR, spanned
// disk sets and split sets): the central directory when the archive has one,
// else the local headers.
#pragma once

#include "archive/arxArxon.h"
#include "archive/zip/arxZipHeader.h"

#include <cstdint>

namespace sorvane {

class TZipWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;

private:
    void CentralStep(TArxon& arx);
    void LocalStep(TArxon& arx);
    // Whether the header in hand has the signature of `kind`; ends the walk when not.
    bool CheckSignature(TArxon& arx, int kind);

    bool central_ = false;
    bool anyEntry_ = false;
    // The header in hand, kept from one step to the next so that its name
    // and extra field reuse their storage.
    TZipCentralRecord centralRecord_;
    TZipLocalRecord localRecord_;
};

} // namespace sorvane
