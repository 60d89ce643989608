// The drive combo box over the platform's drive map; each item keeps its letter
// as its data.
#include "ui/DriveComboBox.h"

#include "ui/DisplayText.h"
#include "ui/SlotBarrier.h"

#include <QSignalBlocker>
#include <utility>

namespace sorvane {

namespace {

char UpperLetter(char letter) {
    return letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
}

QString ItemText(const DriveMap& drives, const Drive& drive) {
    QString text = QString(QLatin1Char(drive.letter)) + QLatin1Char(':');
    const std::optional<VolumeInfo> volume = drives.Volume(drive.letter);
    if (volume && !volume->label.empty())
        text += QStringLiteral(" [") + DisplayText(volume->label) + QLatin1Char(']');
    return text;
}

} // namespace

TDriveComboBox::TDriveComboBox(QWidget* parent) : TDriveComboBox(std::nullopt, parent) {}

TDriveComboBox::TDriveComboBox(DriveRoots roots, QWidget* parent)
    : TDriveComboBox(std::optional<DriveRoots>(std::move(roots)), parent) {}

TDriveComboBox::TDriveComboBox(std::optional<DriveRoots> roots, QWidget* parent)
    : QComboBox(parent), roots_(std::move(roots)) {
    setEditable(false);
    Fill(DriveMap::Read(roots_ ? *roots_ : LiveDriveRoots()));
    drive_ = count() > 0 ? static_cast<char>(itemData(currentIndex()).toInt()) : ' ';
    connect(this, &QComboBox::currentIndexChanged, this, [this] { Follow(); });
}

int TDriveComboBox::IndexOf(char letter) const {
    return findData(static_cast<int>(static_cast<unsigned char>(UpperLetter(letter))));
}

bool TDriveComboBox::SetDrive(char letter) {
    const int index = IndexOf(letter);
    if (index < 0) return false;
    setCurrentIndex(index); // Follow runs OnChange when the drive changes
    return true;
}

void TDriveComboBox::Refresh() {
    const DriveMap drives = DriveMap::Read(roots_ ? *roots_ : LiveDriveRoots());
    {
        // The items go and come back: no handler runs for the steps between.
        const QSignalBlocker quiet(this);
        Fill(drives);
        const int kept = IndexOf(drive_);
        setCurrentIndex(kept >= 0 ? kept : (count() > 0 ? 0 : -1));
    }
    Follow();
}

void TDriveComboBox::Fill(const DriveMap& drives) {
    clear();
    for (const sorvane::Drive& drive : drives.Drives())
        addItem(ItemText(drives, drive),
                static_cast<int>(static_cast<unsigned char>(drive.letter)));
}

void TDriveComboBox::Follow() {
    const int index = currentIndex();
    const char now = index >= 0 ? static_cast<char>(itemData(index).toInt()) : ' ';
    if (now == drive_) return;
    drive_ = now;
    Fire(OnChange);
}

void RefrescaUnidades(TDriveComboBox& box) {
    box.Refresh();
}

} // namespace sorvane
