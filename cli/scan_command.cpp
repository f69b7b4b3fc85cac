// vorlix-cli scan: the entry list made from the image itself.

#include <optional>
#include <ostream>
#include <string>

#include "base/failure.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "disc/entry_list_writer.h"
#include "disc/scan.h"
#include "entries/type_codes.h"

namespace vorlix::cli {

namespace {

// "21:29:1 ST1 movie with XA audio, from /MOVIE/INTRO.STR: 8 STR video, 1 XA audio sectors".
void Explain(const ScanResult& scan, std::ostream& out) {
    for (const ScannedEntry& e : scan.entries) {
        const std::string code = std::to_string(e.code);
        out << e.start << ":" << e.end << ":" << code << " " << TypeNameForCode(code) << " "
            << KindOfCode(e.code) << ", from " << e.where << ": " << e.evidence << "\n";
    }
}

}  // namespace

int ScanCommand(const Arguments& a, Streams s) {
    // Refuse a list that could not be written before spending the time on the scan.
    if (!a.output.empty()) CheckListTarget(a.output, a.image, a.overwrite);

    std::optional<ProgressBar> bar;
    const auto progress = [&](std::int64_t done, std::int64_t total) {
        if (!bar) bar.emplace(s.err, s.err_is_terminal, static_cast<std::size_t>(total));
        bar->Show(static_cast<std::size_t>(done));
        return true;
    };
    std::optional<ScanResult> scan;
    try {
        scan = ScanImage(a.image, progress);
    } catch (...) {
        if (bar) bar->Finish();
        throw;
    }
    if (bar) bar->Finish();
    for (const std::string& warning : scan->warnings) s.err << "vorlix-cli: " << warning << "\n";

    const std::string image_name = std::filesystem::path(a.image).filename().string();
    if (a.output.empty()) {
        // The list itself goes to standard output, so the explanation goes beside it.
        if (a.explain) Explain(*scan, s.err);
        s.out << FormatEntryList(*scan, image_name);
        return kExitOk;
    }
    WriteEntryList(a.output, *scan, image_name, a.overwrite);
    if (a.explain) Explain(*scan, s.out);
    const std::size_t n = scan->entries.size();
    s.out << "Wrote " << n << (n == 1 ? " entry" : " entries") << " to " << DisplayPath(a.output)
          << "\n";
    return kExitOk;
}

}  // namespace vorlix::cli
