#pragma once
// A sound clip read from a RIFF/WAVE file. The file is checked before any
// sample reaches the sound device: a clip whose header is broken, truncated
// or names a byte rate of zero is refused, so the queue can skip it.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace mox {

struct WaveFormat {
    uint16_t formatTag = 0;  // 1 integer PCM, 3 IEEE float
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;  // what the queue's pacing is taken from
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

struct WaveClip {
    WaveFormat format;
    QByteArray samples;   // the data chunk, whole frames only
    qint64 fileSize = 0;  // the whole file, header included

    qint64 DurationUs() const;
};

// Files larger than this are not read into memory; no clip comes near it.
inline constexpr qint64 kMaxClipFileSize = 64 * 1024 * 1024;

// Parses a complete file image; nullopt when it is not a playable clip.
std::optional<WaveClip> ParseWave(const QByteArray& bytes);
// Reads the clip at path; nullopt when the file is missing, unreadable,
// empty, too large or not a playable clip.
std::optional<WaveClip> ReadWaveFile(const QString& path);

// How long a clip holds the queue: the whole file at the header's byte rate,
// rounded to whole milliseconds (halves to even), plus 50 ms. Callers make
// sure the byte rate is not zero.
int ClipHoldMs(qint64 fileSize, uint32_t avgBytesPerSec);

}  // namespace mox
