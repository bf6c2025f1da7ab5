#pragma once
// Writes small RIFF/WAVE images for the sound tests.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>
#include <cstdint>

namespace mox::test {

struct WaveSpec {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t samplesPerSec = 44100;
    uint16_t bitsPerSample = 16;
    int64_t avgBytesPerSec = -1;  // -1: derived from the fields above
    uint16_t blockAlign = 0;      // 0: derived
};

inline void PutU16(QByteArray& b, uint16_t v) {
    char c[2];
    qToLittleEndian<quint16>(v, c);
    b.append(c, 2);
}
inline void PutU32(QByteArray& b, uint32_t v) {
    char c[4];
    qToLittleEndian<quint32>(v, c);
    b.append(c, 4);
}

inline QByteArray FmtChunk(const WaveSpec& s) {
    const uint16_t align = s.blockAlign ? s.blockAlign : uint16_t(s.channels * s.bitsPerSample / 8);
    QByteArray b("fmt ");
    PutU32(b, 16);
    PutU16(b, s.formatTag);
    PutU16(b, s.channels);
    PutU32(b, s.samplesPerSec);
    PutU32(b, s.avgBytesPerSec >= 0 ? uint32_t(s.avgBytesPerSec) : s.samplesPerSec * align);
    PutU16(b, align);
    PutU16(b, s.bitsPerSample);
    return b;
}

inline QByteArray Chunk(const char* id, const QByteArray& body, int64_t declaredSize = -1) {
    QByteArray b(id, 4);
    PutU32(b, declaredSize < 0 ? uint32_t(body.size()) : uint32_t(declaredSize));
    b.append(body);
    if (body.size() % 2) b.append('\0');
    return b;
}

inline QByteArray Riff(const QByteArray& chunks) {
    QByteArray b("RIFF");
    PutU32(b, uint32_t(chunks.size() + 4));
    b.append("WAVE");
    b.append(chunks);
    return b;
}

// 16-bit samples all equal to `tag`, so a test can tell clips apart.
inline QByteArray TaggedSamples(int bytes, int16_t tag) {
    QByteArray b;
    for (int i = 0; i + 1 < bytes; i += 2) PutU16(b, uint16_t(tag));
    if (b.size() < bytes) b.append('\0');
    return b;
}

// A plain 44-byte-header clip: mono 16-bit at 44,100 Hz (88,200 bytes a
// second) with `dataBytes` bytes of samples.
inline QByteArray SimpleWave(int dataBytes, int16_t tag = 1000) {
    return Riff(FmtChunk({}) + Chunk("data", TaggedSamples(dataBytes, tag)));
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(bytes) == bytes.size();
}

}  // namespace mox::test
