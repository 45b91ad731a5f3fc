#!/usr/bin/env python3
"""Fills a mounted NTFS volume with about ENTRIES files and directories, a few carrying streams."""
import os
import sys

root, entries = sys.argv[1], int(sys.argv[2])
per_dir = 50
made = 0
d = 0
while made < entries:
    top = os.path.join(root, f"dir{d // 20:03d}")
    sub = os.path.join(top, f"sub{d % 20:02d}")
    if not os.path.isdir(top):
        os.mkdir(top)
        made += 1
    os.mkdir(sub)
    made += 1
    for f in range(per_dir):
        path = os.path.join(sub, f"file{f:03d}.dat")
        with open(path, "wb") as out:
            out.write(b"x" * 64)
        made += 1
        # One entry in 200 carries a stream, like downloads with their zone mark.
        if made % 200 == 0:
            os.setxattr(path, "user.Zone.Identifier", b"[ZoneTransfer]\r\nZoneId=3\r\n")
    d += 1
print(made)
