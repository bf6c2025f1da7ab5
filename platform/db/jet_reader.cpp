#include "platform/db/jet_reader.h"

#include "platform/descriptor.h"
#include "platform/regular_file.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTime>

#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// clang-format off
#include <glib.h>
#include <mdbtools.h>
// clang-format on

namespace mox::db {

namespace {

int gTimeoutMs = 60000;
std::function<void()> gChildHook;

// Frames on the pipe: one type byte, the payload's length (4 bytes, little
// endian), the payload.
enum Frame : char {
    kCatalogue = 'C',
    kBegin = 'B',
    kRow = 'R',
    kEnd = 'E',
    kDone = 'D',
    kFailed = 'X',
};
// Values in a row frame: a tag byte, then the value.
enum Tag : unsigned char { kNull = 0, kInt = 1, kReal = 2, kUtf16 = 3, kUtf8 = 4, kDate = 5 };

constexpr int kMaxColumns = 255;  // Access allows no more

// ---- The child: reads the file and writes frames ----

class FrameWriter {
public:
    explicit FrameWriter(int fd) : fd_(fd) { buffer_.reserve(kFlushAt + 65536); }
    // The reader waits for the pipe, not for the buffer: what waits here is
    // sent once it fills, and also once a second has gone by, so that a slow
    // medium is never taken for a child that hangs.
    void Put(char type, const std::string& payload) {
        buffer_.push_back(type);
        U32(buffer_, static_cast<uint32_t>(payload.size()));
        buffer_ += payload;
        if (buffer_.size() >= kFlushAt || NowMs() - flushedMs_ >= kFlushAfterMs) Flush();
    }
    void Flush() {
        size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ::_exit(4);  // the reader has gone
            done += static_cast<size_t>(n);
        }
        buffer_.clear();
        flushedMs_ = NowMs();
    }
    static void U32(std::string& out, uint32_t v) {
        char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        out.append(b, 4);
    }
    static void Bytes(std::string& out, const void* data, size_t size) {
        U32(out, static_cast<uint32_t>(size));
        out.append(static_cast<const char*>(data), size);
    }
    static void Text(std::string& out, const char* text) { Bytes(out, text, std::strlen(text)); }

private:
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
};

struct Damage {
    std::string detail;
};

const char* AccessTypeName(int type) {
    switch (type) {
        case MDB_BOOL:
            return "BIT";
        case MDB_BYTE:
            return "BYTE";
        case MDB_INT:
            return "SHORT";
        case MDB_LONGINT:
            return "LONG";
        case MDB_MONEY:
            return "CURRENCY";
        case MDB_FLOAT:
            return "SINGLE";
        case MDB_DOUBLE:
            return "DOUBLE";
        case MDB_DATETIME:
            return "DATETIME";
        case MDB_BINARY:
            return "BINARY";
        case MDB_TEXT:
            return "TEXT";
        case MDB_OLE:
            return "LONGBINARY";
        case MDB_MEMO:
            return "MEMO";
        case MDB_REPID:
            return "GUID";
        case MDB_NUMERIC:
            return "DECIMAL";
        default:
            return "LONGBINARY";  // a kind no Jet 4 file of a clinic has: carried as no value
    }
}

class ChildReader {
public:
    ChildReader(MdbHandle* mdb, FrameWriter& out, int stderrFd) : mdb_(mdb), out_(out), stderrFd_(stderrFd) {}

    void Run(const std::vector<std::string>& first) {
        if (!mdb_read_catalog(mdb_, MDB_TABLE)) throw Damage{"the catalogue cannot be read"};
        CheckLibrarySaidNothing("catalogue");
        std::vector<MdbCatalogEntry*> tables;
        for (unsigned i = 0; i < mdb_->num_catalog; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
            if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry)) tables.push_back(entry);
        }
        // The catalogue's own rows (its definition is page 2, as the library
        // reads it) are counted as any table's: a catalogue that lost rows
        // would make a damaged file look like another program's.
        MdbCatalogEntry catalogue{};
        catalogue.mdb = mdb_;
        catalogue.object_type = MDB_TABLE;
        catalogue.table_pg = 2;
        std::strcpy(catalogue.object_name, "MSysObjects");
        ReadRows(&catalogue, false);

        std::string payload;
        FrameWriter::U32(payload, static_cast<uint32_t>(tables.size()));
        for (MdbCatalogEntry* entry : tables) {
            Table t(entry);
            FrameWriter::Text(payload, entry->object_name);
            FrameWriter::U32(payload, t->num_rows);
            FrameWriter::U32(payload, t->num_cols);
            for (unsigned c = 0; c < t->num_cols; ++c) {
                auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, c));
                FrameWriter::Text(payload, col->name);
                FrameWriter::Text(payload, AccessTypeName(col->col_type));
            }
        }
        out_.Put(kCatalogue, payload);

        std::vector<uint32_t> order;
        for (const std::string& name : first)
            for (size_t i = 0; i < tables.size(); ++i)
                if (g_ascii_strcasecmp(tables[i]->object_name, name.c_str()) == 0) order.push_back(uint32_t(i));
        for (size_t i = 0; i < tables.size(); ++i)
            if (std::find(order.begin(), order.end(), uint32_t(i)) == order.end()) order.push_back(uint32_t(i));
        for (uint32_t i : order) {
            payload.clear();
            FrameWriter::U32(payload, i);
            out_.Put(kBegin, payload);
            ReadRows(tables[i], true);
            out_.Put(kEnd, std::string());
            out_.Flush();
        }
        out_.Put(kDone, std::string());
        out_.Flush();
    }

private:
    // A table definition with its columns, checked against each other.
    class Table {
    public:
        explicit Table(MdbCatalogEntry* entry) {
            table_ = mdb_read_table(entry);
            if (!table_) throw Damage{std::string("table definition of ") + entry->object_name + " cannot be read"};
            if (!mdb_read_columns(table_) || !table_->columns || table_->columns->len != table_->num_cols ||
                table_->num_cols == 0 || table_->num_cols > kMaxColumns) {
                const std::string detail = std::string("table ") + entry->object_name + ": " +
                                           std::to_string(table_->num_cols) + " columns defined, " +
                                           std::to_string(table_->columns ? table_->columns->len : 0) + " read";
                mdb_free_tabledef(table_);
                throw Damage{detail};
            }
        }
        ~Table() { mdb_free_tabledef(table_); }
        Table(const Table&) = delete;
        Table& operator=(const Table&) = delete;
        MdbTableDef* operator->() const { return table_; }
        MdbTableDef* get() const { return table_; }

    private:
        MdbTableDef* table_ = nullptr;
    };

    void ReadRows(MdbCatalogEntry* entry, bool send) {
        Table table(entry);
        mdb_rewind_table(table.get());
        const unsigned count = table->num_cols;
        std::vector<MdbField> cracked(count), fields(count);
        std::vector<unsigned char> isNull(count);
        uint32_t read = 0;
        std::string payload;
        while (mdb_fetch_row(table.get())) {
            ++read;
            if (read > table->num_rows) break;  // counted below
            if (!send) continue;
            Crack(table.get(), cracked, fields, isNull);
            payload.clear();
            for (unsigned c = 0; c < count; ++c) {
                auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
                Encode(payload, col, fields[c], isNull[c]);
            }
            out_.Put(kRow, payload);
        }
        if (read != table->num_rows)
            throw Damage{std::string("table ") + entry->object_name + ": " + std::to_string(read) + " rows read, " +
                         std::to_string(table->num_rows) + " defined"};
        CheckLibrarySaidNothing(entry->object_name);
    }

    // mdbtools reads on where a page lies beyond the end of the file or a
    // usage map makes no sense, and says so only on stderr, among warnings
    // it may repeat for every page: all it said since the last look is read.
    void CheckLibrarySaidNothing(const char* where) {
        static constexpr const char* kDamageWords[] = {"beyond EOF", "brute force", "Unrecognized", "unrecognized"};
        constexpr size_t kKeep = 16;  // longer than every word, so one cut between two reads is found
        std::string said;
        char chunk[1 << 16];
        for (;;) {
            const ssize_t got = ::pread(stderrFd_, chunk, sizeof chunk, saidUpTo_);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) throw Damage{std::string(where) + ": what the library said cannot be read"};
            if (got == 0) return;
            saidUpTo_ += got;
            said.append(chunk, static_cast<size_t>(got));
            for (const char* word : kDamageWords) {
                const size_t at = said.find(word);
                if (at == std::string::npos) continue;
                const size_t from = said.rfind('\n', at);
                const size_t line = from == std::string::npos ? 0 : from + 1;
                throw Damage{std::string(where) + ": " + said.substr(line, said.find('\n', at) - line)};
            }
            if (said.size() > kKeep) said.erase(0, said.size() - kKeep);
        }
    }

    // The bound values cannot tell a Null from an empty text, nor hold a
    // character beyond U+FFFF; the row just fetched is taken apart once
    // more where it lies on the current page. A column added to the table
    // after the row was written is Null.
    void Crack(MdbTableDef* table, std::vector<MdbField>& cracked, std::vector<MdbField>& fields,
               std::vector<unsigned char>& isNull) {
        int start = 0;
        size_t size = 0;
        int got = -1;
        if (table->cur_row > 0 && mdb_find_row(mdb_, static_cast<int>(table->cur_row) - 1, &start, &size) == 0)
            got = mdb_crack_row(table, start & 0x1fff, size, cracked.data());
        if (got < 0) throw Damage{std::string("table ") + table->name + ": a row cannot be taken apart"};
        std::fill(isNull.begin(), isNull.end(), 1);
        for (size_t i = 0; i < cracked.size(); ++i) {
            const int column = cracked[i].colnum;
            if (column < 0 || column >= static_cast<int>(isNull.size())) continue;
            isNull[column] = cracked[i].is_null;
            fields[column] = cracked[i];
        }
    }

    const unsigned char* FieldBytes(const MdbField& f, size_t need) const {
        if (f.start < 0 || f.siz < 0 || static_cast<size_t>(f.siz) < need ||
            static_cast<size_t>(f.start) + static_cast<size_t>(f.siz) > static_cast<size_t>(mdb_->fmt->pg_size))
            throw Damage{"a field lies outside its page"};
        return mdb_->pg_buf + f.start;
    }
    // A fixed-size value as the page stores it (little-endian, as this host).
    template <typename T>
    T FieldAs(const MdbField& f) const {
        T v;
        std::memcpy(&v, FieldBytes(f, sizeof v), sizeof v);
        return v;
    }

    void Encode(std::string& out, MdbColumn* col, const MdbField& f, bool isNull) {
        if (col->col_type == MDB_BOOL) {  // the null mask is the value
            out.push_back(char(kInt));
            Int(out, isNull ? 0 : 1);
            return;
        }
        if (isNull) {
            out.push_back(char(kNull));
            return;
        }
        switch (col->col_type) {
            case MDB_BYTE:
                out.push_back(char(kInt));
                Int(out, *FieldBytes(f, 1));
                return;
            case MDB_INT:
                out.push_back(char(kInt));
                Int(out, FieldAs<int16_t>(f));
                return;
            case MDB_LONGINT:
                out.push_back(char(kInt));
                Int(out, FieldAs<int32_t>(f));
                return;
            case MDB_MONEY: {
                const int64_t v = FieldAs<int64_t>(f);
                out.push_back(char(kReal));
                Real(out, static_cast<double>(v) / 10000.0);
                return;
            }
            case MDB_FLOAT: {
                // A single as Access shows it: its shortest decimal form.
                const float v = FieldAs<float>(f);
                char text[32];
                const auto end = std::to_chars(text, text + sizeof text - 1, v).ptr;
                *end = '\0';
                out.push_back(char(kReal));
                Real(out, std::strtod(text, nullptr));
                return;
            }
            case MDB_DOUBLE:
            case MDB_DATETIME: {
                const double v = FieldAs<double>(f);
                out.push_back(char(col->col_type == MDB_DOUBLE ? kReal : kDate));
                Real(out, v);
                return;
            }
            case MDB_TEXT:
                Text(out, FieldBytes(f, 0), static_cast<size_t>(f.siz));
                return;
            case MDB_MEMO:
                Memo(out, f);
                return;
            case MDB_REPID: {
                const unsigned char* g = FieldBytes(f, 16);
                uint32_t a;
                uint16_t b, c;
                std::memcpy(&a, g, 4);
                std::memcpy(&b, g + 4, 2);
                std::memcpy(&c, g + 6, 2);
                char text[40];
                std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", a, b, c, g[8],
                              g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
                out.push_back(char(kUtf8));
                FrameWriter::Text(out, text);
                return;
            }
            case MDB_NUMERIC: {
                FieldBytes(f, 17);
                char* text = mdb_numeric_to_string(mdb_, f.start, col->col_scale, col->col_prec);
                out.push_back(char(kReal));
                Real(out, text ? std::strtod(text, nullptr) : 0.0);
                g_free(text);
                return;
            }
            default:  // binary values do not cross the database layer
                out.push_back(char(kNull));
                return;
        }
    }

    static void Int(std::string& out, int64_t v) { out.append(reinterpret_cast<const char*>(&v), 8); }
    static void Real(std::string& out, double v) { out.append(reinterpret_cast<const char*>(&v), 8); }

    // Jet 4 keeps text as UTF-16LE (pairs of units for characters beyond
    // U+FFFF), or compressed: after FF FE, runs of one byte a character
    // (the high byte 0) and of two, switched at each 0x00. Jet 3 keeps
    // the code page's bytes, which the library converts.
    void Text(std::string& out, const unsigned char* data, size_t size) {
        if (IS_JET3(mdb_)) {
            std::string utf8(size * 3 + 1, '\0');
            const int n = mdb_unicode2ascii(mdb_, reinterpret_cast<const char*>(data), size, utf8.data(), utf8.size());
            utf8.resize(n > 0 ? static_cast<size_t>(n) : 0);
            out.push_back(char(kUtf8));
            FrameWriter::Bytes(out, utf8.data(), utf8.size());
            return;
        }
        units_.clear();
        if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
            bool compressed = true;
            size_t i = 2;
            while (i < size) {
                if (data[i] == 0) {
                    compressed = !compressed;
                    ++i;
                } else if (compressed) {
                    units_.push_back(data[i++]);
                } else if (i + 1 < size) {
                    units_.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
                    i += 2;
                } else {
                    break;
                }
            }
        } else {
            for (size_t i = 0; i + 1 < size; i += 2)
                units_.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
        }
        out.push_back(char(kUtf16));
        FrameWriter::Bytes(out, units_.data(), units_.size() * 2);
    }

    // A memo's bytes: inline after its 12-byte head, on one long-value
    // page, or in a chain of them, each page row starting with the next
    // one's address.
    void Memo(std::string& out, const MdbField& f) {
        const unsigned char* head = FieldBytes(f, MDB_MEMO_OVERHEAD);
        uint32_t lengthAndFlags, pageRow;
        std::memcpy(&lengthAndFlags, head, 4);
        std::memcpy(&pageRow, head + 4, 4);
        const size_t length = lengthAndFlags & 0x3fffffff;
        memo_.clear();
        if (lengthAndFlags & 0x80000000) {
            memo_.assign(head + MDB_MEMO_OVERHEAD, head + f.siz);
        } else if (lengthAndFlags & 0x40000000) {
            const auto [data, size] = LongValueRow(pageRow);
            memo_.assign(data, data + size);
        } else if ((lengthAndFlags & 0xff000000) == 0) {
            struct stat st {};
            if (::fstat(fileno(mdb_->f->stream), &st) != 0) throw Damage{"the file cannot be measured"};
            const long pages = static_cast<long>(st.st_size / mdb_->fmt->pg_size);
            for (long step = 0; pageRow != 0; ++step) {
                if (step > pages) throw Damage{"a memo's chain of pages goes round"};
                const auto [data, size] = LongValueRow(pageRow);
                if (size < 4) throw Damage{"a memo's page row is too short"};
                std::memcpy(&pageRow, data, 4);
                memo_.insert(memo_.end(), data + 4, data + size);
                if (memo_.size() > length) throw Damage{"a memo is longer than its head says"};
            }
        } else {
            throw Damage{"a memo's head makes no sense"};
        }
        if (memo_.size() != length && !(lengthAndFlags & 0x80000000))
            throw Damage{"a memo is shorter than its head says"};
        Text(out, memo_.data(), memo_.size());
    }

    std::pair<const unsigned char*, size_t> LongValueRow(uint32_t pageRow) {
        const unsigned long page = pageRow >> 8;
        const int row = static_cast<int>(pageRow & 0xff);
        const ssize_t pageSize = mdb_->fmt->pg_size;
        if (page == 0 || mdb_read_alt_pg(mdb_, page) != pageSize) throw Damage{"a memo's page cannot be read"};
        const unsigned char* buf = mdb_->alt_pg_buf;
        const int countAt = mdb_->fmt->row_count_offset;
        int rows;
        uint16_t v;
        std::memcpy(&v, buf + countAt, 2);
        rows = v;
        if (row >= rows || countAt + 2 + 2 * (row + 1) > pageSize) throw Damage{"a memo's row is not on its page"};
        std::memcpy(&v, buf + countAt + 2 + 2 * row, 2);
        const int start = v & 0x1fff;
        int end = static_cast<int>(pageSize);
        if (row > 0) {
            std::memcpy(&v, buf + countAt + 2 * row, 2);
            end = v & 0x1fff;
        }
        if (start > end || end > pageSize) throw Damage{"a memo's row lies outside its page"};
        return {buf + start, static_cast<size_t>(end - start)};
    }

    MdbHandle* mdb_;
    FrameWriter& out_;
    int stderrFd_;
    off_t saidUpTo_ = 0;
    std::u16string units_;
    std::vector<unsigned char> memo_;
};

// Whatever happens in here ends the child: an exception that left would
// unwind through the caller's frames, a copy of the program running on.
[[noreturn]] void ChildMain(int fileFd, int pipeFd, const std::vector<std::string>& first) noexcept {
    std::signal(SIGPIPE, SIG_DFL);
    FrameWriter out(pipeFd);
    const auto fail = [&out](JetReadError::Kind kind, const std::string& detail) noexcept {
        try {
            std::string payload;
            payload.push_back(char(kind == JetReadError::Kind::Damaged ? 1 : 0));
            FrameWriter::Bytes(payload, detail.data(), detail.size());
            out.Put(kFailed, payload);
            out.Flush();
        } catch (...) {
        }
        ::_exit(3);
    };
    try {
        // What the library says goes into a file of its own, read back after
        // each table; without it damage would pass unseen.
        const int said = ::memfd_create("mdbtools", MFD_CLOEXEC);
        if (said < 0 || ::dup2(said, STDERR_FILENO) < 0)
            fail(JetReadError::Kind::Unreadable,
                 std::string("the library's messages cannot be kept: ") + std::strerror(errno));
        // Files of the older release are Japanese: Jet 3 text is Shift-JIS.
        if (!std::getenv("MDB_JET3_CHARSET")) ::setenv("MDB_JET3_CHARSET", "CP932", 0);
        if (gChildHook) gChildHook();
        const std::string name = "/dev/fd/" + std::to_string(fileFd);
        MdbHandle* mdb = mdb_open(name.c_str(), MDB_NOFLAGS);
        if (!mdb) fail(JetReadError::Kind::Damaged, "mdb_open refused the file");
        ChildReader(mdb, out, said).Run(first);
    } catch (const Damage& d) {
        fail(JetReadError::Kind::Damaged, d.detail);
    } catch (const std::exception& e) {
        // A length read from damaged bytes can ask for more memory than
        // there is.
        fail(JetReadError::Kind::Damaged, std::string("the reader failed: ") + e.what());
    } catch (...) {
        fail(JetReadError::Kind::Damaged, "the reader failed");
    }
    ::_exit(0);
}

// ---- The parent: reads frames and hands them to the sink ----

struct BadFrame {};

class FrameReader {
public:
    FrameReader(const char* data, size_t size) : p_(data), end_(data + size) {}
    uint32_t U32() {
        Need(4);
        uint32_t v;
        std::memcpy(&v, p_, 4);
        p_ += 4;
        return v;
    }
    unsigned char Byte() {
        Need(1);
        return static_cast<unsigned char>(*p_++);
    }
    template <typename T>
    T Raw() {
        Need(sizeof(T));
        T v;
        std::memcpy(&v, p_, sizeof(T));
        p_ += sizeof(T);
        return v;
    }
    std::pair<const char*, size_t> Bytes() {
        const uint32_t n = U32();
        Need(n);
        const char* at = p_;
        p_ += n;
        return {at, n};
    }
    QString Utf8() {
        const auto [at, n] = Bytes();
        return QString::fromUtf8(at, static_cast<qsizetype>(n));
    }
    bool AtEnd() const { return p_ == end_; }

private:
    void Need(size_t n) const {
        if (static_cast<size_t>(end_ - p_) < n) throw BadFrame{};
    }
    const char* p_;
    const char* end_;
};

// Access keeps a moment as days since 1899-12-30; before that day the whole
// part counts back while the fraction still runs forward through the day.
Value DateValue(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return Value();
    double whole = 0;
    const double fraction = std::fabs(std::modf(days, &whole));
    qint64 day = static_cast<qint64>(whole);
    qint64 seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    // As written, whatever the zone's offsets and summer time were then.
    return Value(QDateTime(QDate(1899, 12, 30).addDays(day), QTime(0, 0).addSecs(static_cast<int>(seconds)), Qt::UTC));
}

class Child {
public:
    Child(pid_t pid) : pid_(pid) {}
    ~Child() {
        if (pid_ > 0) Stop();
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    void Stop() {
        ::kill(pid_, SIGKILL);
        Wait();
    }
    int Wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_;
};

QString Said(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

JetReadError::JetReadError(Kind kind, const QString& path, const QString& detail)
    : DbError(kErrCannotOpen,
              kind == Kind::Damaged
                  ? QStringLiteral("データベースファイル '%1' は壊れているため読み込めません。").arg(path)
                  : QStringLiteral("データベースファイル '%1' を読み取れません。").arg(path)),
      kind_(kind),
      detail_(detail) {}

void SetJetReadTimeout(int milliseconds) { gTimeoutMs = milliseconds > 0 ? milliseconds : 60000; }
void SetJetReaderChildHook(std::function<void()> hook) { gChildHook = std::move(hook); }

QString StorageTypeOfJetType(const QString& accessType) {
    // MEMO (and any name SQLite does not know) would get numeric affinity:
    // a memo "0012" would be kept as 12.
    if (accessType == QLatin1String("MEMO") || accessType == QLatin1String("TEXT")) return QStringLiteral("TEXT");
    return accessType;
}

void ReadJetFile(const QString& path, JetSink& sink, const QStringList& first) {
    const int opened = platform::OpenRegularFile(path);
    if (opened < 0)
        throw JetReadError(JetReadError::Kind::Unreadable, path, QString::fromLocal8Bit(std::strerror(-opened)));
    const platform::Descriptor file(opened);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw JetReadError(JetReadError::Kind::Unreadable, path, QString::fromLocal8Bit(std::strerror(errno)));
    platform::Descriptor in(fds[0]);
    std::vector<std::string> firstNames;
    for (const QString& name : first) firstNames.push_back(name.toStdString());
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ChildMain(file.get(), fds[1], firstNames);
    }
    ::close(fds[1]);
    if (pid < 0) throw JetReadError(JetReadError::Kind::Unreadable, path, QString::fromLocal8Bit(std::strerror(errno)));
    Child child(pid);

    std::vector<JetTable> tables;
    const JetTable* current = nullptr;
    std::vector<Value> row;
    std::string pending;
    size_t at = 0;
    bool done = false;
    std::string failure;
    int failureKind = -1;
    const auto damaged = [&](const QString& detail) {
        child.Stop();
        throw JetReadError(JetReadError::Kind::Damaged, path, detail);
    };
    const auto handle = [&](char type, const char* data, size_t size) {
        FrameReader r(data, size);
        switch (type) {
            case kCatalogue: {
                const uint32_t count = r.U32();
                for (uint32_t i = 0; i < count; ++i) {
                    JetTable t;
                    t.name = r.Utf8();
                    t.rows = r.U32();
                    const uint32_t columns = r.U32();
                    for (uint32_t c = 0; c < columns; ++c) {
                        JetColumn column;
                        column.name = r.Utf8();
                        column.type = r.Utf8();
                        t.columns.push_back(column);
                    }
                    tables.push_back(std::move(t));
                }
                sink.Catalogue(tables);
                break;
            }
            case kBegin: {
                const uint32_t index = r.U32();
                if (index >= tables.size()) throw BadFrame{};
                current = &tables[index];
                row.resize(current->columns.size());
                sink.BeginTable(*current);
                break;
            }
            case kRow: {
                if (!current) throw BadFrame{};
                for (Value& v : row) {
                    switch (r.Byte()) {
                        case kNull:
                            v = Value();
                            break;
                        case kInt:
                            v = Value(static_cast<long long>(r.Raw<int64_t>()));
                            break;
                        case kReal:
                            v = Value(r.Raw<double>());
                            break;
                        case kDate:
                            v = DateValue(r.Raw<double>());
                            break;
                        case kUtf16: {
                            const auto [units, bytes] = r.Bytes();
                            v = Value(
                                QString(reinterpret_cast<const QChar*>(units), static_cast<qsizetype>(bytes / 2)));
                            break;
                        }
                        case kUtf8:
                            v = Value(r.Utf8());
                            break;
                        default:
                            throw BadFrame{};
                    }
                }
                sink.Row(row);
                break;
            }
            case kEnd:
                if (!current) throw BadFrame{};
                current = nullptr;
                sink.EndTable();
                break;
            case kDone:
                done = true;
                break;
            case kFailed: {
                failureKind = r.Byte();
                const auto [text, n] = r.Bytes();
                failure.assign(text, n);
                break;
            }
            default:
                throw BadFrame{};
        }
        if (!r.AtEnd()) throw BadFrame{};
    };

    char chunk[1 << 16];
    for (;;) {
        pollfd p{in.get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, gTimeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) damaged(QStringLiteral("the reader said nothing for %1 ms").arg(gTimeoutMs));
        const ssize_t n = ::read(in.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        pending.append(chunk, static_cast<size_t>(n));
        try {
            while (pending.size() - at >= 5) {
                uint32_t length;
                std::memcpy(&length, pending.data() + at + 1, 4);
                if (pending.size() - at - 5 < length) break;
                handle(pending[at], pending.data() + at + 5, length);
                at += 5 + length;
            }
        } catch (const BadFrame&) {
            damaged(QStringLiteral("the reader's output makes no sense"));
        }
        if (at > (1 << 20) || at == pending.size()) {
            pending.erase(0, at);
            at = 0;
        }
    }
    const int status = child.Wait();
    if (failureKind >= 0)
        throw JetReadError(failureKind == 1 ? JetReadError::Kind::Damaged : JetReadError::Kind::Unreadable, path,
                           Said(failure));
    if (WIFSIGNALED(status))
        throw JetReadError(JetReadError::Kind::Damaged, path,
                           QStringLiteral("the reader ended by signal %1").arg(WTERMSIG(status)));
    if (!done || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || current || pending.size() != at)
        throw JetReadError(JetReadError::Kind::Damaged, path,
                           QStringLiteral("the reader ended with %1 before the end").arg(status));
}

}  // namespace mox::db
