// The search page's criteria as each language needs them: at the common
// window widths, with the advanced and the media groups shown, no group or
// caption is cut, no two groups overlap, and nothing scrolls that fits.
#include "mainwindow/TFPrincipal.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace windowtest;

struct PageCase {
    int language; // RGIdioma item: 0 English, 1 Spanish
    int width, height;
};

std::string Name(const PageCase& c) {
    return std::string(c.language == 0 ? "English" : "Spanish") + std::to_string(c.width) + "x" +
           std::to_string(c.height);
}

class SearchLayoutTest : public WindowTestRoot, public ::testing::WithParamInterface<PageCase> {
protected:
    void SetUp() override {
        EnterNewRoot("layout");
        OpenWindows();
        ASSERT_NO_FATAL_FAILURE(Activate());
        TFPrincipal& w = *FPrincipal;
        w.RGIdioma->SetItemIndex(GetParam().language);
        w.CargaIdioma();
        w.resize(GetParam().width, GetParam().height);
        w.show();
        w.PCMain->setCurrentWidget(w.TSBuscar);
        w.CBAvanzada->SetChecked(true);
        w.CBMultimedia->SetChecked(true);
        Settle();
    }

    static void Settle() {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
            FPrincipal->TSBuscar->layout()->activate();
            FPrincipal->PBuscarDatos->layout()->activate();
        }
    }

    // The rectangle of `widget` in the criteria panel.
    static QRect Box(const QWidget* widget) {
        return QRect(widget->mapTo(FPrincipal->PBuscarDatos, QPoint(0, 0)), widget->size());
    }

    static std::vector<QGroupBox*> ShownGroups() {
        std::vector<QGroupBox*> groups;
        for (QGroupBox* group : FPrincipal->PBuscarDatos->findChildren<QGroupBox*>())
            if (group->isVisible()) groups.push_back(group);
        return groups;
    }
};

TEST_P(SearchLayoutTest, NoGroupOrCaptionIsCut) {
    const std::vector<QGroupBox*> groups = ShownGroups();
    ASSERT_GE(groups.size(), 14u);
    for (QGroupBox* group : groups) {
        const std::string name = group->objectName().toStdString();
        const QSize needed = group->minimumSizeHint();
        EXPECT_GE(group->width(), needed.width())
            << name << " \"" << group->title().toStdString() << "\"";
        EXPECT_GE(group->height(), needed.height()) << name;
        EXPECT_GE(group->width(), group->fontMetrics().horizontalAdvance(group->title())) << name;
    }
    for (QAbstractButton* button : FPrincipal->PBuscarDatos->findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || qobject_cast<QGroupBox*>(button->parentWidget()) == nullptr)
            continue;
        EXPECT_GE(button->width(), button->sizeHint().width())
            << button->objectName().toStdString() << " \"" << button->text().toStdString() << "\"";
    }
}

TEST_P(SearchLayoutTest, GroupsStandApart) {
    const std::vector<QGroupBox*> groups = ShownGroups();
    for (std::size_t i = 0; i < groups.size(); ++i) {
        // A group inside another (the radio groups' own boxes) is part of it.
        for (std::size_t j = i + 1; j < groups.size(); ++j) {
            if (groups[i]->isAncestorOf(groups[j]) || groups[j]->isAncestorOf(groups[i])) continue;
            EXPECT_FALSE(Box(groups[i]).intersects(Box(groups[j])))
                << groups[i]->objectName().toStdString() << " and "
                << groups[j]->objectName().toStdString();
        }
    }
}

TEST_P(SearchLayoutTest, NothingScrollsThatFits) {
    TFPrincipal& w = *FPrincipal;
    QScrollArea& area = *w.SBXBuscarDatos;
    // At these widths the criteria fit side by side in some arrangement, in
    // either language: the page never scrolls sideways.
    EXPECT_EQ(area.horizontalScrollBar()->maximum(), 0)
        << "criteria " << w.PBuscarDatos->minimumSizeHint().width() << " wide in "
        << area.viewport()->width();
    if (GetParam().width >= 1280) {
        // Nor down: the page is tall enough for the lowest arrangement.
        EXPECT_EQ(area.verticalScrollBar()->maximum(), 0)
            << "criteria " << w.PBuscarDatos->sizeHint().height() << " tall in "
            << area.viewport()->height();
    } else if (area.verticalScrollBar()->maximum() > 0) {
        // What does not fit scrolls in all the room the result grid leaves.
        EXPECT_LE(w.SGResultados->height(), 140);
    }
    // The result grid keeps its room below.
    EXPECT_GE(w.SGResultados->height(), 85);
}

TEST_P(SearchLayoutTest, TheSimplePanelStandsBetweenTheAdvancedAndTheMediaGroups) {
    TFPrincipal& w = *FPrincipal;
    const QRect panel = Box(w.PBuscarSencillo);
    EXPECT_GT(panel.left(), Box(w.PBuscarAvanzada).right());
    EXPECT_LT(panel.right(), Box(w.PBuscarMultimedia).left());
}

INSTANTIATE_TEST_SUITE_P(Widths, SearchLayoutTest,
                         ::testing::Values(PageCase{0, 1024, 768}, PageCase{1, 1024, 768},
                                           PageCase{0, 1280, 800}, PageCase{1, 1280, 800},
                                           PageCase{0, 1280, 1024}, PageCase{1, 1280, 1024},
                                           PageCase{0, 1600, 900}, PageCase{1, 1600, 900}),
                         [](const auto& info) { return Name(info.param); });

} // namespace
} // namespace sorvane
