// One case per row of the README's table of bad input: what the user gets for each.

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "cli_fixture.h"
#include "files/file_faults.h"

namespace vorlix {
namespace {

using test::Bytes;
using test::ExpectCli;
using test::ReadBytes;

class BadInput : public test::CliFixture {
protected:
    BadInput() : CliFixture({"0:9:99", "10:419:0", "420:429:10"}) {}
};

TEST_F(BadInput, MissingListFile) {
    std::filesystem::remove(list);
    ExpectCli(RipArgs(), 1, "game.klv: No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(list));
    ExpectImageUnchanged();
}

TEST_F(BadInput, UnreadableListFile) {
    ExpectCli({"list", dir.path().string()}, 1, "Is a directory");
    SetFaultHook([&](FileCall call, const std::filesystem::path& p) {
        return call == FileCall::Read && p == list ? EIO : 0;
    });
    ExpectCli(RipArgs(), 1, "Cannot read " + list + ": Input/output error");
    ExpectImageUnchanged();
}

TEST_F(BadInput, EmptyListFile) {
    test::WriteText(list, "");
    ExpectCli(RipArgs(), 0, "Ripped 0 entries, 0 sectors written.");
    EXPECT_EQ(test::Cli({"list", list}).out, "");
    ExpectImageUnchanged();
}

TEST_F(BadInput, HugeListFile) {
    std::filesystem::resize_file(list, (std::uintmax_t{64} << 20) + 1);
    ExpectCli(RipArgs(), 1, "File too large");
    ExpectImageUnchanged();
}

TEST_F(BadInput, BinaryListFile) {
    std::mt19937 random(7);
    Bytes noise(64 * 1024);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    test::WriteBytes(list, noise);
    ExpectCli({"list", list}, 0);
    ExpectCli({"rip", list, image, "--blanks", blanks, "--dry-run"}, 0);
    ExpectImageUnchanged();
}

TEST_F(BadInput, MalformedListLines) {
    // Each line is shown as it stands and never acted on: a missing or extra field gives type
    // "???"; a start that is no whole number of 0 or more, or a fractional length, is refused.
    test::WriteText(
        list, test::ListText({"", "abc", "5", "1:2", "1:2:3:99", "1:2: 99", "0:9:099", "7:3:99"}));
    ExpectCli({"list", list}, 0);
    ExpectCli(RipArgs(), 0, "Ripped 0 entries");  // 7:3 covers less than one sector
    ExpectImageUnchanged();

    for (const char* line :
         {"-5:9:99", "1.5:9:99", "1:2.5:99", "&H10:20.5:99", "x:y:99", ":5:99"}) {
        test::WriteText(list, test::ListText({"0:0:99", line}));
        const test::CliOutcome r = ExpectCli(RipArgs(), 1, "entry 2 (" + std::string(line) + ")");
        EXPECT_TRUE(r.Says("nothing was written")) << r.err;
        ExpectImageUnchanged();
    }
}

TEST_F(BadInput, MissingImage) {
    std::filesystem::remove(image);
    ExpectCli(RipArgs(), 1, "game.bin: No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(image));
}

TEST_F(BadInput, TruncatedImageAndEntriesPastItsEnd) {
    // Backing up reads what is missing as zeros; writing extends the image up to the entry.
    test::WriteBytes(image, test::SectorsOf(before, 0, 415));
    const std::string saved = (dir / "saved").string();
    ExpectCli({"backup", list, image, "2", saved}, 0);
    const Bytes saved_bytes = ReadBytes(saved);
    EXPECT_EQ(test::SectorsOf(saved_bytes, 404, 1), test::SectorsOf(before, 414, 1));
    EXPECT_EQ(test::SectorsOf(saved_bytes, 405, 5), Bytes(5 * 2352, 0));
    ExpectCli(RipArgs(), 0);
    EXPECT_EQ(ReadBytes(image).size(), 430u * 2352);
    // The blank share is of the image as the rip leaves it, so never above 100 %.
    test::WriteBytes(image, test::SectorsOf(before, 0, 1));
    test::WriteText(list, test::ListText({"0:99:99"}));
    std::vector<std::string> dry = RipArgs();
    dry.push_back("--dry-run");
    ExpectCli(dry, 0, "Would be blank: 235200 bytes of the image's 235200 (100.0 %)");
    ExpectCli(RipArgs(), 0, "Now blank: 235200 bytes of the image's 235200 (100.0 %)");
}

TEST_F(BadInput, ShortSourceBackupOrBlankFile) {
    const std::string short_file = (dir / "short").string();
    test::WritePatternFile(short_file, 2, 3);
    ExpectCli({"restore", list, image, "1", short_file}, 1, "fewer than the 23520 bytes");
    ExpectCli({"replace", list, image, "2", short_file}, 1, "short as the source");
    test::WritePatternFile(dir / "blanks" / "blank.STR", 3, 400);
    ExpectCli(RipArgs(), 1, "blank.STR");
    ExpectImageUnchanged();
}

TEST_F(BadInput, EntriesPastTheLargestSupportedSector) {
    test::WriteText(list, test::ListText({"913040:913045:99", "913040:913046:99"}));
    const test::CliOutcome r = ExpectCli(RipArgs(), 1, "entry 2");
    EXPECT_TRUE(r.Says("beyond sector 913045")) << r.err;
    EXPECT_EQ(ReadBytes(image).size(), before.size()) << "the first entry was not written either";
}

TEST_F(BadInput, FullDisk) {
    int writes = 0;
    SetFaultHook([&](FileCall call, const std::filesystem::path& p) {
        return call == FileCall::Write && p == image && ++writes == 2 ? ENOSPC : 0;
    });
    const test::CliOutcome r = ExpectCli(RipArgs(), 1, "Rip All stopped at entry 2 (10:419:0)");
    EXPECT_TRUE(r.Says("game.bin: No space left on device")) << r.err;
    EXPECT_FALSE(r.Says("Rip Complete"));
    EXPECT_EQ(test::SectorsOf(ReadBytes(image), 0, 10), Bytes(10 * 2352, 0));
    EXPECT_EQ(test::SectorsOf(ReadBytes(image), 10, 490), test::SectorsOf(before, 10, 490));

    SetFaultHook([](FileCall call, const std::filesystem::path& p) {
        return call == FileCall::Write && p.filename().string().starts_with(".old") ? ENOSPC : 0;
    });
    const std::string old = (dir / "old").string();
    test::WriteText(old, "precious");
    ExpectCli({"backup", list, image, "2", old, "--overwrite"}, 1,
              "Cannot write " + old + ": No space left on device");
    EXPECT_EQ(ReadBytes(old), Bytes({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
}

}  // namespace
}  // namespace vorlix
