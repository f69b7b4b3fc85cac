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

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& scratch) {
    const std::filesystem::path out_path = scratch / "run.out";
    const std::filesystem::path err_path = scratch / "run.err";
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);

    const auto begin = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("Cannot run " + argv[0] + ": " + std::strerror(rc));
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const auto end = std::chrono::steady_clock::now();

    ProgramRun run;
    run.seconds = std::chrono::duration<double>(end - begin).count();
    run.out = Slurp(out_path);
    run.peak_kb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string command;
        for (const std::string& a : argv) command += (command.empty() ? "" : " ") + a;
        throw std::runtime_error(command + " failed (status " + std::to_string(status) + "):\n" +
                                 Slurp(err_path) + run.out);
    }
    return run;
}

std::filesystem::path SelfPath() {
    return std::filesystem::read_symlink("/proc/self/exe");
}

}  // namespace vorlix::bench
