// TRadioGroup: a captioned group of radio items chosen by index, whose OnClick
// runs when the choice changes, whether the user or the code changed it.
#pragma once

#include <QGroupBox>
#include <QStringList>
#include <functional>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace sorvane {

class TRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    explicit TRadioGroup(const QString& caption = QString(), QWidget* parent = nullptr);

    // Replacing the items keeps ItemIndex when it still names an item, else
    // none is chosen; it does not run OnClick.
    QStringList Items() const { return items_; }
    void SetItems(const QStringList& items);
    int Count() const { return static_cast<int>(items_.size()); }
    // Rewrites the text of one item in place (the language layer's item
    // texts); an index outside the items does nothing.
    void SetItem(int index, const QString& text);

    // The chosen item, -1 for none. Setting it checks that item (-1 unchecks
    // them all); a value below -1 is taken as -1 and one past the last item as
    // the last item. OnClick runs when the value changes, as it does when the
    // user picks another item; setting the value it already has, or clicking
    // the item already chosen, does not run it.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);

    // Items are laid out top to bottom in this many columns (1 at first).
    int Columns() const { return columns_; }
    void SetColumns(int columns);

    // The radio button of item `index` (nullptr outside the items).
    QRadioButton* Button(int index) const;

    std::function<void()> OnClick;

private:
    void Rebuild();
    void Choose(int index);

    QStringList items_;
    std::vector<QRadioButton*> buttons_;
    QButtonGroup* group_;
    QGridLayout* layout_;
    int itemIndex_ = -1;
    int columns_ = 1;
};

} // namespace sorvane
