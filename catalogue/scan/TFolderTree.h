// A tree of this machine's folders, filled as its branches are opened, for the
// folder cataloguing window and the folder picker.
#pragma once

#include <QTreeWidget>
#include <functional>
#include <string>

namespace sorvane {

class TFolderTree : public QTreeWidget {
    Q_OBJECT

public:
    explicit TFolderTree(QWidget* parent = nullptr);

    // Shows the folders below `root` (a host path).
    void SetRoot(const std::string& root);
    // Opens the branches down to `path` and selects it; false when it is not below the root.
    bool SelectPath(const std::string& path);
    // The host path of the selected folder; empty when none is selected.
    std::string CurrentPath() const;

    // Runs when the selected folder changes.
    std::function<void()> OnChange;

private:
    void Fill(QTreeWidgetItem* item);
    static std::string PathOf(const QTreeWidgetItem* item);

    std::string root_;
};

} // namespace sorvane
