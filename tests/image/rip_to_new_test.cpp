// Rip All into a new image on the built disc: the copy is ripped as the original would have been,
// the original and its audio track stay as they were, and a failure at any step leaves nothing.

#include <gtest/gtest.h>

#include <cerrno>

#include "base/failure.h"
#include "disc/image_source.h"
#include "disc/new_image_cue.h"
#include "files/file_faults.h"
#include "image/rip_to_new.h"
#include "support/built_disc.h"
#include "support/failure_of.h"
#include "support/temp_dir.h"
#include "testdisc/psx_disc_builder.h"

namespace vorlix {
namespace {

using test::Bytes;

std::string Text(const std::filesystem::path& path) {
    const Bytes b = test::ReadBytes(path);
    return std::string(b.begin(), b.end());
}

class RipToNew : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<test::TempDir>();
        disc_ = test::BuildPsxDisc(*dir_ / "disc");
        lines_ = test::ExpectedLines(disc_);
        test::WritePatternBlanks(*dir_ / "blanks");
        original_ = test::ReadBytes(disc_.bin);
        audio_ = test::ReadBytes(disc_.audio_bin);
        // What ripping the image in place gives.
        const std::filesystem::path copy = *dir_ / "in-place.bin";
        test::WriteBytes(copy, original_);
        RipAll(lines_, copy, *dir_ / "blanks", Hooks());
        ripped_ = test::ReadBytes(copy);
    }
    static void TearDownTestSuite() { dir_.reset(); }
    void TearDown() override { SetFaultHook({}); }

    static RipAllHooks Hooks() { return test::WalkHooks(lines_, {.keep_structure = true}); }
    RipToNewReport Rip(const NewImage& target) {
        return RipToNewImage(lines_, disc_.bin, target, *dir_ / "blanks", Hooks());
    }
    void ExpectOriginalUnchanged() {
        EXPECT_TRUE(test::ReadBytes(disc_.bin) == original_);
        EXPECT_TRUE(test::ReadBytes(disc_.audio_bin) == audio_);
    }

    test::TempDir out;
    static inline std::unique_ptr<test::TempDir> dir_;
    static inline test::BuiltDisc disc_;
    static inline EntryLines lines_;
    static inline Bytes original_, audio_, ripped_;
};

TEST_F(RipToNew, ACueOutputRipsTheCopyAndItsAudioTrackPlaysFromTheOriginalFile) {
    for (const bool reflinks : {true, false}) {
        SCOPED_TRACE(reflinks ? "reflink where the file system has them" : "no reflinks");
        SetFaultHook([&](FileCall call, const std::filesystem::path&) {
            return call == FileCall::Clone && !reflinks ? EOPNOTSUPP : 0;
        });
        const std::filesystem::path cue = out / (reflinks ? "New.cue" : "Other.cue");
        const NewImage target = NewImageFor(disc_.cue, cue);
        const RipToNewReport report = Rip(target);
        EXPECT_TRUE(reflinks || report.way == CopyWay::Copy);
        EXPECT_GT(report.rip.entries_ripped, 5u);
        EXPECT_TRUE(test::ReadBytes(target.bin) == ripped_);
        ExpectOriginalUnchanged();
        EXPECT_TRUE(std::filesystem::equivalent(DataTrackOf(cue), target.bin));
        EXPECT_EQ(Text(cue), "FILE \"" + target.bin.filename().string() +
                                 "\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n"
                                 "FILE \"" +
                                 std::filesystem::absolute(disc_.audio_bin).string() +
                                 "\" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n"
                                 "    INDEX 01 00:02:00\r\n");
    }
    const NewImage bin = NewImageFor(disc_.cue, out / "plain.bin");
    EXPECT_FALSE(bin.cue);
    EXPECT_EQ(NewImageFor(disc_.bin, out / "one.CUE").cue_text,
              "FILE \"one.bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n");
}

// Each failure, during the copy, the rip or the writing of the cue, removes the new files and
// leaves an earlier file of the same name as it was.
TEST_F(RipToNew, AFailureAtAnyStepLeavesNoPartialImageAndTheOriginalUntouched) {
    struct Fault {
        const char* name;
        const char* file;  // the temporary name begins so
        FileCall call;
        int nth;  // of that call on that file
    } const faults[] = {
        {"mid-copy", ".New.bin", FileCall::Write, 3},
        {"in the rip", ".New.bin", FileCall::Write, 7},  // the copy takes 5 writes
        {"flushing the rip", ".New.bin", FileCall::Flush, 1},
        {"writing the cue", ".New.cue", FileCall::Write, 1},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        const NewImage target = NewImageFor(disc_.cue, out / "New.cue");
        test::WriteText(target.bin, "an earlier file");
        int seen = 0;
        SetFaultHook([&](FileCall call, const std::filesystem::path& path) {
            if (call == FileCall::Clone) return EOPNOTSUPP;
            const bool ours = path.filename().string().starts_with(f.file);
            return ours && call == f.call && ++seen == f.nth ? ENOSPC : 0;
        });
        const std::string what = test::FailureOf([&] { Rip(target); });
        EXPECT_NE(what.find("No new image was made"), std::string::npos) << what;
        SetFaultHook({});
        EXPECT_TRUE(Text(target.bin) == "an earlier file");
        EXPECT_FALSE(std::filesystem::exists(*target.cue));
        EXPECT_EQ(out.Listing(), "New.bin");
        ExpectOriginalUnchanged();
        std::filesystem::remove(target.bin);
    }
}

}  // namespace
}  // namespace vorlix
