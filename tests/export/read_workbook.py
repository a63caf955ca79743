# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads a workbook with openpyxl, an independent reader, and prints its first sheet as JSON."""
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
cells = []
for row in sheet.iter_rows():
    for cell in row:
        cells.append([cell.row, cell.column, cell.value, cell.alignment.horizontal, cell.data_type,
                      cell.number_format])
print(json.dumps({"sheets": len(book.worksheets), "rows": sheet.max_row,
                  "columns": sheet.max_column, "cells": cells}))
