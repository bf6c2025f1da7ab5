#pragma once
// What the Access reader (moxjetread, platform/db/jet_read/) and the program
// that starts it (jet_reader.cpp) say to each other. The reader gets the
// Access file as its standard input and the write end of a pipe as its
// standard output, and nothing else; its arguments are the starting
// process's id and the tables to read first. On the pipe it writes frames:
// one type byte, the payload's length (4 bytes, little endian), the payload.
// A failure is one kFailed frame, after which the reader ends with
// kExitAfterFailure. Plain C++ only: the reader is built without Qt.

#include <cstdint>
#include <cstring>
#include <string>

namespace mox::db::jet {

inline constexpr char kReaderProgram[] = "moxjetread";

inline constexpr int kFileDescriptor = 0;
inline constexpr int kPipeDescriptor = 1;

enum Frame : char {
    kCatalogue = 'C',  // the tables: count, then per table name, rows, columns (name, Access type)
    kBegin = 'B',      // a table's rows follow: its index in the catalogue
    kRow = 'R',        // one value per column: a tag byte, then the value
    kEnd = 'E',        // the table's rows are done
    kDone = 'D',       // the file was read whole; payload: what the log should hear of it
    kFailed = 'X',     // a Fault byte, the detail, the table it concerns
};

enum Tag : unsigned char { kNull = 0, kInt = 1, kReal = 2, kUtf16 = 3, kUtf8 = 4, kDate = 5 };

enum Fault : unsigned char {
    kUnreadable = 0,
    kDamaged = 1,
    // Every page was read without a sign of damage, yet a table gave another
    // number of rows than its definition holds.
    kMiscounted = 2,
};

// How the reader ends: 0 after kDone; kExitStartRefused when it would not
// start (its arguments, or a starting process that is not its parent);
// kExitAfterFailure after a kFailed frame; kExitPipeGone when the starting
// process stopped reading.
inline constexpr int kExitStartRefused = 2;
inline constexpr int kExitAfterFailure = 3;
inline constexpr int kExitPipeGone = 4;

inline constexpr int kMaxColumns = 255;  // Access allows no more

inline void PutU32(std::string& out, uint32_t v) {
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    out.append(b, 4);
}
inline void PutBytes(std::string& out, const void* data, size_t size) {
    PutU32(out, static_cast<uint32_t>(size));
    out.append(static_cast<const char*>(data), size);
}
inline void PutText(std::string& out, const char* text) { PutBytes(out, text, std::strlen(text)); }
inline void PutText(std::string& out, const std::string& text) { PutBytes(out, text.data(), text.size()); }

}  // namespace mox::db::jet
