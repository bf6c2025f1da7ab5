#pragma once
// The reader's side of the pipe. Frames wait in a buffer that is sent once
// it fills, and also once a second has gone by: the starting process waits
// for the pipe, not for the buffer, so a slow medium is never taken for a
// reader that hangs. A failure may be told from another thread (the one
// that watches the library's messages); the pipe then still carries whole
// frames only.

#include "platform/db/jet_frames.h"

#include <time.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

namespace mox::db::jet {

// Why the file cannot be read whole: the reader's one failure, thrown where
// it is found and sent as the kFailed frame.
struct Failed {
    Failed(Fault why, std::string what, std::string of = {})
        : fault(why), detail(std::move(what)), table(std::move(of)) {}
    Fault fault;
    std::string detail;
    std::string table;  // the table it concerns, if any
};

class FrameWriter {
public:
    explicit FrameWriter(int fd) : fd_(fd) { buffer_.reserve(kFlushAt + 65536); }

    void Put(char type, const std::string& payload) {
        buffer_.push_back(type);
        PutU32(buffer_, static_cast<uint32_t>(payload.size()));
        buffer_ += payload;
        if (buffer_.size() >= kFlushAt || NowMs() - flushedMs_ >= kFlushAfterMs) Flush();
    }

    void Flush() {
        const std::lock_guard<std::mutex> hold(writing_);
        WriteAll(buffer_);
        buffer_.clear();
        flushedMs_ = NowMs();
    }

    // Tells the failure and ends the process; frames not yet sent are dropped.
    [[noreturn]] void FailAndExit(const Failed& failed) noexcept {
        writing_.lock();  // held until the end: nothing is written after the failure
        try {
            std::string payload(1, char(failed.fault));
            PutText(payload, failed.detail);
            PutText(payload, failed.table);
            std::string frame(1, kFailed);
            PutU32(frame, static_cast<uint32_t>(payload.size()));
            frame += payload;
            WriteAll(frame);
        } catch (...) {
        }
        ::_exit(kExitAfterFailure);
    }

private:
    void WriteAll(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ::_exit(kExitPipeGone);
            done += static_cast<size_t>(n);
        }
    }
    static int64_t NowMs() {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    }

    static constexpr size_t kFlushAt = 1 << 16;
    static constexpr int64_t kFlushAfterMs = 1000;
    int fd_;
    std::string buffer_;
    int64_t flushedMs_ = NowMs();
    std::mutex writing_;
};

}  // namespace mox::db::jet
