#include "files/file_faults.h"

#include "files/file_faults_internal.h"

namespace vorlix {

namespace {
FaultHook& Hook() {
    static FaultHook hook;
    return hook;
}
}  // namespace

void SetFaultHook(FaultHook hook) {
    Hook() = std::move(hook);
}

int InjectedFault(FileCall call, const std::filesystem::path& path) {
    const FaultHook& hook = Hook();
    return hook ? hook(call, path) : 0;
}

}  // namespace vorlix
