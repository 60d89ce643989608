// The extraction page driven through its handlers: the enabling rule, the
// missing-path messages, an archive chosen in the open dialog and a folder in
// the tree, a run with its progress and busy state, a password asked for, a
// stop, an archive kind without a reader, and a damaged member, each failure
// in the error window.
#include "archive/arxDisk.h"
#include "archive/arxMessages.h"
#include "archive/cab/arxUnCab.h"
#include "archive/rar/arxUnRar.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Drives.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/StatusBar.h"

#include <QFileSystemModel>
#include <QInputDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace sorvane {
namespace {

using namespace windowtest;

std::string Fixture(const std::string& relative) {
    return std::string(SORVANE_TEST_ARCHIVES) + "/" + relative;
}

class ExtractPageTest : public WindowTestRoot {
protected:
    void SetUp() override {
        EnterNewRoot("extract-page");
        destination_ = OwnedTempFolder("extract-dest");
        recorder_.onOpenFile = [this](const OpenFileRequest& request) {
            openFilters_.push_back(request.filter.toStdString());
            return QString::fromStdString(chosen_);
        };
        OpenWindows();
        FPrincipal->FormActivate();
        ASSERT_TRUE(FPrincipal->StartupDone());
        FPrincipal->show();
        FPrincipal->PCMain->setCurrentWidget(FPrincipal->TSExtraer);
    }

    // The archive through the open dialog, the destination through the tree.
    void Choose(const std::string& archive) {
        chosen_ = archive;
        FPrincipal->SBAbrirExtraerClick();
        FPrincipal->STVDestino->setCurrentIndex(
            FPrincipal->STVDestinoModel->index(QString::fromStdString(destination_.string())));
    }
    std::string Status() const { return FPrincipal->SBPrincipal->Panels(1).Text().toStdString(); }
    std::string Extracted(int count) const {
        return std::to_string(count) + " " + LeeTexto("W", "FICHEROS") + " " +
               LeeTexto("W", "EXTRAIDOS");
    }
    std::string ErrorLines() const { return FErrores->MErrores->toPlainText().toStdString(); }

    fs::path destination_;
    std::string chosen_;
    std::vector<std::string> openFilters_;
};

TEST_F(ExtractPageTest, ButtonFollowsAnAbsoluteDestinationAndASource) {
    struct Case {
        const char* destination;
        const char* source;
        bool enabled;
    };
    for (const Case& c : {Case{"", "/srv/a.zip", false}, Case{"/", "/srv/a.zip", false},
                          Case{"/srv/x", "a.z", false}, Case{"srv/x", "/srv/a.zip", false},
                          Case{"/srv/x", "/srv/a.zip", true}}) {
        FPrincipal->EDestino->setText(c.destination);
        FPrincipal->EOrigen->setText(c.source);
        EXPECT_EQ(FPrincipal->BBExtraer->isEnabled(), c.enabled)
            << c.destination << " " << c.source;
    }
}

TEST_F(ExtractPageTest, MissingPathsAreAskedFor) {
    FPrincipal->EOrigen->setText("  ");
    FPrincipal->BBExtraerClick();
    FPrincipal->EOrigen->setText("/srv/a.zip");
    FPrincipal->EDestino->setText(" ");
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(recorder_.messages,
              (std::vector<std::string>{LeeTexto("M", "M_EXTRAER_SINFICHERO"),
                                        LeeTexto("M", "M_EXTRAER_SINCARPETA")}));
}

TEST_F(ExtractPageTest, ExtractsTheChosenArchiveIntoTheChosenFolder) {
    Choose(Fixture("zip/folders.zip"));
    EXPECT_EQ(FPrincipal->EOrigen->text().toStdString(), chosen_);
    EXPECT_EQ(FPrincipal->EDestino->text().toStdString(), destination_.string());
    ASSERT_TRUE(FPrincipal->BBExtraer->isEnabled());
    ASSERT_EQ(openFilters_.size(), 1u);
    EXPECT_NE(openFilters_[0].find("*.zip *.ZIP"), std::string::npos);
    std::vector<int> progress;
    bool busyDuring = false;
    QObject::connect(FPrincipal->PBPrincipal, &QProgressBar::valueChanged, [&](int value) {
        progress.push_back(value);
        busyDuring = busyDuring || FPrincipal->BusyFlag;
    });
    FPrincipal->BBExtraer->click();
    EXPECT_EQ(Status(), Extracted(2));
    EXPECT_TRUE(busyDuring);
    EXPECT_FALSE(FPrincipal->BusyFlag);
    EXPECT_TRUE(FPrincipal->BBExtraer->isEnabled());
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(recorder_.errorWindows, 0);
    std::ifstream deep(destination_ / "docs/sub/deep.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(deep), {}), "Deep inside docs/sub.\n");
}

// ACE goes through its module in the program's folder; a member of a method
// the module does not decode is a line of the error window, the rest extracted.
TEST_F(ExtractPageTest, AceArchivesGoThroughTheirModule) {
    Choose(Fixture("ace/lz77.ace"));
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(Status(), Extracted(5));
    EXPECT_EQ(recorder_.errorWindows, 0) << ErrorLines();
    std::ifstream deep(destination_ / "docs/sub/deep.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(deep), {}), "Deep inside docs/sub.\n");
    EXPECT_TRUE(fs::is_directory(destination_ / "empty"));

    Choose(Fixture("ace/ace20.ace"));
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(Status(), Extracted(2));
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_NE(ErrorLines().find("blocked.bin: " + ArxMessageText(kMsgUnsupportedMethod)),
              std::string::npos)
        << ErrorLines();
}

TEST_F(ExtractPageTest, PasswordIsAskedFor) {
    Choose(Fixture("zip/encrypted-deflated.zip"));
    int asked = 0;
    recorder_.onDialog = [&](QDialog& dialog) {
        if (auto* question = qobject_cast<QInputDialog*>(&dialog)) {
            ++asked;
            question->setTextValue("secret");
        }
        return static_cast<int>(QDialog::Accepted);
    };
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(asked, 1); // the password that passed serves the second member
    EXPECT_EQ(Status(), Extracted(2));
    EXPECT_EQ(recorder_.errorWindows, 0);
    EXPECT_TRUE(fs::exists(destination_ / "beta.txt"));
}

TEST_F(ExtractPageTest, ArjAndZooArchivesHaveTheirReaders) {
    struct Case {
        const char* archive;
        int count;
        const char* file;
        std::uintmax_t size;
        int passwordQuestions;
    };
    for (const Case& c : {Case{"arj/dirs.arj", 2, "docs/sub/deep.txt", 22, 0},
                          Case{"arj/multivol.arj", 1, "random.bin", 24000, 0},
                          Case{"arj/garbled4.arj", 2, "beta.txt", 708, 1},
                          Case{"zoo/lzw.zoo", 3, "long.txt", 100000, 0}}) {
        SCOPED_TRACE(c.archive);
        for (const auto& entry : fs::directory_iterator(destination_))
            fs::remove_all(entry.path());
        int asked = 0;
        recorder_.onDialog = [&](QDialog& dialog) {
            if (auto* question = qobject_cast<QInputDialog*>(&dialog)) {
                ++asked;
                question->setTextValue("secret");
            }
            return static_cast<int>(QDialog::Accepted);
        };
        Choose(Fixture(c.archive));
        FPrincipal->BBExtraerClick();
        EXPECT_EQ(Status(), Extracted(c.count));
        EXPECT_EQ(recorder_.errorWindows, 0) << ErrorLines();
        EXPECT_EQ(asked, c.passwordQuestions);
        EXPECT_EQ(fs::file_size(destination_ / c.file), c.size);
    }
}

TEST_F(ExtractPageTest, StopEndsTheRunWithoutCountingUnfinishedMembers) {
    Choose(Fixture("zip/split-deflate.zip"));
    QTimer::singleShot(0, [] { FPrincipal->StopFlag = true; });
    FPrincipal->BBExtraerClick();
    EXPECT_TRUE(FPrincipal->StopFlag);
    EXPECT_EQ(Status(), Extracted(0));
    EXPECT_FALSE(FPrincipal->BusyFlag);
}

// The stop button and Escape set the reader's stop request while the run goes
// on; the member in hand leaves nothing under its name.
TEST_F(ExtractPageTest, StopButtonAndEscapeStopTheRun) {
    for (const bool byEscape : {false, true}) {
        SCOPED_TRACE(byEscape ? "Escape" : "stop button");
        Choose(Fixture("zip/split-deflate.zip"));
        EXPECT_FALSE(FPrincipal->BBPararExtraer->isEnabled());
        bool enabledWhileRunning = false;
        QTimer::singleShot(0, [&] {
            enabledWhileRunning = FPrincipal->BBPararExtraer->isEnabled();
            if (byEscape) {
                auto* escape = FPrincipal->TSExtraer->findChild<QShortcut*>();
                ASSERT_NE(escape, nullptr);
                EXPECT_EQ(escape->key(), QKeySequence(Qt::Key_Escape));
                emit escape->activated();
            } else {
                FPrincipal->BBPararExtraer->click();
            }
        });
        FPrincipal->BBExtraerClick();
        EXPECT_TRUE(enabledWhileRunning);
        EXPECT_FALSE(FPrincipal->BBPararExtraer->isEnabled());
        EXPECT_EQ(Status(), Extracted(0));
        EXPECT_TRUE(fs::is_empty(destination_));
    }
}

// A file of the user's in the destination is replaced only when the user
// says so; every choice of the question, its texts from the language file.
TEST_F(ExtractPageTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    const std::string usersText = "the user's own alpha\n";
    struct Case {
        const char* button;
        int questions; // alpha.txt and beta.txt both exist
        int count;
        bool alphaReplaced;
        bool keptBoth;
    } cases[] = {
        {"BReemplazar", 2, 2, true, false},      {"BOmitir", 2, 0, false, false},
        {"BReemplazarTodos", 1, 2, true, false}, {"BOmitirTodos", 1, 0, false, false},
        {"BConservarAmbos", 2, 2, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        for (const auto& entry : fs::directory_iterator(destination_))
            fs::remove_all(entry.path());
        for (const char* name : {"alpha.txt", "beta.txt"})
            std::ofstream(destination_ / name) << usersText;
        int questions = 0;
        std::vector<std::string> captions;
        recorder_.onDialog = [&](QDialog& dialog) {
            if (dialog.objectName() != "OverwriteQuestion")
                return static_cast<int>(QDialog::Accepted);
            ++questions;
            captions.clear();
            for (const char* name :
                 {"BReemplazar", "BOmitir", "BReemplazarTodos", "BOmitirTodos", "BConservarAmbos"})
                captions.push_back(dialog.findChild<QPushButton*>(name)->text().toStdString());
            dialog.findChild<QPushButton*>(c.button)->click();
            return dialog.result();
        };
        Choose(Fixture("zip/stored.zip"));
        FPrincipal->BBExtraerClick();
        EXPECT_EQ(questions, c.questions);
        EXPECT_EQ(captions,
                  (std::vector<std::string>{CapitalizeFirst(LeeTexto("W", "REEMPLAZAR")),
                                            CapitalizeFirst(LeeTexto("W", "OMITIR")),
                                            CapitalizeFirst(LeeTexto("W", "REEMPLAZAR_TODOS")),
                                            CapitalizeFirst(LeeTexto("W", "OMITIR_TODOS")),
                                            CapitalizeFirst(LeeTexto("W", "CONSERVAR_AMBOS"))}));
        EXPECT_EQ(Status(), Extracted(c.count));
        std::ifstream alphaFile(destination_ / "alpha.txt");
        const std::string alpha((std::istreambuf_iterator<char>(alphaFile)),
                                std::istreambuf_iterator<char>());
        EXPECT_EQ(alpha == usersText, !c.alphaReplaced) << alpha;
        EXPECT_EQ(fs::exists(destination_ / "alpha (2).txt"), c.keptBoth);
        EXPECT_EQ(fs::exists(destination_ / "beta (2).txt"), c.keptBoth);
        if (c.keptBoth) {
            EXPECT_EQ(fs::file_size(destination_ / "alpha (2).txt"), 54u);
        }
    }
}

TEST_F(ExtractPageTest, KindWithoutReaderWritesNothingAndSaysWhichKind) {
    Choose(Fixture("uue/begin-644.uue"));
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(Status(), Extracted(0));
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_NE(ErrorLines().find(ArxMessageText(kMsgUnsupportedArchive)), std::string::npos);
    EXPECT_NE(ErrorLines().find("(UUE)"), std::string::npos) << ErrorLines();
    EXPECT_TRUE(fs::is_empty(destination_));
}

TEST_F(ExtractPageTest, ExtractsLhaArchivesWithTheirFolders) {
    Choose(Fixture("lha/level2-folders.lzh"));
    FPrincipal->BBExtraer->click();
    EXPECT_EQ(Status(), Extracted(2));
    EXPECT_EQ(recorder_.errorWindows, 0) << ErrorLines();
    std::ifstream deep(destination_ / "docs/sub/deep.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(deep), {}), "Deep inside docs/sub.\n");
}

// A gzipped tar goes straight into its members, folders kept, nothing else
// left; a .Z file gives its one member; a tar's links are refused in the
// error window and never created.
TEST_F(ExtractPageTest, TarsGzipAndCompressFilesExtractIntoTheirMembers) {
    Choose(Fixture("untargz/folders.tgz"));
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(Status(), Extracted(3));
    EXPECT_EQ(recorder_.errorWindows, 0) << ErrorLines();
    std::ifstream readme(destination_ / "b/readme");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(readme), {}), "Readme of folder b.\n");
    EXPECT_TRUE(fs::exists(destination_ / "a/big.txt"));
    EXPECT_FALSE(fs::exists(destination_ / "folders"));

    Choose(Fixture("compress/beta.txt.Z"));
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(Status(), Extracted(1));
    EXPECT_EQ(fs::file_size(destination_ / "beta.txt"), 708u);

    Choose(Fixture("untargz/gnu.tar"));
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(Status(), Extracted(7));
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_NE(ErrorLines().find("symbolic link to alpha.txt"), std::string::npos) << ErrorLines();
    EXPECT_FALSE(fs::exists(fs::symlink_status(destination_ / "link-to-alpha")));
    EXPECT_TRUE(fs::exists(destination_ / "café-ñandú.txt"));
}

TEST_F(ExtractPageTest, DamagedMemberReachesTheErrorWindow) {
    std::ifstream in(Fixture("zip/deflated.zip"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    for (std::size_t i = 41; i < 51; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    const fs::path damaged = root_ / "damaged.zip";
    std::ofstream(damaged, std::ios::binary) << bytes;
    Choose(damaged.string());
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(Status(), Extracted(1));
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_NE(ErrorLines().find("alpha.txt"), std::string::npos) << ErrorLines();
}

// A RAR archive goes to the RAR reader and its module, which the program
// finds in its own folder.
TEST_F(ExtractPageTest, ExtractsARarArchiveThroughItsModule) {
    SetRarModuleFolder(SORVANE_MODULE_DIR);
    Choose(Fixture("rar/names.rar"));
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(Status(), Extracted(2));
    EXPECT_EQ(recorder_.errorWindows, 0) << ErrorLines();
    std::ifstream beta(destination_ / "Ünïcode/bêta.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(beta), {}).size(), 708u);
    EXPECT_TRUE(fs::is_directory(destination_ / "docs"));
}

TEST_F(ExtractPageTest, RarWithoutItsModuleSaysSoAndWritesNothing) {
    SetRarModuleFolder((root_ / "no-module").string());
    Choose(Fixture("synth/stored.rar"));
    FPrincipal->BBExtraerClick();
    SetRarModuleFolder(SORVANE_MODULE_DIR);
    EXPECT_EQ(Status(), Extracted(0));
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_NE(ErrorLines().find(ArxMessageText(kMsgUnrarNotFound)), std::string::npos)
        << ErrorLines();
    EXPECT_TRUE(fs::is_empty(destination_));
}

TEST_F(ExtractPageTest, ArcArchivesAndSelfExtractorsGoThroughTheArcReader) {
    Choose(Fixture("arc/folders.arc"));
    FPrincipal->BBExtraer->click();
    EXPECT_EQ(Status(), Extracted(3));
    EXPECT_EQ(recorder_.errorWindows, 0) << ErrorLines();
    std::ifstream deep(destination_ / "SUB/DEEP/Y.TXT");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(deep), {}).find("Beta line 11"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(destination_ / "TOP.TXT"));
    Choose(Fixture("arc/sfx-6674.exe"));
    FPrincipal->BBExtraer->click();
    EXPECT_EQ(Status(), Extracted(2));
    EXPECT_EQ(fs::file_size(destination_ / "gamma.txt"), 732u);
}

TEST_F(ExtractPageTest, PakMemberOfAnUnknownMethodReachesTheErrorWindow) {
    Choose(Fixture("arc/mixed.pak"));
    FPrincipal->BBExtraer->click();
    EXPECT_EQ(Status(), Extracted(3));
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_NE(ErrorLines().find("DIST.TXT"), std::string::npos) << ErrorLines();
    EXPECT_NE(ErrorLines().find(ArxMessageText(kMsgUnsupportedMethod)), std::string::npos);
    EXPECT_FALSE(fs::exists(destination_ / "DIST.TXT"));
    EXPECT_EQ(fs::file_size(destination_ / "beta.txt"), 708u);
}

TEST_F(ExtractPageTest, ExtractsACabinetSetWithTheModule) {
    LoadCabinetLibrary(SORVANE_PROGRAM_DIR);
    Choose(Fixture("cab/span1.cab"));
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(Status(), Extracted(5));
    EXPECT_EQ(recorder_.errorWindows, 0) << ErrorLines();
    EXPECT_EQ(fs::file_size(destination_ / "span.txt"), 90000u);
    EXPECT_EQ(fs::file_size(destination_ / "own.txt"), 43u);
}

TEST_F(ExtractPageTest, MissingCabinetModuleIsSaidAndNothingElseBreaks) {
    LoadCabinetLibrary(root_.string());
    Choose(Fixture("cab/mszip.cab"));
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(Status(), Extracted(0));
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_NE(ErrorLines().find(ArxMessageText(kMsgCabinetNotFound)), std::string::npos)
        << ErrorLines();
    EXPECT_TRUE(fs::is_empty(destination_));
    // Other archives still extract.
    Choose(Fixture("zip/folders.zip"));
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(Status(), Extracted(2));
    LoadCabinetLibrary(SORVANE_PROGRAM_DIR);
}

// A next volume that is not beside the archive is asked for by its name in
// the file chooser, opened on the archive's folder: a file chosen elsewhere
// stands for it; declined, the volume is named and the member it would have
// ended is not counted.
TEST_F(ExtractPageTest, NextVolumeIsAskedForByItsName) {
    const fs::path set = root_ / "set", elsewhere = root_ / "elsewhere";
    fs::create_directories(set);
    fs::create_directories(elsewhere);
    for (const char* ext : {"arj", "a01"})
        fs::copy_file(Fixture(std::string("arj/multivol.") + ext),
                      set / (std::string("multivol.") + ext));
    fs::copy_file(Fixture("arj/multivol.a02"), elsewhere / "moved.a02");
    bool give = true;
    std::vector<std::pair<std::string, std::string>> asked; // caption, folder
    recorder_.onOpenFile = [&](const OpenFileRequest& request) {
        if (request.caption.isEmpty()) return QString::fromStdString(chosen_); // the archive
        asked.emplace_back(request.caption.toStdString(), request.directory.toStdString());
        return give ? QString::fromStdString((elsewhere / "moved.a02").string()) : QString();
    };
    for (const bool given : {true, false}) {
        SCOPED_TRACE(given ? "given" : "declined");
        give = given;
        asked.clear();
        for (const auto& entry : fs::directory_iterator(destination_))
            fs::remove_all(entry.path());
        Choose((set / "multivol.arj").string());
        FPrincipal->BBExtraerClick();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].first, LeeTexto("M", "M_EXTRAER_VOLUMEN") + " multivol.a02");
        EXPECT_EQ(asked[0].second, set.string() + "/");
        if (give) {
            EXPECT_EQ(Status(), Extracted(1));
            EXPECT_EQ(recorder_.errorWindows, 0) << ErrorLines();
            EXPECT_EQ(fs::file_size(destination_ / "random.bin"), 24000u);
        } else {
            EXPECT_EQ(Status(), Extracted(0));
            EXPECT_NE(ErrorLines().find((set / "multivol.a02").string() + ": " +
                                        ArxMessageText(kMsgFileNotFound)),
                      std::string::npos)
                << ErrorLines();
            EXPECT_EQ(ErrorLines().find(ArxMessageText(kMsgUserCanceled)), std::string::npos)
                << ErrorLines();
        }
    }
}

// A ZIP set spanned over removable disks labelled "PKBACK# 00N", opened from
// its last disk: each other disk is asked for by its number, and Retry reads
// the drive again. The disk is a folder given as a removable drive; a disk
// change puts the other part there under the same name and relabels it.
TEST_F(ExtractPageTest, SpannedZipDisksAreAskedForByTheirNumbers) {
    const fs::path tree = root_ / "drives", disk = tree / "PKBACK 001";
    fs::create_directories(disk);
    fs::create_directories(tree / "sys/block/sdb/sdb1");
    std::ofstream(tree / "sys/block/sdb/removable") << "1\n";
    fs::create_directories(tree / "dev/disk/by-label");
    {
        std::ofstream mounts(tree / "mountinfo");
        mounts << "28 1 259:2 / / rw,relatime - ext4 /dev/nvme0n1p2 rw\n";
        std::string escaped = disk.string();
        escaped.replace(escaped.rfind(' '), 1, "\\040");
        mounts << "60 28 8:17 / " << escaped << " rw,relatime - vfat /dev/sdb1 rw\n";
    }
    auto insert = [&](int number) {
        for (const auto& entry : fs::directory_iterator(tree / "dev/disk/by-label"))
            fs::remove(entry.path());
        fs::create_symlink("../../sdb1", tree / "dev/disk/by-label" /
                                             ("PKBACK#\\x2000" + std::to_string(number)));
        fs::copy_file(Fixture(number == 1 ? "zip/split.z01" : "zip/split.zip"), disk / "backup.zip",
                      fs::copy_options::overwrite_existing);
    };
    DriveRoots roots;
    roots.mountInfo = (tree / "mountinfo").string();
    roots.devDisk = (tree / "dev/disk").string();
    roots.sys = (tree / "sys").string();
    SetArxDriveRoots(roots);
    struct Reset {
        ~Reset() { ResetArxDriveRoots(); }
    } reset;

    insert(2);
    Choose((disk / "backup.zip").string());
    recorder_.onRetry = [&](const std::string& text) {
        for (int number : {1, 2})
            if (text == LeeTexto("M", "M_EXTRAER_DISCO") + " " + std::to_string(number))
                insert(number);
        return true;
    };
    FPrincipal->BBExtraerClick();
    EXPECT_EQ(recorder_.retryQuestions,
              (std::vector<std::string>{LeeTexto("M", "M_EXTRAER_DISCO") + " 1",
                                        LeeTexto("M", "M_EXTRAER_DISCO") + " 2"}));
    EXPECT_EQ(Status(), Extracted(1));
    EXPECT_EQ(recorder_.errorWindows, 0) << ErrorLines();
    EXPECT_EQ(fs::file_size(destination_ / "random.bin"), 70000u);
}

} // namespace
} // namespace sorvane
