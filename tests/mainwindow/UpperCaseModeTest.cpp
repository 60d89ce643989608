// The upper-casing choice of the settings page reaches the folding routines:
// with its first item (the table) only the characters of Windows-1252 meet
// their capitals, with its second every character of Unicode does; the
// search, the approximate matcher and the sort keys follow it at once.
#include "catalogue/format/PathText.h"
#include "catalogue/format/StringManager.h"
#include "mainwindow/TFPrincipal.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using namespace windowtest;

class UpperCaseModeTest : public WindowTestRoot {
protected:
    void SetUp() override {
        EnterNewRoot("upper");
        WriteLines(root_ / "Names.tct",
                   {HeaderLine("Names"), FolderLine("E:\\"), FileLine("МОСКВА.txt", 1),
                    FileLine("ÉTÉ.txt", 2), FileLine("ΩMEGA.txt", 3)});
        OpenWindows();
        ASSERT_NO_FATAL_FAILURE(Activate());
        FPrincipal->show();
        FPrincipal->PCMain->setCurrentWidget(FPrincipal->TSBuscar);
        FPrincipal->CBAvanzada->SetChecked(true);
        FPrincipal->GBCuales->SetItemIndex(1); // files and folders
    }
    void TearDown() override {
        WindowTestRoot::TearDown();
        SetTableUpperCase(true);
    }

    std::vector<std::string> Hits(const std::string& text) {
        FPrincipal->EBuscar->setText(QString::fromStdString(text));
        FPrincipal->BBuscarClick();
        return GridColumn(*FPrincipal->SGResultados, 5);
    }
};

TEST_F(UpperCaseModeTest, TheChoiceDecidesWhichCapitalsASearchMeets) {
    TFPrincipal& w = *FPrincipal;
    ASSERT_EQ(w.RGModoTurbo->ItemIndex(), 0);
    // The table: é meets É, but Cyrillic and Greek letters meet only themselves.
    EXPECT_EQ(Hits("été"), (std::vector<std::string>{"ÉTÉ.txt"}));
    EXPECT_EQ(Hits("москва"), (std::vector<std::string>{""}));
    EXPECT_EQ(Hits("ωmega"), (std::vector<std::string>{""}));
    EXPECT_EQ(Hits("МОСКВА"), (std::vector<std::string>{"МОСКВА.txt"}));

    // Unicode: every letter meets its capital.
    w.RGModoTurbo->SetItemIndex(1);
    EXPECT_FALSE(w.TurboMode);
    EXPECT_EQ(Hits("été"), (std::vector<std::string>{"ÉTÉ.txt"}));
    EXPECT_EQ(Hits("москва"), (std::vector<std::string>{"МОСКВА.txt"}));
    EXPECT_EQ(Hits("ωmega"), (std::vector<std::string>{"ΩMEGA.txt"}));

    // The approximate search compares upper-cased texts the same way.
    w.RBDifusa->setChecked(true);
    EXPECT_EQ(Hits("москвы"), (std::vector<std::string>{"МОСКВА.txt"}));
    w.RGModoTurbo->SetItemIndex(0);
    EXPECT_EQ(Hits("москвы"), (std::vector<std::string>{""}));
}

TEST_F(UpperCaseModeTest, TheSortKeysFollowTheChoice) {
    TFPrincipal& w = *FPrincipal;
    std::string key = "ωmega";
    PasaMayusculasSinTildes(key);
    EXPECT_EQ(key, "ωMEGA");
    w.RGModoTurbo->SetItemIndex(1);
    key = "ωmega";
    PasaMayusculasSinTildes(key);
    EXPECT_EQ(key, "ΩMEGA");
    // The reset of the settings brings the table back.
    w.ResetConfiguracion();
    EXPECT_TRUE(w.TurboMode);
    EXPECT_TRUE(TableUpperCase());
}

} // namespace
} // namespace sorvane
