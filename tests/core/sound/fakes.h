#pragma once
// Fakes for the sound window: a fixed device list, an output that records
// what it is asked to play (and lists the fixed devices, or none known while
// no list exists), and a timer that tests step by hand while a FakeClock
// keeps the time.

#include "core/sound/clip_output.h"
#include "core/sound/sound_devices.h"
#include "core/sound/tick_source.h"
#include "platform/clock.h"

#include <QtEndian>
#include <functional>
#include <vector>

namespace mox::test {

// The devices the recording outputs list while it lives.
class FakeSoundDevices : public ListedSoundDevices {
public:
    FakeSoundDevices() { Installed() = this; }
    ~FakeSoundDevices() override { Installed() = nullptr; }
    FakeSoundDevices(const FakeSoundDevices&) = delete;
    FakeSoundDevices& operator=(const FakeSoundDevices&) = delete;

    static const SoundDeviceList& Current() {
        static const ListedSoundDevices unknown = [] {
            ListedSoundDevices none;
            none.known = false;
            return none;
        }();
        return Installed() ? *Installed() : unknown;
    }

private:
    static FakeSoundDevices*& Installed() {
        static FakeSoundDevices* devices = nullptr;
        return devices;
    }
};

struct PlayedClip {
    int tag;      // the first sample, which the tests set per clip
    qint64 atMs;  // clock time when it started
};

class RecordingOutput : public ClipOutput {
public:
    bool Open() override {
        ++openings;
        open = opens;
        return opens;
    }
    void Close() override {
        ++closes;
        open = false;
    }
    bool Play(const WaveClip& clip) override {
        if (!open) return false;
        const int tag = clip.samples.size() >= 2 ? qFromLittleEndian<qint16>(clip.samples.constData()) : 0;
        played.push_back({tag, platform::CurrentClock().MonotonicMs()});
        if (onPlay) onPlay();
        return true;
    }
    void Stop() override { ++stops; }
    const SoundDeviceList& Devices() const override { return FakeSoundDevices::Current(); }

    bool opens = true;  // whether Open succeeds
    bool open = false;
    int openings = 0;
    std::vector<PlayedClip> played;
    int closes = 0;
    int stops = 0;
    std::function<void()> onPlay;
};

class SteppedTicks : public TickSource {
public:
    explicit SteppedTicks(platform::FakeClock& clock) : clock_(clock) {}
    void SetInterval(int milliseconds) override {
        interval_ = milliseconds;
        intervals.push_back(milliseconds);
    }
    int Interval() const override { return interval_; }

    // A tick now, as if the timer had fired.
    void Fire() { Tick(); }
    // Lets the time of each interval pass and fires, until the timer stops.
    void RunUntilIdle(int maxTicks = 100000) {
        while (interval_ > 0 && maxTicks-- > 0) {
            clock_.Advance(interval_);
            Tick();
        }
    }

    std::vector<int> intervals;

private:
    platform::FakeClock& clock_;
    int interval_ = 0;
};

}  // namespace mox::test
