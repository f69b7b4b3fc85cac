#pragma once
// Runs the command-line tool in-process over a small synthetic list, image and blanks directory.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "files/file_faults.h"
#include "support/built_disc.h"
#include "support/temp_dir.h"

namespace vorlix::test {

struct CliOutcome {
    int status;
    std::string out, err;
    bool Says(const std::string& text) const {
        return out.find(text) != std::string::npos || err.find(text) != std::string::npos;
    }
};

inline CliOutcome Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = cli::RunCli(args, {out, err, false});
    return {status, out.str(), err.str()};
}

// Runs the command and expects its exit status and, on either stream, the given text.
inline CliOutcome ExpectCli(const std::vector<std::string>& args, int status,
                            const std::string& says = "") {
    CliOutcome r = Cli(args);
    EXPECT_EQ(r.status, status) << testing::PrintToString(args) << "\n" << r.err;
    EXPECT_TRUE(r.Says(says)) << "wanted: " << says << "\n" << r.out << r.err;
    return r;
}

// A 500-sector pattern image, blank files of the needed lengths, and a list of the given lines.
class CliFixture : public ::testing::Test {
protected:
    explicit CliFixture(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    TempDir dir;
    std::string list = (dir / "game.klv").string();
    std::string image = (dir / "game.bin").string();
    std::string blanks = (dir / "blanks").string();
    Bytes before;

    void SetUp() override {
        WriteText(list, ListText(lines_));
        WritePatternFile(image, 1, 500);
        WritePatternBlanks(blanks);
        before = ReadBytes(image);
    }
    void TearDown() override { SetFaultHook({}); }
    void ExpectImageUnchanged() { EXPECT_EQ(ReadBytes(image), before); }
    std::vector<std::string> RipArgs() const { return {"rip", list, image, "--blanks", blanks}; }

private:
    std::vector<std::string> lines_;
};

}  // namespace vorlix::test
