#include "files/mapped_file.h"

#include <sys/mman.h>

#include <csetjmp>
#include <csignal>
#include <mutex>

#include "base/failure.h"
#include "files/file_faults_internal.h"
#include "files/sector_file.h"

namespace vorlix {

namespace {

// Where a SIGBUS in this thread returns to while a look runs; null outside one. A plain pointer:
// the handler may read it without running any thread-local initialisation.
thread_local sigjmp_buf* t_fault_return = nullptr;

struct sigaction g_earlier_handler {};

void OnBusError(int, siginfo_t*, void*) {
    if (t_fault_return != nullptr) siglongjmp(*t_fault_return, 1);
    // Not a page of ours being looked at: hand the fault back; the access faults again and goes
    // to whoever handled SIGBUS before (by default, the end of the process).
    ::sigaction(SIGBUS, &g_earlier_handler, nullptr);
}

void InstallHandlerOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_earlier_handler);
    });
}

// Kept apart so that nothing in the frame sigsetjmp saves lives across the jump but the buffer.
bool RunGuarded(void (*call)(const void*, std::span<const std::uint8_t>), const void* look,
                std::span<const std::uint8_t> bytes) {
    // Cleared however the look ends, a thrown exception included: a later fault must not jump
    // into a frame that is gone.
    struct Clear {
        ~Clear() { t_fault_return = nullptr; }
    } clear;
    sigjmp_buf fault_return;
    // Saving the signal mask undoes the blocking of SIGBUS that entering the handler made.
    if (sigsetjmp(fault_return, 1) != 0) return false;
    t_fault_return = &fault_return;
    call(look, bytes);
    return true;
}

}  // namespace

MappedFile::MappedFile(const SectorFile& file, std::uint64_t length) : file_(file) {
    if (length == 0) return;
    InstallHandlerOnce();
    void* at = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, file.Descriptor(), 0);
    if (at == MAP_FAILED) return;
    // The walk goes front to back: read far ahead, as a sequential read() would.
    ::madvise(at, length, MADV_SEQUENTIAL);
    bytes_ = static_cast<const std::uint8_t*>(at);
    length_ = length;
}

MappedFile::~MappedFile() {
    if (bytes_ != nullptr) ::munmap(const_cast<std::uint8_t*>(bytes_), length_);
}

bool MappedFile::Run(std::uint64_t offset, std::uint64_t length, LookFunction call,
                     const void* look) const {
    if (bytes_ == nullptr || offset > length_ || length > length_ - offset) return false;
    if (int err = InjectedFault(FileCall::Read, file_.Path()))
        throw FileFailure("read", file_.Path(), err);
    return RunGuarded(call, look, {bytes_ + offset, static_cast<std::size_t>(length)});
}

}  // namespace vorlix
