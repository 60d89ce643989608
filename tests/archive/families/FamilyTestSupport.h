// What the family tables share: the reader the program takes for an
// archive's detected kind, aimed at a destination, recording its reports.
#pragma once

#include "archive/arxUnBase.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sorvane::test {

// The reader of the kind `archive` is detected as, every member taken,
// stored folders made, further volumes taken when they exist; null for a
// kind no reader extracts.
struct FamilyRun {
    std::unique_ptr<TUnBase> reader;
    std::vector<std::pair<std::string, int>> errors; // file name, code
    FamilyRun(const std::string& archive, const std::string& destination);
    int Count(int code) const;
    std::string Text() const;
};

// Loads the RAR and cabinet modules once for the suite.
class FamilyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
};

// Sets TZ for its lifetime and restores the one before.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone);
    ~ZoneScope();

private:
    bool had_ = false;
    std::string saved_;
};

} // namespace sorvane::test
