// Tests of the radio group, the check box and the status bar: handlers run on
// a real click and when the state is set from code, and what the controls
// show is read back from their widgets.
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/SlotBarrier.h"
#include "ui/StatusBar.h"

#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace sorvane {
namespace {

// Which buttons of a group are checked, as a list of indexes.
std::vector<int> CheckedButtons(const TRadioGroup& group) {
    std::vector<int> checked;
    for (int i = 0; i < group.Count(); ++i)
        if (group.Button(i)->isChecked()) checked.push_back(i);
    return checked;
}

class RadioGroupTest : public testing::Test {
protected:
    void SetUp() override {
        group.SetItems({"Name", "Size", "Date"});
        group.OnClick = [this] { clicks.push_back(group.ItemIndex()); };
        group.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&group));
    }
    void TearDown() override { SetExceptionReporter(nullptr); }

    TRadioGroup group{"Order"};
    std::vector<int> clicks; // ItemIndex as each OnClick saw it
};

TEST_F(RadioGroupTest, ShowsItsCaptionAndItems) {
    EXPECT_EQ(group.title(), "Order");
    ASSERT_EQ(group.Count(), 3);
    EXPECT_EQ(group.Button(0)->text(), "Name");
    EXPECT_EQ(group.Button(2)->text(), "Date");
    EXPECT_EQ(group.Button(3), nullptr);
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_TRUE(CheckedButtons(group).empty());
}

TEST_F(RadioGroupTest, OnClickRunsWhenTheUserPicksAnotherItem) {
    QTest::mouseClick(group.Button(1), Qt::LeftButton);
    EXPECT_EQ(group.ItemIndex(), 1);
    QTest::mouseClick(group.Button(1), Qt::LeftButton); // already chosen
    group.Button(2)->click();
    EXPECT_EQ(clicks, (std::vector<int>{1, 2}));
    EXPECT_EQ(CheckedButtons(group), std::vector<int>{2});
}

TEST_F(RadioGroupTest, OnClickRunsWhenCodeChangesItemIndex) {
    struct Step {
        int set;
        int index;    // ItemIndex after
        bool clicked; // whether OnClick ran
    };
    const std::vector<Step> steps = {
        {2, 2, true},   {2, 2, false},   {0, 0, true},
        {-1, -1, true}, {-1, -1, false}, {7, 2, true}, // past the last item: the last item
        {-5, -1, true},                                // below -1: none
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "set " << step.set);
        clicks.clear();
        group.SetItemIndex(step.set);
        EXPECT_EQ(group.ItemIndex(), step.index);
        EXPECT_EQ(clicks, step.clicked ? std::vector<int>{step.index} : std::vector<int>{});
        EXPECT_EQ(CheckedButtons(group),
                  step.index < 0 ? std::vector<int>{} : std::vector<int>{step.index});
    }
}

TEST_F(RadioGroupTest, NewItemsKeepTheIndexWhileItNamesAnItem) {
    group.SetItemIndex(1);
    clicks.clear();
    group.SetItems({"A", "B", "C", "D"});
    EXPECT_EQ(group.ItemIndex(), 1);
    EXPECT_EQ(CheckedButtons(group), std::vector<int>{1});
    group.SetItems({"only"});
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_TRUE(CheckedButtons(group).empty());
    EXPECT_TRUE(clicks.empty());
    group.Button(0)->click(); // the new buttons work
    EXPECT_EQ(clicks, std::vector<int>{0});
}

TEST_F(RadioGroupTest, AFailingHandlerIsReportedAndTheChoiceStands) {
    std::vector<std::string> reports;
    SetExceptionReporter([&](const std::string& message) { reports.push_back(message); });
    group.OnClick = [] { throw std::runtime_error("handler failed"); };
    QTest::mouseClick(group.Button(2), Qt::LeftButton);
    EXPECT_EQ(group.ItemIndex(), 2);
    group.SetItemIndex(0);
    EXPECT_EQ(group.ItemIndex(), 0);
    EXPECT_EQ(reports, (std::vector<std::string>{"handler failed", "handler failed"}));
}

TEST(CheckBox, OnClickRunsOnEveryChangeByUserOrCode) {
    TCheckBox box("Include hidden files");
    std::vector<bool> clicks; // Checked as each OnClick saw it
    box.OnClick = [&] { clicks.push_back(box.Checked()); };
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_FALSE(box.Checked());

    QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
    EXPECT_TRUE(box.Checked());
    box.SetChecked(false);
    box.SetChecked(false); // no change, no call
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_Space);
    box.SetChecked(false);
    EXPECT_EQ(clicks, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(box.text(), "Include hidden files");
}

TEST(StatusBar, PanelsByIndex) {
    TStatusBar bar;
    bar.SetPanelCount(3);
    bar.Panels(0).SetText(QStringLiteral("12 files"));
    bar.Panels(1).SetText(std::string_view("caf\xE9")); // Windows-1252 bytes
    bar.Panels(2).SetText("<b>not bold</b>");
    bar.Panels(0).SetWidth(120);
    EXPECT_EQ(bar.Panels(0).Text(), "12 files");
    EXPECT_EQ(bar.Panels(1).Label()->text(), QString::fromUtf8("café"));
    EXPECT_EQ(bar.Panels(2).Label()->textFormat(), Qt::PlainText);
    EXPECT_EQ(bar.Panels(0).Width(), 120);
    EXPECT_EQ(bar.Panels(0).Label()->width(), 120);
    EXPECT_EQ(bar.Panels(1).Width(), 0);
    EXPECT_THROW(bar.Panels(3), std::out_of_range);
    EXPECT_THROW(bar.Panels(-1), std::out_of_range);

    bar.SetPanelCount(1);
    EXPECT_EQ(bar.PanelCount(), 1);
    EXPECT_EQ(bar.Panels(0).Text(), "12 files");
    EXPECT_EQ(bar.findChildren<QLabel*>().size(), 1);
}

} // namespace
} // namespace sorvane
