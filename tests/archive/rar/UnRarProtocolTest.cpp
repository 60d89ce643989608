// The reader's side of the module's calls, with a scripted engine in place
// of the module: result codes and the messages they are reported with,
// passwords, the volume question, the output bound, CRC verdicts, and the
// walk's checks of sizes and positions.
#include "archive/arxMessages.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/rar/UnRarTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

// One member as the scripted engine plays it.
struct ScriptMember {
    std::int64_t unpacked = 0;
    std::string data;       // delivered in two calls
    int result = 0;         // returned instead of delivering
    bool password = false;  // asks for a password first
    bool volumeAsk = false; // asks for Script::volume first
};

struct Script {
    std::vector<ScriptMember> members;
    unsigned openResult = 0;
    std::string volume;
    // What happened.
    int opens = 0, closes = 0;
    std::size_t next = 0;
    std::vector<int> operations;
    std::vector<std::string> passwords; // "-" when none was given
    std::vector<int> volumeAnswers;
    std::string volumeBack;
    UNRARCALLBACK callback = nullptr;
    std::intptr_t user = 0;
};

Script* script = nullptr;

void* ScriptOpen(RAROpenArchiveDataEx* data) {
    ++script->opens;
    data->OpenResult = script->openResult;
    return script->openResult == 0 ? script : nullptr;
}
int ScriptClose(void*) {
    ++script->closes;
    return 0;
}
void ScriptSetCallback(void*, UNRARCALLBACK callback, std::intptr_t user) {
    script->callback = callback;
    script->user = user;
}
int ScriptReadHeader(void*, RARHeaderDataEx* header) {
    if (script->next >= script->members.size()) return ERAR_END_ARCHIVE;
    std::memset(header, 0, sizeof *header);
    const auto size = static_cast<std::uint64_t>(script->members[script->next++].unpacked);
    header->UnpSize = static_cast<unsigned>(size & 0xFFFFFFFFu);
    header->UnpSizeHigh = static_cast<unsigned>(size >> 32);
    return 0;
}
int ScriptProcess(void*, int operation, const char*, const char*) {
    script->operations.push_back(operation);
    const ScriptMember& m = script->members[script->next - 1];
    if (operation == RAR_SKIP) return 0;
    if (m.volumeAsk) {
        char name[kRarVolumeNameSize] = {};
        std::strncpy(name, script->volume.c_str(), sizeof name - 1);
        const int answer = script->callback(UCM_CHANGEVOLUME, script->user,
                                            reinterpret_cast<std::intptr_t>(name), 0);
        script->volumeAnswers.push_back(answer);
        script->volumeBack = name;
        if (answer < 0) return ERAR_EOPEN;
    }
    if (m.password) {
        char password[16] = {};
        const int answer =
            script->callback(UCM_NEEDPASSWORD, script->user,
                             reinterpret_cast<std::intptr_t>(password), sizeof password);
        script->passwords.push_back(answer < 0 ? "-" : password);
        if (answer < 0) return ERAR_MISSING_PASSWORD;
    }
    if (m.result != 0) return m.result;
    const std::size_t half = m.data.size() / 2;
    for (const std::string& part : {m.data.substr(0, half), m.data.substr(half)}) {
        if (part.empty()) continue;
        if (script->callback(UCM_PROCESSDATA, script->user,
                             reinterpret_cast<std::intptr_t>(part.data()),
                             static_cast<std::intptr_t>(part.size())) < 0)
            return ERAR_UNKNOWN;
    }
    return 0;
}

const TRarEngine kScripted{ScriptOpen,    ScriptClose,       ScriptReadHeader,
                           ScriptProcess, ScriptSetCallback, true};

// A reader on an archive of `entries` with the scripted engine playing
// `members`.
struct ScriptedRun {
    TempFolder in, out;
    Script play;
    std::unique_ptr<RarRun> run;

    ScriptedRun(const std::vector<RarEntry>& entries, std::vector<ScriptMember> members) {
        WriteText(in.File("a.rar"), MakeRar(entries));
        play.members = std::move(members);
        script = &play;
        run = std::make_unique<RarRun>(in.File("a.rar"), out.Path());
        run->reader->Engine = &kScripted;
    }
    ~ScriptedRun() { script = nullptr; }
    TUnRar& reader() { return *run->reader; }
};

RarEntry File(const std::string& name, const std::string& data) {
    RarEntry e;
    e.name = name;
    e.packed = data;
    return e;
}

ScriptMember Plays(const std::string& data) {
    ScriptMember m;
    m.unpacked = static_cast<std::int64_t>(data.size());
    m.data = data;
    return m;
}

TEST(UnRarProtocol, ResultCodesMapToTheirMessages) {
    const std::pair<int, int> table[] = {
        {10, kMsgEofNotFound},
        {11, kMsgOutOfMemory},
        {12, kMsgBadBlock},
        {13, kMsgUnsupportedArchive},
        {14, kMsgUnsupportedArchive},
        {15, kMsgOpenError},
        {16, kMsgWriteError},
        {17, kMsgCloseError},
        {18, kMsgReadError},
        {19, kMsgWriteError},
        {21, kMsgBrokenVolumeChain},
        {22, kMsgInvalidPassword},
        {20, 0},
        {99, 0},
    };
    for (const auto& [code, id] : table)
        EXPECT_EQ(RarResultMessage(code), id) << code;
}

TEST(UnRarProtocol, ProcessFailureIsReportedAndEndsThePassUnlessItIsTheMembers) {
    for (const int code : {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22}) {
        SCOPED_TRACE(code);
        ScriptMember failing = Plays("first\n");
        failing.result = code;
        ScriptedRun s({File("one.txt", "first\n"), File("two.txt", "second\n")},
                      {failing, Plays("second\n")});
        // Unsupported or enciphered: that member alone; anything else ends the pass.
        const bool goesOn = code == 14 || code == 22;
        EXPECT_EQ(s.reader().Extract(), goesOn ? 1 : 0);
        ASSERT_EQ(s.run->errors.size(), 1u) << s.run->ErrorText();
        EXPECT_EQ(s.run->errors[0].code, RarResultMessage(code));
        EXPECT_EQ(s.run->errors[0].fileName, "one.txt");
        EXPECT_FALSE(fs::exists(s.out.File("one.txt")));
        EXPECT_EQ(fs::exists(s.out.File("two.txt")), goesOn);
        EXPECT_EQ(s.play.operations.size(), goesOn ? 2u : 1u);
        EXPECT_EQ(s.play.closes, 1);
    }
}

TEST(UnRarProtocol, OpenFailureRaisesItsMessage) {
    for (const unsigned code : {13u, 15u, 11u}) {
        ScriptedRun s({File("one.txt", "x")}, {Plays("x")});
        s.play.openResult = code;
        EXPECT_EQ(s.reader().Extract(), 0);
        ASSERT_EQ(s.run->errors.size(), 1u) << s.run->ErrorText();
        EXPECT_EQ(s.run->errors[0].code, RarResultMessage(static_cast<int>(code)));
        EXPECT_TRUE(s.play.operations.empty());
    }
}

TEST(UnRarProtocol, PasswordsComeFromThePropertyOrTheEvent) {
    struct Case {
        std::string property;
        bool event;
        std::string answer;
        bool tryAgain;
        std::string handed; // "-" for none
        int reported;       // 0 for none
    };
    const Case cases[] = {
        {"prop", false, "", true, "prop", 0}, // set without an event: used
        {"prop", true, "ev", true, "prop", 0},
        {"", true, "ev", true, "ev", 0},
        {"", true, "ev", false, "-", kMsgInvalidPassword},
        {"", false, "", true, "-", kMsgInvalidPassword},
        {"", true, "a-longer-password-than-the-buffer", true, "a-longer-passwo", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.property + "/" + c.answer);
        ScriptMember m = Plays("data\n");
        m.password = true;
        ScriptedRun s({File("one.txt", "data\n")}, {m});
        s.reader().Password = c.property;
        int asked = 0;
        if (c.event)
            s.reader().OnGetPassword = [&](TZipCommon&, const std::string& name,
                                           std::string& password, bool& tryAgain) {
                ++asked;
                EXPECT_EQ(name, s.out.File("one.txt"));
                password = c.answer;
                tryAgain = c.tryAgain;
            };
        EXPECT_EQ(s.reader().Extract(), c.handed == "-" ? 0 : 1);
        EXPECT_EQ(s.play.passwords, std::vector<std::string>{c.handed});
        EXPECT_EQ(asked, c.event && c.property.empty() ? 1 : 0);
        EXPECT_EQ(s.run->Count(kMsgInvalidPassword), c.reported != 0 ? 1 : 0) << s.run->ErrorText();
        EXPECT_EQ(s.run->errors.size(), c.reported != 0 ? 1u : 0u);
    }
}

TEST(UnRarProtocol, VolumeQuestionAcceptedOrDeclined) {
    for (const bool accept : {true, false}) {
        SCOPED_TRACE(accept);
        ScriptMember m = Plays("data\n");
        m.volumeAsk = true;
        ScriptedRun s({File("one.txt", "data\n")}, {m});
        WriteText(s.in.File("found.rar"), "x");
        s.play.volume = s.in.File("missing.rar");
        std::vector<std::uint8_t> progress;
        s.reader().OnProgress = [&](TZipCommon&, std::uint8_t, std::uint8_t byArchive) {
            progress.push_back(byArchive);
        };
        s.reader().OnNextVolume = [&](TZipCommon&, std::string& name, int, bool, bool& cancel) {
            EXPECT_EQ(name, s.in.File("missing.rar"));
            name = s.in.File("found.rar");
            cancel = !accept;
        };
        EXPECT_EQ(s.reader().Extract(), accept ? 1 : 0);
        EXPECT_EQ(s.play.volumeAnswers, std::vector<int>{accept ? 0 : -1});
        if (accept) {
            EXPECT_EQ(s.play.volumeBack, s.in.File("found.rar"));
            EXPECT_EQ(s.reader().VolumeName, s.in.File("found.rar"));
        } else {
            ASSERT_FALSE(progress.empty());
            EXPECT_EQ(progress.back(), 100);
        }
    }
}

TEST(UnRarProtocol, MoreDataThanTheHeaderSaysFailsTheMember) {
    ScriptMember m = Plays("abcdefgh");
    m.unpacked = 4;
    RarEntry e = File("one.txt", "abcdefgh");
    e.unpacked = 4;
    ScriptedRun s({e, File("two.txt", "2")}, {m, Plays("2")});
    EXPECT_EQ(s.reader().Extract(), 1);
    EXPECT_EQ(s.run->Count(kMsgCorruptInput), 1) << s.run->ErrorText();
    EXPECT_EQ(s.run->verdicts.front(), std::make_pair(s.out.File("one.txt"), false));
    EXPECT_EQ(ReadText(s.out.File("two.txt")), "2");
}

TEST(UnRarProtocol, CrcVerdictComesFromTheDataReceived) {
    ScriptedRun s({File("one.txt", "right")}, {Plays("wrong")});
    s.reader().OnEnd = nullptr;
    EXPECT_EQ(s.reader().Extract(), 0);
    EXPECT_EQ(s.run->Count(kMsgCrcFailed), 1) << s.run->ErrorText();
}

TEST(UnRarProtocol, UnselectedMembersAndFoldersArePassedOver) {
    RarEntry folder = File("dir", "");
    folder.attributes = 0x10;
    ScriptedRun s({folder, File("dir\\a.txt", "a"), File("b.log", "b")},
                  {Plays(""), Plays("a"), Plays("b")});
    s.reader().FileSpec = {"*.txt"};
    EXPECT_EQ(s.reader().Extract(), 1);
    EXPECT_EQ(s.play.operations, (std::vector<int>{RAR_SKIP, RAR_EXTRACT, RAR_SKIP}));
    EXPECT_EQ(FilesBelow(s.out.Path()), std::vector<std::string>{"dir/a.txt"});

    ScriptedRun t({File("a.txt", "a")}, {Plays("a")});
    EXPECT_EQ(t.reader().TestFiles(), 1);
    EXPECT_EQ(t.play.operations, std::vector<int>{RAR_TEST});
    EXPECT_EQ(t.out.Count(), 0u);
}

TEST(UnRarProtocol, UnixFolderIsCreatedOnlyWithCreateStoredDirs) {
    for (const bool create : {false, true}) {
        RarEntry folder = File("empty", "");
        folder.host = 3;
        folder.attributes = 040755;
        ScriptedRun s({folder}, {Plays("")});
        s.reader().CreateStoredDirs = create;
        EXPECT_EQ(s.reader().Extract(), 0);
        EXPECT_EQ(fs::is_directory(s.out.File("empty")), create);
    }
}

TEST(UnRarProtocol, FiveGibibyteMemberCountsWithItsHighSize) {
    RarEntry big = File("big.bin", "x");
    big.flags = 0x0100;
    big.unpacked = 0x40000000; // low part: 1 GiB
    big.highUnpacked = 1;      // + 4 GiB
    ScriptMember m;
    m.unpacked = 5LL << 30;
    m.result = ERAR_UNKNOWN_FORMAT;
    ScriptedRun s({big}, {m});
    EXPECT_EQ(s.reader().Extract(), 0);
    EXPECT_EQ(s.reader().FileTotal, 5LL << 30);
    ASSERT_EQ(s.reader().Members().size(), 1u);
    EXPECT_EQ(s.reader().Members()[0].Unpacked, 5LL << 30);
    EXPECT_EQ(s.run->Count(kMsgUnsupportedArchive), 1) << s.run->ErrorText();
}

// The walk checks its sums as the listing does: a damaged block ends it with
// a report, and the members before it are still extracted.
TEST(UnRarProtocol, WalkChecksSizesAndPositions) {
    struct Case {
        const char* what;
        RarEntry damaged;
        int reported;
    };
    RarEntry shortHeader = File("bad.txt", "x");
    shortHeader.headerSize = 3;
    RarEntry nameTooLong = File("bad.txt", "x");
    nameTooLong.headerSize = 34; // the 7-byte name does not fit
    RarEntry pastEnd = File("bad.txt", "x");
    pastEnd.flags = 0x0100;
    pastEnd.highPacked = 0x3FFFFFFF;
    RarEntry fixedCut = File("", "x");
    fixedCut.flags = 0x0100;
    fixedCut.headerSize = 36; // less than the 40 bytes of fields with high sizes
    const Case cases[] = {
        {"header size below 7", shortHeader, kMsgBadFileHeader},
        {"name past its block", nameTooLong, kMsgBadFileHeader},
        {"data past the volume", pastEnd, kMsgReadError},
        {"fields past their block", fixedCut, kMsgBadFileHeader},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedRun s({File("good.txt", "good"), c.damaged}, {Plays("good")});
        EXPECT_EQ(s.reader().Extract(), 1);
        EXPECT_EQ(s.reader().Members().size(), 1u);
        ASSERT_EQ(s.run->errors.size(), 1u) << s.run->ErrorText();
        EXPECT_EQ(s.run->errors[0].code, c.reported);
        EXPECT_EQ(ReadText(s.out.File("good.txt")), "good");
    }
}

} // namespace
} // namespace sorvane
