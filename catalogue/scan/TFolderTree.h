// A tree of this machine's folders, for the folder cataloguing window and the
// folder picker. A folder's sub-folders are read again every time its branch is
// opened, and F5 (or Refresh) reads again every folder read so far, so folders
// made or removed while the tree is shown appear and go.
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
    // Reads again the sub-folders of every folder read so far; open branches
    // and the selection stay where their folders still are.
    void Refresh();

    // Runs when the selected folder changes.
    std::function<void()> OnChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Fill(QTreeWidgetItem* item);
    void RefreshBelow(QTreeWidgetItem* item);
    static std::string PathOf(const QTreeWidgetItem* item);

    std::string root_;
};

} // namespace sorvane
