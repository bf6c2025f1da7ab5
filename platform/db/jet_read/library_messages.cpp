#include "platform/db/jet_read/library_messages.h"

#include <fcntl.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <thread>

namespace mox::db::jet {

namespace {

// What mdbtools prints where it reads on past damage.
constexpr const char* kDamageWords[] = {"beyond EOF",    "brute force", "Unrecognized",           "unrecognized",
                                        "Unable to",     "Oops!",       "didn't get a full page", "reading page",
                                        "sequence error"};
constexpr size_t kLineBytes = 1024;
constexpr size_t kPatterns = 512;
constexpr char kMark = '\x01';

// A warning the library repeats for page after page differs in its numbers.
std::string Pattern(const std::string& line) {
    std::string p;
    for (const char c : line) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            if (p.empty() || p.back() != '#') p.push_back('#');
        } else {
            p.push_back(c);
        }
    }
    return p;
}

}  // namespace

bool LibraryMessages::Start(std::function<void(const std::string&)> onRunaway) {
    onRunaway_ = std::move(onRunaway);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    // Descriptors 1 and 2 are about to become the pipe's write end.
    for (int& fd : fds) {
        if (fd > STDERR_FILENO) continue;
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        ::close(fd);
        if (moved < 0) return false;
        fd = moved;
    }
    if (::dup2(fds[1], STDOUT_FILENO) < 0 || ::dup2(fds[1], STDERR_FILENO) < 0) return false;
    ::close(fds[1]);
    writeFd_ = STDERR_FILENO;
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    try {
        std::thread(&LibraryMessages::Drain, this, fds[0]).detach();
    } catch (...) {
        return false;
    }
    return true;
}

void LibraryMessages::CatchUp() {
    std::fflush(stdout);
    std::unique_lock<std::mutex> lock(mutex_);
    const uint64_t mark = ++marksSent_;
    const std::string line = std::string(1, kMark) + std::to_string(mark) + "\n";
    lock.unlock();
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(writeFd_, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
    lock.lock();
    caughtUp_.wait(lock, [&] { return marksSeen_ >= mark; });
}

uint64_t LibraryMessages::Lines() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return lines_;
}

std::string LibraryMessages::DamageLine() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return damage_;
}

std::string LibraryMessages::LastLine() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return last_;
}

void LibraryMessages::Drain(int fd) {
    std::string line;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        for (ssize_t i = 0; i < n; ++i) {
            if (chunk[i] == '\n') {
                Take(line);
                line.clear();
            } else if (line.size() < kLineBytes) {
                line.push_back(chunk[i]);
            }
        }
    }
}

void LibraryMessages::Take(const std::string& line) {
    std::string runaway;
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (!line.empty() && line[0] == kMark) {
            marksSeen_ = std::stoull(line.substr(1));
            caughtUp_.notify_all();
            return;
        }
        ++lines_;
        last_ = line;
        if (damage_.empty())
            for (const char* word : kDamageWords)
                if (line.find(word) != std::string::npos) damage_ = line;
        const std::string pattern = Pattern(line);
        auto it = repeats_.find(pattern);
        if (it == repeats_.end() && repeats_.size() < kPatterns) it = repeats_.emplace(pattern, 0).first;
        if (it != repeats_.end() && ++it->second > kRepeatLimit)
            runaway = "the library repeats itself: " + line;
        else if (lines_ > kLineLimit)
            runaway = "the library does not stop talking: " + line;
    }
    if (!runaway.empty()) onRunaway_(runaway);
}

}  // namespace mox::db::jet
