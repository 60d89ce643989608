// TStatusBar: a status bar of text panels addressed by index, Panels(i).
#pragma once

#include <QStatusBar>
#include <memory>
#include <string_view>
#include <vector>

class QLabel;

namespace sorvane {

// One panel: a label of plain text (no rich text, no mnemonics).
class TStatusPanel {
public:
    explicit TStatusPanel(QLabel* label) : label_(label) {}

    QString Text() const;
    void SetText(const QString& text);
    // Engine bytes: UTF-8, or Windows-1252 when not valid UTF-8.
    void SetText(std::string_view bytes);
    void SetText(const char* bytes) { SetText(std::string_view(bytes)); }

    // 0 lets the panel take the width it needs.
    int Width() const;
    void SetWidth(int width);

    QLabel* Label() const { return label_; }

private:
    QLabel* label_;
};

// Panels sit left to right; the last one takes the space left over.
class TStatusBar : public QStatusBar {
    Q_OBJECT

public:
    explicit TStatusBar(QWidget* parent = nullptr);
    ~TStatusBar() override;

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    // Adds or drops panels at the end; new panels are empty.
    void SetPanelCount(int count);
    TStatusPanel& AddPanel(int width = 0);
    // Throws std::out_of_range for an index outside 0..PanelCount()-1.
    TStatusPanel& Panels(int index);
    const TStatusPanel& Panels(int index) const;

private:
    void UpdateStretch();

    std::vector<std::unique_ptr<TStatusPanel>> panels_;
};

} // namespace sorvane
