#include "files/temp_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>

namespace vorlix {

namespace {

constexpr std::string_view kMarker = ".vorlix-";

// Field 22 of /proc/<pid>/stat: when the process started, in clock ticks since boot.
std::optional<unsigned long long> StartTicks(const std::string& pid) {
    std::ifstream in("/proc/" + pid + "/stat");
    std::string stat;
    if (!std::getline(in, stat)) return std::nullopt;
    // The command name (field 2) is in parentheses and may itself hold spaces and ")".
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int n = 3; n <= 22; ++n)
        if (!(fields >> field)) return std::nullopt;
    unsigned long long ticks = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), ticks);
    if (ec != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return ticks;
}

// "<pid>-<start>" of this process; made anew in a forked child, which is a process of its own.
std::string OwnStamp() {
    static pid_t pid = 0;
    static std::string stamp;
    if (pid != ::getpid()) {
        pid = ::getpid();
        stamp = std::to_string(pid) + "-" + std::to_string(StartTicks("self").value_or(0));
    }
    return stamp;
}

bool AllDigits(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// The pid and start of a name of the temporary pattern, or nothing for any other name.
std::optional<std::pair<std::string, std::string>> ParseTemporary(std::string_view name) {
    if (name.empty() || name[0] != '.') return std::nullopt;
    const std::size_t at = name.rfind(kMarker);
    if (at == std::string_view::npos || at == 0) return std::nullopt;
    std::string_view rest = name.substr(at + kMarker.size());
    const std::size_t a = rest.find('-');
    if (a == std::string_view::npos) return std::nullopt;
    const std::size_t b = rest.find('-', a + 1);
    if (b == std::string_view::npos) return std::nullopt;
    const std::string_view pid = rest.substr(0, a), start = rest.substr(a + 1, b - a - 1);
    if (!AllDigits(pid) || !AllDigits(start) || !AllDigits(rest.substr(b + 1))) return std::nullopt;
    return std::make_pair(std::string(pid), std::string(start));
}

// The cleanup registry: fixed slots a signal handler can read without locks or allocation.
constexpr int kSlots = 8;
struct Slot {
    volatile std::sig_atomic_t armed = 0;
    char path[PATH_MAX] = {};
};
Slot g_slots[kSlots];
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[std::size(kSignals)];

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

extern "C" void RemoveTemporariesAndResignal(int sig) {
    const int saved_errno = errno;
    for (Slot& slot : g_slots)
        if (slot.armed) ::unlink(slot.path);
    // Back to what was there before, and the signal again: it is delivered once this returns.
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        if (kSignals[i] == sig) ::sigaction(sig, &g_previous[i], nullptr);
    ::raise(sig);
    errno = saved_errno;
}

void InstallHandlersOnce() {
    static const bool installed = [] {
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            ::sigaction(kSignals[i], nullptr, &g_previous[i]);
            if (g_previous[i].sa_handler == SIG_IGN) continue;  // e.g. started with nohup
            struct sigaction action {};
            action.sa_handler = RemoveTemporariesAndResignal;
            sigemptyset(&action.sa_mask);
            ::sigaction(kSignals[i], &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

}  // namespace

std::string TemporaryName(std::string_view final_name, unsigned attempt, std::size_t name_max) {
    const std::string suffix = std::string(kMarker) + OwnStamp() + "-" + std::to_string(attempt);
    const std::size_t room = name_max > suffix.size() + 1 ? name_max - suffix.size() - 1 : 0;
    std::size_t keep = std::min(room, final_name.size());
    // Never cut a UTF-8 character in two.
    while (keep > 0 && keep < final_name.size() &&
           (static_cast<unsigned char>(final_name[keep]) & 0xC0) == 0x80)
        --keep;
    return "." + std::string(final_name.substr(0, keep)) + suffix;
}

std::size_t NameMax(const std::filesystem::path& directory) {
    const long max = ::pathconf(directory.empty() ? "." : directory.c_str(), _PC_NAME_MAX);
    return max > 0 ? static_cast<std::size_t>(max) : NAME_MAX;
}

void RemoveStaleTemporaries(const std::filesystem::path& directory) {
    std::error_code ec;
    const std::filesystem::path dir = directory.empty() ? "." : directory;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const auto stamp = ParseTemporary(name);
        if (!stamp) continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        // Its process still runs (same pid, same start): not stale, whatever its age.
        const auto running = StartTicks(stamp->first);
        if (running && std::to_string(*running) == stamp->second) continue;
        ::unlink(it->path().c_str());
    }
}

RemovedOnSignal::RemovedOnSignal(const std::filesystem::path& path) {
    const std::string text = path.string();
    if (text.size() >= PATH_MAX) return;
    InstallHandlersOnce();
    const std::lock_guard<std::mutex> guard(RegistryMutex());
    for (int i = 0; i < kSlots; ++i) {
        if (g_slots[i].armed) continue;
        std::memcpy(g_slots[i].path, text.c_str(), text.size() + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        g_slots[i].armed = 1;
        slot_ = i;
        return;
    }
}

RemovedOnSignal::~RemovedOnSignal() {
    if (slot_ < 0) return;
    const std::lock_guard<std::mutex> guard(RegistryMutex());
    g_slots[slot_].armed = 0;
}

}  // namespace vorlix
