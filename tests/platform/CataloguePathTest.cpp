// Host paths and catalogue paths through a drive letter pinned to a folder.
#include "platform/CataloguePath.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

class CataloguePathTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("SORVANE_DRIVES", "X=/srv/media/usb", 1); }
    void TearDown() override { ::unsetenv("SORVANE_DRIVES"); }
};

TEST_F(CataloguePathTest, HostToCatalogueAndBack) {
    struct Case {
        const char* host;
        const char* catalogue;
    };
    for (const Case& c : {Case{"/srv/media/usb", "X:\\"}, Case{"/srv/media/usb/", "X:\\"},
                          Case{"/srv/media/usb/Music/Live", "X:\\Music\\Live"},
                          Case{"/srv/media/usb/a\\b/c", "X:\\a/b\\c"}}) {
        EXPECT_EQ(ToCataloguePath(c.host), c.catalogue) << c.host;
    }
    EXPECT_EQ(ToHostPath("X:\\Music\\Live\\"), "/srv/media/usb/Music/Live/");
    EXPECT_EQ(ToHostPath("X:\\a/b\\c"), "/srv/media/usb/a\\b/c");
    EXPECT_EQ(ToHostPath("X:\\"), "/srv/media/usb/");
    EXPECT_EQ(ToHostPath("no drive"), "");
}

TEST_F(CataloguePathTest, NamesKeepTheirBackslashInsideOneElement) {
    EXPECT_EQ(NameToCatalogue("a\\b"), "a/b");
    EXPECT_EQ(NameToHost("a/b"), "a\\b");
}

} // namespace
} // namespace sorvane
