// A program run as a child process with its standard input and output on
// pipes, as a GUI runs an engine: lines are sent, and answers awaited with a
// time limit.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace chess::testing {

class EngineProcess {
  public:
    explicit EngineProcess(const std::vector<std::string>& argv) {
        signal(SIGPIPE, SIG_IGN);
        int to_child[2], from_child[2];
        if (pipe(to_child) != 0 || pipe(from_child) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(to_child[0], 0);
            dup2(from_child[1], 1);
            for (int fd : {to_child[0], to_child[1], from_child[0], from_child[1]}) close(fd);
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
        close(to_child[0]);
        close(from_child[1]);
        in_ = to_child[1];
        out_ = from_child[0];
    }
    ~EngineProcess() {
        close(in_);
        close(out_);
        if (pid_ > 0 && exit_status(5.0) < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    void send(const std::string& line) {
        const std::string text = line + "\n";
        if (write(in_, text.data(), text.size()) < 0) ADD_FAILURE() << "cannot send " << line;
    }

    // The first line beginning with `prefix` within `seconds`; every line read
    // on the way is kept in `lines`.
    std::optional<std::string> wait_for(const std::string& prefix, double seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        for (;;) {
            for (size_t at; (at = pending_.find('\n')) != std::string::npos;) {
                std::string line = pending_.substr(0, at);
                pending_.erase(0, at + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                lines.push_back(line);
                if (line.rfind(prefix, 0) == 0) return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd p{out_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            char buffer[4096];
            const ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0) break;
            pending_.append(buffer, static_cast<size_t>(n));
        }
        return std::nullopt;
    }

    // The exit status once the program has ended within `seconds`, else -1.
    int exit_status(double seconds) {
        int status = 0;
        for (int waited = 0; waitpid(pid_, &status, WNOHANG) != pid_; waited += 10) {
            if (waited > seconds * 1000) return -1;
            usleep(10000);
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }

    std::vector<std::string> lines;

  private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::string pending_;  // read but not yet split into lines
};

}  // namespace chess::testing
