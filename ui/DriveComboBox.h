// TDriveComboBox: a combo box of the drive letters, one item per lettered drive
// ("F: [USB STICK]", or "C:" for a volume without a label), and the refresh
// that re-reads the list after drives come and go.
#pragma once

#include "platform/Drives.h"

#include <QComboBox>
#include <functional>
#include <optional>

namespace sorvane {

class TDriveComboBox : public QComboBox {
    Q_OBJECT

public:
    // Over the live machine: mountinfo and SORVANE_DRIVES are read again at
    // every refresh. The list is read once here, and the first drive selected.
    explicit TDriveComboBox(QWidget* parent = nullptr);
    // Over fixed roots (fixtures in tests).
    explicit TDriveComboBox(DriveRoots roots, QWidget* parent = nullptr);

    // The selected drive letter, upper case; " " while the box lists no drive.
    char Drive() const { return drive_; }
    // Selects the drive of a letter (either case). False, and nothing changes,
    // when the box does not list that letter.
    bool SetDrive(char letter);

    // The item of a letter (either case); -1 when the box does not list it.
    int IndexOf(char letter) const;

    // Re-reads the drive list and selects the letter selected before when it
    // is still there, else the first drive.
    void Refresh();

    // Runs when the selected drive changes: picked by the user, set from code
    // or lost in a refresh. A refresh that keeps the drive does not run it.
    std::function<void()> OnChange;

private:
    TDriveComboBox(std::optional<DriveRoots> roots, QWidget* parent);
    void Fill(const DriveMap& drives);
    void Follow();

    std::optional<DriveRoots> roots_; // none: the live machine
    char drive_ = ' ';
};

// Re-reads the drive list of a drive combo box and selects the drive it had
// before (the first drive when that one is gone).
void RefrescaUnidades(TDriveComboBox& box);

} // namespace sorvane
