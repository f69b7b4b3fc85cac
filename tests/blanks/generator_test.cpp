// The generator program and the files the build placed beside the executables.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <iterator>
#include <sstream>
#include <string>

#include "blanks/blank_files.h"
#include "support/md5.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;

struct CommandResult {
    int status = -1;
    std::string output;
};

CommandResult RunCommand(const std::string& command) {
    CommandResult run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) run.output.append(buf, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

std::string Quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

CommandResult MakeBlanks(const fs::path& dir) {
    return RunCommand(Quoted(VORLIX_MAKE_BLANKS) + " " + Quoted(dir) + " 2>&1");
}

TEST(BlankGenerator, BuildPlacedTheSameBytesThatTheCodeMakes) {
    const fs::path built = VORLIX_BUILT_BLANKS_DIR;
    EXPECT_EQ(test::ReadBytes(built / "blank.STR"), MakeBlankStr());
    EXPECT_EQ(test::ReadBytes(built / "blank.XA"), MakeBlankXa());
    // Pinned, so that every build, compiler and sanitizer setting must give the same files.
    EXPECT_EQ(test::Md5Hex(MakeBlankStr()), "060365f3bd75f10d57624fbc8f521859");
    EXPECT_EQ(test::Md5Hex(MakeBlankXa()), "4b9b24009cba17dc24bae91185b10133");
}

TEST(BlankGenerator, WritesBothFilesOrNamesTheFileItFailedOn) {
    test::TempDir dir;
    const fs::path out = dir / "new" / "blanks";
    CommandResult run = MakeBlanks(out);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(test::ReadBytes(out / "blank.STR"), MakeBlankStr());
    EXPECT_EQ(test::ReadBytes(out / "blank.XA"), MakeBlankXa());
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);

    fs::create_directory(dir / "blank.STR.tmp");  // the temporary name is taken
    run = MakeBlanks(dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "Cannot create " + (dir / "blank.STR.tmp").string() + ": Is a directory\n");
    EXPECT_FALSE(fs::exists(dir / "blank.STR"));

    test::WriteText(dir / "plain", "x");
    run = MakeBlanks(dir / "plain" / "blanks");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "Cannot create " + (dir / "plain" / "blanks").string() + ": Not a directory\n");
}

TEST(BlankGenerator, FfmpegSeesFortyOneBlackFrames) {
    if (RunCommand("command -v ffmpeg && command -v ffprobe").status != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    const std::string str = Quoted(fs::path(VORLIX_BUILT_BLANKS_DIR) / "blank.STR");
    const CommandResult probe = RunCommand(
        "ffprobe -v error -count_frames -select_streams v -show_entries "
        "stream=nb_read_frames -of csv=p=0 " +
        str + " 2>/dev/null");
    EXPECT_EQ(probe.status, 0);
    EXPECT_EQ(probe.output, "41\n");

    // ffmpeg 5.1 reports an input/output error at the end of a raw STR file yet exits 0.
    const CommandResult md5 =
        RunCommand("ffmpeg -nostdin -v error -i " + str + " -f framemd5 - 2>/dev/null");
    EXPECT_EQ(md5.status, 0);
    // Each frame is 76,800 bytes of luma 00 and 38,400 of chroma 80: black in yuvj420p.
    std::stringstream lines(md5.output);
    int frames = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        ++frames;
        std::erase(line, ' ');
        EXPECT_TRUE(line.ends_with(",115200,b47ba8839f8f490730815ac2d7b6f8eb")) << line;
    }
    EXPECT_EQ(frames, 41);
}

}  // namespace
}  // namespace vorlix
