// Every file call of every operation is made to fail in turn: the failure must be reported naming
// the file, the image must hold the operation's sectors up to some point and the old sectors after
// it, no temporary file may be left, and a backup being replaced must survive.

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <functional>

#include "base/failure.h"
#include "entries/entry_details.h"
#include "files/file_faults.h"
#include "files/image_lock.h"
#include "image/backup_restore.h"
#include "image/blank_substitution.h"
#include "image/replace_engine.h"
#include "image/rip_all.h"
#include "support/built_disc.h"
#include "support/failure_of.h"
#include "support/streams.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"

namespace vorlix {
namespace {

using test::Bytes;
using test::FailureOf;
using test::ReadBytes;

constexpr std::int64_t kImageSectors = 1400;

using Dir = test::TempDir;
struct Operation {
    const char* name;
    std::function<void(const Dir&)> run;
};

void WalkAll(const Dir& d, WriteOptions options) {
    const EntryLines lines = {"0:449:0", "450:459:20", "460:999:10", "1000:1399:99"};
    RipAll(lines, d / "game.bin", d / "blanks", test::WalkHooks(lines, options));
}

void Restore(const Dir& d, WriteOptions options = {}) {
    RestoreEntry({"300", "1000", "XA"}, d / "game.bin", d / "src.bin", options);
}

void Replace(const Dir& d, const char* type, WriteOptions options = {}) {
    RunReplace(PlanReplace({"5", "1000", type}, options), d / "game.bin", d / "src.bin");
}

std::vector<Operation> Operations() {
    const WriteOptions valid{.valid_sectors = true};
    return {
        {"backup",
         [](const Dir& d) {
             BackupEntry({"100", "1000", "XA"}, d / "game.bin", d / "old.bak");
         }},
        {"restore", [](const Dir& d) { Restore(d); }},
        {"replace_XA", [](const Dir& d) { Replace(d, "XA"); }},
        {"replace_ST", [](const Dir& d) { Replace(d, "ST2"); }},
        {"replace_DU", [](const Dir& d) { Replace(d, "DUM"); }},
        {"restore_valid", [=](const Dir& d) { Restore(d, valid); }},
        {"replace_ST_valid", [=](const Dir& d) { Replace(d, "ST2", valid); }},
        {"rip_entry",
         [](const Dir& d) {
             RipEntry({"9", "500", "ST0"}, d / "game.bin", d / "blanks", {.xa_headers = false});
         }},
        {"rip_all", [](const Dir& d) { WalkAll(d, {}); }},
        {"rip_all_keeping_the_structure",
         [](const Dir& d) { WalkAll(d, {.keep_structure = true}); }},
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

void MakeFiles(const Dir& d) {
    test::WriteBytes(d / "game.bin", GameImage());
    test::WritePatternFile(d / "src.bin", 2, 1000);
    test::WritePatternFile(d / "old.bak", 3, 5);
    test::WritePatternBlanks(d / "blanks");
}

// Counts the calls an operation makes, or fails the k-th one (0: none), from its making.
struct FaultCounter {
    explicit FaultCounter(int k = 0) : fail_at(k) {
        SetFaultHook([this](FileCall, const std::filesystem::path& p) {
            if (++calls != fail_at) return 0;
            failed_path = p;
            return ENOSPC;
        });
    }
    int fail_at, calls = 0;
    std::filesystem::path failed_path;
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
    const Bytes old_backup = ReadBytes(clean / "old.bak");
    FaultCounter count;
    op.run(clean);
    SetFaultHook({});
    const Bytes done = ReadBytes(clean / "game.bin");
    const Bytes done_backup = ReadBytes(clean / "old.bak");
    ASSERT_GT(count.calls, 3);

    for (int k = 1; k <= count.calls; ++k) {
        SCOPED_TRACE("failing call " + std::to_string(k));
        test::TempDir d;
        MakeFiles(d);
        FaultCounter fault(k);
        const std::string what = FailureOf([&] { op.run(d); });
        SetFaultHook({});
        // A backup is written under a temporary name first; the user knows it by its own.
        std::string named = fault.failed_path.filename().string();
        if (named.find(".vorlix-") != std::string::npos) named = "old.bak";
        EXPECT_TRUE(what.find(named) != what.npos && what.find(".vorlix-") == what.npos &&
                    what.find("No space left on device") != what.npos)
            << "the failure reported naming the file: " << what;

        // Bytes are written in ascending order: the new ones up to a point, the old ones after.
        // (The edges of a zero run that becomes a hole are written byte-wise, so the point may
        // lie inside a sector.)
        const Bytes now = ReadBytes(d / "game.bin");
        ASSERT_EQ(now.size(), original.size());
        const auto split = std::ranges::mismatch(now, done).in1 - now.begin();
        const auto old_after = std::ranges::mismatch(now.begin() + split, now.end(),
                                                     original.begin() + split, original.end());
        ASSERT_EQ(old_after.in1, now.end()) << "sector " << (old_after.in1 - now.begin()) / 2352
                                            << " is neither as written nor untouched";

        const Bytes backup_now = ReadBytes(d / "old.bak");
        EXPECT_TRUE(backup_now == old_backup || backup_now == done_backup)
            << "a backup being replaced is replaced whole or not at all";
        EXPECT_EQ(d.Listing(), files) << "no file may be left behind or lost";
    }
}

// A file system without holes refuses the punch: the zeros are written instead, byte for byte the
// same image.
TEST(HolesRefused, ZerosAreWrittenInstead) {
    for (const int refusal : {EOPNOTSUPP, ENOSYS}) {
        test::TempDir clean, refused;
        MakeFiles(clean);
        MakeFiles(refused);
        RunReplace(PlanReplace({"5", "1000", "DUM"}, {}), clean / "game.bin", {});
        int punches = 0;
        SetFaultHook([&](FileCall call, const std::filesystem::path&) {
            return call == FileCall::Punch && ++punches ? refusal : 0;
        });
        RunReplace(PlanReplace({"5", "1000", "DUM"}, {}), refused / "game.bin", {});
        SetFaultHook({});
        EXPECT_EQ(punches, 1);
        EXPECT_EQ(ReadBytes(refused / "game.bin"), ReadBytes(clean / "game.bin"));
    }
}

INSTANTIATE_TEST_SUITE_P(AllOperations, FaultInjection,
                         ::testing::Range<std::size_t>(0, Operations().size()),
                         [](const auto& info) { return Operations()[info.param].name; });

class FileLayerFaults : public ::testing::Test {
protected:
    void SetUp() override {
        MakeFiles(d);
        files = d.Listing();
        old_backup = ReadBytes(d / "old.bak");
    }
    void TearDown() override { SetFaultHook({}); }
    Dir d;
    std::string files;  // the names in d, that no failure may add to or take from
    Bytes old_backup;
};

TEST_F(FileLayerFaults, AnImageLockedElsewhereIsRefusedBeforeAnyFileIsTouched) {
    const Bytes original = ReadBytes(d / "game.bin");
    SetFaultHook([](FileCall call, const std::filesystem::path&) {
        return call == FileCall::Lock ? EWOULDBLOCK : 0;
    });
    for (const Operation& op : Operations())
        EXPECT_EQ(FailureOf([&] { op.run(d); }),
                  (d / "game.bin").string() + " is in use by another VORLIX operation.")
            << op.name;
    EXPECT_EQ(ReadBytes(d / "game.bin"), original);
    EXPECT_EQ(d.Listing(), files);
}

TEST_F(FileLayerFaults, RipAllHoldsTheLockForItsWholeWalk) {
    const EntryLines lines = {"0:9:99", "10:19:40", "20:29:99"};
    std::vector<int> foreign_results;
    RipAllHooks hooks;
    hooks.select_entry = [&](std::size_t i) {
        // Between entries, as in the window's yields, a second process still finds it taken.
        const int fd = ::open((d / "game.bin").c_str(), O_RDONLY);
        foreign_results.push_back(::flock(fd, LOCK_SH | LOCK_NB) == 0 ? 0 : errno);
        ::close(fd);
        return LabelsOf(ShowEntryDetails(lines[i]));
    };
    RipAll(lines, d / "game.bin", d / "blanks", hooks);
    EXPECT_EQ(foreign_results, std::vector<int>(3, EWOULDBLOCK));
    const int fd = ::open((d / "game.bin").c_str(), O_RDONLY);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << "released at the end";
    ::close(fd);
}

TEST_F(FileLayerFaults, ADirectoryThatCannotBeFlushedIsFoundBeforeTheRename) {
    // As a directory of mode 0333 does for a normal user: it cannot be opened for its flush.
    SetFaultHook([&](FileCall call, const std::filesystem::path& p) {
        return call == FileCall::Open && p == d.path() ? EACCES : 0;
    });
    EXPECT_THROW(BackupEntry({"100", "10", "XA"}, d / "game.bin", d / "old.bak"), Failure);
    EXPECT_EQ(ReadBytes(d / "old.bak"), old_backup) << "a refusal leaves the old backup";
    EXPECT_EQ(d.Listing(), files);

    // Once renamed, the backup is in place, and the message says so.
    SetFaultHook([&](FileCall call, const std::filesystem::path& p) {
        return call == FileCall::Flush && p == d.path() ? EIO : 0;
    });
    const std::string what = FailureOf([&] {
        BackupEntry({"100", "10", "XA"}, d / "game.bin", d / "old.bak");
    });
    EXPECT_NE(what.find("old.bak was written in full"), std::string::npos) << what;
    EXPECT_EQ(ReadBytes(d / "old.bak"), test::SectorsOf(ReadBytes(d / "game.bin"), 100, 10));
    EXPECT_EQ(d.Listing(), files);
}

// A backup ended by a signal halfway: run in a child, so the signal ends only the child.
TEST_F(FileLayerFaults, AnInterruptedBackupLeavesNoTemporaryFile) {
    for (const int sig : {SIGINT, SIGTERM}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int writes = 0;
            SetFaultHook([&](FileCall call, const std::filesystem::path& p) {
                if (call == FileCall::Write && p.filename() != "game.bin" && ++writes == 2)
                    ::raise(sig);
                return 0;
            });
            BackupEntry({"0", "1000", "XA"}, d / "game.bin", d / "old.bak");
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig)
            << "the signal takes its course";
        EXPECT_EQ(d.Listing(), files) << "signal " << sig;
        EXPECT_EQ(ReadBytes(d / "old.bak"), old_backup);
    }
}

// Starts of the temporary pattern: this process (running) and one that has ended.
std::string OwnStart() {
    std::ifstream in("/proc/self/stat");
    std::string stat;
    std::getline(in, stat);
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int n = 3; n <= 22; ++n) fields >> field;
    return field;
}

TEST_F(FileLayerFaults, StaleTemporaryFilesOfEndedRunsAreRemovedAndNothingElse) {
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const std::string own = std::to_string(::getpid()) + "-" + OwnStart();
    const std::vector<std::string> kept = {
        ".x.bak.vorlix-" + own + "-0",                     // a run that is still going (this one)
        "x.bak.vorlix-" + std::to_string(ended) + "-5-0",  // not hidden: not the pattern
        ".x.bak.vorlix-" + std::to_string(ended) + "-5",   // not the pattern
        ".notes.vorlix-1-2-3.txt",                         // not the pattern
    };
    const std::vector<std::string> stale = {
        ".x.bak.vorlix-" + std::to_string(ended) + "-5-0",
        ".old.bak.vorlix-" + std::to_string(::getpid()) + "-1-2",  // this pid, an earlier start
    };
    for (const auto& name : kept) test::WriteText(d / name, "keep");
    for (const auto& name : stale) test::WriteText(d / name, "stale");
    BackupEntry({"0", "2", "XA"}, d / "game.bin", d / "new.bak");
    for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(d / name)) << name;
    for (const auto& name : stale) EXPECT_FALSE(std::filesystem::exists(d / name)) << name;
}

}  // namespace
}  // namespace vorlix
