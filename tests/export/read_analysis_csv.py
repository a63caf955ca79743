# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads a CSV with Python's strict csv module and prints its rows as JSON arrays of texts."""
import csv
import json
import sys

with open(sys.argv[1], encoding="utf-8-sig", newline="") as f:
    rows = list(csv.reader(f, delimiter=sys.argv[2], strict=True))
print(json.dumps(rows))
