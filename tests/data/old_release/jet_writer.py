"""Writes small Jet 4 (Access 2000) database files for the tests.

Debian has no program that writes Jet files, and the older release's
databases are Jet files. This writer makes files with plain tables that a
Jet reader opens as Access would: the header page, the system catalogue
MSysObjects (its rows first in the file, as Access keeps them), the
long-value pages of memos too long to stay in their rows, and per table its
definition page (with a primary key on ID where the table has one, and the
usage maps of its memo columns), its usage maps (type 0, or type 1 with map
pages once a table reaches past the first 472 pages) and its data pages.
Only what reading needs is written: the index pages themselves and the
free-space bookkeeping are not. Text is UTF-16LE; a table written with
compress=True keeps it compressed as Access does (FF FE, then runs of one
byte a character and of two, switched at each 0x00). A memo of up to 1024
bytes stays in its row; a longer one lies in one long-value row, or in a
chain of them over several pages.

A table may also keep what a file in use collects (the `options` of
write_database): deleted rows left in place, rows moved to another page (the
old place keeps a pointer, flagged 0x4000, the data is flagged 0x8000),
rows moved twice, the data of a moved row whose pointer was deleted, a
catalogue Flags value and a property block (LvProp).

Column kinds: "LONG", "INTEGER" (16-bit), "BYTE", "BIT", "DATETIME",
"TEXT(n)", "MEMO", "DOUBLE", "SINGLE", "CURRENCY", "LONGBINARY", named as the
SQL of the tests declares them.
"""

import datetime
import struct

PAGE = 4096
ROW_COUNT_OFFSET = 0x0C  # data pages: number of rows, then their offsets

BOOL, BYTE, INT, LONG, MONEY, FLOAT, DOUBLE, DATETIME, TEXT, OLE, MEMO = \
    0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x0A, 0x0B, 0x0C
FIXED_SIZE = {BYTE: 1, INT: 2, LONG: 4, MONEY: 8, FLOAT: 4, DOUBLE: 8, DATETIME: 8, BOOL: 0}
MAP_BITS = (PAGE - 4) * 8  # pages one page of a type-1 usage map covers


def jet_type(declared):
    """(Jet type, column length in bytes) of a declared SQL type."""
    kind = declared.upper().split("(")[0].strip()
    if kind == "TEXT":
        chars = int(declared.split("(")[1].rstrip(")")) if "(" in declared else 255
        return TEXT, 2 * chars
    return {"LONG": (LONG, 4), "INTEGER": (INT, 2), "SHORT": (INT, 2), "BYTE": (BYTE, 1),
            "BIT": (BOOL, 0), "DATETIME": (DATETIME, 8), "LONGBINARY": (OLE, 0), "MEMO": (MEMO, 0),
            "DOUBLE": (DOUBLE, 8), "SINGLE": (FLOAT, 4), "CURRENCY": (MONEY, 8)}[kind]


def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) % 256
        s[i], s[j] = s[j], s[i]
    out, i, j = bytearray(), 0, 0
    for byte in data:
        i = (i + 1) % 256
        j = (j + s[i]) % 256
        s[i], s[j] = s[j], s[i]
        out.append(byte ^ s[(s[i] + s[j]) % 256])
    return bytes(out)


def header_page():
    page = bytearray(PAGE)
    page[0:4] = b"\x00\x01\x00\x00"
    page[4:20] = b"Standard Jet DB\x00"
    struct.pack_into("<I", page, 0x14, 1)  # Jet 4
    # Language, code page and key (0: not encrypted) live in a region that
    # Jet keeps scrambled with a fixed RC4 key.
    plain = bytearray(128)
    struct.pack_into("<H", plain, 0x6E - 0x18, 0x0411)
    page[0x18:0x18 + 128] = rc4(struct.pack("<I", 0x6B39DAC7), bytes(plain))
    return page


def date_value(text):
    moment = datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S")
    delta = moment - datetime.datetime(1899, 12, 30)
    # Before 1899-12-30 Access counts the days back but the time of day
    # forward: 1899-12-29 12:00 is -1.5.
    if delta.days < 0:
        return delta.days - delta.seconds / 86400.0
    return delta.days + delta.seconds / 86400.0


def text_bytes(text, compress):
    """UTF-16LE, or compressed as Access keeps it: after FF FE one byte a
    character for characters 1..255, two bytes for the others, each switch
    marked by 0x00. A character whose low byte is 0 cannot stand in a
    two-byte run (it would read as a switch): such a text stays whole."""
    data = str(text).encode("utf-16-le")
    units = [data[i:i + 2] for i in range(0, len(data), 2)]
    if not compress or not units or any(u[0] == 0 for u in units):
        return data
    out = bytearray(b"\xff\xfe")
    one_byte = True
    for u in units:
        fits = u[1] == 0
        if fits != one_byte:
            out.append(0)
            one_byte = fits
        out += u[:1] if fits else u
    return bytes(out)


def encode(kind, value, compress=False):
    if kind == BYTE:
        return struct.pack("<B", value)
    if kind == INT:
        return struct.pack("<h", value)
    if kind == LONG:
        return struct.pack("<i", value)
    if kind == DATETIME:
        return struct.pack("<d", date_value(value))
    if kind == DOUBLE:
        return struct.pack("<d", value)
    if kind == FLOAT:
        return struct.pack("<f", value)
    if kind == MONEY:
        return struct.pack("<q", currency_units(value))
    if kind == TEXT:
        return text_bytes(value, compress)
    if kind == OLE:  # inline: the length with flag 0x80, no page, then the bytes
        return struct.pack("<III", len(value) | 0x80000000, 0, 0) + bytes(value)
    raise ValueError(kind)


def currency_units(value):
    """A currency value in the ten-thousandths Access keeps; a string is
    taken as the exact decimal it spells."""
    if isinstance(value, str):
        whole, _, fraction = value.lstrip("-").partition(".")
        units = int(whole) * 10000 + int((fraction + "0000")[:4])
        return -units if value.startswith("-") else units
    return round(value * 10000)


LONG_VALUE_ABOVE = 1024  # a memo longer than this (in bytes) leaves its row
LONG_ROW = PAGE - 14 - 2  # the most a long-value page holds in one row


class LongValues:
    """The long-value pages, numbered from `first`: each memo too long for
    its row is one row of its own (type 1), or a chain of rows each starting
    with the next one's address (type 2)."""

    def __init__(self, first):
        self.first = first
        self.pages = []  # per page: its rows (bytes)

    def _put(self, data):
        if not self.pages or 14 + 2 * (len(self.pages[-1]) + 1) + sum(map(len, self.pages[-1])) + len(data) > PAGE:
            self.pages.append([])
        self.pages[-1].append(data)
        return ((self.first + len(self.pages) - 1) << 8) | (len(self.pages[-1]) - 1)

    def head(self, data, slack=0):
        """The 12 bytes a row keeps of the memo `data`; `slack` bytes more
        than its length stay in a long-value row of one piece."""
        if len(data) + slack <= LONG_ROW:
            return struct.pack("<III", len(data) | 0x40000000, self._put(data + b"\0" * slack), 0)
        pieces = [data[at:at + LONG_ROW - 4] for at in range(0, len(data), LONG_ROW - 4)]
        # The last piece first, so that each row knows the next one's address.
        following = 0
        for piece in reversed(pieces):
            following = self._put(struct.pack("<I", following) + piece)
        return struct.pack("<III", len(data), following, 0)

    def rendered(self):
        out = []
        for rows in self.pages:
            page = bytearray(PAGE)
            page[0:2] = b"\x01\x01"
            page[4:8] = b"LVAL"
            place_rows(page, [(0, r) for r in rows])
            out.append(page)
        return out


class Column:
    def __init__(self, number, name, declared):
        self.number = number
        self.name = name
        self.kind, self.length = jet_type(declared)
        self.fixed = self.kind in FIXED_SIZE
        self.fixed_offset = 0
        self.var_number = 0


class Table:
    def __init__(self, name, columns, rows, system=False, compress=False, options=None):
        self.name = name
        self.compress = compress
        self.columns = [Column(i, n, t) for i, (n, t) in enumerate(columns)]
        self.rows = rows
        self.system = system
        self.options = options or {}
        offset = 0
        var = 0
        for c in self.columns:
            if c.fixed:
                c.fixed_offset = offset
                offset += FIXED_SIZE[c.kind]
            else:
                c.var_number = var
                var += 1
        self.fixed_size = offset
        self.var_count = var
        self.key = next((c for c in self.columns if c.name == "ID" and c.kind == LONG), None)
        self.long_columns = [c for c in self.columns if c.kind in (MEMO, OLE)]

    def row_bytes(self, row, long_values=None, slack=0):
        """One row: column count, fixed part, variable part, the variable
        offsets from the last to the first, their count, the null mask."""
        count = len(self.columns)
        mask = bytearray((count + 7) // 8)
        fixed = bytearray(self.fixed_size)
        variable = bytearray()
        starts = []
        head = 2 + self.fixed_size
        for c, value in zip(self.columns, row):
            present = value is not None
            if c.kind == BOOL:
                present = bool(value)  # a yes/no value lives in the mask
            elif c.fixed and present:
                fixed[c.fixed_offset:c.fixed_offset + FIXED_SIZE[c.kind]] = encode(c.kind, value)
            if not c.fixed:
                starts.append(head + len(variable))
                if present and c.kind == MEMO:
                    # Access compresses only memos of up to 1024 characters.
                    data = text_bytes(value, self.compress and len(str(value)) <= 1024)
                    if len(data) > LONG_VALUE_ABOVE and long_values is not None:
                        variable += long_values.head(data, slack)
                    else:
                        variable += struct.pack("<III", len(data) | 0x80000000, 0, 0) + data
                elif present:
                    variable += encode(c.kind, value, self.compress)
            if present:
                mask[c.number // 8] |= 1 << (c.number % 8)
        end = head + len(variable)
        offsets = b"".join(struct.pack("<H", o) for o in reversed(starts + [end]))
        return struct.pack("<H", count) + bytes(fixed) + bytes(variable) + offsets + \
            struct.pack("<H", self.var_count) + bytes(mask)

    def definition(self, page_number, used_map, free_map, index_map, long_maps):
        """The definition page: the 55-byte block, the index row counts, the
        columns and their names, the primary key on ID (its definition and
        its name), the usage maps of the memo columns, the end mark."""
        indexes = 1 if self.key else 0
        page = bytearray(PAGE)
        page[0:2] = b"\x02\x01"
        block = bytearray(55)
        struct.pack_into("<I", block, 8, len(self.rows))
        block[32] = 0x53 if self.system else 0x4E
        struct.pack_into("<HHH", block, 33, len(self.columns), self.var_count, len(self.columns))
        struct.pack_into("<II", block, 39, indexes, indexes)
        struct.pack_into("<II", block, 47, used_map, free_map)
        body = bytearray(block)
        if self.key:
            body += struct.pack("<III", 0, len(self.rows), 0)
        for c in self.columns:
            entry = bytearray(25)
            entry[0] = c.kind
            struct.pack_into("<H", entry, 5, c.number)
            struct.pack_into("<H", entry, 7, c.var_number)
            struct.pack_into("<H", entry, 9, c.number)
            if c.kind in (TEXT, MEMO):
                struct.pack_into("<H", entry, 11, 0x0409)
            entry[15] = (0x01 if c.fixed else 0x00) | 0x02
            struct.pack_into("<H", entry, 21, c.fixed_offset)
            struct.pack_into("<H", entry, 23, c.length)
            body += entry
        for c in self.columns:
            name = c.name.encode("utf-16-le")
            body += struct.pack("<H", len(name)) + name
        if self.key:
            real = bytearray(52)
            struct.pack_into("<HB", real, 4, self.key.number, 1)
            for k in range(1, 10):
                struct.pack_into("<HB", real, 4 + 3 * k, 0xFFFF, 0)
            struct.pack_into("<II", real, 34, index_map, 0)
            real[42] = 0x01 | 0x08  # unique, required
            body += real
            logical = bytearray(28)
            struct.pack_into("<IIBiIBBB", logical, 4, 0, 0, 0, -1, 0, 0, 0, 1)
            body += logical
            name = "PrimaryKey".encode("utf-16-le")
            body += struct.pack("<H", len(name)) + name
        for c, (used, free) in zip(self.long_columns, long_maps):
            body += struct.pack("<HII", c.number, used, free)
        body += b"\xff\xff"
        if 8 + len(body) > PAGE:
            raise ValueError("table definition of %s does not fit one page" % self.name)
        page[8:8 + len(body)] = body
        struct.pack_into("<I", page, 8, len(body))
        struct.pack_into("<H", page, 2, PAGE - 8 - len(body) - 8)
        return page


DELETED, MOVED, MOVED_DATA = 0x8000 | 0x4000, 0x4000, 0x8000


def pack(sizes):
    """The rows of the given sizes in pages, each page a list of indexes."""
    pages, current, used = [], [], 14
    for i, size in enumerate(sizes):
        if 14 + 2 + size > PAGE:
            raise ValueError("row too long for one page")
        if used + 2 + size > PAGE:
            pages.append(current)
            current, used = [], 14
        current.append(i)
        used += 2 + size
    if current:
        pages.append(current)
    return pages


def place_rows(page, rows):
    """(flags, bytes) rows from the end of the page towards its start."""
    struct.pack_into("<H", page, ROW_COUNT_OFFSET, len(rows))
    end = PAGE
    for i, (flags, row) in enumerate(rows):
        start = end - len(row)
        page[start:end] = row
        struct.pack_into("<H", page, ROW_COUNT_OFFSET + 2 + 2 * i, start | flags)
        end = start
    struct.pack_into("<H", page, 2, end - (14 + 2 * len(rows)))


def data_pages(table_page, rows, first_page=0):
    """The table's rows packed into data pages numbered from `first_page`.
    Each row is its bytes, or (flags, bytes or ("to", key), key): a pointer
    resolves to the row that was given that key."""
    entries = [r if isinstance(r, tuple) else (0, r, None) for r in rows]
    sizes = [4 if isinstance(e[1], tuple) else len(e[1]) for e in entries]
    pages = pack(sizes)
    where = {}
    for p, indexes in enumerate(pages):
        for r, i in enumerate(indexes):
            if entries[i][2] is not None:
                where[entries[i][2]] = ((first_page + p) << 8) | r
    out = []
    for indexes in pages:
        page = bytearray(PAGE)
        page[0:2] = b"\x01\x01"
        struct.pack_into("<I", page, 4, table_page)
        place_rows(page, [(entries[i][0], struct.pack("<I", where[entries[i][1][1]])
                           if isinstance(entries[i][1], tuple) else entries[i][1]) for i in indexes])
        out.append(page)
    return out


def table_rows(table, long_values):
    """The table's rows as its pages keep them: deleted rows among the live
    ones, moved rows as pointers to their data at the end of the table."""
    o = table.options
    slots, moved = [], []
    slack = o.get("memo_slack", set())
    for i, row in enumerate(table.rows):
        for dead in o.get("deleted", {}).get(i, []):
            slots.append((DELETED, table.row_bytes(dead), None))
        data = table.row_bytes(row, long_values, 3 if i in slack else 0)
        if i in o.get("moved", ()):
            slots.append((MOVED, ("to", ("data", i)), None))
            moved.append((MOVED_DATA, data, ("data", i)))
        elif i in o.get("moved_twice", ()):
            slots.append((MOVED, ("to", ("hop", i)), None))
            moved.append((DELETED, ("to", ("data", i)), ("hop", i)))
            moved.append((MOVED_DATA, data, ("data", i)))
        else:
            slots.append((0, data, None))
    for n, row in enumerate(o.get("dangling", [])):
        slots.append((DELETED, ("to", ("gone", n)), None))
        moved.append((MOVED_DATA, table.row_bytes(row), ("gone", n)))
    return slots + moved


def usage_map(pages, map_pages):
    """A map of type 0 that starts at page 0 and marks the given pages, or,
    for pages past its reach, of type 1: the numbers of map pages, each
    marking MAP_BITS pages. Returns the map row and the map pages
    {number: page}, numbered from the list map_pages hands out."""
    if not pages or max(pages) < 59 * 8:
        bitmap = bytearray(59)
        for p in pages:
            bitmap[p // 8] |= 1 << (p % 8)
        return b"\x00" + struct.pack("<I", 0) + bytes(bitmap), {}
    bitmaps = {}
    for p in pages:
        bitmap = bitmaps.setdefault(p // MAP_BITS, bytearray(PAGE - 4))
        bitmap[(p % MAP_BITS) // 8] |= 1 << (p % 8)
    row = bytearray(b"\x01")
    made = {}
    for index in range(max(bitmaps) + 1):
        if index not in bitmaps:
            row += struct.pack("<I", 0)
            continue
        number = map_pages.pop(0)
        made[number] = b"\x05\x01\x00\x00" + bytes(bitmaps[index])
        row += struct.pack("<I", number)
    return bytes(row), made


def write_database(path, tables, compress=False):
    """tables: list of (name, [(column, declared type)], rows), with a fourth
    item, whether that table's text is compressed (else `compress`), and a
    fifth, its options: "deleted" {i: [rows]} (deleted rows before row i),
    "moved" and "moved_twice" (indexes of rows moved), "dangling" [rows]
    (data of moved rows whose pointers were deleted), "memo_slack" (indexes
    of rows whose long memo rows keep 3 bytes more), "flags" (the catalogue
    row's Flags) and "properties" (its LvProp bytes)."""
    user = [Table(t[0], t[1], t[2], compress=t[3] if len(t) > 3 else compress,
                  options=t[4] if len(t) > 4 else None) for t in tables]
    catalogue_columns = [("Id", "LONG"), ("ParentId", "LONG"), ("Name", "TEXT(128)"), ("Type", "INTEGER"),
                         ("Flags", "LONG"), ("LvProp", "LONGBINARY")]

    def catalogue_rows(layout):
        return [[layout.get(t.name, 0), 0x0F000001, t.name, 1, t.options.get("flags", 0),
                 t.options.get("properties")] for t in user]

    # Page 0 header, page 1 the usage maps, page 2 the catalogue's
    # definition, then the catalogue's rows, the long-value pages; then each
    # table's definition, data pages and map pages.
    placeholder = Table("MSysObjects", catalogue_columns, catalogue_rows({}), system=True)
    catalogue_pages = len(data_pages(0, [placeholder.row_bytes(r) for r in placeholder.rows]))
    long_values = LongValues(3 + catalogue_pages)
    slots = {t.name: table_rows(t, long_values) for t in user}
    next_page = long_values.first + len(long_values.pages)
    layout = {}
    table_data = {}
    for t in user:
        data = data_pages(next_page, slots[t.name], next_page + 1)
        layout[t.name] = next_page
        table_data[t.name] = data
        next_page += 1 + len(data)
        extra = (next_page - 1) // MAP_BITS + 1 if next_page >= 59 * 8 else 0
        next_page += extra
    catalogue = Table("MSysObjects", catalogue_columns, catalogue_rows(layout), system=True)

    maps = []  # usage map rows of page 1
    pages = {0: header_page()}
    for number, page in enumerate(long_values.rendered(), long_values.first):
        pages[number] = page
    everything = [(catalogue, 2, data_pages(2, [catalogue.row_bytes(r) for r in catalogue.rows], 3))]
    everything += [(t, layout[t.name], table_data[t.name]) for t in user]
    for table, definition_page, data in everything:
        numbers = list(range(definition_page + 1, definition_page + 1 + len(data)))
        for number, page in zip(numbers, data):
            pages[number] = page
        spare = list(range(definition_page + 1 + len(data), definition_page + 1 + len(data) + 64))
        used = len(maps)
        row, map_pages = usage_map(numbers, spare)
        pages.update(map_pages)
        maps.append(row)
        maps.append(usage_map([], [])[0])
        extra = [usage_map([], [])[0] for _ in range(1 + 2 * len(table.long_columns))]
        maps += extra
        long_maps = [((1 << 8) | (used + 3 + 2 * k), (1 << 8) | (used + 4 + 2 * k))
                     for k in range(len(table.long_columns))]
        pages[definition_page] = table.definition(definition_page, (1 << 8) | used, (1 << 8) | (used + 1),
                                                  (1 << 8) | (used + 2), long_maps)
    map_pages = data_pages(0, maps)
    if len(map_pages) != 1:
        raise ValueError("too many tables for one page of usage maps")
    pages[1] = map_pages[0]

    with open(path, "wb") as f:
        for number in range(max(pages) + 1):
            f.write(bytes(pages.get(number, bytearray(PAGE))))
