// What a user, a second process or the system can do to an operation: odd files where a file is
// wanted, links, a second VORLIX, limits, signals and lost output. Each case runs the command as
// the user would and checks what reached the disk and what the exit said.

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <csignal>

#include "cli_fixture.h"
#include "support/process.h"

namespace vorlix {
namespace {

using test::Bytes;
using test::ExpectCli;
using test::ReadBytes;
using test::SectorsOf;

class Reliability : public test::CliFixture {
protected:
    Reliability() : CliFixture({"0:9:99", "10:419:0", "420:429:10"}) {}

    test::ProcessOutcome Run(const std::vector<std::string>& args, test::ProcessSetup setup = {}) {
        setup.seconds = 5;
        return test::RunProcess(test::CliProgram(), args, setup);
    }
    // A refusal: exit 1 by the program's own hand, one line naming why.
    void ExpectRefused(const test::ProcessOutcome& r, const std::string& says) {
        EXPECT_FALSE(r.timed_out) << "it waited instead of refusing";
        EXPECT_TRUE(r.exited) << "ended by signal " << r.signal;
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
};

TEST_F(Reliability, FifosAndDevicesAreRefusedWithoutWaiting) {
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string saved = (dir / "saved").string();
    const std::string not_regular = fifo + " is not a regular file.";
    ExpectRefused(Run({"list", fifo}), not_regular);
    ExpectRefused(Run({"backup", list, fifo, "1", saved, "--overwrite"}), not_regular);
    ExpectRefused(Run({"restore", list, image, "1", fifo}), not_regular);
    ExpectRefused(Run({"replace", list, image, "2", fifo}), not_regular);
    ExpectRefused(Run({"backup", list, "/dev/zero", "1", saved, "--overwrite"}),
                  "/dev/zero is not a regular file.");
    // As the backup, a FIFO of size 0 (or a link to it) is not replaced by a file, asked or not.
    std::filesystem::create_symlink(fifo, dir / "to-fifo");
    for (const std::string& to : {fifo, (dir / "to-fifo").string()}) {
        ExpectRefused(Run({"backup", list, image, "1", to}), "is not a regular file.");
        ExpectRefused(Run({"backup", list, image, "1", to, "--overwrite"}),
                      "is not a regular file.");
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    std::filesystem::remove(dir / "blanks" / "blank.STR");
    ASSERT_EQ(::mkfifo((dir / "blanks" / "blank.STR").c_str(), 0600), 0);
    ExpectRefused(Run(RipArgs()), "is not a regular file.");
    ExpectImageUnchanged();
}

TEST_F(Reliability, BackupWritesThroughLinks) {
    // A link to a regular file is written through: the link stays, its target gets the sectors
    // and keeps its mode; the temporary file went beside the target and is gone.
    std::filesystem::create_directory(dir / "keep");
    const std::filesystem::path target = dir / "keep" / "entry.bak";
    test::WriteText(target, "old");
    ::chmod(target.c_str(), 0640);
    const std::filesystem::path link = dir / "link.bak";
    std::filesystem::create_symlink("keep/entry.bak", link);
    const test::ProcessOutcome r = Run({"backup", list, image, "1", link.string(), "--overwrite"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), SectorsOf(before, 0, 10));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "keep"),
                            std::filesystem::directory_iterator()),
              1);
}

// Holds a flock on the image from a descriptor of its own, as a second VORLIX process would.
class ForeignLock {
public:
    ForeignLock(const std::string& path, int how) : fd_(::open(path.c_str(), O_RDONLY)) {
        EXPECT_EQ(::flock(fd_, how | LOCK_NB), 0);
    }
    ~ForeignLock() { ::close(fd_); }

private:
    int fd_;
};

TEST_F(Reliability, ASecondOperationOnTheImageIsRefusedAtOnce) {
    const std::string saved = (dir / "saved").string();
    const std::string in_use = image + " is in use by another VORLIX operation.";
    {
        const ForeignLock writer(image, LOCK_EX);
        for (const auto& args : std::vector<std::vector<std::string>>{
                 RipArgs(),
                 {"rip", list, image, "--blanks", blanks, "--dry-run"},
                 {"backup", list, image, "1", saved},
                 {"restore", list, image, "1", image + ".none"},
                 {"replace", list, image, "1", saved}})
            ExpectCli(args, 1, in_use);
        EXPECT_FALSE(std::filesystem::exists(saved));
    }
    {
        // Readers share: a backup runs beside another reader, a writer does not.
        const ForeignLock reader(image, LOCK_SH);
        ExpectCli({"backup", list, image, "1", saved}, 0);
        ExpectCli(RipArgs(), 1, in_use);
    }
    ExpectImageUnchanged();
    ExpectCli(RipArgs(), 0);  // released
}

TEST_F(Reliability, TheListOrABlankAsTheImageIsRefusedBeforeTheFirstWrite) {
    const Bytes list_bytes = ReadBytes(list);
    std::filesystem::create_hard_link(list, dir / "list-link");
    std::filesystem::create_symlink(list, dir / "list-symlink");
    for (const std::string& as_image :
         {list, (dir / "list-link").string(), (dir / "list-symlink").string()}) {
        for (const auto& args :
             std::vector<std::vector<std::string>>{{"rip", list, as_image, "--blanks", blanks},
                                                   {"restore", list, as_image, "1", image},
                                                   {"replace", list, as_image, "1", image}})
            ExpectCli(args, 1, "as the list file");
    }
    EXPECT_EQ(ReadBytes(list), list_bytes);

    // Entry 1 (DUM) needs no blank; entry 2 takes blank.STR, which is the image itself.
    std::filesystem::remove(dir / "blanks" / "blank.STR");
    std::filesystem::create_hard_link(image, dir / "blanks" / "blank.STR");
    EXPECT_FALSE(ExpectCli(RipArgs(), 1, "Rip All cannot start").Says("were ripped"));
    ExpectImageUnchanged();
    std::filesystem::remove(dir / "blanks" / "blank.STR");
    std::filesystem::create_symlink(image, dir / "blanks" / "blank.STR");
    ExpectCli(RipArgs(), 1, "Rip All cannot start");
    ExpectImageUnchanged();
}

// A file-size limit (ulimit -f) below what an operation writes.
void LimitFileSize(rlim_t bytes) {
    const struct rlimit limit { bytes, bytes };
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

TEST_F(Reliability, AFileSizeLimitIsAnOrdinaryWriteFailure) {
    const std::string saved = (dir / "saved").string();
    test::ProcessSetup capped;
    capped.before_exec = [] { LimitFileSize(300 * 2352); };
    ExpectRefused(Run({"backup", list, image, "2", saved}, capped), "File too large");
    EXPECT_EQ(dir.Listing(), "blanks game.bin game.klv") << "no temporary file is left";

    ExpectRefused(Run(RipArgs(), capped), "File too large");
    const Bytes now = ReadBytes(image);
    EXPECT_EQ(SectorsOf(now, 0, 10), Bytes(10 * 2352, 0)) << "entry 1 was ripped";
    EXPECT_EQ(SectorsOf(now, 300, 200), SectorsOf(before, 300, 200)) << "nothing past the limit";
}

TEST_F(Reliability, LongBackupNamesAreKept) {
    for (const std::size_t length : {235, 255}) {
        const std::string name = (dir / std::string(length, 'b')).string();
        ExpectCli({"backup", list, image, "1", name}, 0);
        EXPECT_EQ(ReadBytes(name), SectorsOf(before, 0, 10));
        std::filesystem::remove(name);
    }
    const std::string too_long = (dir / std::string(256, 'c')).string();
    ExpectCli({"backup", list, image, "1", too_long}, 1, too_long + ": File name too long");
    EXPECT_EQ(dir.Listing(), "blanks game.bin game.klv");
}

TEST_F(Reliability, LostStandardOutputIsAFailure) {
    test::ProcessSetup full;
    full.stdout_path = "/dev/full";
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"list", list}, {"rip", list, image, "--blanks", blanks, "--dry-run"}, {"--help"}}) {
        ExpectRefused(Run(args, full), "Cannot write standard output: No space left on device");
    }
    ExpectImageUnchanged();
}

TEST_F(Reliability, StartsAndEndsWithoutANumberAreRefusedByEveryOperation) {
    const std::string source = (dir / "source").string();
    test::WritePatternFile(source, 7, 404);
    // A TIM entry and a short movie are left alone, but not with a start that says nothing.
    test::WriteText(list, test::ListText({"x:y:40", "x:5:0", "0:x:99", "0::99"}));
    for (const char* position : {"1", "2", "3", "4"})
        ExpectCli({"replace", list, image, position, source}, 1, "is not a number");
    test::WriteText(list, test::ListText({"0:x:99"}));
    ExpectCli(RipArgs(), 1, "its end sector \"x\" is not a number");
    ExpectImageUnchanged();
}

TEST_F(Reliability, MessagesStayOneLine) {
    const std::string odd = (dir / "new\nline.bin").string();
    test::CliOutcome r = ExpectCli({"rip", list, odd, "--blanks", blanks}, 1, "new\\nline.bin");
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    test::WriteText(list, test::ListText({"a\nb:5:99"}));
    r = ExpectCli(RipArgs(), 1);
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

}  // namespace
}  // namespace vorlix
