// Archive kind detection over the fixture corpus of tests/data/archive (see
// its README): the kind, start offset, volume number and letter and ZIP
// offset shift of every file, and detection that returns on every fixture
// cut short or with damaged bytes.
#include "archive/arxRegister.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace sorvane {
namespace {

using test::DataPath;
using test::ReadText;
using test::TempFolder;
using test::WriteText;

namespace fs = std::filesystem;

// An offset or shift that the table does not check.
constexpr std::int64_t kAny = std::numeric_limits<std::int64_t>::min();
constexpr std::int32_t kAnyShift = std::numeric_limits<std::int32_t>::min();

struct DetectCase {
    const char* file; // below tests/data/archive
    TArcType kind;
    std::int64_t start;
    std::int32_t volume;
    char letter; // 0: the kind has no volume letter, not checked
    std::int32_t shift;
};

// The rows of tests/data/archive/README.md, worked out from the detection rules
// and the fixtures' bytes.
const DetectCase kCorpus[] = {
    {"codecs/shrink.zip", atZip, kAny, 0, 0, 0},
    {"codecs/reduce.zip", atZip, kAny, 0, 0, 0},
    {"codecs/implode.zip", atZip, kAny, 0, 0, 0},
    {"codecs/deflate64-hand.zip", atZip, kAny, 0, 0, 0},
    {"codecs/deflate64-7z.zip", atZip, kAny, 0, 0, 0},
    {"zip/stored.zip", atZip, 839, 0, 0, 0},
    {"zip/deflated.zip", atZip, 225, 0, 0, 0},
    {"zip/encrypted-stored.zip", atZip, 895, 0, 0, 0},
    {"zip/encrypted-deflated.zip", atZip, 281, 0, 0, 0},
    {"zip/zip64.zip", atZip, 265, 0, 0, 0},
    {"zip/folders.zip", atZip, 209, 0, 0, 0},
    {"zip/times.zip", atZip, 600, 0, 0, 0},
    {"zip/times-ntfs.zip", atZip, 51, 0, 0, 0},
    {"zip/times-dos.zip", atZip, 84, 0, 0, 0},
    {"zip/comment.zip", atZip, 91, 0, 0, 0},
    {"zip/split.z01", atZipMV, 0, 0, 0, 0},
    {"zip/split.zip", atZipMV, 4508, 0, 0, 0},
    {"zip/bomb.zip", atZip, kAny, 0, 0, kAnyShift},
    {"zip/descriptor.zip", atZip, kAny, 0, 0, kAnyShift},
    {"zip/descriptor-noend.zip", atZip, 0, 0, 0, kAnyShift},
    {"zip/encrypted-descriptor.zip", atZip, kAny, 0, 0, kAnyShift},
    {"zip/hostile.zip", atZip, kAny, 0, 0, kAnyShift},
    {"zip/links.zip", atZip, kAny, 0, 0, kAnyShift},
    {"zip/method99.zip", atZip, kAny, 0, 0, kAnyShift},
    {"zip/aes.zip", atZip, kAny, 0, 0, kAnyShift},
    {"zip/readonly.zip", atZip, kAny, 0, 0, kAnyShift},
    {"zip/split-deflate.z01", atZipMV, 0, 0, 0, kAnyShift},
    {"zip/split-deflate.zip", atZipMV, kAny, 0, 0, kAnyShift},
    {"arc/crunch5.arc", atArc, 0, 0, 0, kAnyShift},
    {"arc/crunch6.arc", atArc, 0, 0, 0, kAnyShift},
    {"arc/crunch7.arc", atArc, 0, 0, 0, kAnyShift},
    {"arc/folders.arc", atArc, 0, 0, 0, kAnyShift},
    {"arc/hand-packed.arc", atArc, 0, 0, 0, kAnyShift},
    {"arc/hand-squeezed.arc", atArc, 0, 0, 0, kAnyShift},
    {"arc/longrun.arc", atArc, 0, 0, 0, kAnyShift},
    {"arc/mixed.pak", atPak, 0, 0, 0, kAnyShift},
    {"arc/old-stored.arc", atArc, 0, 0, 0, kAnyShift},
    {"arc/sfx-6674.exe", atArcExe, 6674, 0, 0, kAnyShift},
    {"arc/squeezed.arc", atNA, kAny, 0, 0, kAnyShift},
    {"zip/utf8-name.zip", atZip, 69, 0, 0, 0},
    {"zip/deflate64.zip", atZip, 227, 0, 0, 0},
    {"zip/bzip2.zip", atZip, 286, 0, 0, 0},
    {"zip/lzma.zip", atZip, 237, 0, 0, 0},
    {"zip/ppmd.zip", atZip, 219, 0, 0, 0},
    {"zip/x.jar", atJar, 535, 0, 'j', 0},
    {"zip/junk-prefix.zip", atZip, 939, 0, 0, 100},
    {"zip/zero-prefix.zip", atZip, 903, 0, 0, 64},
    {"zip/zero-prefix-noend.zip", atZip, 64, 0, 0, 0},
    {"arj/method0.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/method1.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/method2.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/method3.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/method4.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/garbled.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/unix-host.arj", atArj, 0, 1, 'a', kAnyShift},
    {"names/unix.zip", atZip, 280, 0, 0, 0},
    {"names/unix.arj", atArj, 0, 1, 'a', kAnyShift},
    {"names/dos.arj", atArj, 0, 1, 'a', kAnyShift},
    {"names/names.arc", atArc, 0, 0, 0, kAnyShift},
    {"names/level1.lzh", atLha, 0, 0, 0, kAnyShift},
    {"names/level2.lzh", atLha, 0, 0, 0, kAnyShift},
    {"arj/multivol.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/multivol.a01", atArj, 0, 2, 'a', kAnyShift},
    {"arj/multivol.a02", atArj, 0, 3, 'a', kAnyShift},
    {"arj/long1.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/long2.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/long3.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/long4.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/garbled4.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/three1.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/three4.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/text.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/dirs.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/times.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/label.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arj/trailing.arj", atArj, 0, 1, 'a', kAnyShift},
    {"arc/stored.arc", atArc, 0, 0, 0, kAnyShift},
    {"arc/crunched.arc", atArc, 0, 0, 0, kAnyShift},
    {"arc/squashed.arc", atArc, 0, 0, 0, kAnyShift},
    {"arc/packed.arc", atNA, kAny, 0, 0, kAnyShift},
    {"lha/level0-lh0.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/level0-lh5.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/level1-lh0.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/level1-lh6.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/level2-lh5.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/level2-lh7.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/level1-folders.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/level2-folders.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/times-level2.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/jlha-0.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/jlha-1.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/jlha-2.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/jlha-o5.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/jlha-o6.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/jlha-o7.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/jlha-z.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/lib-lh1.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/lib-lh1-level0.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/lib-lh4.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/lib-refused.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/edge-streams.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/links-1.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/links-2.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/zeros-lh5.lzh", atLha, 0, 0, 0, kAnyShift},
    {"lha/zeros-lh7.lzh", atLha, 0, 0, 0, kAnyShift},
    {"cab/stored.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/mszip.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/folders.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/damaged.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/hostile.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/loop-a.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/loop-b.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/self.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/span1.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/span2.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/truncated.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/utf8-mszip.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/utf8-names.cab", atCab, 0, 0, 0, kAnyShift},
    {"cab/sfx-mszip.exe", atCabExe, 17000, 0, 0, kAnyShift},
    {"tar/v7.tar", atTar, 0, 0, 0, kAnyShift},
    {"tar/ustar.tar", atTar, 0, 0, 0, kAnyShift},
    {"tar/gnu-longname.tar", atTar, 0, 0, 0, kAnyShift},
    {"tar/pax.tar", atTar, 0, 0, 0, kAnyShift},
    {"tar/pax-large.tar.head", atTar, 0, 0, 0, kAnyShift},
    {"tar/pax-large.tar.tail", atTar, 0, 0, 0, kAnyShift},
    {"tar/volume-label.tar", atTar, 512, 0, 0, kAnyShift},
    {"tar/docs.tar.gz", atGZip, 0, 0, 0, kAnyShift},
    {"tar/pair.tgz", atGZip, 0, 0, 0, kAnyShift},
    {"tar/times.tar", atTar, 0, 0, 0, kAnyShift},
    {"tar/odd.txt.gz", atGZip, 0, 0, 0, kAnyShift},
    {"gzip/stored-name.gz", atGZip, 0, 0, 0, kAnyShift},
    {"gzip/no-name.txt.gz", atGZip, 0, 0, 0, kAnyShift},
    {"compress/beta.txt.Z", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/b10.Z", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/b11.Z", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/b12.Z", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/b13.Z", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/b14.Z", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/b15.Z", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/b16.Z", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/clear.Z", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/devices.tar", atTar, 0, 0, 0, kAnyShift},
    {"untargz/folders.tar.Z", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/folders.tgz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/cut.tgz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/gnu.tar", atTar, 0, 0, 0, kAnyShift},
    {"untargz/level1.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/level2.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/level3.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/level4.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/level5.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/level6.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/level7.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/level8.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/level9.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/long-name.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/multi.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/name-comment.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/no-name.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/nonblock.Z", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/padded.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/pax.tar", atTar, 0, 0, 0, kAnyShift},
    {"untargz/sparse-gnu.tar", atTar, 0, 0, 0, kAnyShift},
    {"untargz/sparse-pax.tar", atTar, 0, 0, 0, kAnyShift},
    {"untargz/text-flag.gz", atGZip, 0, 0, 0, kAnyShift},
    {"untargz/ustar.tar", atTar, 0, 0, 0, kAnyShift},
    {"uue/begin-644.uue", atUUE, 0, 0, 0, kAnyShift},
    {"uue/base64.uue", atNA, kAny, 0, 0, kAnyShift},
    {"uue/mail-text.uue", atUUE, 0, 0, 0, kAnyShift},
    {"uue/begin-alone.uue", atUUE, 0, 0, 0, kAnyShift},
    {"synth/stored.rar", atRar, 0, 0, 'q', kAnyShift},
    {"synth/unix-host.rar", atRar, 0, 0, 'q', kAnyShift},
    {"synth/oldvol.rar", atRar, 0, 0, 'q', kAnyShift},
    {"synth/oldvol.r00", atRar, 0, 1, 'r', kAnyShift},
    {"synth/oldvol.r01", atRar, 0, 2, 'r', kAnyShift},
    {"synth/newvol.part1.rar", atRar, 0, 0, 'q', kAnyShift},
    {"synth/newvol.part2.rar", atRar, 0, 0, 'q', kAnyShift},
    {"rar/names.rar", atRar, 0, 0, 'q', kAnyShift},
    {"rar/hostile.rar", atRar, 0, 0, 'q', kAnyShift},
    {"rar/encrypted.rar", atRar, 0, 0, 'q', kAnyShift},
    {"rar/rar20.rar", atRar, 0, 0, 'q', kAnyShift},
    {"rar/link.rar", atRar, 0, 0, 'q', kAnyShift},
    {"rar/times.rar", atRar, 0, 0, 'q', kAnyShift},
    {"rar/vol4.part0001.rar", atRar, 0, 0, 'q', kAnyShift},
    {"rar/vol4.part0002.rar", atRar, 0, 0, 'q', kAnyShift},
    {"rar/vol4.part0003.rar", atRar, 0, 0, 'q', kAnyShift},
    {"synth/stored.ace", atAce, 0, 0, 'C', kAnyShift},
    {"synth/multivol.ace", atAce, 0, 0, 'C', kAnyShift},
    {"synth/multivol.c00", atAce, 0, 1, 'c', kAnyShift},
    {"synth/tailvol.ace", atAce, 0, 0, 'C', kAnyShift},
    {"synth/tailvol.c00", atAce, 0, 1, 'c', kAnyShift},
    {"ace/stored.ace", atAce, 0, 0, 'C', kAnyShift},
    {"ace/lz77.ace", atAce, 0, 0, 'C', kAnyShift},
    {"ace/large.ace", atAce, 0, 0, 'C', kAnyShift},
    {"ace/ace20.ace", atAce, 0, 0, 'C', kAnyShift},
    {"ace/encrypted.ace", atAce, 0, 0, 'C', kAnyShift},
    {"ace/hostile.ace", atAce, 0, 0, 'C', kAnyShift},
    {"ace/solid.ace", atAce, 0, 0, 'C', kAnyShift},
    {"ace/volumes.ace", atAce, 0, 0, 'C', kAnyShift},
    {"ace/volumes.c00", atAce, 0, 1, 'c', kAnyShift},
    {"ace/codec-distance-before-start.bin", atNA, kAny, 0, 0, kAnyShift},
    {"ace/codec-width-too-long.bin", atNA, kAny, 0, 0, kAnyShift},
    {"synth/stored.zoo", atZoo, 0, 0, 0, kAnyShift},
    {"zoo/lzw.zoo", atZoo, 0, 0, 0, kAnyShift},
    {"zoo/lh5.zoo", atZoo, 0, 0, 0, kAnyShift},
    {"zoo/deleted.zoo", atZoo, 0, 0, 0, kAnyShift},
    {"zoo/method3.zoo", atZoo, 0, 0, 0, kAnyShift},
    {"zoo/cycle.zoo", atZoo, 0, 0, 0, kAnyShift},
    {"synth/stored.ha", atHA, 0, 0, 0, kAnyShift},
    {"synth/stored.bh", atBh, 0, 0, 0, kAnyShift},
    {"synth/installshield.z", atMsGZ, 0, 0, 0, kAnyShift},
    {"synth/arc-folder.arc", atArc, 0, 0, 0, kAnyShift},
    {"synth/pak-distilled.pak", atPak, 0, 0, 0, kAnyShift},
    {"synth/set1.cab", atCab, 0, 0, 0, kAnyShift},
    {"synth/set2.cab", atCab, 0, 0, 0, kAnyShift},
    {"synth/arc-sfx-6674.exe", atArcExe, 6674, 0, 0, kAnyShift},
    {"synth/pak-sfx-8601.exe", atPakExe, 8601, 0, 0, kAnyShift},
    {"synth/lha-sfx-1945.exe", atLhaExe, 1945, 0, 0, kAnyShift},
    {"synth/zip-sfx-7612.exe", atZipExe, 8451, 0, 0, 0},
    {"synth/zip-sfx-25661.exe", atZipExe, 26500, 0, 0, 0},
    {"synth/zip-after-stub.exe", atZipExe, 1839, 0, 0, 1000},
    {"synth/rar-at-image-end.exe", atRarExe, 1000, 0, 'q', kAnyShift},
    {"synth/arj-at-image-end.exe", atArjExe, 1002, 1, 0, kAnyShift},
    {"synth/scan-arj.exe", atArjExe, 17000, 1, 0, kAnyShift},
    {"synth/scan-rar.exe", atRarExe, 17000, 0, 'q', kAnyShift},
    {"synth/scan-ace.exe", atAceExe, 17000, 0, 0, kAnyShift},
    {"synth/scan-bh.exe", atBhExe, 17000, 0, 0, kAnyShift},
    {"synth/scan-cab.exe", atCabExe, 17000, 0, 0, kAnyShift},
    {"synth/scan-lha.exe", atLhaExe, 17000, 0, 0, kAnyShift},
    {"synth/scan-zip-noend.exe", atZipExe, 17000, 0, 0, 0},
    {"synth/stub-only.exe", atNA, kAny, 0, 0, kAnyShift},
    {"synth/macbinary.lzh", atLha, 128, 0, 0, kAnyShift},
    {"synth/pkg5.bin", atUnknown, -1, 0, 0, kAnyShift},
    {"synth/spanned-marker.zip", atZipMV, 843, 0, 0, 0},
    {"synth/zip-19-bytes.zip", atNA, -1, 0, 0, kAnyShift},
    {"synth/zeros-20.bin", atNA, kAny, 0, 0, kAnyShift},
    {"synth/extra-field.gz", atGZip, 0, 0, 0, kAnyShift},
    {"synth/postscript.ps", atGZip, 0, 0, 0, kAnyShift},
};

std::string TestName(const testing::TestParamInfo<DetectCase>& info) {
    std::string name = info.param.file;
    for (char& c : name)
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) c = '_';
    return name;
}

class ArchiveCorpusDetection : public testing::TestWithParam<DetectCase> {};

TEST_P(ArchiveCorpusDetection, GivesTheKindOffsetAndVolumeOfTheReadme) {
    const DetectCase& c = GetParam();
    const std::string path = DataPath(c.file);
    ASSERT_TRUE(fs::is_regular_file(path)) << path;
    TRegisterArxon arx;
    arx.SetArchiveFile(path);
    EXPECT_EQ(ArcTypeName(arx.ArcType), ArcTypeName(c.kind));
    if (c.start != kAny) {
        EXPECT_EQ(arx.StartOffset, c.start);
    }
    EXPECT_EQ(arx.VolumeNumber, c.volume);
    if (c.letter != 0) {
        EXPECT_EQ(arx.VolumeLetter, c.letter);
    }
    if (c.shift != kAnyShift) {
        EXPECT_EQ(arx.ZipOffsetShift, c.shift);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ArchiveCorpusDetection, testing::ValuesIn(kCorpus), TestName);

// Every file of the corpus (the listings and scripts aside) has a table row.
TEST(ArchiveCorpusDetection, TableCoversTheWholeCorpus) {
    std::set<std::string> listed;
    for (const DetectCase& c : kCorpus)
        listed.insert(c.file);
    const fs::path root = DataPath("");
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        const std::string extension = entry.path().extension().string();
        if (relative.rfind("checksum/", 0) == 0 || relative.rfind("crypt/", 0) == 0) continue;
        if (extension == ".list" || extension == ".sh" || extension == ".py" ||
            extension == ".md" || extension == ".tsv" || extension == ".java")
            continue;
        EXPECT_EQ(listed.count(relative), 1u) << relative << " has no row";
    }
}

// Runs detection on `bytes` saved under the fixture's own name (the
// extension steers the volume number) and checks that it came back with a
// kind of the enumeration.
void DetectBytes(const std::string& path, const std::string& bytes) {
    WriteText(path, bytes);
    TRegisterArxon arx;
    arx.SetArchiveFile(path);
    ASSERT_LT(static_cast<int>(arx.ArcType), kArcTypeCount);
}

// The lengths around the positions detection looks at: the size limit, the
// tar block, the LHA prefix, the fixed self-extractor offsets, the scan
// start, and the ends of the file.
std::vector<std::size_t> CutLengths(std::size_t size) {
    std::vector<std::size_t> cuts = {0,    1,    4,    19,   20,    21,    22,    30,   46,
                                     64,   128,  133,  511,  512,   513,   1024,  1949, 1950,
                                     6677, 7616, 7617, 8604, 17000, 17004, 25665, 25666};
    for (std::size_t back : {1, 4, 20, 22, 46, 76, 98})
        if (size > back) cuts.push_back(size - back);
    cuts.push_back(size / 2);
    std::vector<std::size_t> inside;
    for (std::size_t cut : cuts)
        if (cut < size) inside.push_back(cut);
    return inside;
}

TEST(ArchiveCorpusDetection, ReturnsOnEveryFixtureCutShort) {
    TempFolder temp;
    for (const DetectCase& c : kCorpus) {
        const std::string bytes = ReadText(DataPath(c.file));
        const std::string path = temp.Path() + "/" + fs::path(c.file).filename().string();
        for (std::size_t cut : CutLengths(bytes.size())) {
            SCOPED_TRACE(std::string(c.file) + " cut to " + std::to_string(cut));
            DetectBytes(path, bytes.substr(0, cut));
        }
    }
}

// A damaged copy: a few bytes replaced, mostly in the first and last bytes of
// the file where the signatures, headers and end records lie.
std::string Damaged(const std::string& bytes, std::mt19937& random) {
    std::string copy = bytes;
    if (copy.empty()) return copy;
    const std::size_t size = copy.size();
    std::uniform_int_distribution<int> count(1, 8);
    std::uniform_int_distribution<int> region(0, 3);
    std::uniform_int_distribution<int> value(0, 255);
    static const unsigned char kSpecial[] = {0x00, 0xFF, 0x7F, 0x80, 0x1A, 0x50, 0x4B, 0xEA};
    for (int n = count(random); n > 0; --n) {
        std::size_t position = 0;
        switch (region(random)) {
        case 0:
        case 1:
            position = std::uniform_int_distribution<std::size_t>(
                0, std::min<std::size_t>(size, 256) - 1)(random);
            break;
        case 2:
            position = size - 1 -
                       std::uniform_int_distribution<std::size_t>(
                           0, std::min<std::size_t>(size, 128) - 1)(random);
            break;
        default:
            position = std::uniform_int_distribution<std::size_t>(0, size - 1)(random);
            break;
        }
        const int pick = value(random);
        copy[position] = static_cast<char>(pick < 64 ? kSpecial[pick % 8] : pick);
    }
    return copy;
}

TEST(ArchiveCorpusDetection, ReturnsOnEveryDamagedFixture) {
    constexpr int kMutationsPerFixture = 300;
    TempFolder temp;
    std::mt19937 random(20210304u);
    for (const DetectCase& c : kCorpus) {
        const std::string bytes = ReadText(DataPath(c.file));
        const std::string path = temp.Path() + "/" + fs::path(c.file).filename().string();
        for (int i = 0; i < kMutationsPerFixture; ++i) {
            SCOPED_TRACE(std::string(c.file) + " damage " + std::to_string(i));
            DetectBytes(path, Damaged(bytes, random));
        }
    }
}

} // namespace
} // namespace sorvane
