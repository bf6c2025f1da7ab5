#pragma once
// mdbtools tells of damage only in what it prints (a page beyond the end of
// the file, a usage map it does not know), and a damaged property block can
// make it print one warning for ever. What it prints on standard output or
// standard error goes into a pipe that a thread of the reader drains: it
// keeps only the last line, notes the first line that tells of damage, and
// calls the runaway handler as soon as one warning repeats past a limit
// (the reader then ends), so that the messages never fill the memory.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace mox::db::jet {

class LibraryMessages {
public:
    static constexpr uint64_t kRepeatLimit = 1000;
    static constexpr uint64_t kLineLimit = 100000;

    // Takes descriptors 1 and 2 over; false when the pipe or the thread
    // cannot be made.
    bool Start(std::function<void(const std::string& why)> onRunaway);

    // Waits until everything printed so far has been looked at.
    void CatchUp();
    uint64_t Lines();
    // The first line that told of damage, or "".
    std::string DamageLine();
    // The last line it printed, or "".
    std::string LastLine();

private:
    void Drain(int fd);
    void Take(const std::string& line);

    std::function<void(const std::string&)> onRunaway_;
    int writeFd_ = -1;
    std::mutex mutex_;
    std::condition_variable caughtUp_;
    uint64_t marksSent_ = 0;
    uint64_t marksSeen_ = 0;
    uint64_t lines_ = 0;
    std::string damage_;
    std::string last_;
    std::map<std::string, uint64_t> repeats_;
};

}  // namespace mox::db::jet
