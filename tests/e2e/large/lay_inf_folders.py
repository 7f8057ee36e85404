#!/usr/bin/env python3
"""Lays out a large machine's INF folders for the purge scenario.

usage: lay_inf_folders.py INF-FOLDER TOTAL OURS MARKER

Writes TOTAL .inf files (nine in ten in INF-FOLDER, the rest in its OTHER
subfolder), OURS of them the product's: they hold MARKER in ANSI (half, with
its letters in lower case for every other one) or as UTF-16 with a
byte-order mark (the other half, the marker after a character code page
1252 lacks). Every .inf file gets a .pnf companion. The others hold another
maker's GUID, part of the marker, the marker split over lines, or the marker
as UTF-16 without a byte-order mark (which is no UTF-16 text to the purge).
Prints the product's files (.inf and .pnf), one path relative to INF-FOLDER
a line; makes one in ten of them read-only.
"""
import os
import sys


def main():
    folder, total, ours, marker = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    other = os.path.join(folder, "OTHER")
    os.makedirs(other, exist_ok=True)
    # The product's files spread over the whole run of names and both folders.
    step = total // ours
    ours_at = {k * step + k % 10: k for k in range(ours)}
    product = []
    for i in range(total):
        where = other if i % 10 == 9 else folder
        name = "oem%05d" % i
        path = os.path.join(where, name + ".inf")
        k = ours_at.get(i)
        if k is not None:
            if k % 2 == 0:
                text = marker.lower() if k % 4 == 0 else marker
                data = ("[Version]\r\nSignature=\"$CHICAGO$\"\r\n; %s\r\n" % text).encode("ascii")
            else:
                data = b"\xff\xfe" + ("[Version]\r\n; \u3042 %s\r\n" % marker).encode("utf-16-le")
            product.append(os.path.relpath(path, folder))
            product.append(os.path.relpath(path[:-4] + ".pnf", folder))
        else:
            kind = i % 4
            if kind == 0:
                data = b"[Version]\r\nClass=Net\r\n; {11111111-2222-3333-4444-555555555555}\r\n"
            elif kind == 1:
                data = ("[Version]\r\n; %s\r\n" % marker[:-2]).encode("ascii")
            elif kind == 2:
                data = ("[Version]\r\n; %s\r\n%s\r\n" % (marker[:10], marker[10:])).encode("ascii")
            else:
                data = ("; %s\r\n" % marker).encode("utf-16-le")
        with open(path, "wb") as f:
            f.write(data)
        with open(path[:-4] + ".pnf", "wb") as f:
            f.write(b"PNF")
        if k is not None and k % 10 == 5:
            os.chmod(path, 0o444)
            os.chmod(path[:-4] + ".pnf", 0o444)
    print("\n".join(product))


if __name__ == "__main__":
    main()
