#!/usr/bin/python3
"""Prints a workbook's cells and column widths as JSON, read with openpyxl.

Usage: xlsx_read.py WORKBOOK.xlsx

{"sheets": [{"title": ..., "cells": {"A1": {"value", "type", "number_format", "bold"}},
             "widths": {"A": width}}]}
"type" is "n" for a number, "s" for a string and "blank" for a cell with a format only;
"widths" lists only the columns given a width of their own.
"""
import json
import sys

import openpyxl


def cell_type(cell):
    if cell.value is None:
        return "blank"
    return "n" if isinstance(cell.value, (int, float)) else "s"


def read(path):
    book = openpyxl.load_workbook(path)
    sheets = []
    for ws in book.worksheets:
        cells = {}
        for row in ws.iter_rows():
            for cell in row:
                if cell.value is None and not cell.has_style:
                    continue
                cells[cell.coordinate] = {
                    "value": cell.value,
                    "type": cell_type(cell),
                    "number_format": cell.number_format,
                    "bold": bool(cell.font.b),
                }
        widths = {key: dim.width for key, dim in ws.column_dimensions.items() if dim.customWidth}
        sheets.append({"title": ws.title, "cells": cells, "widths": widths})
    return {"sheets": sheets}


if __name__ == "__main__":
    json.dump(read(sys.argv[1]), sys.stdout)
