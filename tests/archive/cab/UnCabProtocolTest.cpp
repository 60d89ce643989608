// The cabinet reader against a scripted engine in place of the module: the
// calls it makes (CPU type, cabinet paths), the answers it gives to each
// notification, the module's error codes, next cabinets accepted and
// declined, and the module missing.
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/cab/UnCabTestSupport.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

// The scripted engine: FDICopy runs `copy` with the cabinet's path.
struct Engine {
    int cpuType = 99;
    TCabErrorRecord* erf = nullptr;
    TCabWrite write = nullptr;
    int isCabinet = 1;
    std::vector<std::string> copies; // the paths FDICopy was given
    std::function<int(const std::string& path, TCabNotify notify, void* user)> copy;
};
Engine engine;

void* ScriptCreate(TCabAlloc, TCabFree, TCabOpen, TCabRead, TCabWrite write, TCabClose, TCabSeek,
                   int cpuType, TCabErrorRecord* perf) {
    engine.cpuType = cpuType;
    engine.erf = perf;
    engine.write = write;
    return &engine;
}
int ScriptIsCabinet(void*, std::intptr_t, TCabinetInfoRecord*) {
    return engine.isCabinet;
}
int ScriptCopy(void*, char* cabinet, char* path, int, TCabNotify notify, void*, void* user) {
    const std::string full = std::string(path) + cabinet;
    engine.copies.push_back(full);
    return engine.copy ? engine.copy(full, notify, user) : 1;
}
int ScriptDestroy(void*) {
    return 1;
}

// Notification helpers of the script.
std::intptr_t Info(TCabNotify notify, void* user, const std::string& next) {
    std::string name = next, disk, path;
    TCabNotification note;
    note.psz1 = name.data();
    note.psz2 = disk.data();
    note.psz3 = path.data();
    note.pv = user;
    return notify(kFdintCabinetInfo, &note);
}

std::intptr_t CopyFile(TCabNotify notify, void* user, std::string name, std::int32_t size,
                       std::uint16_t attribs = 0x20) {
    TCabNotification note;
    note.psz1 = name.data();
    note.cb = size;
    note.attribs = attribs;
    note.date = (41 << 9) | (3 << 5) | 4;
    note.pv = user;
    return notify(kFdintCopyFile, &note);
}

std::intptr_t Close(TCabNotify notify, void* user, std::string name, std::intptr_t hf) {
    TCabNotification note;
    note.psz1 = name.data();
    note.hf = hf;
    note.attribs = 0x20;
    note.pv = user;
    return notify(kFdintCloseFileInfo, &note);
}

// A whole member: copy, its data written, close; false when refused/aborted.
bool Member(TCabNotify notify, void* user, const std::string& name, const std::string& data) {
    const std::intptr_t hf = CopyFile(notify, user, name, static_cast<std::int32_t>(data.size()));
    if (hf <= 0) return false;
    std::string bytes = data;
    engine.write(hf, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return Close(notify, user, name, hf) == 1;
}

int Fail(int code) {
    *engine.erf = {code, 0, 1};
    return 0;
}

class UnCabProtocolTest : public testing::Test {
protected:
    void SetUp() override {
        engine = Engine{};
        InstallCabinetEntries({ScriptCreate, ScriptIsCabinet, ScriptCopy, ScriptDestroy});
        WriteText(folder_.File("a.cab"), "MSCF scripted");
        WriteText(folder_.File("b.cab"), "MSCF scripted");
        fs::create_directory(folder_.File("out"));
    }
    void TearDown() override { LoadCabinetLibrary(ModuleFolder()); }
    std::unique_ptr<CabRun> Run() {
        auto run = std::make_unique<CabRun>(folder_.File("a.cab"), folder_.File("out"));
        run->reader->ArcType = atCab;
        return run;
    }
    TempFolder folder_;
};

TEST_F(UnCabProtocolTest, CpuTypeIsPassedLessOne) {
    for (auto [type, expected] :
         {std::pair{cptAuto, -1}, std::pair{cpt80286, 0}, std::pair{cpt80386, 1}}) {
        auto run = Run();
        run->reader->CpuType = type;
        run->reader->Extract();
        EXPECT_EQ(engine.cpuType, expected);
    }
}

TEST_F(UnCabProtocolTest, MembersAreWrittenByTheReaderAndCounted) {
    std::vector<std::intptr_t> walkAnswers;
    engine.copy = [&walkAnswers](const std::string&, TCabNotify notify, void* user) {
        if (Info(notify, user, "") == -1) return Fail(kFdiErrorUserAbort);
        // The walk skips every member; the extraction takes them.
        if (engine.copies.size() == 1) {
            walkAnswers.push_back(CopyFile(notify, user, "x.txt", 0));
            return 1;
        }
        Member(notify, user, "x.txt", "");
        Member(notify, user, "dir\\y.txt", "why");
        return 1;
    };
    auto run = Run();
    EXPECT_EQ(run->reader->Extract(), 2);
    EXPECT_EQ(walkAnswers, std::vector<std::intptr_t>{0});
    EXPECT_TRUE(fs::exists(folder_.File("out/x.txt")));
    EXPECT_EQ(ReadText(folder_.File("out/dir/y.txt")), "why");
    EXPECT_EQ(engine.copies.size(), 2u);
}

TEST_F(UnCabProtocolTest, OutputIsBoundToTheMemberSize) {
    engine.copy = [](const std::string&, TCabNotify notify, void* user) {
        const std::intptr_t hf = CopyFile(notify, user, "x.txt", 4);
        if (hf > 0) {
            std::string bytes = "0123456789";
            engine.write(hf, bytes.data(), 10);
            Close(notify, user, "x.txt", hf);
        }
        return 1;
    };
    auto run = Run();
    EXPECT_EQ(run->reader->Extract(), 1);
    EXPECT_EQ(ReadText(folder_.File("out/x.txt")), "0123");
}

TEST_F(UnCabProtocolTest, ErrorCodesOfTheModule) {
    struct Case {
        int code;
        int reported; // 0: nothing reported
    };
    for (const Case c :
         {Case{kFdiErrorCorruptCabinet, kMsgCorruptInput}, Case{kFdiErrorUserAbort, 0},
          Case{kFdiErrorBadCompression, kMsgReadError}, Case{kFdiErrorTargetFile, kMsgReadError}}) {
        SCOPED_TRACE(c.code);
        engine.copies.clear();
        engine.copy = [&c](const std::string&, TCabNotify notify, void* user) {
            if (engine.copies.size() == 1) return 1; // the walk
            const std::intptr_t hf = CopyFile(notify, user, "half.txt", 10);
            std::string bytes = "half";
            engine.write(hf, bytes.data(), 4);
            return Fail(c.code);
        };
        auto run = Run();
        EXPECT_EQ(run->reader->Extract(), 0);
        if (c.reported == 0) {
            EXPECT_TRUE(run->errors.empty()) << run->ErrorText();
        } else {
            ASSERT_EQ(run->Count(c.reported), 1) << run->ErrorText();
        }
        if (c.reported == kMsgCorruptInput) {
            EXPECT_EQ(run->errors[0].fileName, "half.txt");
        }
        if (c.reported == kMsgReadError) {
            EXPECT_NE(run->errors[0].extended.find("Cabinet error " + std::to_string(c.code)),
                      std::string::npos);
        }
        // The member cut short is closed as not extracted.
        ASSERT_EQ(run->verdicts.size(), 1u);
        EXPECT_FALSE(run->verdicts[0].second);
    }
}

TEST_F(UnCabProtocolTest, NextCabinetAcceptedOnceAndCopiedFromBesideTheFirst) {
    engine.copy = [this](const std::string& path, TCabNotify notify, void* user) {
        const bool first = path == folder_.File("a.cab");
        if (Info(notify, user, first ? "b.cab" : "") == -1) return Fail(kFdiErrorUserAbort);
        if (engine.copies.size() % 2 == 1) return 1; // the walks
        if (first) {
            const std::intptr_t hf = CopyFile(notify, user, "span.txt", 6);
            std::string part = "abc";
            engine.write(hf, part.data(), 3);
            char name[kCabNameBuffer] = "b.cab";
            char folder[kCabNameBuffer] = {};
            std::snprintf(folder, sizeof folder, "%s/", folder_.Path().c_str());
            TCabNotification next;
            next.psz1 = name;
            next.psz3 = folder;
            next.pv = user;
            if (notify(kFdintNextCabinet, &next) == -1) return Fail(kFdiErrorUserAbort);
            part = "def";
            engine.write(hf, part.data(), 3);
            Close(notify, user, "span.txt", hf);
        } else {
            Member(notify, user, "last.txt", "z");
        }
        return 1;
    };
    auto run = Run();
    EXPECT_EQ(run->reader->Extract(), 2);
    EXPECT_EQ(ReadText(folder_.File("out/span.txt")), "abcdef");
    EXPECT_EQ(run->asked, std::vector<std::string>{folder_.File("b.cab")});
    EXPECT_EQ(engine.copies,
              (std::vector<std::string>{folder_.File("a.cab"), folder_.File("a.cab"),
                                        folder_.File("b.cab"), folder_.File("b.cab")}));
}

TEST_F(UnCabProtocolTest, NextCabinetDeclinedEndsAfterTheFirstCabinet) {
    std::intptr_t answer = 0;
    engine.copy = [this, &answer](const std::string&, TCabNotify notify, void* user) {
        if (Info(notify, user, "b.cab") == -1) return Fail(kFdiErrorUserAbort);
        if (engine.copies.size() == 1) return 1;
        Member(notify, user, "whole.txt", "w");
        const std::intptr_t hf = CopyFile(notify, user, "span.txt", 6);
        char name[kCabNameBuffer] = "b.cab";
        char folder[kCabNameBuffer] = {};
        std::snprintf(folder, sizeof folder, "%s/", folder_.Path().c_str());
        TCabNotification next;
        next.psz1 = name;
        next.psz3 = folder;
        next.pv = user;
        answer = notify(kFdintNextCabinet, &next);
        (void)hf;
        return Fail(kFdiErrorUserAbort);
    };
    auto run = Run();
    run->acceptNext = false;
    EXPECT_EQ(run->reader->Extract(), 1);
    EXPECT_EQ(answer, -1);
    EXPECT_EQ(engine.copies.size(), 2u); // never b.cab
    EXPECT_EQ(run->asked.size(), 1u);
    ASSERT_EQ(run->verdicts.size(), 2u);
    EXPECT_FALSE(run->verdicts[1].second);
}

TEST_F(UnCabProtocolTest, SetThatComesBackEnds) {
    engine.copy = [this](const std::string& path, TCabNotify notify, void* user) {
        Info(notify, user, path == folder_.File("a.cab") ? "b.cab" : "a.cab");
        return 1;
    };
    auto run = Run();
    run->reader->Extract();
    EXPECT_EQ(engine.copies.size(), 4u);
}

TEST_F(UnCabProtocolTest, OutputThatCannotBeOpenedSkipsOnlyThatMember) {
    WriteText(folder_.File("out/blocker"), "a file, not a folder\n");
    std::vector<std::intptr_t> answers;
    engine.copy = [&answers](const std::string&, TCabNotify notify, void* user) {
        if (engine.copies.size() == 1) return 1;
        answers.push_back(CopyFile(notify, user, "blocker\\x.txt", 1));
        if (!Member(notify, user, "fine.txt", "f")) return Fail(kFdiErrorUserAbort);
        return 1;
    };
    auto run = Run();
    EXPECT_EQ(run->reader->Extract(), 1);
    EXPECT_EQ(answers, std::vector<std::intptr_t>{0});
    EXPECT_EQ(run->Count(kMsgOpenError), 1) << run->ErrorText();
    EXPECT_EQ(run->Count(kMsgUserCanceled), 0) << run->ErrorText();
    EXPECT_EQ(ReadText(folder_.File("out/fine.txt")), "f");
}

TEST_F(UnCabProtocolTest, NotACabinetIsReported) {
    engine.isCabinet = 0;
    auto run = Run();
    EXPECT_EQ(run->reader->Extract(), 0);
    EXPECT_EQ(run->Count(kMsgBadFileHeader), 1) << run->ErrorText();
    EXPECT_TRUE(engine.copies.empty());
}

TEST_F(UnCabProtocolTest, ExceptionInAnEventReachesTheRunNotTheModule) {
    engine.copy = [](const std::string&, TCabNotify notify, void* user) {
        if (engine.copies.size() == 1) return 1;
        return CopyFile(notify, user, "x.txt", 1) == -1 ? Fail(kFdiErrorUserAbort) : 1;
    };
    auto run = Run();
    run->reader->OnBegin = [](TZipCommon&, const std::string&, int, bool&) {
        throw std::runtime_error("from the event");
    };
    EXPECT_EQ(run->reader->Extract(), 0);
    EXPECT_TRUE(run->reader->RunFailed);
}

TEST(UnCabLibrary, MissingModuleGivesItsMessage) {
    TempFolder empty, out;
    LoadCabinetLibrary(empty.Path());
    EXPECT_FALSE(CabinetLibraryLoaded());
    WriteText(empty.File("a.cab"), "MSCF");
    CabRun run(empty.File("a.cab"), out.Path());
    run.reader->ArcType = atCab;
    EXPECT_EQ(run.reader->Extract(), 0);
    ASSERT_EQ(run.Count(kMsgCabinetNotFound), 1) << run.ErrorText();
    EXPECT_EQ(run.errors[0].fileName, empty.File("a.cab"));
    EXPECT_EQ(out.Count(), 0u);
    LoadCabinetLibrary(ModuleFolder());
    EXPECT_TRUE(CabinetLibraryLoaded());
}

} // namespace
} // namespace sorvane
