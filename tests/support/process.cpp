#include "support/process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vorlix::test {

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

ProcessOutcome RunProcess(const std::string& program, const std::vector<std::string>& args,
                          const ProcessSetup& setup) {
    char out_name[] = "/tmp/vorlix-test-out-XXXXXX";
    char err_name[] = "/tmp/vorlix-test-err-XXXXXX";
    const int out_fd = ::mkstemp(out_name);
    const int err_fd = ::mkstemp(err_name);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int target_out =
            setup.stdout_path.empty() ? out_fd : ::open(setup.stdout_path.c_str(), O_WRONLY);
        ::dup2(target_out, STDOUT_FILENO);
        ::dup2(err_fd, STDERR_FILENO);
        if (setup.before_exec) setup.before_exec();
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ProcessOutcome r;
    int status = 0;
    const struct timespec pause { 0, 5'000'000 };
    for (double waited = 0;; waited += 0.005) {
        if (::waitpid(pid, &status, WNOHANG) == pid) break;
        if (waited > setup.seconds) {
            r.timed_out = true;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        ::nanosleep(&pause, nullptr);
    }
    r.exited = WIFEXITED(status) && !r.timed_out;
    if (r.exited) r.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status) && !r.timed_out) r.signal = WTERMSIG(status);
    ::close(out_fd);
    ::close(err_fd);
    r.out = Slurp(out_name);
    r.err = Slurp(err_name);
    ::unlink(out_name);
    ::unlink(err_name);
    return r;
}

std::string CliProgram() {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "vorlix-cli").string();
}

}  // namespace vorlix::test
