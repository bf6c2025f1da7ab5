#!/usr/bin/env python3
"""Writes a zip whose entries are named exactly as given, unencrypted: the
archives a hostile or broken server could offer, which 7za itself would not
make.

Usage: make_zip.py OUT ENTRY...
ENTRY is NAME=TEXT for a file, or NAME->TARGET for a symbolic link.
"""

import sys
import zipfile


def main():
    out = sys.argv[1]
    with zipfile.ZipFile(out, "w") as archive:
        for entry in sys.argv[2:]:
            if "->" in entry:
                name, target = entry.split("->", 1)
                info = zipfile.ZipInfo(name)
                info.create_system = 3
                info.external_attr = 0o120777 << 16
                archive.writestr(info, target)
            else:
                name, text = entry.split("=", 1)
                info = zipfile.ZipInfo(name)
                info.create_system = 3
                info.external_attr = 0o100644 << 16
                archive.writestr(info, text)


if __name__ == "__main__":
    main()
