#!/usr/bin/python3
# Reads CSV files with Python's csv module, a reader independent of ours, and prints each row
# on one line, fields separated by "|", line breaks inside a field shown as \r and \n. Fails
# unless the file begins with the UTF-8 byte-order mark and every row ends in CR LF.
import csv
import sys

sys.stdout.reconfigure(encoding="utf-8", newline="\n")

for name in sys.argv[1:]:
    with open(name, "rb") as f:
        raw = f.read()
    if not raw.startswith(b"\xef\xbb\xbf") or not raw.endswith(b"\r\n"):
        sys.exit(name + ": no byte-order mark or no CR LF at the end")
    with open(name, encoding="utf-8-sig", newline="") as f:
        for row in csv.reader(f, strict=True):
            print("|".join(x.replace("\r", "\\r").replace("\n", "\\n") for x in row))
