#include "image/rip_all.h"
#include "files/image_lock.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "base/failure.h"
#include "entries/entry_details.h"
#include "files/sector_file.h"
#include "image/blank_substitution.h"
#include "image/rip_payoff.h"
#include "image/sector_copy.h"

namespace vorlix {

namespace {

// Keeping the structure reads every entry before rewriting it. A thread of its own asks the
// system to read the entries ahead of the one being rewritten, and to start writing out those
// already rewritten, so that the disk reads and writes while the walk computes: the advice itself
// allocates pages and queues the disk's work, which would otherwise hold up the walk.
class Prefetcher {
public:
    Prefetcher(const EntryLines& lines, const std::filesystem::path& image)
        : lines_(lines), image_(image) {}

    ~Prefetcher() {
        if (!worker_.joinable()) return;
        {
            const std::lock_guard<std::mutex> guard(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        worker_.join();
    }

    Prefetcher(const Prefetcher&) = delete;
    Prefetcher& operator=(const Prefetcher&) = delete;

    // Keeps about kAhead bytes of rippable entries from entry `index` on asked for.
    void Ahead(std::size_t index) {
        // Opened here, so that a file that cannot be opened fails where the walk expects it to.
        if (!file_) file_.emplace(image_, OpenMode::ReadOnly);
        Post([&] { index_ = index; });
    }

    // Starts writing out an entry that was rewritten.
    void Written(SectorRange range) {
        if (file_) Post([&] { written_.push_back(range); });
    }

private:
    static constexpr std::int64_t kAhead = std::int64_t{128} << 20;

    template <typename Change>
    void Post(Change change) {
        {
            const std::lock_guard<std::mutex> guard(mutex_);
            change();
            pending_ = true;
        }
        if (!worker_.joinable()) {
            try {
                worker_ = std::thread([this] { Run(); });
            } catch (const std::system_error&) {
                // No thread to be had: the advice is given here instead.
                Work();
                return;
            }
        }
        wake_.notify_one();
    }

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stop_ || pending_; });
            if (stop_) return;
            lock.unlock();
            Work();
            lock.lock();
        }
    }

    void Work() {
        std::vector<SectorRange> written;
        std::size_t index;
        {
            const std::lock_guard<std::mutex> guard(mutex_);
            written.swap(written_);
            index = index_;
            pending_ = false;
        }
        for (const SectorRange& r : written) file_->StartWriting(r.start, r.count);
        while (next_ < lines_.size() && (next_ <= index || SectorOffset(asked_) < kAhead)) {
            const EntryLabels labels = LabelsOf(ShowEntryDetails(lines_[next_]));
            ++next_;
            if (!IsRippable(labels.type_name)) continue;
            try {
                if (const std::optional<SectorRange> range = KeptRange(labels)) {
                    file_->Prefetch(range->start, range->count);
                    ends_.push_back({next_ - 1, range->count});
                    asked_ += range->count;
                }
            } catch (const Failure&) {
                // The walk reports this entry when it comes to it.
            }
        }
        while (!ends_.empty() && ends_.front().first <= index) {
            asked_ -= ends_.front().second;
            ends_.erase(ends_.begin());
        }
    }

    const EntryLines& lines_;
    std::filesystem::path image_;
    std::optional<SectorFile> file_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false, pending_ = false;
    std::size_t index_ = 0;             // the entry the walk is at
    std::vector<SectorRange> written_;  // entries rewritten since the thread last looked
    // The thread's own.
    std::size_t next_ = 0;
    std::int64_t asked_ = 0;  // sectors asked for and not yet passed
    std::vector<std::pair<std::size_t, std::int64_t>> ends_;
    std::thread worker_;
};

}  // namespace

void CheckBeforeFirstWrite(const EntryLines& lines, const std::filesystem::path& image,
                           const std::filesystem::path& blanks_dir, const RipAllHooks& hooks) {
    const WriteOptions options =
        hooks.fixed_options && hooks.options ? hooks.options() : WriteOptions{};
    // Planning a kept rip reads every entry: the walk reads each once, as it rewrites it.
    PlanRipAll(lines, image, blanks_dir, options.keep_structure ? WriteOptions{} : options,
               nullptr);
    if (options.keep_structure) CheckKeptRanges(lines, options);
}

RipAllReport RipAll(const EntryLines& lines, const std::filesystem::path& image,
                    const std::filesystem::path& blanks_dir, const RipAllHooks& hooks) {
    // One lock for the whole walk: no other VORLIX may read or write the image in between.
    const ImageLock lock(image, ImageAccess::Write);
    const auto options = [&] { return hooks.options ? hooks.options() : WriteOptions{}; };
    // Unless they hold for the whole walk, the options are read anew for every entry.
    CheckBeforeFirstWrite(lines, image, blanks_dir, hooks);

    RipAllReport report;
    const std::size_t count = lines.size();
    Prefetcher prefetch(lines, image);
    for (std::size_t i = 0; i < count; ++i) {
        const EntryLabels labels = hooks.select_entry(i);
        if (hooks.yield) hooks.yield();
        if (!IsRippable(labels.type_name)) continue;
        try {
            std::int64_t written = 0;
            if (hooks.rip_entry) {
                written = hooks.rip_entry(labels, image);
            } else {
                const WriteOptions now = options();
                if (now.keep_structure) prefetch.Ahead(i);
                PlannedRip planned;
                written = RipEntry(labels, image, blanks_dir, now, {}, Flush::Deferred, &planned);
                if (planned.kept) {
                    if (written > 0) prefetch.Written(planned.kept->range);
                    const std::vector<std::string> notes = EntryNotes(i, *planned.kept);
                    report.notes.insert(report.notes.end(), notes.begin(), notes.end());
                }
                report.payoff.blank_bytes += BlankBytes(planned);
            }
            if (written > 0) ++report.entries_ripped;
            report.sectors_written += written;
        } catch (const Failure& f) {
            // The entries before this one were ripped: make that true on disk as far as it can be.
            try {
                FlushImage(image);
            } catch (const Failure&) {
            }
            throw Failure("Rip All stopped at " + EntryName(i, lines[i]) + ": " +
                              Sentence(f.what()) +
                              " The entries before it were ripped; it may be partly written; the "
                              "entries after it were not touched.",
                          f.system_error());
        }
    }
    FlushImage(image);
    return report;
}

}  // namespace vorlix
