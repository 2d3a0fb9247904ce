#!/usr/bin/python3
"""Summary of the sanitizer reports written by scripts/sanitize.sh.

    sanitizer-summary.py LOG_DIR SOURCE_DIR

One block per distinct report (kind, and the first frames inside SOURCE_DIR),
with the programs that reported it and how often; leaks are listed by the
frames of this project's code that allocated them."""

import collections
import os
import re
import sys

log_dir, source_dir = sys.argv[1], os.path.realpath(sys.argv[2])
frame_re = re.compile(r"^\s*#(\d+) 0x[0-9a-f]+ in (.*?) (\S+)$")
program_re = re.compile(r"in _start \((\S+?)\+0x")

reports = collections.OrderedDict()
for name in sorted(os.listdir(log_dir)):
    with open(os.path.join(log_dir, name), errors="replace") as f:
        text = f.read()
    program = program_re.search(text)
    program = os.path.basename(program.group(1)) if program else name
    # A report starts with its headline and runs to the next blank line.
    for block in re.split(r"\n\s*\n", text):
        lines = block.strip().splitlines()
        head = next((l for l in lines if re.search(r"leak of|ERROR: AddressSanitizer|runtime error", l)), None)
        if head is None:
            continue
        ours = []
        for line in lines:
            m = frame_re.match(line)
            if m:
                where = m.group(3)
                # gcc names sources relative to the build folder (../../app/x.cpp:12).
                path = re.sub(r"^(\.\./)+", "", where.split(":")[0])
                if path.startswith(source_dir + "/"):
                    path = path[len(source_dir) + 1:]
                if not path.startswith("/") and os.path.isfile(os.path.join(source_dir, path)):
                    ours.append("%s %s" % (m.group(2), re.sub(r"^(\.\./)+", "", where)))
        kind = re.sub(r"\d+ byte\(s\) in \d+ object\(s\)", "N bytes", head.strip())
        kind = re.sub(r"^==\d+==", "", kind)
        kind = re.sub(r"0x[0-9a-f]+", "ADDR", kind)
        key = (kind, tuple(ours[:3]))
        size = re.search(r"(\d+) byte\(s\) in (\d+) object", head)
        entry = reports.setdefault(key, {"programs": collections.Counter(), "bytes": 0, "count": 0})
        entry["programs"][program] += 1
        entry["count"] += 1
        if size:
            entry["bytes"] += int(size.group(1))

if not reports:
    print("no sanitizer reports")
for (kind, ours), entry in reports.items():
    print("* %s: %d times, %d bytes" % (kind, entry["count"], entry["bytes"]))
    print("  in: " + ", ".join("%s (%d)" % p for p in entry["programs"].most_common()))
    for frame in ours:
        print("    " + frame)
    if not ours:
        print("    (no frame of this project)")
