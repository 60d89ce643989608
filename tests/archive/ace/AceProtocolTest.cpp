// The ACE reader's side of the module protocol, driven by a scripted module:
// the records it hands over, and its answers to errors, requests and states.
#include "archive/arxMessages.h"
#include "platform/FileAttributes.h"
#include "platform/LoadedModule.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/ace/AceTestSupport.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace sorvane::test {
namespace {

using TDriverFunction =
    std::function<int(const TAceInitRecord&, const char*, const TAceFilesRecord&, int)>;
using TSetDriver = void (*)(int (*)(const TAceInitRecord*, const char*, const TAceFilesRecord*,
                                    int),
                            int);

TDriverFunction g_script;

int Driver(const TAceInitRecord* init, const char* archive, const TAceFilesRecord* files,
           int operation) {
    return g_script ? g_script(*init, archive, *files, operation) : 0;
}

// The scripted module, kept loaded by the test so its driver stays set while
// the reader loads and releases it for its run.
class AceProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module_.Load(ACE_SCRIPTED_PATH));
        setDriver_ = reinterpret_cast<TSetDriver>(module_.Symbol("AceScriptSetDriver"));
        ASSERT_NE(setDriver_, nullptr);
        Script(nullptr);
    }
    void TearDown() override {
        g_script = nullptr;
        if (setDriver_ != nullptr) setDriver_(nullptr, 0);
    }
    void Script(TDriverFunction script, int initResult = 0) {
        g_script = std::move(script);
        setDriver_(&Driver, initResult);
    }
    std::unique_ptr<AceRun> Run(const std::string& archive = DataPath("ace/stored.ace")) {
        return std::make_unique<AceRun>(archive, destination_.Path(), ACE_SCRIPTED_PATH);
    }
    static int State(const TAceInitRecord& init, int operation, int code, const char* name,
                     const std::string& data = "", bool crcOk = true) {
        TAceStateInfo info{};
        info.Operation = operation;
        info.Code = code;
        info.MemberName = name;
        info.Size = data.size();
        info.PackedSize = data.size();
        info.DosTime = 0x52642864; // 2021-03-04 05:03:08
        info.Attributes = 0x20;
        info.Data = reinterpret_cast<const std::uint8_t*>(data.data());
        info.DataSize = static_cast<std::uint32_t>(data.size());
        info.CrcOk = crcOk ? 1 : 0;
        return init.State(&info);
    }
    // One member as an engine hands it over: start, one block, end; the answers.
    static std::vector<int> Member(const TAceInitRecord& init, int operation, const char* name,
                                   const std::string& data) {
        return {State(init, operation, kAceStateMemberStart, name, data),
                State(init, operation, kAceStateProgress, name, data),
                State(init, operation, kAceStateMemberEnd, name, data)};
    }

    TempFolder destination_;
    TLoadedModule module_;
    TSetDriver setDriver_ = nullptr;
};

TEST_F(AceProtocol, RecordsHandedToTheModule) {
    struct Case {
        std::vector<std::string> spec;
        bool useStoredDirs, test;
        std::string masks;
        int operation, excludePath;
    };
    const Case cases[] = {
        {{"a.txt", "b.txt"}, true, false, "a.txt\rb.txt\r", kAceOperationExtract, 0},
        {{}, false, false, "*", kAceOperationExtract, 1},
        {{"*"}, true, true, "*\r", kAceOperationTest, 0},
    };
    for (const Case& c : cases) {
        auto run = Run();
        run->reader->FileSpec = c.spec;
        run->reader->UseStoredDirs = c.useStoredDirs;
        run->reader->Password = "pw";
        int calls = 0;
        Script([&](const TAceInitRecord& init, const char* archive, const TAceFilesRecord& files,
                   int operation) {
            ++calls;
            EXPECT_EQ(init.MaxArchiveTestBytes, 0x1FFFFu);
            EXPECT_EQ(init.MaxFileBufferSize, 0x2FFFFu);
            EXPECT_EQ(init.CommentBufferSize, 8191u);
            EXPECT_NE(init.TempFolder, nullptr);
            EXPECT_EQ(std::string(archive), DataPath("ace/stored.ace"));
            EXPECT_EQ(std::string(files.Masks), c.masks);
            EXPECT_EQ(std::string(files.Exclusions), "");
            EXPECT_EQ(files.FullMatch, 1);
            EXPECT_EQ(std::string(files.Password), "pw");
            EXPECT_EQ(operation, c.operation);
            if (operation == kAceOperationExtract) {
                EXPECT_EQ(std::string(files.Destination), destination_.Path() + "/");
                EXPECT_EQ(files.ExcludePath, c.excludePath);
            }
            return 0;
        });
        if (c.test)
            run->reader->TestFiles();
        else
            run->reader->Extract();
        EXPECT_EQ(calls, 1) << c.masks;
        EXPECT_TRUE(run->errors.empty()) << run->ErrorText();
    }
}

TEST_F(AceProtocol, ErrorCodesAnswered) {
    struct Case {
        int code, answer, counterAfter, reported;
        const char* member;
    };
    const Case cases[] = {
        {kAceErrorCounterClear1, kAceAnswerOk, 0, 0, nullptr},
        {kAceErrorCounterClear2, kAceAnswerOk, 0, 0, nullptr},
        {kAceErrorCounterAdvance, kAceAnswerOk, 3, 0, nullptr},
        {kAceErrorUnsupported, kAceAnswerSkip, 2, kMsgUnsupportedMethod, "x.bin"},
        {kAceErrorCorrupt, kAceAnswerSkip, 2, kMsgCorruptInput, "x.bin"},
        {kAceErrorOpen, kAceAnswerSkip, 2, kMsgOpenError, nullptr},
        {999, kAceAnswerSkip, 2, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        auto run = Run();
        int answer = -1;
        Script([&](const TAceInitRecord& init, const char* archive, const TAceFilesRecord&, int) {
            TAceErrorInfo info{c.code, archive, c.member};
            answer = init.Error(&info);
            return 0;
        });
        run->reader->Extract();
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(run->reader->MemberCounter, c.counterAfter); // the walk counted 2
        EXPECT_EQ(run->errors.size(), c.reported != 0 ? 1u : 0u) << run->ErrorText();
        if (c.reported != 0) {
            EXPECT_EQ(run->errors[0].code, c.reported);
            EXPECT_EQ(run->errors[0].fileName,
                      c.member != nullptr ? c.member : DataPath("ace/stored.ace"));
        }
    }
}

TEST_F(AceProtocol, InformationAndUnknownRequestsAndCancelledRuns) {
    auto run = Run();
    std::vector<int> answers;
    Script([&](const TAceInitRecord& init, const char*, const TAceFilesRecord&, int op) {
        answers.push_back(init.Info("text"));
        TAceRequestInfo other{kAceRequestMember, 999, 0, nullptr, 0, nullptr};
        answers.push_back(init.Request(&other));
        *run->reader->CancelFlagRef = 1;
        TAceErrorInfo error{kAceErrorCounterAdvance, "", nullptr};
        answers.push_back(init.Error(&error));
        answers.push_back(State(init, op, kAceStateMemberStart, "alpha.txt", "x"));
        return 0;
    });
    run->reader->Extract();
    EXPECT_EQ(answers, (std::vector<int>{kAceAnswerCancel, kAceAnswerCancel, kAceAnswerCancel,
                                         kAceAnswerCancel}));
}

TEST_F(AceProtocol, NextVolumeRequests) {
    struct Case {
        std::string name;
        bool copySecond, handler, decline;
        int answer, asks, reported;
    };
    const Case cases[] = {
        {"found beside the first (other letter case)", true, true, false, kAceAnswerOk, 0, 0},
        {"declined", false, true, true, kAceAnswerCancel, 1, 0},
        {"still missing: answered missing, asked once", false, true, false, kAceAnswerSkip, 1, 0},
        {"no handler", true, false, false, kAceAnswerCancel, 0, kMsgEventNotAssigned},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder source;
        const std::string first = CopyFixture("volumes.ace", source.Path());
        if (c.copySecond) CopyFixture("volumes.c00", source.Path());
        auto run = Run(first);
        int asks = 0;
        if (!c.handler)
            run->reader->OnNextVolume = nullptr;
        else
            run->reader->OnNextVolume = [&](TZipCommon&, std::string&, int id, bool exists,
                                            bool& cancel) {
                ++asks;
                EXPECT_EQ(id, 1);
                EXPECT_FALSE(exists);
                cancel = c.decline;
            };
        int answer = -1;
        std::string buffer;
        int number = 0;
        Script([&](const TAceInitRecord& init, const char*, const TAceFilesRecord&, int) {
            char path[512] = "unchanged";
            TAceRequestInfo info{kAceRequestArchive, kAceRequestNextVolume, 1, path, sizeof path,
                                 "beta.txt"};
            answer = init.Request(&info);
            buffer = path;
            number = info.VolumeNumber;
            return 0;
        });
        run->reader->Extract();
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(asks, c.asks);
        if (c.answer == kAceAnswerOk) {
            EXPECT_EQ(buffer, source.File("volumes.c00"));
            EXPECT_EQ(run->reader->VolumeNumber, 1);
            EXPECT_EQ(number, 1);
            // The new volume was walked: its member counts.
            EXPECT_EQ(run->reader->MemberCounter, 1);
        }
        EXPECT_EQ(run->Count(c.reported), c.reported != 0 ? 1 : 0) << run->ErrorText();
    }
}

TEST_F(AceProtocol, OverwriteRequest) {
    for (const TOverwriteMode mode : {omSkip, omOverwrite}) {
        auto run = Run();
        const std::string target = destination_.File("alpha.txt");
        WriteText(target, "old");
        SetDosAttributes(target, kDosReadOnly);
        run->reader->OverwriteMode = mode;
        int answer = -1;
        Script([&](const TAceInitRecord& init, const char*, const TAceFilesRecord&, int) {
            run->reader->CurrentFileName = target;
            TAceRequestInfo info{kAceRequestMember, kAceRequestOverwrite, 0, nullptr, 0,
                                 "alpha.txt"};
            answer = init.Request(&info);
            return 0;
        });
        run->reader->Extract();
        EXPECT_EQ(answer, mode == omSkip ? kAceAnswerSkip : kAceAnswerOk);
        EXPECT_EQ(ReadText(target), "old");
        // The answer changes nothing on disk: a written member replaces the
        // file by a rename, so a read-only one stays as it is until then.
        EXPECT_NE(ReadDosAttributes(target).value_or(0) & kDosReadOnly, 0u);
        SetDosAttributes(target, 0);
    }
}

TEST_F(AceProtocol, PasswordRequest) {
    struct Case {
        std::string name;
        bool handler;
        std::vector<std::string> given; // per attempt; "!" throws, "-" says stop
        int answer, asks;
        std::string buffer;
        std::vector<int> reported;
    };
    const Case cases[] = {
        {"given", true, {"secret"}, kAceAnswerOk, 1, "secret", {}},
        {"empty on every attempt",
         true,
         {"", "", ""},
         kAceAnswerCancel,
         3,
         "",
         {kMsgPasswordFailed, kMsgInvalidPassword}},
        {"TryAgain false", true, {"-"}, kAceAnswerCancel, 1, "", {kMsgInvalidPassword}},
        {"no handler", false, {}, kAceAnswerCancel, 0, "", {kMsgEventNotAssigned}},
        {"handler throws", true, {"!"}, kAceAnswerSkip, 1, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto run = Run();
        int asks = 0;
        if (c.handler)
            run->reader->OnGetPassword = [&](TZipCommon&, const std::string& name,
                                             std::string& password, bool& tryAgain) {
                EXPECT_EQ(name, "secret.txt");
                const std::string given = c.given.at(static_cast<std::size_t>(asks++));
                if (given == "!") throw std::runtime_error("no");
                tryAgain = given != "-";
                password = given == "-" ? "" : given;
            };
        int answer = -1;
        std::string buffer;
        Script([&](const TAceInitRecord& init, const char*, const TAceFilesRecord&, int) {
            char password[64] = "x";
            TAceRequestInfo info{kAceRequestMember, kAceRequestPassword, 0,
                                 password,          sizeof password,     "secret.txt"};
            answer = init.Request(&info);
            buffer = password;
            return 0;
        });
        run->reader->Extract();
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(asks, c.asks);
        if (c.answer != kAceAnswerCancel) {
            EXPECT_EQ(buffer, c.buffer);
        }
        std::vector<int> reported;
        for (const AceReported& r : run->errors)
            reported.push_back(r.code);
        EXPECT_EQ(reported, c.reported) << run->ErrorText();
    }
}

// A member the checks refuse is skipped at its start; blocks an engine sends
// anyway are not written. An accepted one is written under its guarded name.
TEST_F(AceProtocol, MemberStartSkipsRefusedMembers) {
    auto run = Run();
    run->reader->OnBegin = [](TZipCommon&, const std::string& name, int, bool& extract) {
        extract = name.find("keep") == std::string::npos;
    };
    std::vector<int> refused, taken, hostile;
    Script([&](const TAceInitRecord& init, const char*, const TAceFilesRecord&, int op) {
        refused = Member(init, op, "keep.txt", "refused data");
        taken = Member(init, op, "dir\\new.txt", "new data");
        hostile = Member(init, op, "..\\x.txt", "outside");
        return 0;
    });
    EXPECT_EQ(run->reader->Extract(), 1);
    EXPECT_EQ(refused, (std::vector<int>{kAceAnswerSkip, kAceAnswerOk, kAceAnswerOk}));
    EXPECT_EQ(taken, (std::vector<int>{kAceAnswerOk, kAceAnswerOk, kAceAnswerOk}));
    EXPECT_EQ(hostile, (std::vector<int>{kAceAnswerSkip, kAceAnswerOk, kAceAnswerOk}));
    EXPECT_EQ(ReadText(destination_.File("dir/new.txt")), "new data");
    EXPECT_FALSE(std::filesystem::exists(destination_.File("keep.txt")));
    EXPECT_EQ(run->Count(kMsgInvalidFileName), 1) << run->ErrorText();
    EXPECT_EQ(run->verdicts.size(), 1u);
}

TEST_F(AceProtocol, CrcVerdictWithoutOnEndIsReported) {
    auto run = Run();
    run->reader->OnEnd = nullptr;
    Script([&](const TAceInitRecord& init, const char*, const TAceFilesRecord&, int op) {
        State(init, op, kAceStateMemberStart, "bad.txt", "data", false);
        State(init, op, kAceStateProgress, "bad.txt", "data", false);
        State(init, op, kAceStateMemberEnd, "bad.txt", "data", false);
        return 0;
    });
    EXPECT_EQ(run->reader->Extract(), 0);
    EXPECT_EQ(run->Count(kMsgCrcFailed), 1) << run->ErrorText();
}

// An exception of an event never crosses into the module: the module gets a
// cancel, and the run reports the exception once the module has returned.
TEST_F(AceProtocol, ExceptionsWaitForTheModuleToReturn) {
    auto run = Run();
    run->reader->OnBegin = [](TZipCommon&, const std::string&, int, bool&) {
        throw std::runtime_error("handler failed");
    };
    int answer = -1;
    bool returned = false;
    Script([&](const TAceInitRecord& init, const char*, const TAceFilesRecord&, int op) {
        answer = State(init, op, kAceStateMemberStart, "a.txt", "x");
        returned = true;
        return 0;
    });
    run->reader->Extract();
    EXPECT_EQ(answer, kAceAnswerCancel);
    EXPECT_TRUE(returned);
    ASSERT_EQ(run->errors.size(), 1u);
    EXPECT_EQ(run->errors[0].extended, "handler failed");
}

TEST_F(AceProtocol, FailedInitialisationOrWalkGivesTheLoadMessage) {
    for (const bool badInit : {true, false}) {
        TempFolder source;
        WriteText(source.File("not.ace"), "no archive here at all, none");
        auto run = Run(badInit ? DataPath("ace/stored.ace") : source.File("not.ace"));
        bool called = false;
        Script(
            [&](const TAceInitRecord&, const char*, const TAceFilesRecord&, int) {
                called = true;
                return 0;
            },
            badInit ? 1 : 0);
        run->reader->Extract();
        EXPECT_FALSE(called);
        EXPECT_EQ(run->Count(kMsgAceLibraryLoad), 1) << run->ErrorText();
    }
}

} // namespace
} // namespace sorvane::test
