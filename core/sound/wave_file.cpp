#include "core/sound/wave_file.h"

#include "core/files.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace mox {
namespace {

uint16_t U16(const char* p) { return qFromLittleEndian<quint16>(p); }
uint32_t U32(const char* p) { return qFromLittleEndian<quint32>(p); }

constexpr uint16_t kPcm = 1;
constexpr uint16_t kFloat = 3;
constexpr uint16_t kExtensible = 0xFFFE;

// The sample layouts the output can take as they are.
bool IsPlayableLayout(uint16_t tag, uint16_t bits) {
    if (tag == kPcm) return bits == 8 || bits == 16 || bits == 32;
    if (tag == kFloat) return bits == 32;
    return false;
}

std::optional<WaveFormat> ParseFormatChunk(const char* p, uint32_t size) {
    if (size < 16) return std::nullopt;
    WaveFormat f;
    f.formatTag = U16(p);
    f.channels = U16(p + 2);
    f.samplesPerSec = U32(p + 4);
    f.avgBytesPerSec = U32(p + 8);
    f.blockAlign = U16(p + 12);
    f.bitsPerSample = U16(p + 14);
    if (f.formatTag == kExtensible) {
        // WAVE_FORMAT_EXTENSIBLE: the sub-format GUID starts with the real tag.
        if (size < 40) return std::nullopt;
        f.formatTag = U16(p + 24);
    }
    if (!IsPlayableLayout(f.formatTag, f.bitsPerSample)) return std::nullopt;
    if (f.channels < 1 || f.channels > 8) return std::nullopt;
    if (f.samplesPerSec < 1000 || f.samplesPerSec > 768000) return std::nullopt;
    if (f.blockAlign != f.channels * (f.bitsPerSample / 8)) return std::nullopt;
    // A byte rate that disagrees with the frames would pace the queue wrongly.
    if (f.avgBytesPerSec == 0 || f.avgBytesPerSec != f.samplesPerSec * f.blockAlign) return std::nullopt;
    return f;
}

}  // namespace

qint64 WaveClip::DurationUs() const {
    if (format.avgBytesPerSec == 0) return 0;
    return samples.size() * 1000000LL / format.avgBytesPerSec;
}

std::optional<WaveClip> ParseWave(const QByteArray& bytes) {
    const qint64 total = bytes.size();
    if (total < 12) return std::nullopt;
    const char* p = bytes.constData();
    if (std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return std::nullopt;

    std::optional<WaveFormat> format;
    // The RIFF size is often wrong in the wild; the chunks are walked up to
    // the real end of the file instead.
    qint64 pos = 12;
    while (pos + 8 <= total) {
        const char* chunk = p + pos;
        const uint32_t size = U32(chunk + 4);
        const qint64 body = pos + 8;
        const qint64 available = total - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (format || size > available) return std::nullopt;
            format = ParseFormatChunk(chunk + 8, size);
            if (!format) return std::nullopt;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!format) return std::nullopt;
            // A truncated file plays what it holds.
            qint64 length = std::min<qint64>(size, available);
            length -= length % format->blockAlign;
            if (length <= 0) return std::nullopt;
            WaveClip clip;
            clip.format = *format;
            clip.samples = bytes.mid(body, length);
            clip.fileSize = total;
            return clip;
        }
        pos = body + size + (size & 1);
    }
    return std::nullopt;
}

std::optional<WaveClip> ReadWaveFile(const QString& path) {
    if (path.trimmed().isEmpty()) return std::nullopt;
    // The clips are found whatever case their names were copied in.
    QFile file(FindFileIgnoringCase(path));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const qint64 size = file.size();
    if (size <= 0 || size > kMaxClipFileSize) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != size) return std::nullopt;
    return ParseWave(bytes);
}

int ClipHoldMs(qint64 fileSize, uint32_t avgBytesPerSec) {
    const double ms = std::fabs(1000.0 * double(fileSize) / double(avgBytesPerSec));
    // nearbyint rounds halves to even under the default rounding mode.
    const double rounded = std::nearbyint(ms);
    if (rounded > double(std::numeric_limits<int>::max() - 50)) return std::numeric_limits<int>::max();
    return int(rounded) + 50;
}

}  // namespace mox
