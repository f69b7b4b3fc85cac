// Backup, Restore, Replace File and Rip All through the window, on small synthetic images checked
// byte for byte; the window's state while they work; failures that return the window to Idle.
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "base/failure.h"
#include "files/file_faults.h"
#include "image/replace_engine.h"
#include "sector/cd_sector.h"
#include "support/streams.h"
#include "window/texts.h"
#include "window_rig.h"

using namespace vorlix::window::test;
using namespace vorlix::test;

namespace {

const Bytes kZeroSector(2352, 0);

// `bytes` written `times` over, one after the other, into `image` from sector `first` on.
void Put(Bytes& image, std::int64_t first, const Bytes& bytes, int times = 1) {
    for (int i = 0; i < times; ++i)
        std::copy(bytes.begin(), bytes.end(), image.begin() + (first * 2352 + i * bytes.size()));
}

// How the dialog line ends when the dialog opens in the image's folder.
QString InImageFolder(const WindowRig& rig) {
    return " in " + Q(rig.dir.path());
}

// Runs the command while recording. While it worked the window showed `status` with frmAll and
// the menu bar disabled, and refused to close; afterwards it is Idle again.
void CheckBusy(WindowRig& rig, const char* button, const char* status) {
    rig.StartRecording();
    rig.Click(button);
    const std::vector<Snapshot> seen = rig.StopRecording();
    QVERIFY(std::any_of(seen.begin(), seen.end(), [&](auto& s) { return s.status == status; }));
    for (const Snapshot& s : seen)
        if (s.status == status) QVERIFY(!s.frm_all && !s.menu_bar);
    QVERIFY(rig.form->isVisible());
    QVERIFY(rig.Idle());
}

}  // namespace

class Form1ImageOps : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { vorlix::SetFaultHook({}); }

    // One image and list for all three: Backup asks before replacing a file, Restore writes it
    // back, Replace follows the XA option; other entries and cancelled dialogs leave all alone.
    void backupRestoreAndReplaceWriteExactlyTheirEntry() {
        WindowRig rig;
        const auto image = rig.dir / "game.bin";
        const auto backup = rig.dir / "saved.bak";
        const auto source = rig.dir / "source.raw";
        WritePatternFile(image, 1, 20);
        WritePatternFile(source, 5, 2);
        const Bytes original = ReadBytes(image);
        rig.OpenBoth({"4:5:99", "10:14:10", "2:3:20"}, image);
        rig.ClickRow(1);
        rig.dialogs->AnswerFile(Q(backup));
        CheckBusy(rig, "cmdBackup", "Backup in progress");
        QCOMPARE(rig.dialogs->asked.back(),
                 "save Select File: 10.XA | All Files (*.*)|*.*" + InImageFolder(rig));
        QVERIFY(ReadBytes(backup) == SectorsOf(original, 10, 5));
        QVERIFY(ReadBytes(image) == original);

        // The same file again: No leaves it, Yes makes it the first entry's backup.
        rig.ClickRow(0);
        for (bool yes : {false, true}) {
            rig.dialogs->AnswerFile(Q(backup));
            rig.dialogs->AnswerQuestion(yes);
            rig.Click("cmdBackup");
            QCOMPARE(rig.dialogs->asked.back(),
                     "question Question: File already exsists. Overwrite?");
            QVERIFY(ReadBytes(backup) == SectorsOf(original, yes ? 4 : 10, yes ? 2 : 5));
            QVERIFY(rig.Idle());
        }

        WritePatternFile(image, 2, 20);  // the whole image changes
        Bytes expected = ReadBytes(image);
        Put(expected, 4, SectorsOf(original, 4, 2));
        rig.dialogs->AnswerFile(Q(backup));
        CheckBusy(rig, "cmdRestore", "Restore in progress");
        QCOMPARE(rig.dialogs->asked.back(),
                 "open Select File: 4.DUM | All Files (*.*)|*.*" + InImageFolder(rig));
        QVERIFY(ReadBytes(image) == expected);

        // Replace: the source's one sector, then XA filler; with the option off, zero sectors.
        rig.ClickRow(1);
        for (const bool xa : {true, false}) {
            if (!xa) rig.Trigger("mnuOptionsXA");
            rig.dialogs->AnswerFile(Q(source));
            CheckBusy(rig, "cmdReplace", "Replace in progress");
            Put(expected, 10, PatternSector(5, 0));
            Put(expected, 11, xa ? XaFiller(4) : Bytes(4 * 2352, 0));
            QVERIFY(ReadBytes(image) == expected);
        }
        QCOMPARE(rig.dialogs->asked.back(),
                 "open Select File:  | All Files (*.*)|*.*" + InImageFolder(rig));

        // Replacing a TIM entry, and cancelling any file dialog: nothing, not even the busy state.
        const std::string listing = rig.dir.Listing();
        rig.ClickRow(2);
        const std::pair<const char*, QString> attempts[] = {
            {"cmdReplace", Q(source)}, {"cmdReplace", {}}, {"cmdBackup", {}}, {"cmdRestore", {}}};
        for (const auto& [button, chosen] : attempts) {
            rig.dialogs->AnswerFile(chosen);
            rig.StartRecording();
            rig.Click(button);
            for (const Snapshot& s : rig.StopRecording()) QCOMPARE(s.status, "Idle");
            QVERIFY2(rig.Idle(), button);
        }
        QCOMPARE(rig.dir.Listing(), listing);
        QVERIFY(ReadBytes(image) == expected);
        QVERIFY(rig.dialogs->messages.isEmpty());
    }

    void ripAllWalksTheListAsItIsShown() {
        WindowRig rig;
        std::filesystem::create_directory(rig.blanks);
        WritePatternFile(rig.blanks / "blank.XA", 8, 2);
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 14);
        rig.OpenBoth({"0:2:20", "4:6:10", "8:9:20", "11:12:77"}, image);
        // The selected entry becomes DUM, so the walk must show it anew to rip it.
        rig.ChangeType(QStringLiteral("99"));
        rig.Trigger("mnuOptionsXA");  // off: the XA filler becomes zero sectors
        rig.dialogs->messages.clear();
        Bytes expected = ReadBytes(image);
        Put(expected, 0, kZeroSector, 3);
        Put(expected, 4, PatternSector(8, 0));
        Put(expected, 5, kZeroSector, 2);

        // Every write takes longer than a display frame, so the walk has a frame to paint in
        // after each ripped entry.
        vorlix::SetFaultHook([](vorlix::FileCall call, const std::filesystem::path&) {
            if (call == vorlix::FileCall::Write) QThread::msleep(20);
            return 0;
        });
        std::optional<Snapshot> painted_when_done;
        rig.dialogs->before_message = [&] { painted_when_done = rig.Painted().back(); };
        rig.StartRecording();
        rig.Click("cmdRipAll");
        const std::vector<Snapshot> walk = rig.StopRecording();
        const std::vector<Snapshot> painted = rig.Painted();
        QVERIFY(ReadBytes(image) == expected);
        QCOMPARE(rig.dialogs->messages, QStringList{"exclamation Info: Rip Complete"});
        QCOMPARE(rig.Details(), QStringList({"11", "12", "2", "???", "77"}));
        QVERIFY(rig.Snap().list && rig.Snap().type_box && rig.Snap().buttons == 5);
        QVERIFY(rig.Idle() && rig.form->isVisible());

        // Whenever the window took events, the list, the buttons and the menu were disabled and
        // the type box enabled, frmAll disabled only while ripping; it could not be closed.
        QVERIFY(!walk.empty());
        for (const Snapshot& s : walk)
            QVERIFY(!s.list && !s.menu_bar && s.buttons == 0 && (s.type_box || !s.frm_all));

        // What was painted: every entry selected in turn with the list and the buttons disabled,
        // its code in the type box, "Replace in progress" and frmAll disabled while an XA or DUM
        // entry was written; and before "Rip Complete" came up, the walk's end: the last entry
        // selected, the list and the buttons disabled.
        QList<int> rows;
        QSet<QString> ripped;
        const QStringList codes = {"99", "10", "20", "77"};
        for (const Snapshot& s : painted) {
            QVERIFY(!s.list && !s.menu_bar && s.buttons == 0);
            QCOMPARE(s.code, codes.value(s.row));
            QCOMPARE(s.frm_all, s.status == QStringLiteral("Idle"));
            if (rows.isEmpty() || rows.back() != s.row) rows << s.row;
            if (s.status == QStringLiteral("Replace in progress")) ripped << s.type;
        }
        QCOMPARE(rows, QList<int>({0, 1, 2, 3}));
        QCOMPARE(ripped, QSet<QString>({"DUM", "XA"}));
        QVERIFY(painted_when_done.has_value());
        QCOMPARE(painted_when_done->row, 3);
        QVERIFY(painted_when_done->type == "???" && painted_when_done->status == "Idle");
        QVERIFY(!painted_when_done->list && painted_when_done->buttons == 0);

        // The list follows the walk: whenever it paints, and when the walk is over, the selected
        // entry is in view, also far down a long list.
        QStringList lines;
        for (int i = 0; i < 300; ++i) lines << QStringLiteral("%1:%1:20").arg(i);
        rig.OpenList(rig.WriteList("long.klv", lines));
        rig.StartRecording();
        rig.Click("cmdRipAll");
        rig.StopRecording();
        QVERIFY(!rig.Painted().empty());
        for (const Snapshot& s : rig.Painted()) QVERIFY(s.row_in_view);
        QCOMPARE(painted_when_done->row, 299);
        QVERIFY(painted_when_done->row_in_view);
    }

    void aFailureOrALockShowsTheReasonAndReturnsToIdle() {
        WindowRig rig;
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 12);
        Bytes expected = ReadBytes(image);
        rig.OpenBoth({"0:1:99", "4:5:99", "8:9:99"}, image);

        // The disk fills up while the second entry is written: the walk stops and is not complete.
        vorlix::SetFaultHook([&](vorlix::FileCall call, const std::filesystem::path& path) {
            const bool second = rig.Text("lblStart") == QStringLiteral("4");
            return call == vorlix::FileCall::Write && path == image && second ? ENOSPC : 0;
        });
        rig.Click("cmdRipAll");
        vorlix::SetFaultHook({});
        QVERIFY(rig.ShowedError({Q(image),
                                 "No space left on device. The entries before it were "
                                 "ripped; it may be partly written; the entries after "
                                 "it were not touched."}));
        Put(expected, 0, kZeroSector, 2);
        QVERIFY(ReadBytes(image) == expected);
        QVERIFY(rig.Snap().list && rig.Snap().buttons == 5 && rig.Idle());

        // Every operation is refused at once while another process holds the image's lock (as a
        // rip beside the window does); the window stays usable.
        WritePatternFile(rig.dir / "source", 3, 2);
        const int other = ::open(image.c_str(), O_RDONLY);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        const std::pair<const char*, QString> attempts[] = {{"cmdBackup", Q(rig.dir / "b.bak")},
                                                            {"cmdRestore", Q(rig.dir / "source")},
                                                            {"cmdReplace", Q(rig.dir / "source")},
                                                            {"cmdRipAll", QString()}};
        for (const auto& [button, chosen] : attempts) {
            rig.dialogs->messages.clear();
            if (!chosen.isEmpty()) rig.dialogs->AnswerFile(chosen);
            rig.Click(button);
            QVERIFY2(rig.ShowedError({Q(image), "is in use by another VORLIX operation."}), button);
            QVERIFY2(rig.Idle() && rig.Snap().buttons == 5, button);
        }
        QVERIFY(!std::filesystem::exists(rig.dir / "b.bak"));
        ::close(other);
        QVERIFY(ReadBytes(image) == expected);
    }

    // Silence Audio Tracks: Rip All on a cue makes its audio tracks silence after the walk and
    // says so; without the option they stay as they are.
    void silencingTheAudioTracksOfACue() {
        WindowRig rig;
        const auto image = rig.dir / "game.bin", audio = rig.dir / "audio.bin";
        Bytes game(4 * 2352, 1);
        std::copy(vorlix::kSyncPattern.begin(), vorlix::kSyncPattern.end(), game.begin());
        game[15] = 2;  // a data track's Mode 2 header, so the cue is taken
        WriteBytes(image, game);
        WritePatternFile(audio, 2, 3);
        const Bytes music = ReadBytes(audio);
        WriteText(rig.dir / "game.cue",
                  "FILE \"game.bin\" BINARY\n TRACK 01 MODE2/2352\n  INDEX 01 00:00:00\n"
                  "FILE \"audio.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n");
        rig.OpenBoth({"2:3:99"}, rig.dir / "game.cue");
        for (const bool silence : {false, true}) {
            if (silence) rig.Trigger("mnuOptionsSilence");
            rig.dialogs->messages.clear();
            rig.Click("cmdRipAll");
            QCOMPARE(rig.dialogs->messages.size(), silence ? 2 : 1);
            QVERIFY(ReadBytes(audio) == (silence ? Bytes(music.size(), 0) : music));
        }
        QVERIFY(rig.dialogs->messages[1].startsWith(
            "information Info: Silenced 1 audio track: 7056 bytes are now silent.\ntrack 2: "));
    }

    // Keep Stream Structure rewrites in place and names, after "Rip Complete", what it could not
    // keep; that entry's sectors stay as they were.
    void keepingTheStructureNamesWhatItLeftAlone() {
        WindowRig rig;
        Bytes image_bytes;
        vorlix::test::WriteMovie(image_bytes, {.first = 0, .version = 4, .frames = 2, .chunks = 5});
        vorlix::test::WriteMovie(image_bytes, {.first = 10, .frames = 2, .chunks = 5});
        const auto image = rig.dir / "game.bin";
        WriteBytes(image, image_bytes);
        rig.OpenBoth({"0:9:0", "10:19:0"}, image);
        rig.Trigger("mnuOptionsKeep");
        rig.dialogs->messages.clear();
        rig.Click("cmdRipAll");
        QCOMPARE(rig.dialogs->messages,
                 QStringList({"exclamation Info: Rip Complete",
                              "information Info: entry 1: 10 sectors of video in a form VORLIX "
                              "cannot keep; left alone."}));
        QVERIFY(SectorsOf(ReadBytes(image), 0, 10) == SectorsOf(image_bytes, 0, 10));
    }

    // Rip All to New Image walks a copy, showing the copy's progress; the image is only read, and
    // a copy cancelled part way leaves no file behind.
    void ripAllToANewImageKeepsTheImageAndLeavesNothingWhenTheCopyFails() {
        WindowRig rig;
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 2000);  // two steps of the copy
        std::filesystem::create_directories(rig.blanks);
        WritePatternFile(rig.blanks / "blank.XA", 4, 1);
        const Bytes before = ReadBytes(image);
        rig.OpenBoth({"0:9:99", "10:19:10"}, image);
        vorlix::SetFaultHook([](vorlix::FileCall call, const std::filesystem::path&) {
            return call == vorlix::FileCall::Clone ? EOPNOTSUPP : 0;  // a full copy, in steps
        });
        for (const char* name : {"new.bin", "cancelled.bin"}) {
            rig.dialogs->messages.clear();
            rig.dialogs->progress_updates.clear();
            rig.dialogs->cancel_at_update = name == std::string("cancelled.bin") ? 1 : 0;
            rig.dialogs->AnswerFile(Q(rig.dir / name));
            rig.Trigger("mnuFileRipNew");
            QVERIFY(ReadBytes(image) == before);
            QVERIFY(rig.Idle() && rig.Snap().list && rig.Snap().buttons == 5);
            if (name != std::string("new.bin")) {
                QVERIFY(rig.ShowedError({"No new image was made;", "game.bin is as it was."}));
                continue;
            }
            QVERIFY(rig.dialogs->asked.contains("save Rip All to New Image: game (ripped).bin | " +
                                                QString(vorlix::window::kImageFilter) +
                                                InImageFolder(rig)));
            QVERIFY(rig.dialogs->asked.contains(
                "progress Rip All to New Image: Copying the image\u2026"));
            QCOMPARE(rig.dialogs->progress_updates,
                     QStringList({"4194304/4704000", "4704000/4704000"}));
            QCOMPARE(rig.dialogs->messages.size(), 1);
            QVERIFY(rig.dialogs->messages[0].startsWith(
                "exclamation Info: Rip Complete\r\nNew image: " + Q(rig.dir / name) +
                " (copied in "));
            QVERIFY(rig.dialogs->messages[0].endsWith(" s as a full copy)."));
            QVERIFY(SectorsOf(ReadBytes(rig.dir / name), 0, 10) == Bytes(10 * 2352, 0));
        }
        QCOMPARE(rig.dir.Listing(), std::string("blanks game.bin list.klv new.bin"));
    }

    // The blank files are looked for when Rip All needs them; a program directory that cannot be
    // found is a failure like any other, not the end of the program.
    void theProgramDirectoryIsFoundWhenRipAllNeedsIt() {
        int asked = 0;
        WindowRig rig([&]() -> std::filesystem::path {
            ++asked;
            throw vorlix::Failure("Cannot find the program directory from /proc/self/exe: Gone");
        });
        QCOMPARE(asked, 0);
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 4);
        const Bytes before = ReadBytes(image);
        rig.OpenBoth({"0:1:99", "2:3:10"}, image);
        rig.Click("cmdRipAll");
        QVERIFY(asked > 0);
        QVERIFY(rig.ShowedError({"Cannot find the program directory from /proc/self/exe: Gone."}));
        QVERIFY(ReadBytes(image) == before);
        QVERIFY(rig.Idle() && rig.Snap().list && rig.Snap().buttons == 5);
    }
};

QTEST_MAIN(Form1ImageOps)
#include "form1_image_ops_test.moc"
