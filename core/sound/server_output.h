#pragma once
// The program's clip output: its own client of the sound server's PulseAudio
// protocol (which PipeWire's PulseAudio service speaks as well), running on
// a thread of its own that alone touches the client library. The window's
// thread only hands it commands and reads what it last knew of the server;
// no call here waits for the server, however it fails.
//
// Rules the thread keeps, so that the voice never freezes the window and
// never goes silent for good:
// - Everything it asks of the server has a deadline; a server that misses
//   one (stopped, hung) is let go of at once with every clip waiting, and is
//   looked for again.
// - With no server, a clip makes it look for one, at most once every 3 s;
//   the clip waits for that attempt (1.5 s at most) and plays if the server
//   answers. A server restarted, or started after the program, is so heard
//   at the next clip.
// - A clip is handed over only once the server has just answered (a clip of
//   a few seconds whole, so that it never runs short in the middle of a
//   word): a server that stops answering holds at most the clip it was
//   playing, and never bursts out a pile of late clips when it comes back.
// - One stream per sample format, opened when a clip comes and closed 5 s
//   after the last one ended; it goes to the preferred playback device
//   (sound_devices.h) when one is listed then, else to the server's default
//   output of that moment, so a default chosen meanwhile is followed.
// - A stream starts sounding with its first sample: a click shorter than
//   what the server would otherwise buffer first is heard at once.

#include "core/sound/clip_output.h"

#include <chrono>
#include <memory>

namespace mox {

class ServerClipOutput final : public ClipOutput {
public:
    // idleClose: how long a stream stays open with nothing to play (tests
    // shorten it to live through many streams in little time).
    explicit ServerClipOutput(std::chrono::milliseconds idleClose = std::chrono::milliseconds(5000));
    // Stops the thread and waits for it; it never waits for the server.
    ~ServerClipOutput() override;

    bool Open() override;
    void Close() override;
    bool Play(const WaveClip& clip) override;
    void Stop() override;
    // The server's sinks (outputs) and sources other than monitors (inputs)
    // with their descriptions, unknown while no server answers.
    const SoundDeviceList& Devices() const override;

    ServerClipOutput(const ServerClipOutput&) = delete;
    ServerClipOutput& operator=(const ServerClipOutput&) = delete;

private:
    class Worker;
    std::unique_ptr<Worker> worker_;
    bool open_ = false;
};

}  // namespace mox
