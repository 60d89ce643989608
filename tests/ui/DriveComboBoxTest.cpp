// Tests of the drive combo box over the drive fixtures of tests/data/drives:
// the items it lists, selecting a drive by letter and by the keyboard, and
// RefrescaUnidades after drives are mounted, unmounted or all gone.
#include "ui/DriveComboBox.h"

#include "platform/Files.h"
#include "tests/catalogue/scan/DriveFixture.h"

#include <QTest>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace sorvane {
namespace {

using testing::DriveFixture;

const std::vector<std::string> kDesktopItems = {
    "C:",
    "D:",
    "E: [BACKUP (2019)]",
    "F: [USB STICK]",
    "G: [Ubuntu-Server 22.04.3 LTS amd64]",
    "H:",
    "I: [Windows]",
    "J:",
    "K:",
    "L:",
};

std::vector<std::string> Items(const TDriveComboBox& box) {
    std::vector<std::string> items;
    for (int i = 0; i < box.count(); ++i)
        items.push_back(box.itemText(i).toStdString());
    return items;
}

// A mountinfo text without the lines that mount on `mountPoint` (field 5).
std::string Unmounted(const std::string& mountInfo, const std::string& mountPoint) {
    std::istringstream lines(mountInfo);
    std::string line;
    std::string kept;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i < 5; ++i)
            fields >> field;
        if (field != mountPoint) kept += line + "\n";
    }
    return kept;
}

class DriveComboBoxTest : public ::testing::Test {
protected:
    // A box over the desktop fixture, shown, counting its OnChange calls.
    void Show(TDriveComboBox& box) {
        box.OnChange = [this, &box] { changes.push_back(box.Drive()); };
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    }

    DriveFixture desktop{"desktop"};
    std::vector<char> changes; // Drive() as each OnChange saw it
};

TEST_F(DriveComboBoxTest, ListsOneItemPerLetterWithItsLabel) {
    TDriveComboBox box(desktop.Roots());
    EXPECT_EQ(Items(box), kDesktopItems);
    EXPECT_EQ(box.Drive(), 'C');
    EXPECT_EQ(box.currentText().toStdString(), "C:");

    // A pinned folder shows the label of the volume that holds it.
    TDriveComboBox pinned(desktop.Roots("X=/media/ana/USB STICK/photos"));
    EXPECT_EQ(Items(pinned).back(), "X: [USB STICK]");
    EXPECT_EQ(pinned.IndexOf('x'), 10);
    EXPECT_EQ(pinned.IndexOf('M'), -1);
}

TEST_F(DriveComboBoxTest, SetDriveSelectsAListedLetterOfEitherCase) {
    TDriveComboBox box(desktop.Roots());
    Show(box);
    EXPECT_TRUE(box.SetDrive('f'));
    EXPECT_EQ(box.Drive(), 'F');
    EXPECT_EQ(box.currentText().toStdString(), "F: [USB STICK]");
    EXPECT_TRUE(box.SetDrive('F')); // already selected: no change to report
    EXPECT_FALSE(box.SetDrive('Z'));
    EXPECT_FALSE(box.SetDrive('?'));
    EXPECT_EQ(box.Drive(), 'F');
    EXPECT_EQ(changes, (std::vector<char>{'F'}));

    // The user moving through the list runs OnChange as well.
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(box.Drive(), 'G');
    EXPECT_EQ(changes, (std::vector<char>{'F', 'G'}));
}

TEST_F(DriveComboBoxTest, RefrescaUnidadesKeepsTheDriveOrFallsBackToTheFirst) {
    struct RefreshCase {
        const char* name;
        char selected;
        std::function<std::string(const std::string&)> change; // of the mountinfo
        char after;
        std::vector<char> changes;
        std::size_t items;
    };
    const std::vector<RefreshCase> cases = {
        {"nothing changed", 'G', [](const std::string& m) { return m; }, 'G', {}, 10},
        {"a drive mounted after it",
         'G',
         [](const std::string& m) {
             return m + "70 28 8:49 / /srv/extra rw,relatime shared:50 - ext4 /dev/sdd1 rw\n";
         },
         'G',
         {},
         11},
        {"another drive unmounted",
         'C',
         [](const std::string& m) { return Unmounted(m, "/mnt/nas"); },
         'C',
         {},
         9},
        {"its drive unmounted",
         'L',
         [](const std::string& m) { return Unmounted(m, "/tmp"); },
         'C',
         {'C'},
         9},
    };
    for (const RefreshCase& c : cases) {
        SCOPED_TRACE(c.name);
        changes.clear();
        DriveFixture fixture("desktop");
        TDriveComboBox box(fixture.Roots());
        ASSERT_TRUE(box.SetDrive(c.selected));
        Show(box);
        fixture.WriteMountInfo(c.change(fixture.MountInfo()));
        RefrescaUnidades(box);
        EXPECT_EQ(box.Drive(), c.after);
        EXPECT_EQ(box.currentIndex(), box.IndexOf(c.after));
        EXPECT_EQ(changes, c.changes);
        EXPECT_EQ(static_cast<std::size_t>(box.count()), c.items);
    }
}

TEST_F(DriveComboBoxTest, RefrescaUnidadesShowsTheNewListAndSurvivesNoDrives) {
    TDriveComboBox box(desktop.Roots());
    Show(box);
    ASSERT_TRUE(box.SetDrive('H'));
    changes.clear();

    // Mounted before it: every later letter moves up one, the letter H stays.
    const std::string original = desktop.MountInfo();
    desktop.WriteMountInfo(
        original + "70 28 8:49 / /media/ana/AAA rw,relatime shared:50 - vfat /dev/sdd1 rw\n");
    RefrescaUnidades(box);
    EXPECT_EQ(Items(box),
              (std::vector<std::string>{"C:", "D:", "E:", "F: [BACKUP (2019)]", "G: [USB STICK]",
                                        "H: [Ubuntu-Server 22.04.3 LTS amd64]",
                                        "I:", "J: [Windows]", "K:", "L:", "M:"}));
    EXPECT_EQ(box.Drive(), 'H');
    EXPECT_TRUE(changes.empty());

    // An unreadable mountinfo and no pins: no drives at all, then back again.
    const DriveRoots roots = desktop.Roots();
    ASSERT_EQ(std::remove(roots.mountInfo.c_str()), 0);
    RefrescaUnidades(box);
    EXPECT_EQ(box.count(), 0);
    EXPECT_EQ(box.Drive(), ' ');
    EXPECT_FALSE(box.SetDrive('C'));
    desktop.WriteMountInfo(original);
    RefrescaUnidades(box);
    EXPECT_EQ(Items(box), kDesktopItems);
    EXPECT_EQ(box.Drive(), 'C');
    EXPECT_EQ(changes, (std::vector<char>{' ', 'C'}));
}

} // namespace
} // namespace sorvane
