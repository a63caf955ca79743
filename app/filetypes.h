// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

namespace korvane::app {

// The save dialog's file types, each with its pattern: "Text (*.txt)". The pattern is what the
// dialog takes the suffix from, so a translation keeps it as it is.
class FileTypes
{
    Q_DECLARE_TR_FUNCTIONS(FileTypes)

public:
    static QString jpeg() { return tr("JPEG picture (*.jpg)"); }
    static QString png() { return tr("PNG picture (*.png)"); }
    static QString text() { return tr("Text (*.txt)"); }
    static QString workbook() { return tr("Excel workbook (*.xlsx)"); }
    static QString csv() { return tr("CSV (*.csv)"); }
    // The records as numbers, one row per record, for spreadsheets and analysis tools.
    static QString analysisCsv() { return tr("CSV for analysis, comma and decimal point (*.csv)"); }
    static QString analysisCsvSemicolon()
    {
        return tr("CSV for analysis, semicolon and decimal comma (*.csv)");
    }
    static QString jsonLines() { return tr("JSON Lines (*.jsonl)"); }
    static QString workbookNumbers() { return tr("Excel workbook, numbers (*.xlsx)"); }
};

} // namespace korvane::app
