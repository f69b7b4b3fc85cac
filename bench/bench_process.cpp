#include "bench/bench_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace vorlix::bench {

namespace {

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Spawns argv[0] with standard output and error sent to the given files and waits for it.
struct Finished {
    int status = 0;
    double seconds = 0;
    std::uint64_t peak_memory = 0;
};

Finished SpawnAndWait(const std::vector<std::string>& argv, const char* out_path,
                      const char* err_path) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path,
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err_path)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path,
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);

    const auto begin = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("Cannot run " + argv[0] + ": " + std::strerror(rc));
    Finished done;
    struct rusage usage {};
    while (::wait4(pid, &done.status, 0, &usage) < 0 && errno == EINTR) {
    }
    done.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    done.peak_memory = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
    return done;
}

bool Succeeded(int status) {
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& scratch) {
    const std::filesystem::path out_path = scratch / "run.out";
    const std::filesystem::path err_path = scratch / "run.err";
    const Finished done = SpawnAndWait(argv, out_path.c_str(), err_path.c_str());
    ProgramRun run{done.seconds, Slurp(out_path), done.peak_memory};
    if (!Succeeded(done.status)) {
        std::string command;
        for (const std::string& a : argv) command += (command.empty() ? "" : " ") + a;
        throw std::runtime_error(command + " failed (status " + std::to_string(done.status) +
                                 "):\n" + Slurp(err_path) + run.out);
    }
    return run;
}

Measured MeasureProgram(const std::vector<std::string>& argv) {
    const Finished done = SpawnAndWait(argv, "/dev/null", nullptr);
    if (!Succeeded(done.status))
        throw std::runtime_error(argv[0] + " failed (status " + std::to_string(done.status) + ")");
    return {done.seconds, done.peak_memory};
}

std::filesystem::path SelfPath() {
    return std::filesystem::read_symlink("/proc/self/exe");
}

}  // namespace vorlix::bench
