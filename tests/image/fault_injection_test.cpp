// Every file call of every operation is made to fail in turn: the failure must be reported naming
// the file, the image must hold the operation's sectors up to some point and the old sectors after
// it, no temporary file may be left, and a backup being replaced must survive.

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "entries/entry_details.h"
#include "image/backup_restore.h"
#include "image/blank_substitution.h"
#include "image/failure.h"
#include "image/file_faults.h"
#include "image/replace_engine.h"
#include "image/rip_all.h"
#include "support/streams.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"

namespace vorlix {
namespace {

using test::Bytes;
using test::ReadBytes;

constexpr std::int64_t kImageSectors = 1400;

struct Operation {
    const char* name;
    std::function<void(const test::TempDir&)> run;
};

std::vector<Operation> Operations() {
    const auto image = [](const test::TempDir& d) { return d / "game.bin"; };
    const auto blanks = [](const test::TempDir& d) { return d / "blanks"; };
    return {
        {"backup",
         [=](const test::TempDir& d) {
             BackupEntry({"100", "1000", "XA"}, image(d), d / "old.bak");
         }},
        {"restore",
         [=](const test::TempDir& d) {
             RestoreEntry({"300", "1000", "XA"}, image(d), d / "src.bin");
         }},
        {"replace XA",
         [=](const test::TempDir& d) {
             RunReplace(PlanReplace({"5", "1000", "XA"}, {}), image(d), d / "src.bin");
         }},
        {"replace ST",
         [=](const test::TempDir& d) {
             RunReplace(PlanReplace({"5", "1000", "ST2"}, {}), image(d), d / "src.bin");
         }},
        {"replace DU",
         [=](const test::TempDir& d) {
             RunReplace(PlanReplace({"5", "1000", "DUM"}, {}), image(d), d / "src.bin");
         }},
        {"rip entry",
         [=](const test::TempDir& d) {
             RipEntry({"9", "500", "ST0"}, image(d), blanks(d), WriteOptions{.xa_headers = false});
         }},
        {"rip all",
         [=](const test::TempDir& d) {
             const std::vector<std::string> lines = {"0:449:0", "450:459:20", "460:999:10",
                                                     "1000:1399:99"};
             RipAllHooks hooks;
             hooks.select_entry = [&](std::size_t i) {
                 return LabelsOf(ShowEntryDetails(lines[i]));
             };
             RipAll(lines, image(d), blanks(d), hooks);
         }},
        {"rip all keeping the structure",
         [=](const test::TempDir& d) {
             const std::vector<std::string> lines = {"0:449:0", "450:459:20", "460:999:10",
                                                     "1000:1399:99"};
             RipAllHooks hooks;
             hooks.select_entry = [&](std::size_t i) {
                 return LabelsOf(ShowEntryDetails(lines[i]));
             };
             hooks.options = [] { return WriteOptions{.keep_structure = true}; };
             RipAll(lines, image(d), blanks(d), hooks);
         }},
    };
}

// The image holds data sectors and two movies, so that keeping the structure has work to do;
// made once, as every failing call starts from it.
const Bytes& GameImage() {
    static const Bytes image = [] {
        Bytes b;
        test::WriteData(b, 0, kImageSectors);
        test::WriteMovie(
            b, {.first = 20, .frames = 30, .chunks = 3, .frame_size = 5000, .audio_every = 8});
        test::WriteMovie(b, {.first = 1100, .frames = 10, .chunks = 3, .frame_size = 5000});
        return b;
    }();
    return image;
}

void MakeFiles(const test::TempDir& d) {
    test::WriteBytes(d / "game.bin", GameImage());
    test::WritePatternFile(d / "src.bin", 2, 1000);
    test::WritePatternFile(d / "old.bak", 3, 5);
    std::filesystem::create_directories(d / "blanks");
    test::WritePatternFile(d / "blanks" / "blank.STR", 4, 404);
    test::WritePatternFile(d / "blanks" / "blank.XA", 5, 1);
}

// Counts the calls an operation makes, or fails the k-th one.
struct FaultCounter {
    int fail_at = 0;  // 0: never
    int calls = 0;
    std::filesystem::path failed_path;
    void Install() {
        SetFaultHook([this](FileCall, const std::filesystem::path& p) {
            if (++calls != fail_at) return 0;
            failed_path = p;
            return ENOSPC;
        });
    }
};

class FaultInjection : public ::testing::TestWithParam<std::size_t> {
protected:
    void TearDown() override { SetFaultHook({}); }
};

TEST_P(FaultInjection, EveryFailedCallLeavesAConsistentImage) {
    const Operation op = Operations()[GetParam()];
    SCOPED_TRACE(op.name);

    // The image as the operation leaves it when nothing fails.
    test::TempDir clean;
    MakeFiles(clean);
    const Bytes original = ReadBytes(clean / "game.bin");
    const std::string files = clean.Listing();
    FaultCounter count;
    count.Install();
    op.run(clean);
    SetFaultHook({});
    const Bytes done = ReadBytes(clean / "game.bin");
    const Bytes done_backup = ReadBytes(clean / "old.bak");
    ASSERT_GT(count.calls, 3);

    for (int k = 1; k <= count.calls; ++k) {
        SCOPED_TRACE("failing call " + std::to_string(k));
        test::TempDir d;
        MakeFiles(d);
        const Bytes old_backup = ReadBytes(d / "old.bak");
        FaultCounter fault;
        fault.fail_at = k;
        fault.Install();
        try {
            op.run(d);
            ADD_FAILURE() << "the failure was not reported";
        } catch (const Failure& f) {
            // A backup is written under a temporary name first; the user knows it by its own.
            std::string named = fault.failed_path.filename().string();
            if (named.find(".vorlix-") != std::string::npos) named = "old.bak";
            EXPECT_NE(std::string(f.what()).find(named), std::string::npos) << f.what();
            EXPECT_EQ(std::string(f.what()).find(".vorlix-"), std::string::npos) << f.what();
            EXPECT_NE(std::string(f.what()).find("No space left on device"), std::string::npos);
        }
        SetFaultHook({});

        // Sectors are written in ascending order: the new ones up to a point, the old ones after.
        const Bytes now = ReadBytes(d / "game.bin");
        ASSERT_EQ(now.size(), original.size());
        std::int64_t s = 0;
        while (s < kImageSectors && test::SectorsOf(now, s, 1) == test::SectorsOf(done, s, 1)) ++s;
        for (; s < kImageSectors; ++s)
            ASSERT_EQ(test::SectorsOf(now, s, 1), test::SectorsOf(original, s, 1))
                << "sector " << s << " is neither as written nor untouched";

        const Bytes backup_now = ReadBytes(d / "old.bak");
        EXPECT_TRUE(backup_now == old_backup || backup_now == done_backup)
            << "a backup being replaced is replaced whole or not at all";
        EXPECT_EQ(d.Listing(), files) << "no file may be left behind or lost";
    }
}

INSTANTIATE_TEST_SUITE_P(AllOperations, FaultInjection,
                         ::testing::Range<std::size_t>(0, Operations().size()),
                         [](const auto& info) {
                             std::string name = Operations()[info.param].name;
                             for (char& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace vorlix
