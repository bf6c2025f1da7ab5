#include "platform/db/jet_read/file_reader.h"

#include <sys/stat.h>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mox::db::jet {

namespace {

constexpr int kOffsetMask = 0x1fff;
constexpr int kDeletedRow = 0x8000;  // also the data of a moved row: reached only through its pointer
constexpr int kMovedRow = 0x4000;    // the row's place holds a pointer to where it lies now
constexpr int kMaxHops = 8;
constexpr int kMaxDefinitionPages = 64;
constexpr unsigned kMaxIndexes = 1024;
constexpr int kShiftJis = 932;
// Integral currency values (in ten-thousandths) whose every digit a double
// keeps, so that the value reads back as the file holds it.
constexpr int64_t kExactCurrency = 1'000'000'000'000'000;

uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

std::string Num(long long v) { return std::to_string(v); }

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
        case MDB_MEMO:
            return "MEMO";
        case MDB_REPID:
            return "GUID";
        case MDB_NUMERIC:
            return "DECIMAL";
        default:
            return "LONGBINARY";  // OLE objects and the kinds later Access versions added
    }
}

// The size a fixed column of the type takes in a row; -1 for a type whose
// values may vary in length, 0 for a yes/no value (it lives in the null mask).
int FixedSize(int type) {
    switch (type) {
        case MDB_BOOL:
            return 0;
        case MDB_BYTE:
            return 1;
        case MDB_INT:
            return 2;
        case MDB_LONGINT:
        case MDB_FLOAT:
            return 4;
        case MDB_MONEY:
        case MDB_DOUBLE:
        case MDB_DATETIME:
            return 8;
        case MDB_REPID:
            return 16;
        case MDB_NUMERIC:
            return 17;
        default:
            return -1;
    }
}

bool KnownType(int type) {
    return (type >= MDB_BOOL && type <= MDB_MEMO) || type == MDB_REPID || type == MDB_NUMERIC || type == MDB_COMPLEX;
}

// Access keeps its own tables, whatever their flags say, under these names.
bool IsAccessOwn(const char* name) { return g_ascii_strncasecmp(name, "MSys", 4) == 0; }

// The bytes of a table definition, its pages joined as mdbtools joins them.
class DefinitionBytes {
public:
    DefinitionBytes(std::vector<unsigned char> bytes, std::string table)
        : bytes_(std::move(bytes)), table_(std::move(table)) {}
    unsigned U8(size_t at) const { return *Need(at, 1); }
    unsigned U16At(size_t at) const { return U16(Need(at, 2)); }
    uint32_t U32At(size_t at) const { return U32(Need(at, 4)); }
    const unsigned char* Need(size_t at, size_t n) const {
        if (at + n > bytes_.size() || at + n < at)
            throw Failed{kDamaged, "the definition of " + table_ + " ends before its columns and indexes do"};
        return bytes_.data() + at;
    }

private:
    std::vector<unsigned char> bytes_;
    std::string table_;
};

}  // namespace

// A table definition as mdbtools reads it, checked against its own bytes.
class FileReader::Table {
public:
    Table(FileReader& reader, MdbCatalogEntry* entry) : name_(entry->object_name) {
        if (name_.empty()) throw Failed{kDamaged, "a table of the catalogue has no name"};
        table_ = mdb_read_table(entry);
        if (!table_) throw Failed{kDamaged, "the definition of " + name_ + " cannot be read" + reader.SaidLast()};
        try {
            // The bytes first: mdbtools reads on into whatever a damaged
            // count makes of them.
            CheckBytes(reader, entry->table_pg);
            if (!mdb_read_columns(table_) || !table_->columns || table_->columns->len != table_->num_cols)
                throw Failed{kDamaged, "the columns of " + name_ + " cannot be read" + reader.SaidLast()};
            CheckColumns();
        } catch (...) {
            mdb_free_tabledef(table_);
            throw;
        }
    }
    ~Table() { mdb_free_tabledef(table_); }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    MdbTableDef* get() const { return table_; }
    MdbTableDef* operator->() const { return table_; }
    const std::string& Name() const { return name_; }
    MdbColumn* Column(unsigned i) const { return static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i)); }
    unsigned MaxColumns() const { return maxColumns_; }
    // The fixed columns in the order mdbtools takes them from a row.
    const std::vector<std::pair<int, int>>& FixedColumns() const { return fixed_; }

private:
    void CheckBytes(FileReader& reader, unsigned long firstPage) {
        MdbHandle* mdb = table_->entry->mdb;
        const MdbFormatConstants* fmt = mdb->fmt;
        const bool jet3 = IS_JET3(mdb);
        const size_t pageSize = static_cast<size_t>(fmt->pg_size);

        std::vector<unsigned char> bytes;
        unsigned long page = firstPage;
        for (int n = 0; page != 0; ++n) {
            if (n == kMaxDefinitionPages) throw Failed{kDamaged, "the definition of " + name_ + " goes on for ever"};
            if (static_cast<off_t>((page + 1) * pageSize) > reader.FileSize())
                throw Failed{kDamaged, "the definition of " + name_ + " lies beyond the end of the file"};
            if (mdb_read_pg(mdb, page) != fmt->pg_size || mdb->pg_buf[0] != MDB_PAGE_TABLE)
                throw Failed{kDamaged,
                             "page " + Num(page) + " of the definition of " + name_ + " is no definition page"};
            bytes.insert(bytes.end(), mdb->pg_buf + (n == 0 ? 0 : 8), mdb->pg_buf + pageSize);
            page = U32(mdb->pg_buf + 4);
        }
        const DefinitionBytes d(std::move(bytes), name_);

        const uint32_t length = d.U32At(8);
        const unsigned columns = d.U16At(fmt->tab_num_cols_offset);
        const unsigned varColumns = d.U16At(fmt->tab_num_cols_offset - 2);
        maxColumns_ = d.U16At(fmt->tab_num_cols_offset - 4);
        const uint32_t indexes = d.U32At(fmt->tab_num_idxs_offset);
        const uint32_t realIndexes = d.U32At(fmt->tab_num_ridxs_offset);
        const std::string where = "the definition of " + name_ + ": ";
        if (columns == 0 || columns > static_cast<unsigned>(kMaxColumns) || columns != table_->num_cols)
            throw Failed{kDamaged, where + Num(columns) + " columns"};
        if (maxColumns_ < columns || varColumns > maxColumns_)
            throw Failed{kDamaged, where + Num(columns) + " columns, " + Num(varColumns) + " of variable length, " +
                                       Num(maxColumns_) + " at most"};
        if (indexes > kMaxIndexes || realIndexes > kMaxIndexes)
            throw Failed{kDamaged, where + Num(indexes) + " indexes on " + Num(realIndexes)};

        struct Entry {
            int type, number, varNumber, flags, fixedOffset, size;
        };
        std::vector<Entry> entries;
        size_t at = fmt->tab_cols_start_offset + size_t(realIndexes) * fmt->tab_ridx_entry_size;
        for (unsigned i = 0; i < columns; ++i, at += fmt->tab_col_entry_size) {
            const unsigned char* e = d.Need(at, fmt->tab_col_entry_size);
            entries.push_back({e[0], jet3 ? e[fmt->col_num_offset] : U16(e + fmt->col_num_offset),
                               U16(e + fmt->tab_col_offset_var), e[fmt->col_flags_offset],
                               U16(e + fmt->tab_col_offset_fixed), U16(e + fmt->col_size_offset)});
        }
        for (unsigned i = 0; i < columns; ++i) {
            const unsigned nameLength = jet3 ? d.U8(at) : d.U16At(at);
            at += jet3 ? 1 : 2;
            if (nameLength == 0 || nameLength > 255)
                throw Failed{kDamaged, where + "a column name of " + Num(nameLength) + " bytes"};
            d.Need(at, nameLength);
            at += nameLength;
        }
        at += size_t(realIndexes) * (jet3 ? 39 : 52) + size_t(indexes) * (jet3 ? 20 : 28);
        for (uint32_t i = 0; i < indexes; ++i) at += (jet3 ? d.U8(at) + 1 : d.U16At(at) + 2);
        // The usage maps of the long-value columns, to the end mark.
        for (unsigned i = 0;; ++i, at += 8) {
            if (i > columns) throw Failed{kDamaged, where + "no end after its long-value maps"};
            const unsigned column = d.U16At(at);
            at += 2;
            if (column == 0xffff) break;
        }
        // Access counts the length from the page's start, mdbtools-era writers
        // from after its 8-byte head: either way it ends where the parts do.
        if (at < length || at > size_t(length) + 8)
            throw Failed{kDamaged, where + "its parts take " + Num(static_cast<long long>(at)) +
                                       " bytes, its length says " + Num(length)};

        std::set<int> varNumbers;
        std::vector<std::pair<int, int>> spans;  // fixed columns: offset, size
        for (const Entry& e : entries) {
            const std::string column = where + "column " + Num(e.number) + " ";
            if (!KnownType(e.type)) throw Failed{kDamaged, column + "has the type code " + Num(e.type)};
            if (e.number >= static_cast<int>(maxColumns_))
                throw Failed{kDamaged, column + "is numbered beyond the count"};
            const bool fixed = e.flags & 0x01;
            const int size = FixedSize(e.type);
            if (size >= 0 && (!fixed || (size > 0 && e.size != size)))
                throw Failed{kDamaged, column + "of type " + Num(e.type) + " is " + (fixed ? "" : "not ") + "fixed, " +
                                           Num(e.size) + " bytes"};
            if ((e.type == MDB_MEMO || e.type == MDB_OLE) && fixed)
                throw Failed{kDamaged, column + "is a fixed long value"};
            if (fixed) {
                const int span = size >= 0 ? size : e.size;
                if (e.fixedOffset + span + 2 > static_cast<int>(pageSize))
                    throw Failed{kDamaged, column + "lies beyond the fixed part of a row"};
                if (span > 0) spans.emplace_back(e.fixedOffset, span);
            } else if (e.varNumber >= static_cast<int>(varColumns) || !varNumbers.insert(e.varNumber).second) {
                throw Failed{kDamaged,
                             column + "has the variable place " + Num(e.varNumber) + " of " + Num(varColumns)};
            }
        }
        std::sort(spans.begin(), spans.end());
        for (size_t i = 1; i < spans.size(); ++i)
            if (spans[i].first < spans[i - 1].first + spans[i - 1].second)
                throw Failed{kDamaged, where + "two fixed columns share their bytes"};
    }

    void CheckColumns() {
        const std::string where = "the definition of " + name_ + ": ";
        std::vector<std::string> names;
        for (unsigned i = 0; i < table_->num_cols; ++i) {
            const MdbColumn* c = Column(i);
            if (c->name[0] == '\0') throw Failed{kDamaged, where + "a column has no name"};
            for (const std::string& other : names)
                if (g_ascii_strcasecmp(other.c_str(), c->name) == 0)
                    throw Failed{kDamaged, where + "two columns are named " + c->name};
            names.emplace_back(c->name);
            if (c->is_fixed) fixed_.emplace_back(c->fixed_offset, std::max(FixedSize(c->col_type), c->col_size));
        }
    }

    std::string name_;
    MdbTableDef* table_ = nullptr;
    unsigned maxColumns_ = 0;
    std::vector<std::pair<int, int>> fixed_;
};

std::string FileReader::SaidLast() {
    said_.CatchUp();
    const std::string last = said_.LastLine();
    return last.empty() ? std::string() : " (" + last + ")";
}

off_t FileReader::FileSize() const {
    struct stat st {};
    if (::fstat(fileno(mdb_->f->stream), &st) != 0) throw Failed{kDamaged, "the file cannot be measured"};
    return st.st_size;
}

void FileReader::Run(const std::vector<std::string>& first) {
    page_.resize(static_cast<size_t>(mdb_->fmt->pg_size));
    if (!mdb_read_catalog(mdb_, MDB_TABLE)) throw Failed{kDamaged, "the catalogue cannot be read" + SaidLast()};
    said_.CatchUp();
    if (const std::string damage = said_.DamageLine(); !damage.empty()) throw Failed{kDamaged, "catalogue: " + damage};
    std::vector<MdbCatalogEntry*> tables;
    for (unsigned i = 0; i < mdb_->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
        if (entry->object_type != MDB_TABLE || IsAccessOwn(entry->object_name)) continue;
        for (const MdbCatalogEntry* other : tables)
            if (g_ascii_strcasecmp(other->object_name, entry->object_name) == 0)
                throw Failed{kDamaged, std::string("the catalogue names two tables ") + entry->object_name};
        tables.push_back(entry);
    }
    // The catalogue's own rows (its definition is page 2, as mdbtools reads
    // it) are counted as any table's: a catalogue that lost rows would make
    // a damaged file look like another program's.
    MdbCatalogEntry catalogue{};
    catalogue.mdb = mdb_;
    catalogue.object_type = MDB_TABLE;
    catalogue.table_pg = 2;
    std::strcpy(catalogue.object_name, "MSysObjects");
    ReadRows(&catalogue, false);

    std::string payload;
    PutU32(payload, static_cast<uint32_t>(tables.size()));
    for (MdbCatalogEntry* entry : tables) {
        const Table t(*this, entry);
        PutText(payload, entry->object_name);
        PutU32(payload, t->num_rows);
        PutU32(payload, t->num_cols);
        for (unsigned c = 0; c < t->num_cols; ++c) {
            PutText(payload, t.Column(c)->name);
            PutText(payload, AccessTypeName(t.Column(c)->col_type));
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
        PutU32(payload, i);
        out_.Put(kBegin, payload);
        ReadRows(tables[i], true);
        out_.Put(kEnd, std::string());
        out_.Flush();
    }
}

std::string FileReader::Notes() const {
    if (IS_JET3(mdb_) && mdb_->f->code_page != kShiftJis)
        return "the file's header names the code page " + Num(mdb_->f->code_page) +
               "; its text was read as Shift-JIS (CP932), as the older release writes it";
    return {};
}

bool FileReader::LoadPage(unsigned long page, const Table& table, const char* what) {
    const ssize_t pageSize = mdb_->fmt->pg_size;
    if (page == 0 || static_cast<off_t>((page + 1) * pageSize) > FileSize())
        throw Failed{kDamaged, table.Name() + ": " + what + " " + Num(page) + " lies beyond the end of the file"};
    if (mdb_read_pg(mdb_, page) != pageSize)
        throw Failed{kDamaged, table.Name() + ": " + what + " " + Num(page) + " cannot be read"};
    pageInBuffer_ = false;
    return mdb_->pg_buf[0] == MDB_PAGE_DATA && U32(mdb_->pg_buf + 4) == table->entry->table_pg;
}

FileReader::Place FileReader::RowAt(const unsigned char* page, int row, int rows, const Table& table) const {
    const int countAt = mdb_->fmt->row_count_offset;
    const int pageSize = static_cast<int>(mdb_->fmt->pg_size);
    const int start = U16(page + countAt + 2 + 2 * row) & kOffsetMask;
    const int end = row == 0 ? pageSize : (U16(page + countAt + 2 * row) & kOffsetMask);
    if (start < countAt + 2 + 2 * rows || start > end || end > pageSize)
        throw Failed{kDamaged, table.Name() + ": the place of a row lies outside its page"};
    return {start, end - start};
}

// A moved row: its place holds the page and row where it lies now (after
// another move, where the next pointer lies), and only a row marked as a
// moved row's data may stand there.
FileReader::Place FileReader::Follow(const Place& pointer, const Table& table) {
    if (pointer.size < 4) throw Failed{kDamaged, table.Name() + ": the pointer of a moved row is cut short"};
    uint32_t to = U32(page_.data() + pointer.start);
    for (int hop = 0; hop < kMaxHops; ++hop) {
        if (!followed_.insert(to).second) throw Failed{kDamaged, table.Name() + ": two pointers name one moved row"};
        const unsigned long page = to >> 8;
        const int row = static_cast<int>(to & 0xff);
        if (!LoadPage(page, table, "the page of a moved row"))
            throw Failed{kDamaged,
                         table.Name() + ": a moved row's pointer names page " + Num(page) + ", no page of the table"};
        const int countAt = mdb_->fmt->row_count_offset;
        const int rows = U16(mdb_->pg_buf + countAt);
        if (row >= rows || countAt + 2 + 2 * rows > mdb_->fmt->pg_size)
            throw Failed{kDamaged, table.Name() + ": a moved row's pointer names no row"};
        const int flags = U16(mdb_->pg_buf + countAt + 2 + 2 * row) & ~kOffsetMask;
        if (!(flags & kDeletedRow))
            throw Failed{kDamaged, table.Name() + ": a moved row's pointer names a row of its own"};
        const Place place = RowAt(mdb_->pg_buf, row, rows, table);
        if (!(flags & kMovedRow)) return place;
        if (place.size < 4) throw Failed{kDamaged, table.Name() + ": the pointer of a moved row is cut short"};
        to = U32(mdb_->pg_buf + place.start);
    }
    throw Failed{kDamaged, table.Name() + ": a moved row's pointers go on and on"};
}

void FileReader::ReadRows(MdbCatalogEntry* entry, bool send) {
    const Table table(*this, entry);
    const int pageSize = static_cast<int>(mdb_->fmt->pg_size);
    const int countAt = mdb_->fmt->row_count_offset;
    followed_.clear();
    said_.CatchUp();
    const uint64_t saidBefore = said_.Lines();
    uint64_t read = 0;
    unsigned strangePages = 0;
    std::string payload;
    for (gint32 page = 0;;) {
        page = mdb_map_find_next(mdb_, table->usage_map, static_cast<unsigned>(table->map_sz), page);
        if (page < 0) throw Failed{kDamaged, table.Name() + ": its usage map cannot be read"};
        if (page == 0) break;
        if (!LoadPage(static_cast<unsigned long>(page), table, "page")) {
            ++strangePages;  // the map names a page that holds no rows of the table
            continue;
        }
        std::memcpy(page_.data(), mdb_->pg_buf, page_.size());
        pageInBuffer_ = true;
        const int rows = U16(page_.data() + countAt);
        if (countAt + 2 + 2 * rows > pageSize)
            throw Failed{kDamaged, table.Name() + ": a page says it holds " + Num(rows) + " rows"};
        for (int r = 0; r < rows; ++r) {
            const int flags = U16(page_.data() + countAt + 2 + 2 * r) & ~kOffsetMask;
            if (flags & kDeletedRow) continue;
            Place row = RowAt(page_.data(), r, rows, table);
            if (flags & kMovedRow) {
                row = Follow(row, table);
            } else if (!pageInBuffer_) {
                std::memcpy(mdb_->pg_buf, page_.data(), page_.size());
                pageInBuffer_ = true;
            }
            CheckRow(table, row);
            if (++read > table->num_rows || !send) continue;
            Crack(table, row);
            payload.clear();
            for (unsigned c = 0; c < table->num_cols; ++c) Encode(payload, table.Column(c), fields_[c], isNull_[c]);
            out_.Put(kRow, payload);
        }
    }
    said_.CatchUp();
    if (const std::string damage = said_.DamageLine(); !damage.empty())
        throw Failed{kDamaged, table.Name() + ": " + damage};
    if (read != table->num_rows) {
        const std::string detail = table.Name() + ": " + Num(static_cast<long long>(read)) + " rows read, " +
                                   Num(table->num_rows) + " defined";
        if (strangePages == 0 && said_.Lines() == saidBefore) throw Failed{kMiscounted, detail, table.Name()};
        throw Failed{kDamaged,
                     detail + (strangePages ? ", " + Num(strangePages) + " pages of its map hold none of its rows"
                                            : ", " + said_.LastLine())};
    }
}

// A row as its table lays it out: its column count within the definition's,
// its variable columns' offsets in order and inside the row, its fixed
// columns before the first of them, a place for every value it holds.
void FileReader::CheckRow(const Table& table, const Place& row) const {
    const unsigned char* p = mdb_->pg_buf + row.start;
    const int n = row.size;
    const bool jet3 = IS_JET3(mdb_);
    const int countSize = jet3 ? 1 : 2;
    const auto damaged = [&](const std::string& what) { throw Failed{kDamaged, table.Name() + ": a row " + what}; };
    if (n < countSize + 1) damaged("is empty");
    const unsigned columns = jet3 ? p[0] : U16(p);
    if (columns == 0 || columns > table.MaxColumns())
        damaged("says it has " + Num(columns) + " columns of " + Num(table.MaxColumns()));
    const int mask = static_cast<int>((columns + 7) / 8);
    int fixedEnd = n - mask;
    unsigned varColumns = 0;
    if (table->num_var_cols > 0) {
        if (n < countSize + mask + 2 * countSize) damaged("is too short for its columns");
        varColumns = jet3 ? p[n - mask - 1] : U16(p + n - mask - 2);
        if (varColumns > columns) damaged("says it has " + Num(varColumns) + " variable columns of " + Num(columns));
        if (!jet3) {
            const int tableAt = n - mask - 4 - 2 * static_cast<int>(varColumns);
            if (tableAt < countSize) damaged("is too short for its variable columns");
            int previous = countSize;
            for (unsigned i = 0; i <= varColumns; ++i) {
                const int offset = U16(p + n - mask - 4 - 2 * static_cast<int>(i));
                if (offset < previous || offset > tableAt) damaged("has its values out of order or outside it");
                if (i == 0) fixedEnd = offset;
                previous = offset;
            }
        }
    }
    const size_t fixedColumns = std::min<size_t>(columns - varColumns, table.FixedColumns().size());
    for (size_t i = 0; i < fixedColumns; ++i) {
        const auto [offset, size] = table.FixedColumns()[i];
        if (countSize + offset + size > fixedEnd) damaged("is too short for its fixed columns");
    }
    // A value the null mask holds present has a place among the row's
    // columns as the library assigns them: a count that damage lowered
    // would have it hand the value over as Null. A yes/no value lives in
    // the mask, and a column added after the row was written lies beyond
    // the row's count.
    const unsigned char* nulls = p + n - mask;
    const unsigned fixedPlaces = columns - varColumns;
    unsigned fixedSeen = 0;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        const MdbColumn* c = table.Column(i);
        const bool placed = c->is_fixed ? fixedSeen++ < fixedPlaces : c->var_col_num < varColumns;
        const bool present = c->col_num < static_cast<int>(columns) && (nulls[c->col_num / 8] >> (c->col_num % 8)) & 1;
        if (present && !placed && c->col_type != MDB_BOOL)
            damaged("holds a value of " + std::string(c->name) + " it has no place for");
    }
}

// The fields of the row; a column added to the table after the row was
// written is Null.
void FileReader::Crack(const Table& table, const Place& row) {
    const unsigned count = table->num_cols;
    cracked_.resize(count);
    fields_.resize(count);
    isNull_.assign(count, 1);
    row_ = row;
    if (mdb_crack_row(table.get(), row.start, static_cast<size_t>(row.size), cracked_.data()) < 0)
        throw Failed{kDamaged, table.Name() + ": a row cannot be taken apart"};
    for (unsigned i = 0; i < count; ++i) {
        const int column = cracked_[i].colnum;
        if (column < 0 || column >= static_cast<int>(count)) continue;
        isNull_[column] = cracked_[i].is_null;
        fields_[column] = cracked_[i];
    }
}

const unsigned char* FileReader::FieldBytes(const MdbField& f, size_t need) const {
    if (f.start < row_.start || f.siz < 0 || static_cast<size_t>(f.siz) < need ||
        f.start + f.siz > row_.start + row_.size)
        throw Failed{kDamaged, "a value lies outside its row"};
    return mdb_->pg_buf + f.start;
}

template <typename T>
T FileReader::FieldAs(const MdbField& f) const {
    T v;
    std::memcpy(&v, FieldBytes(f, sizeof v), sizeof v);  // little-endian, as this host
    return v;
}

namespace {

void Int(std::string& out, int64_t v) {
    out.push_back(char(kInt));
    out.append(reinterpret_cast<const char*>(&v), 8);
}
void Real(std::string& out, double v, Tag tag = kReal) {
    out.push_back(char(tag));
    out.append(reinterpret_cast<const char*>(&v), 8);
}

// Currency beyond what a double keeps to the last digit is carried as its
// decimal text.
void Currency(std::string& out, int64_t tenThousandths) {
    if (tenThousandths > -kExactCurrency && tenThousandths < kExactCurrency) {
        Real(out, static_cast<double>(tenThousandths) / 10000.0);
        return;
    }
    const bool negative = tenThousandths < 0;
    const uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(tenThousandths) : static_cast<uint64_t>(tenThousandths);
    std::string text = std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) text += "." + fraction;
    if (negative) text.insert(0, 1, '-');
    out.push_back(char(kUtf8));
    PutText(out, text);
}

}  // namespace

void FileReader::Encode(std::string& out, MdbColumn* col, const MdbField& f, bool isNull) {
    if (col->col_type == MDB_BOOL) {  // the null mask is the value
        Int(out, isNull ? 0 : 1);
        return;
    }
    if (isNull) {
        out.push_back(char(kNull));
        return;
    }
    switch (col->col_type) {
        case MDB_BYTE:
            Int(out, *FieldBytes(f, 1));
            return;
        case MDB_INT:
            Int(out, FieldAs<int16_t>(f));
            return;
        case MDB_LONGINT:
            Int(out, FieldAs<int32_t>(f));
            return;
        case MDB_MONEY:
            Currency(out, FieldAs<int64_t>(f));
            return;
        case MDB_FLOAT: {
            // A single as Access shows it: its shortest decimal form.
            const float v = FieldAs<float>(f);
            char text[32];
            const auto end = std::to_chars(text, text + sizeof text - 1, v).ptr;
            *end = '\0';
            Real(out, std::strtod(text, nullptr));
            return;
        }
        case MDB_DOUBLE:
            Real(out, FieldAs<double>(f));
            return;
        case MDB_DATETIME:
            Real(out, FieldAs<double>(f), kDate);
            return;
        case MDB_TEXT:
            Text(out, FieldBytes(f, 0), static_cast<size_t>(f.siz));
            return;
        case MDB_MEMO:
            Memo(out, f);
            return;
        case MDB_REPID: {
            const unsigned char* g = FieldBytes(f, 16);
            char text[40];
            std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", U32(g), U16(g + 4),
                          U16(g + 6), g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
            out.push_back(char(kUtf8));
            PutText(out, text);
            return;
        }
        case MDB_NUMERIC: {
            FieldBytes(f, 17);
            char* text = mdb_numeric_to_string(mdb_, f.start, col->col_scale, col->col_prec);
            Real(out, text ? std::strtod(text, nullptr) : 0.0);
            g_free(text);
            return;
        }
        default:  // binary values do not cross the database layer
            out.push_back(char(kNull));
            return;
    }
}

// Jet 4 keeps text as UTF-16LE (pairs of units for characters beyond
// U+FFFF), or compressed: after FF FE, runs of one byte a character (the
// high byte 0) and of two, switched at each 0x00. Jet 3 keeps the code
// page's bytes, which the library converts.
void FileReader::Text(std::string& out, const unsigned char* data, size_t size) {
    if (IS_JET3(mdb_)) {
        std::string utf8(size * 3 + 1, '\0');
        const int n = mdb_unicode2ascii(mdb_, reinterpret_cast<const char*>(data), size, utf8.data(), utf8.size());
        utf8.resize(n > 0 ? static_cast<size_t>(n) : 0);
        out.push_back(char(kUtf8));
        PutText(out, utf8);
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
        for (size_t i = 0; i + 1 < size; i += 2) units_.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    out.push_back(char(kUtf16));
    PutBytes(out, units_.data(), units_.size() * 2);
}

// A memo's bytes: inline after its 12-byte head, in one long-value row, or
// in a chain of them, each row starting with the next one's address. The
// head's length is what the memo holds: a row may keep a few bytes more.
void FileReader::Memo(std::string& out, const MdbField& f) {
    const unsigned char* head = FieldBytes(f, MDB_MEMO_OVERHEAD);
    const uint32_t lengthAndFlags = U32(head);
    uint32_t pageRow = U32(head + 4);
    const size_t length = lengthAndFlags & 0x3fffffff;
    memo_.clear();
    if (lengthAndFlags & 0x80000000) {
        memo_.assign(head + MDB_MEMO_OVERHEAD, head + f.siz);
    } else if (lengthAndFlags & 0x40000000) {
        const auto [data, size] = LongValueRow(pageRow);
        memo_.assign(data, data + std::min(size, length));
    } else if ((lengthAndFlags & 0xff000000) == 0) {
        const off_t pages = FileSize() / mdb_->fmt->pg_size;
        for (off_t step = 0; memo_.size() < length; ++step) {
            if (pageRow == 0) break;
            if (step > pages) throw Failed{kDamaged, "a memo's chain of pages goes round"};
            const auto [data, size] = LongValueRow(pageRow);
            if (size < 4) throw Failed{kDamaged, "a memo's page row is too short"};
            pageRow = U32(data);
            memo_.insert(memo_.end(), data + 4, data + 4 + std::min(size - 4, length - memo_.size()));
        }
    } else {
        throw Failed{kDamaged, "a memo's head makes no sense"};
    }
    if (memo_.size() < length && !(lengthAndFlags & 0x80000000))
        throw Failed{kDamaged, "a memo is shorter than its head says"};
    Text(out, memo_.data(), memo_.size());
}

std::pair<const unsigned char*, size_t> FileReader::LongValueRow(uint32_t pageRow) {
    const unsigned long page = pageRow >> 8;
    const int row = static_cast<int>(pageRow & 0xff);
    const ssize_t pageSize = mdb_->fmt->pg_size;
    if (page == 0 || static_cast<off_t>((page + 1) * pageSize) > FileSize() || mdb_read_alt_pg(mdb_, page) != pageSize)
        throw Failed{kDamaged, "a memo's page cannot be read"};
    const unsigned char* buf = mdb_->alt_pg_buf;
    if (buf[0] != MDB_PAGE_DATA || std::memcmp(buf + 4, "LVAL", 4) != 0)
        throw Failed{kDamaged, "a memo's page " + Num(page) + " is no long-value page"};
    const int countAt = mdb_->fmt->row_count_offset;
    const int rows = U16(buf + countAt);
    if (row >= rows || countAt + 2 + 2 * rows > pageSize) throw Failed{kDamaged, "a memo's row is not on its page"};
    const int start = U16(buf + countAt + 2 + 2 * row) & kOffsetMask;
    const int end = row == 0 ? static_cast<int>(pageSize) : (U16(buf + countAt + 2 * row) & kOffsetMask);
    if (start < countAt + 2 + 2 * rows || start > end || end > pageSize)
        throw Failed{kDamaged, "a memo's row lies outside its page"};
    return {buf + start, static_cast<size_t>(end - start)};
}

}  // namespace mox::db::jet
