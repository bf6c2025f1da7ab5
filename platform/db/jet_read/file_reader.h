#pragma once
// The reader's work: the tables of the Access file, checked and written as
// frames. mdbtools parses the catalogue and the table definitions; the
// reader checks each definition against its own bytes before a row is read
// (names, type codes, where each column lies, the counts against the
// definition's length), walks the data pages itself (a moved row is read
// once, at the place its pointer keeps, and a deleted one not at all),
// checks each row against its table, and takes every value from the row's
// own bytes. Anything that does not add up is damage, and damage refuses
// the whole file: nothing is ever read short or with another row's values.

#include "platform/db/jet_read/frame_writer.h"
#include "platform/db/jet_read/library_messages.h"

#include <set>
#include <string>
#include <vector>

// clang-format off
#include <glib.h>
#include <mdbtools.h>
// clang-format on

namespace mox::db::jet {

class FileReader {
public:
    FileReader(MdbHandle* mdb, FrameWriter& out, LibraryMessages& said) : mdb_(mdb), out_(out), said_(said) {}

    // Every table of the catalogue but Access's own, those named in `first`
    // (in that order, whatever the case) before the others. Throws Failed:
    // kDamaged, or kMiscounted for a table whose rows do not come to the
    // number its definition holds while every page of it was read without
    // any other sign of damage.
    void Run(const std::vector<std::string>& first);

    // What the log should hear of the file ("" for nothing).
    std::string Notes() const;

private:
    class Table;
    struct Place {
        int start = 0;
        int size = 0;
    };

    void ReadRows(MdbCatalogEntry* entry, bool send);
    bool LoadPage(unsigned long page, const Table& table, const char* what);
    Place RowAt(const unsigned char* page, int row, int rows, const Table& table) const;
    Place Follow(const Place& pointer, const Table& table);
    void CheckRow(const Table& table, const Place& row) const;
    void Crack(const Table& table, const Place& row);
    void Encode(std::string& out, MdbColumn* col, const MdbField& f, bool isNull);
    const unsigned char* FieldBytes(const MdbField& f, size_t need) const;
    template <typename T>
    T FieldAs(const MdbField& f) const;
    void Text(std::string& out, const unsigned char* data, size_t size);
    void Memo(std::string& out, const MdbField& f);
    std::pair<const unsigned char*, size_t> LongValueRow(uint32_t pageRow);
    off_t FileSize() const;
    // What the library said last, as an addition to a detail.
    std::string SaidLast();

    MdbHandle* mdb_;
    FrameWriter& out_;
    LibraryMessages& said_;
    std::vector<unsigned char> page_;  // the data page whose rows are being walked
    bool pageInBuffer_ = false;        // mdbtools' page buffer holds page_
    std::set<uint32_t> followed_;      // moved rows of the table reached so far
    Place row_;                        // the row whose fields are being taken
    std::vector<MdbField> cracked_, fields_;
    std::vector<unsigned char> isNull_;
    std::u16string units_;
    std::vector<unsigned char> memo_;
};

}  // namespace mox::db::jet
