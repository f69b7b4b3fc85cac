#include <gtest/gtest.h>

#include "base/failure.h"
#include "entries/entry_details.h"
#include "files/file_faults.h"
#include "image/blank_substitution.h"
#include "image/rip_all.h"
#include "support/failure_of.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"

namespace vorlix {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::SectorsOf;

// Beside the program first (the build tree, a portable copy), then the installed share/ folder.
TEST(DefaultBlanksDirectory, BesideTheProgramThenInstalledThenBothNamed) {
    const test::TempDir dir;
    const std::filesystem::path bin = dir / "bin", beside = bin / "blanks";
    const std::filesystem::path shared = dir / "share" / "vorlix" / "blanks";
    std::filesystem::create_directories(bin);
    EXPECT_EQ(test::FailureOf([&] { DefaultBlanksDirectory(bin); }),
              "The blank files are neither in " + DisplayPath(beside) + " nor in " +
                  DisplayPath(shared) + ".");
    std::filesystem::create_directories(shared);
    EXPECT_EQ(DefaultBlanksDirectory(bin), shared);
    std::filesystem::create_directories(beside);
    EXPECT_EQ(DefaultBlanksDirectory(bin), beside);
}

class Rip : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path image = dir / "game.bin";
    std::filesystem::path blanks = dir / "blanks";
    Bytes before;
    void SetUp() override {
        test::WritePatternFile(image, 1, 2000);
        std::filesystem::create_directory(blanks);
        test::WritePatternFile(blanks / "blank.STR", 3, 405);
        test::WritePatternFile(blanks / "blank.XA", 4, 2);
        before = ReadBytes(image);
    }
    void TearDown() override { SetFaultHook({}); }

    // The walk as a front end drives it: selecting shows the line's details.
    RipAllReport Walk(const std::vector<std::string>& lines,
                      std::vector<std::size_t>* selected = nullptr, std::function<bool()> xa = {}) {
        RipAllHooks hooks;
        hooks.select_entry = [&, selected](std::size_t i) {
            if (selected) selected->push_back(i);
            return LabelsOf(ShowEntryDetails(lines[i]));
        };
        if (xa) hooks.options = [xa] { return WriteOptions{.xa_headers = xa()}; };
        return RipAll(lines, image, blanks, hooks);
    }
};

// RipAll rips each entry through RipEntry, so the walk below covers the blanks' bytes as well.
TEST_F(Rip, DummyEntriesNeedNoBlanksDirectory) {
    std::filesystem::remove_all(blanks);
    EXPECT_EQ(RipEntry({"3", "4", "DUM"}, image, blanks, {}), 4);
    EXPECT_EQ(SectorsOf(ReadBytes(image), 3, 4), Bytes(4 * 2352, 0));
    EXPECT_EQ(Walk({"0:1:99", "5:6:20"}).entries_ripped, 1u);
}

TEST_F(Rip, WorkHooksSurroundTheWritesAndEndEvenOnFailure) {
    std::string trace;
    const WorkHooks work{[&] { trace += "begin "; }, [&] { trace += "end "; }};
    EXPECT_EQ(RipEntry({"3", "100", "ST0"}, image, blanks, {}, work), 0);
    EXPECT_EQ(RipEntry({"3", "4", "TIM"}, image, blanks, {}, work), 0);
    EXPECT_EQ(trace, "") << "an entry left alone is not worked on";
    EXPECT_EQ(RipEntry({"3", "4", "DUM"}, image, blanks, {}, work), 4);
    EXPECT_EQ(trace, "begin end ");
    SetFaultHook([](FileCall call, const std::filesystem::path&) {
        return call == FileCall::Write ? EIO : 0;
    });
    EXPECT_THROW(RipEntry({"3", "4", "XA"}, image, blanks, {}, work), Failure);
    EXPECT_EQ(trace, "begin end begin end ");
}

TEST_F(Rip, WalkRipsOnlyMoviesAudioAndDummiesInListOrder) {
    const std::vector<std::string> lines = {
        "0:9:20",       "10:419:0",     "420:829:1",    "830:1239:2",   "1240:1244:10",
        "1245:1249:31", "1250:1259:99", "1260:1269:40", "1270:1279:77", "1280:1500:0:4",
        "1501:1600:32", "1601:1700:2"};  // the last movie is under 404 sectors: left alone
    std::vector<std::size_t> selected;
    const RipAllReport report = Walk(lines, &selected);
    EXPECT_EQ(selected.size(), lines.size());
    EXPECT_EQ(report.entries_ripped, 5u);
    EXPECT_EQ(report.sectors_written, 410 * 3 + 5 + 10);

    const Bytes after = ReadBytes(image);
    const Bytes str = ReadBytes(blanks / "blank.STR");
    for (int s : {10, 420, 830}) {
        EXPECT_EQ(SectorsOf(after, s, 404), SectorsOf(str, 0, 404)) << s;
        EXPECT_EQ(SectorsOf(after, s + 404, 6), Bytes(6 * 2352, 0)) << s;
    }
    EXPECT_EQ(SectorsOf(after, 1240, 1), test::PatternSector(4, 0));
    EXPECT_EQ(after[1241 * 2352 + 15], 0x02) << "XA filler sectors carry the prefix";
    EXPECT_EQ(SectorsOf(after, 1250, 10), Bytes(10 * 2352, 0));
    for (auto [s, n] :
         std::vector<std::pair<int, int>>{{0, 10}, {1245, 5}, {1260, 20}, {1280, 721}})
        EXPECT_EQ(SectorsOf(after, s, n), SectorsOf(before, s, n)) << s;
}

TEST_F(Rip, XaOptionIsReadForEveryRippedEntry) {
    bool xa = true;
    int asked = 0;
    Walk({"10:12:10", "20:22:10"}, nullptr, [&] {
        ++asked;
        const bool now = xa;
        xa = false;  // the user unticks the option during the walk
        return now;
    });
    const Bytes after = ReadBytes(image);
    EXPECT_EQ(after[11 * 2352 + 1], 0xFF);
    EXPECT_EQ(SectorsOf(after, 21, 2), Bytes(2 * 2352, 0));
    EXPECT_GE(asked, 2);
}

TEST_F(Rip, ChecksEverythingBeforeTheFirstWrite) {
    const std::vector<std::string> lines = {"0:9:99", "10:419:0", "500:505:10"};
    std::filesystem::remove(blanks / "blank.XA");
    const std::string what = test::FailureOf([&] { Walk(lines); });
    EXPECT_NE(what.find("entry 3 (500:505:10)"), std::string::npos) << what;
    EXPECT_NE(what.find("blank.XA"), std::string::npos) << what;
    EXPECT_EQ(ReadBytes(image), before);
}

// A failure stops the walk at its entry, names it, and what was ripped before it is flushed;
// a walk that succeeds flushes once at its end.
TEST_F(Rip, TheWalkFlushesOnceAndAFailureStopsAtItsEntry) {
    int flushes = 0, writes = 0, fail_write = 0;
    SetFaultHook([&](FileCall call, const std::filesystem::path& path) {
        if (path != image) return 0;
        if (call == FileCall::Flush) ++flushes;
        return call == FileCall::Write && ++writes == fail_write ? EIO : 0;
    });
    Walk({"0:1:99", "2:3:10", "4:500:0"});
    EXPECT_EQ(flushes, 1);

    test::WriteBytes(image, before);
    flushes = writes = 0;
    fail_write = 2;
    std::vector<std::size_t> selected;
    try {
        Walk({"0:1:99", "2:3:99", "4:5:99"}, &selected);
        FAIL();
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find("entry 2 (2:3:99)"), std::string::npos) << f.what();
        EXPECT_NE(std::string(f.what()).find("Input/output error"), std::string::npos) << f.what();
        EXPECT_EQ(f.system_error(), EIO);
    }
    EXPECT_EQ(flushes, 1) << "what was ripped before the failure is flushed";
    EXPECT_EQ(selected, (std::vector<std::size_t>{0, 1}));
    const Bytes after = ReadBytes(image);
    EXPECT_EQ(SectorsOf(after, 0, 2), Bytes(2 * 2352, 0));
    EXPECT_EQ(SectorsOf(after, 2, 1998), SectorsOf(before, 2, 1998));
}

}  // namespace
}  // namespace vorlix
