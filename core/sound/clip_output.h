#pragma once
// Where the sound window sends its clips. The program's output is the sound
// server's (server_output.h); tests use one that records what it was asked to
// play. Every call returns at once: the window never waits for a sound.

#include "core/sound/sound_devices.h"
#include "core/sound/wave_file.h"

namespace mox {

class ClipOutput {
public:
    virtual ~ClipOutput() = default;
    // Opens the output. False when it cannot play at all.
    virtual bool Open() = 0;
    // Stops every clip and lets go of the device.
    virtual void Close() = 0;
    // Starts the clip once, after any clip of its format still sounding.
    // False when the output cannot take it.
    virtual bool Play(const WaveClip& clip) = 0;
    // Stops the clip that started last.
    virtual void Stop() = 0;
    // The devices of the sound system this output plays to, as it knows
    // them now.
    virtual const SoundDeviceList& Devices() const = 0;
};

}  // namespace mox
