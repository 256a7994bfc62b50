#!/usr/bin/python3
# Reads a .vcf with Debian's python3-vobject, an implementation independent of ours, and prints
# what it finds of each card on one line: FN, then TEL, ADR (street), EMAIL and ORG entries,
# separated by tabs.
import sys

import vobject

with open(sys.argv[1], encoding="utf-8", newline="") as f:
    text = f.read()
for card in vobject.readComponents(text):
    found = [card.fn.value]
    for tel in card.contents.get("tel", []):
        found.append("TEL " + tel.value)
    for adr in card.contents.get("adr", []):
        found.append("ADR " + adr.value.street)
    for email in card.contents.get("email", []):
        found.append("EMAIL " + email.value)
    for org in card.contents.get("org", []):
        found.append("ORG " + ";".join(org.value))
    print("\t".join(found).replace("\n", "\\n"))
