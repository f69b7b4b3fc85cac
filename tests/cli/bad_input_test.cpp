// One case per row of the README's table of bad input: what the user gets for each.

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "cli_fixture.h"
#include "image/file_faults.h"

namespace vorlix {
namespace {

using test::Bytes;
using test::ReadBytes;

using Outcome = test::CliOutcome;

class BadInput : public test::CliFixture {
protected:
    BadInput() : CliFixture({"0:9:99", "10:419:0", "420:429:10"}) {}
    Outcome Rip() { return test::Cli({"rip", list, image, "--blanks", blanks}); }
};

TEST_F(BadInput, MissingListFile) {
    std::filesystem::remove(list);
    const Outcome r = Rip();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("game.klv: No such file or directory")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(list));
    ExpectImageUnchanged();
}

TEST_F(BadInput, UnreadableListFile) {
    EXPECT_TRUE(test::Cli({"list", dir.path().string()}).Says("Is a directory"));
    SetFaultHook([&](FileCall call, const std::filesystem::path& p) {
        return call == FileCall::Read && p == list ? EIO : 0;
    });
    const Outcome r = Rip();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("Cannot read " + list + ": Input/output error")) << r.err;
    ExpectImageUnchanged();
}

TEST_F(BadInput, EmptyListFile) {
    test::WriteText(list, "");
    const Outcome r = Rip();
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.Says("Ripped 0 entries, 0 sectors written."));
    EXPECT_EQ(test::Cli({"list", list}).out, "");
    ExpectImageUnchanged();
}

TEST_F(BadInput, HugeListFile) {
    std::filesystem::resize_file(list, (std::uintmax_t{64} << 20) + 1);
    const Outcome r = Rip();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("File too large")) << r.err;
    ExpectImageUnchanged();
}

TEST_F(BadInput, BinaryListFile) {
    std::mt19937 random(7);
    Bytes noise(64 * 1024);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    test::WriteBytes(list, noise);
    EXPECT_EQ(test::Cli({"list", list}).status, 0);
    EXPECT_EQ(test::Cli({"rip", list, image, "--blanks", blanks, "--dry-run"}).status, 0);
    ExpectImageUnchanged();
}

TEST_F(BadInput, MalformedListLines) {
    // Each line is shown as it stands and never acted on: a missing or extra field gives type
    // "???"; a start that is no whole number of 0 or more, or a fractional length, is refused.
    test::WriteText(
        list, test::ListText({"", "abc", "5", "1:2", "1:2:3:99", "1:2: 99", "0:9:099", "7:3:99"}));
    EXPECT_EQ(test::Cli({"list", list}).status, 0);
    Outcome r = Rip();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.Says("Ripped 0 entries")) << "7:3 covers less than one sector";
    ExpectImageUnchanged();

    for (const char* line :
         {"-5:9:99", "1.5:9:99", "1:2.5:99", "&H10:20.5:99", "x:y:99", ":5:99"}) {
        test::WriteText(list, test::ListText({"0:0:99", line}));
        r = Rip();
        EXPECT_EQ(r.status, 1) << line;
        EXPECT_TRUE(r.Says("entry 2 (" + std::string(line) + ")")) << r.err;
        EXPECT_TRUE(r.Says("nothing was written")) << r.err;
        ExpectImageUnchanged();
    }
}

TEST_F(BadInput, MissingImage) {
    std::filesystem::remove(image);
    const Outcome r = Rip();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("game.bin: No such file or directory"));
    EXPECT_FALSE(std::filesystem::exists(image));
}

TEST_F(BadInput, TruncatedImageAndEntriesPastItsEnd) {
    // Backing up reads what is missing as zeros; writing extends the image up to the entry.
    test::WriteBytes(image, test::SectorsOf(before, 0, 415));
    const std::string saved = (dir / "saved").string();
    EXPECT_EQ(test::Cli({"backup", list, image, "2", saved}).status, 0);
    EXPECT_EQ(test::SectorsOf(ReadBytes(saved), 405, 5), Bytes(5 * 2352, 0));
    EXPECT_EQ(Rip().status, 0);
    EXPECT_EQ(ReadBytes(image).size(), 430u * 2352);
}

TEST_F(BadInput, ShortSourceBackupOrBlankFile) {
    const std::string short_file = (dir / "short").string();
    test::WritePatternFile(short_file, 2, 3);
    Outcome r = test::Cli({"restore", list, image, "1", short_file});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("fewer than the 23520 bytes")) << r.err;
    r = test::Cli({"replace", list, image, "2", short_file});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("short as the source")) << r.err;
    test::WritePatternFile(dir / "blanks" / "blank.STR", 3, 400);
    r = Rip();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("blank.STR")) << r.err;
    ExpectImageUnchanged();
}

TEST_F(BadInput, EntriesPastTheLargestSupportedSector) {
    test::WriteText(list, test::ListText({"913040:913045:99", "913040:913046:99"}));
    const Outcome r = Rip();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("entry 2")) << r.err;
    EXPECT_TRUE(r.Says("beyond sector 913045")) << r.err;
    EXPECT_EQ(ReadBytes(image).size(), before.size()) << "the first entry was not written either";
}

TEST_F(BadInput, FullDisk) {
    int writes = 0;
    SetFaultHook([&](FileCall call, const std::filesystem::path& p) {
        return call == FileCall::Write && p == image && ++writes == 2 ? ENOSPC : 0;
    });
    const Outcome r = Rip();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("Rip All stopped at entry 2 (10:419:0)")) << r.err;
    EXPECT_TRUE(r.Says("game.bin: No space left on device")) << r.err;
    EXPECT_FALSE(r.Says("Rip Complete"));
    EXPECT_EQ(test::SectorsOf(ReadBytes(image), 0, 10), Bytes(10 * 2352, 0));
    EXPECT_EQ(test::SectorsOf(ReadBytes(image), 10, 490), test::SectorsOf(before, 10, 490));

    SetFaultHook([](FileCall call, const std::filesystem::path& p) {
        return call == FileCall::Write && p.filename().string().starts_with(".old") ? ENOSPC : 0;
    });
    const std::string old = (dir / "old").string();
    test::WriteText(old, "precious");
    const Outcome b = test::Cli({"backup", list, image, "2", old, "--overwrite"});
    EXPECT_EQ(b.status, 1);
    EXPECT_TRUE(b.Says("Cannot write " + old + ": No space left on device")) << b.err;
    EXPECT_EQ(ReadBytes(old), Bytes({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
}

}  // namespace
}  // namespace vorlix
