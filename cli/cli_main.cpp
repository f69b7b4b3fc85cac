#include "cli/cli_main.h"

#include <ostream>

#include "base/failure.h"
#include "base/program_version.h"
#include "cli/commands.h"
#include "disc/image_source.h"

namespace vorlix::cli {

int RunCli(const std::vector<std::string>& args, Streams s) {
    Arguments a;
    try {
        a = ParseArguments(args);
    } catch (const UsageError& e) {
        s.err << "vorlix-cli: " << e.what() << "\n\n" << kUsage;
        return kExitUsage;
    }
    try {
        if (a.command == "help") {
            s.out << "VORLIX " << VersionLine() << "\n\n" << kUsage;
            return kExitOk;
        }
        if (a.command == "version") {
            s.out << VersionLine() << "\n";
            return kExitOk;
        }
        if (a.command == "scan") return ScanCommand(a, s);
        if (a.command == "silence-audio") return SilenceAudioCommand(a, s);
        // Every other command that takes an IMAGE takes a cue sheet for its data track too.
        a.image_named = a.image;
        if (!a.image.empty()) {
            a.track = ResolveImage(a.image);
            a.image = a.track.bin.string();
            a.write.data_track_sectors = a.track.sectors;
        }
        if (a.command == "list") return ListCommand(a, s);
        if (a.command == "backup") return BackupCommand(a, s);
        if (a.command == "restore") return RestoreCommand(a, s);
        if (a.command == "replace") return ReplaceCommand(a, s);
        if (a.command == "verify") return VerifyCommand(a, s);
        return RipCommand(a, s);
    } catch (const Failure& f) {
        s.err << "vorlix-cli: " << f.what() << "\n";
    } catch (const std::exception& e) {
        s.err << "vorlix-cli: " << e.what() << "\n";
    }
    return kExitFailed;
}

}  // namespace vorlix::cli
