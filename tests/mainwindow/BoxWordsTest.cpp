// The buttons of every box the program shows take their words from the
// language in use: the question, message and retry boxes, and the standard
// buttons of the colour and input dialogs shown through MuestraModal.
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "tests/mainwindow/WindowTestSupport.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using windowtest::ProgramDir;

struct LanguageWords {
    const char* file;
    QString yes, no, ok, retry, cancel;
};

const LanguageWords kLanguages[] = {
    {"english.ini", "Yes", "No", "OK", "Retry", "Cancel"},
    {"spanish.ini", QString::fromUtf8("Sí"), "No", "Aceptar", "Reintentar", "Cancelar"},
};

class BoxWordsTest : public ::testing::TestWithParam<LanguageWords> {
protected:
    void SetUp() override {
        AbreIdioma((ProgramDir() / GetParam().file).string());
        SetModalHooks({});
    }
    void TearDown() override {
        SetModalHooks({});
        AbreIdioma((ProgramDir() / "english.ini").string());
    }

    // The sorted button texts of the box `show` opens.
    template <typename Show> QStringList ButtonsOf(Show show) {
        QStringList texts;
        QTimer::singleShot(0, [&texts] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            for (QAbstractButton* button : box->buttons())
                texts.push_back(button->text());
            texts.sort();
            box->reject();
        });
        show();
        return texts;
    }
};

QStringList Sorted(QStringList texts) {
    texts.sort();
    return texts;
}

TEST_P(BoxWordsTest, QuestionMessageAndRetryBoxesSpeakTheLanguage) {
    const LanguageWords& words = GetParam();
    EXPECT_EQ(ButtonsOf([] { PreguntaSiNo("Sorvane", "Quit?"); }), Sorted({words.yes, words.no}));
    EXPECT_EQ(ButtonsOf([] { MensajeSistema("Done"); }), QStringList{words.ok});
    EXPECT_EQ(ButtonsOf([] { PreguntaReintentar("Insert the disk"); }),
              Sorted({words.retry, words.cancel}));
}

TEST_P(BoxWordsTest, DialogsShownModallyGetTheWordsOnTheirStandardButtons) {
    const LanguageWords& words = GetParam();
    QStringList seen;
    ModalHooks hooks;
    hooks.showModal = [&seen](QDialog& dialog) {
        // Shown, as the program shows it: an input dialog lays itself out then.
        dialog.show();
        QApplication::processEvents();
        for (QDialogButtonBox* box : dialog.findChildren<QDialogButtonBox*>())
            for (QAbstractButton* button : box->buttons())
                seen.push_back(button->text());
        dialog.hide();
        return static_cast<int>(QDialog::Rejected);
    };
    SetModalHooks(hooks);
    QColorDialog colours;
    MuestraModal(colours);
    EXPECT_EQ(Sorted(seen), Sorted({words.ok, words.cancel}));
    seen.clear();
    QInputDialog password;
    password.setLabelText("archive.zip");
    MuestraModal(password);
    EXPECT_EQ(Sorted(seen), Sorted({words.ok, words.cancel}));
}

INSTANTIATE_TEST_SUITE_P(Languages, BoxWordsTest, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) {
                             return std::string(info.param.file).substr(0, 7) == "english"
                                        ? std::string("English")
                                        : std::string("Spanish");
                         });

} // namespace
} // namespace sorvane
