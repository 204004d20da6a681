#include "cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace vornalt::testing {
namespace {

// A run that takes longer than this is stuck; it is killed so the test fails instead of hanging.
constexpr auto k_deadline = std::chrono::seconds(120);

void appendfrom(int fd, std::string& text, bool& open) {
    std::array<char, 4096> buffer{};
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n > 0) {
        text.append(buffer.data(), static_cast<std::size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        open = false;
    }
}

}  // namespace

ProcessResult runprocess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment,
                         const std::optional<SignalTrigger>& trigger, const std::string& stdinfile) {
    ProcessResult result;
    int outpipe[2];
    int errpipe[2];
    if (::pipe(outpipe) != 0 || ::pipe(errpipe) != 0) return result;

    std::vector<std::string> envtexts;
    for (const auto& [name, value] : environment) envtexts.push_back(name + "=" + value);
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) envtexts.push_back(std::string(name) + "=" + value);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : envtexts) envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outpipe[1], STDOUT_FILENO);
        ::dup2(errpipe[1], STDERR_FILENO);
        ::close(outpipe[0]);
        ::close(outpipe[1]);
        ::close(errpipe[0]);
        ::close(errpipe[1]);
        const int devnull = ::open(stdinfile.empty() ? "/dev/null" : stdinfile.c_str(), O_RDONLY);
        if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(outpipe[1]);
    ::close(errpipe[1]);
    if (pid < 0) {
        ::close(outpipe[0]);
        ::close(errpipe[0]);
        return result;
    }

    const auto deadline = std::chrono::steady_clock::now() + k_deadline;
    bool outopen = true;
    bool erropen = true;
    while (outopen || erropen) {
        std::array<pollfd, 2> fds{{{outpipe[0], POLLIN, 0}, {errpipe[0], POLLIN, 0}}};
        if (!outopen) fds[0].fd = -1;
        if (!erropen) fds[1].fd = -1;
        const int ready = ::poll(fds.data(), fds.size(), 100);
        if (ready < 0 && errno != EINTR) break;
        if (fds[0].revents != 0) appendfrom(outpipe[0], result.out, outopen);
        if (fds[1].revents != 0) appendfrom(errpipe[0], result.err, erropen);
        if (trigger && !result.signalsent &&
            (result.out.find(trigger->text) != std::string::npos || result.err.find(trigger->text) != std::string::npos)) {
            ::kill(pid, trigger->signal);
            result.signalsent = true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            break;
        }
    }
    ::close(outpipe[0]);
    ::close(errpipe[0]);

    int wstatus = 0;
    rusage usage{};
    while (::wait4(pid, &wstatus, 0, &usage) < 0 && errno == EINTR) {
    }
    result.maxrss_kib = usage.ru_maxrss;
    if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) result.termsignal = WTERMSIG(wstatus);
    return result;
}

std::string lastline(const std::string& text) {
    std::string trimmed = text;
    if (!trimmed.empty() && trimmed.back() == '\n') trimmed.pop_back();
    const std::size_t newline = trimmed.rfind('\n');
    return newline == std::string::npos ? trimmed : trimmed.substr(newline + 1);
}

}  // namespace vornalt::testing
