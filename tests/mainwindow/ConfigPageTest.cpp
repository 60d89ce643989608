// The configuration and about pages of the main window: the language switch
// with the titles and the help file, the language buttons, the upper-casing
// mode, the hit style, the extension key filter, the colour buttons, the grid
// lines, the reset with its question and defaults, and the about page.
#include "app/StandingWindows.h"
#include "dialogs/Language.h"
#include "dialogs/TFAnidados.h"
#include "dialogs/TFColector.h"
#include "dialogs/TFMensajes.h"
#include "mainwindow/TFErrores.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using namespace windowtest;

// Receives the addresses the about page opens.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    std::vector<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls.push_back(url); }
};

class ConfigPageTest : public ChosenProgramFolderTest {
protected:
    ConfigPageTest() : ChosenProgramFolderTest("config") {}

    // A program folder with both language files and the named extra files.
    fs::path Folder(const std::vector<std::string>& extra) {
        const fs::path folder = temp_ / "program";
        fs::create_directories(folder);
        for (const char* name : {"english.ini", "spanish.ini"})
            fs::copy_file(ProgramDir() / name, folder / name, fs::copy_options::overwrite_existing);
        for (const std::string& name : extra)
            std::ofstream(folder / name) << "help";
        return folder;
    }

    // Types each character of `keys` as one key press (QTest's key clicks
    // know ASCII only).
    static QString Typed(QLineEdit* edit, const QString& keys) {
        edit->clear();
        for (char32_t c : keys.toUcs4()) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                            QString::fromUcs4(&c, 1));
            QApplication::sendEvent(edit, &press);
        }
        return edit->text();
    }

    static QColor SampleColour(QLineEdit* sample) {
        return sample->palette().color(QPalette::Text);
    }
};

TEST_F(ConfigPageTest, LanguageSwitchSetsTheTitlesAndTheHelpFile) {
    struct Case {
        const char* name;
        std::vector<std::string> helpFiles;
        int item;
        const char* expected; // the help file, empty for none
    };
    const Case cases[] = {
        {"no help files, English", {}, 0, ""},
        {"English help, English", {"sorvaneeng.hlp"}, 0, "sorvaneeng.hlp"},
        {"English help only, Spanish: none rather than the English one", {"sorvaneeng.hlp"}, 1, ""},
        {"both, Spanish", {"sorvaneeng.hlp", "sorvanespa.hlp"}, 1, "sorvanespa.hlp"},
        {"both, back to English", {"sorvaneeng.hlp", "sorvanespa.hlp"}, 0, "sorvaneeng.hlp"},
        {"Spanish help only, English", {"sorvanespa.hlp"}, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const fs::path folder = Folder(c.helpFiles);
        Start(folder);
        FPrincipal->RGIdioma->SetItemIndex(1 - c.item);
        FPrincipal->RGIdioma->SetItemIndex(c.item);
        const std::string expected = *c.expected ? (folder / c.expected).string() : std::string();
        EXPECT_EQ(FPrincipal->HelpFile, expected);
        EXPECT_EQ(FPrincipal->windowTitle(), "Sorvane 2.22");
        EXPECT_EQ(FMensajes->windowTitle(), "Sorvane 2.22");
        EXPECT_EQ(FPrincipal->PCMain->tabText(1), c.item == 0 ? "Search" : "Buscar");
    }
}

TEST_F(ConfigPageTest, LanguageButtonsChooseTheirItem) {
    Start();
    const std::pair<QToolButton*, int> clicks[] = {{FPrincipal->SBEspanol, 1},
                                                   {FPrincipal->SBIngles, 0},
                                                   {FPrincipal->SpeedButton1, 1},
                                                   {FPrincipal->SBIngles, 0}};
    for (const auto& [button, item] : clicks) {
        button->click();
        EXPECT_EQ(FPrincipal->RGIdioma->ItemIndex(), item) << button->objectName().toStdString();
        EXPECT_EQ(FPrincipal->PCConfiguracion->tabText(0), item == 0 ? "Basic" : "Básicas");
    }
}

TEST_F(ConfigPageTest, UpperCasingModeFollowsTheItem) {
    Start();
    for (const auto& [item, turbo] :
         {std::pair{1, false}, std::pair{0, true}, std::pair{1, false}}) {
        FPrincipal->RGModoTurbo->SetItemIndex(item);
        EXPECT_EQ(FPrincipal->TurboMode, turbo) << item;
    }
}

TEST_F(ConfigPageTest, HitStyleSetsExactlyOneFlag) {
    Start();
    struct Case {
        int item;
        bool redBold, bold, red;
    };
    for (const Case& c :
         {Case{1, false, true, false}, Case{2, false, false, true}, Case{0, true, false, false},
          Case{-1, false, false, false}, Case{2, false, false, true}}) {
        FPrincipal->RGAciertos->SetItemIndex(c.item);
        EXPECT_EQ(FPrincipal->HitRedBold, c.redBold) << c.item;
        EXPECT_EQ(FPrincipal->HitBold, c.bold) << c.item;
        EXPECT_EQ(FPrincipal->HitRed, c.red) << c.item;
    }
}

TEST_F(ConfigPageTest, ExtensionBoxesTakeUpperCaseExtensionsOnly) {
    Start();
    struct Case {
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {"zip", "ZIP"},
        {".zip", "ZIP"},
        {"z i p", "ZIP"},
        {"*.mp3", "MP3"},
        {"a/b\\c:d<e>f?g[h]i|j\"k", "ABCDEFGHIJK"},
        {"Rar5", "RAR5"},
        {"ñandú", "ÑANDÚ"},
    };
    for (QLineEdit* edit : {FPrincipal->EExtension1, FPrincipal->EExtension2,
                            FPrincipal->EExtension3, FPrincipal->EExtension4})
        for (const Case& c : cases)
            EXPECT_EQ(Typed(edit, QString::fromUtf8(c.typed)).toStdString(), c.shown)
                << edit->objectName().toStdString() << " typed " << c.typed;

    // Editing keys still edit.
    Typed(FPrincipal->EExtension1, "zipx");
    QTest::keyClick(FPrincipal->EExtension1, Qt::Key_Backspace);
    EXPECT_EQ(FPrincipal->EExtension1->text(), "ZIP");
    // Other edits of the page are not filtered.
    EXPECT_EQ(Typed(FPrincipal->EPathWinAmp, "/usr/bin/a b"), "/usr/bin/a b");
}

TEST_F(ConfigPageTest, ExtensionKeyFilterCharacterByCharacter) {
    struct Case {
        char32_t typed;
        std::optional<char32_t> kept; // nothing: discarded
    };
    std::vector<Case> cases = {{U'a', U'A'}, {U'Z', U'Z'}, {U'7', U'7'}, {U'é', U'É'},
                               {U'-', U'-'}, {U'_', U'_'}, {11, 11},     {28, 28}};
    for (char32_t refused : {10, 13, 26, 27, 29, 30, 31, 255})
        cases.push_back({refused, std::nullopt});
    for (char32_t refused : std::u32string_view(U" *./:<>?[\\]|\""))
        cases.push_back({refused, std::nullopt});
    for (char32_t control = 0; control < 10; ++control)
        cases.push_back({control, control});
    for (const Case& c : cases) {
        const QString typed = QString::fromUcs4(&c.typed, 1);
        const QString expected = c.kept ? QString::fromUcs4(&*c.kept, 1) : QString();
        EXPECT_EQ(TFPrincipal::EExtension1KeyPress(typed), expected)
            << static_cast<unsigned>(c.typed);
    }
    EXPECT_EQ(TFPrincipal::EExtension1KeyPress(".t g"), "TG");
}

TEST_F(ConfigPageTest, ColourButtonsSetTheColourAndItsSample) {
    Start();
    struct Case {
        QToolButton* button;
        std::uint32_t* colour;
        QLineEdit* sample;
    };
    TFPrincipal* w = FPrincipal;
    const Case cases[] = {
        {w->SBPonColorTexto, &w->TextColor, w->ECTextoEjemplo},
        {w->SBPonColorBitmap, &w->BitmapColor, w->ECBitmapEjemplo},
        {w->SBPonColorAudio, &w->AudioColor, w->ECAudioEjemplo},
        {w->SBPonColorMusic, &w->MusicColor, w->ECMusicEjemplo},
        {w->SBPonColorVideo, &w->VideoColor, w->ECVideoEjemplo},
    };
    for (const Case& c : cases) {
        const std::uint32_t before = *c.colour;
        QColor offered;
        recorder_.onDialog = [&](QDialog& dialog) {
            auto* picker = qobject_cast<QColorDialog*>(&dialog);
            if (picker == nullptr) return static_cast<int>(QDialog::Rejected);
            offered = picker->currentColor();
            picker->setCurrentColor(QColor(0x12, 0x34, 0x56));
            return static_cast<int>(QDialog::Rejected);
        };
        c.button->click();
        EXPECT_EQ(*c.colour, before) << "a cancelled dialog changes nothing";
        EXPECT_EQ(offered, QColor(before & 0xFF, (before >> 8) & 0xFF, (before >> 16) & 0xFF));
        recorder_.onDialog = [](QDialog& dialog) {
            qobject_cast<QColorDialog*>(&dialog)->setCurrentColor(QColor(0x12, 0x34, 0x56));
            return static_cast<int>(QDialog::Accepted);
        };
        c.button->click();
        EXPECT_EQ(*c.colour, 0x563412u) << c.button->objectName().toStdString();
        EXPECT_EQ(SampleColour(c.sample), QColor(0x12, 0x34, 0x56));
    }
}

TEST_F(ConfigPageTest, GridLineBoxesDrawTheLinesOfTheirGrid) {
    Start();
    struct Case {
        TCheckBox* box;
        std::function<bool()> lines;
    };
    TFPrincipal* w = FPrincipal;
    // The collector's grid, made here until its window makes it.
    auto* collector = FColector->findChild<TStringGrid*>("SGColector");
    if (collector == nullptr) {
        collector = new TStringGrid(FColector);
        collector->setObjectName("SGColector");
    }
    // A grid made later takes the boxes' state.
    w->AplicaLineasColector();
    const Case cases[] = {
        {w->CBLinCatHorizontal, [w] { return w->SGDirectorio->HorizontalLines(); }},
        {w->CBLinCatVertical, [w] { return w->SGDirectorio->VerticalLines(); }},
        {w->CBLinBusHorizontal, [w] { return w->SGResultados->HorizontalLines(); }},
        {w->CBLinBusVertical, [w] { return w->SGResultados->VerticalLines(); }},
        {w->CBLinAniHorizontal, [] { return FAnidados->SGAnidados->HorizontalLines(); }},
        {w->CBLinAniVertical, [] { return FAnidados->SGAnidados->VerticalLines(); }},
        {w->CBLinColectorHorizontal, [collector] { return collector->HorizontalLines(); }},
        {w->CBLinColectorVertical, [collector] { return collector->VerticalLines(); }},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(c.lines());
        c.box->SetChecked(true);
        EXPECT_TRUE(c.lines()) << c.box->objectName().toStdString();
        c.box->SetChecked(false);
        EXPECT_FALSE(c.lines());
    }
}

// Every control the reset puts back, with a changed value and its default.
struct ResetCase {
    const char* name;
    std::function<void(TFPrincipal&)> change;
    std::function<bool(TFPrincipal&)> isDefault;
};

std::vector<ResetCase> ResetCases() {
    const auto box = [](TCheckBox* TFPrincipal::*member, bool checked) {
        return ResetCase{"", [=](TFPrincipal& w) { (w.*member)->SetChecked(!checked); },
                         [=](TFPrincipal& w) { return (w.*member)->Checked() == checked; }};
    };
    std::vector<ResetCase> cases = {
        {"hit style", [](TFPrincipal& w) { w.RGAciertos->SetItemIndex(2); },
         [](TFPrincipal& w) {
             return w.RGAciertos->ItemIndex() == 0 && w.HitRedBold && !w.HitBold && !w.HitRed;
         }},
        {"upper-casing", [](TFPrincipal& w) { w.RGModoTurbo->SetItemIndex(1); },
         [](TFPrincipal& w) { return w.RGModoTurbo->ItemIndex() == 0 && w.TurboMode; }},
        {"language", [](TFPrincipal& w) { w.RGIdioma->SetItemIndex(1); },
         [](TFPrincipal& w) {
             return w.RGIdioma->ItemIndex() == 0 && w.PCMain->tabText(1) == "Search";
         }},
        {"folder sort", [](TFPrincipal& w) { w.RGAutoSort->SetItemIndex(3); },
         [](TFPrincipal& w) { return w.RGAutoSort->ItemIndex() == 0; }},
        {"audio player", [](TFPrincipal& w) { w.EPathWinAmp->setText("/bin/player"); },
         [](TFPrincipal& w) { return w.EPathWinAmp->text().isEmpty(); }},
        {"extensions",
         [](TFPrincipal& w) {
             for (QLineEdit* e : {w.EExtension1, w.EExtension2, w.EExtension3, w.EExtension4})
                 e->setText("ZIP");
         },
         [](TFPrincipal& w) {
             return w.EExtension1->text().isEmpty() && w.EExtension2->text().isEmpty() &&
                    w.EExtension3->text().isEmpty() && w.EExtension4->text().isEmpty();
         }},
        {"cluster size", [](TFPrincipal& w) { w.CBClusterSize->setCurrentIndex(7); },
         [](TFPrincipal& w) {
             return w.CBClusterSize->currentIndex() == 3 &&
                    TFPrincipal::ObtieneTamanoCluster(w.CBClusterSize->currentText()) == 4096;
         }},
        {"report tabs",
         [](TFPrincipal& w) {
             w.EPTTab->setText("4");
             w.EPCTab->setText("2");
         },
         [](TFPrincipal& w) { return w.EPTTab->text() == "8" && w.EPCTab->text() == "8"; }},
        {"colours",
         [](TFPrincipal& w) {
             w.TextColor = w.BitmapColor = w.AudioColor = w.MusicColor = w.VideoColor = 0;
             w.PonColoresEjemplo();
         },
         [](TFPrincipal& w) {
             return w.TextColor == 16711935 && w.BitmapColor == 128 && w.AudioColor == 16711680 &&
                    w.MusicColor == 16711680 && w.VideoColor == 32768 &&
                    w.ECTextoEjemplo->palette().color(QPalette::Text) == QColor(255, 0, 255) &&
                    w.ECBitmapEjemplo->palette().color(QPalette::Text) == QColor(128, 0, 0) &&
                    w.ECAudioEjemplo->palette().color(QPalette::Text) == QColor(0, 0, 255) &&
                    w.ECMusicEjemplo->palette().color(QPalette::Text) == QColor(0, 0, 255) &&
                    w.ECVideoEjemplo->palette().color(QPalette::Text) == QColor(0, 128, 0);
         }},
    };
    const std::pair<const char*, std::pair<TCheckBox * TFPrincipal::*, bool>> boxes[] = {
        {"CBLinCatHorizontal", {&TFPrincipal::CBLinCatHorizontal, false}},
        {"CBLinCatVertical", {&TFPrincipal::CBLinCatVertical, false}},
        {"CBLinBusHorizontal", {&TFPrincipal::CBLinBusHorizontal, false}},
        {"CBLinBusVertical", {&TFPrincipal::CBLinBusVertical, false}},
        {"CBLinAniHorizontal", {&TFPrincipal::CBLinAniHorizontal, false}},
        {"CBLinAniVertical", {&TFPrincipal::CBLinAniVertical, false}},
        {"CBLinColectorHorizontal", {&TFPrincipal::CBLinColectorHorizontal, false}},
        {"CBLinColectorVertical", {&TFPrincipal::CBLinColectorVertical, false}},
        {"CBAniCrearDisco", {&TFPrincipal::CBAniCrearDisco, true}},
        {"CBAniCrearCarpeta", {&TFPrincipal::CBAniCrearCarpeta, true}},
        {"CBAniBuscar", {&TFPrincipal::CBAniBuscar, true}},
        {"CBTipsComienzo", {&TFPrincipal::CBTipsComienzo, false}},
        {"CBCarpetaIgual", {&TFPrincipal::CBCarpetaIgual, false}},
        {"CBMostrarErroresCatalogo", {&TFPrincipal::CBMostrarErroresCatalogo, false}},
        {"CBAutoSortInvertir", {&TFPrincipal::CBAutoSortInvertir, false}},
        {"CBAnidadosBuscarPath", {&TFPrincipal::CBAnidadosBuscarPath, false}},
        {"CBSerialNumberOff", {&TFPrincipal::CBSerialNumberOff, false}},
        {"CBCompressedOff", {&TFPrincipal::CBCompressedOff, false}},
        {"CBDocFilesOff", {&TFPrincipal::CBDocFilesOff, false}},
        {"CBDotFilesOff", {&TFPrincipal::CBDotFilesOff, false}},
        {"CBBmpFilesOff", {&TFPrincipal::CBBmpFilesOff, false}},
        {"CBGifFilesOff", {&TFPrincipal::CBGifFilesOff, false}},
        {"CBJpgFilesOff", {&TFPrincipal::CBJpgFilesOff, false}},
        {"CBPcxFilesOff", {&TFPrincipal::CBPcxFilesOff, false}},
        {"CBPngFilesOff", {&TFPrincipal::CBPngFilesOff, false}},
        {"CBTifFilesOff", {&TFPrincipal::CBTifFilesOff, false}},
        {"CBTgaFilesOff", {&TFPrincipal::CBTgaFilesOff, false}},
        {"CBWavFilesOff", {&TFPrincipal::CBWavFilesOff, false}},
        {"CBMp3FilesOff", {&TFPrincipal::CBMp3FilesOff, false}},
        {"CBWmaFilesOff", {&TFPrincipal::CBWmaFilesOff, false}},
        {"CBOggFilesOff", {&TFPrincipal::CBOggFilesOff, false}},
        {"CBAviFilesOff", {&TFPrincipal::CBAviFilesOff, false}},
        {"CBPTColeccionesSN", {&TFPrincipal::CBPTColeccionesSN, true}},
        {"CBPTTipodiscoSN", {&TFPrincipal::CBPTTipodiscoSN, true}},
        {"CBPCAnidadosSN", {&TFPrincipal::CBPCAnidadosSN, true}},
        {"CBPCTamanoSN", {&TFPrincipal::CBPCTamanoSN, true}},
        {"CBPCModificadoSN", {&TFPrincipal::CBPCModificadoSN, true}},
        {"CBPCCreadoSN", {&TFPrincipal::CBPCCreadoSN, true}},
        {"CBPCAtributosSN", {&TFPrincipal::CBPCAtributosSN, true}},
        {"CBPCDescripcionSN", {&TFPrincipal::CBPCDescripcionSN, true}},
        {"CBPDTamanoSN", {&TFPrincipal::CBPDTamanoSN, true}},
        {"CBPDModificadoSN", {&TFPrincipal::CBPDModificadoSN, true}},
        {"CBPDPrintColeccion", {&TFPrincipal::CBPDPrintColeccion, true}},
        {"CBPDPrintCatalogo", {&TFPrincipal::CBPDPrintCatalogo, true}},
        {"CBPDPrintCarpeta", {&TFPrincipal::CBPDPrintCarpeta, true}},
        {"CBPRColeccionSN", {&TFPrincipal::CBPRColeccionSN, true}},
        {"CBPRCatalogoSN", {&TFPrincipal::CBPRCatalogoSN, true}},
        {"CBPRCarpetaSN", {&TFPrincipal::CBPRCarpetaSN, true}},
        {"CBPRDescripcionSN", {&TFPrincipal::CBPRDescripcionSN, true}},
        {"CBPRTamanoSN", {&TFPrincipal::CBPRTamanoSN, true}},
        {"CBPRModificadoSN", {&TFPrincipal::CBPRModificadoSN, true}},
        {"CBPRCreadoSN", {&TFPrincipal::CBPRCreadoSN, true}},
        {"CBPRAtributosSN", {&TFPrincipal::CBPRAtributosSN, true}},
        {"CBPRExtensionSN", {&TFPrincipal::CBPRExtensionSN, true}},
    };
    for (const auto& [name, spec] : boxes) {
        ResetCase c = box(spec.first, spec.second);
        c.name = name;
        cases.push_back(c);
    }
    return cases;
}

TEST_F(ConfigPageTest, ResetStartsFromDefaults) {
    Start();
    for (const ResetCase& c : ResetCases())
        EXPECT_TRUE(c.isDefault(*FPrincipal)) << c.name;
}

TEST_F(ConfigPageTest, ResetAsksAndNoChangesNothing) {
    Start();
    const std::vector<ResetCase> cases = ResetCases();
    for (const ResetCase& c : cases)
        c.change(*FPrincipal);
    for (const ResetCase& c : cases)
        ASSERT_FALSE(c.isDefault(*FPrincipal)) << c.name << " did not change";

    recorder_.answer = false;
    FPrincipal->SBResetConfiguracion->click();
    ASSERT_EQ(recorder_.questions.size(), 1u);
    // The question is in the language of the moment: the changes above chose Spanish.
    EXPECT_EQ(recorder_.questions[0].first, "Restablecer opciones");
    EXPECT_EQ(recorder_.questions[0].second,
              "¿Desea devolver todas las opciones a sus valores por defecto?");
    for (const ResetCase& c : cases)
        EXPECT_FALSE(c.isDefault(*FPrincipal)) << c.name << " was reset";

    recorder_.answer = true;
    FPrincipal->SBResetConfiguracion->click();
    ASSERT_EQ(recorder_.questions.size(), 2u);
    for (const ResetCase& c : cases)
        EXPECT_TRUE(c.isDefault(*FPrincipal)) << c.name;
    EXPECT_EQ(FPrincipal->SBResetConfiguracion->text(), "Reset settings");
}

TEST_F(ConfigPageTest, AboutPageShowsTheVersionCreditsAndLinks) {
    Start();
    EXPECT_EQ(FPrincipal->TEdicion->text(), "v. 2.22");
    EXPECT_EQ(FPrincipal->LCreditosFormatos->text().toStdString(),
              LeeTexto("M", "M_CREDITOS_FORMATOS"));
    EXPECT_EQ(FPrincipal->LCreditosDesc->text().toStdString(), LeeTexto("M", "M_CREDITOS_DESC"));
    EXPECT_EQ(FPrincipal->LDerechos->text().toStdString(), LeeTexto("M", "M_DERECHOS_TODOS"));

    UrlRecorder opened;
    QDesktopServices::setUrlHandler("https", &opened, "Open");
    QDesktopServices::setUrlHandler("mailto", &opened, "Open");
    QTest::mouseClick(FPrincipal->Label34, Qt::LeftButton);
    QTest::mouseClick(FPrincipal->Label1, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");
    ASSERT_EQ(opened.urls.size(), 2u);
    EXPECT_EQ(opened.urls[0].scheme(), "https");
    EXPECT_EQ(opened.urls[1].scheme(), "mailto");
    EXPECT_TRUE(opened.urls[1].toString().endsWith(FPrincipal->Label1->text()));

    // The logo shows the error window.
    QTest::mouseClick(FPrincipal->ImLogo, Qt::LeftButton);
    ASSERT_EQ(recorder_.dialogs.size(), 1u);
    EXPECT_EQ(recorder_.dialogs[0], FErrores);
}

} // namespace
} // namespace sorvane

#include "ConfigPageTest.moc"
