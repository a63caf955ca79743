// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/linesink.h"

#include <QFile>

namespace korvane::datalog {

// A log on disk that survives the program: every append goes to the file in one write, so a
// program killed at any moment leaves whole lines and at most a torn last one. It never
// replaces a file: when the name is taken by a file it writes "name-2.csv", "name-3.csv"...; a
// name taken by a folder, a device or a FIFO is refused. At local midnight it goes on in a new
// file named by the date ("survey-2026-12-08.csv"), heading first. A failed write (a full disk,
// a file over the size limit) or a file deleted under it (its folder removed) closes it for good
// with error() set and the system's reason; a line cut short by a failed write is taken back, so
// the file holds whole lines, and a file whose heading did not fit is removed.
class LogFile : public LineSink
{
public:
    // heading: written at the top of every file, the first and each day's.
    LogFile(QString path, QByteArray heading);

    // Creates the first file; false with error() when it cannot.
    bool open(qint64 nowMs);
    bool append(qint64 ms, const QByteArray& lines) override;
    // False with error() when the log failed before or its file was deleted under it.
    bool close();

    bool isOpen() const { return m_file.isOpen(); }
    // The file written now, and its size in bytes.
    QString path() const { return m_file.fileName(); }
    qint64 size() const { return m_size; }
    QString error() const override { return m_error; }

private:
    bool create(const QString& wanted, qint64 ms);
    bool fail(const QString& message);
    // Empty when every byte was written, else the reason.
    QString writeWhole(const QByteArray& bytes);
    bool deletedUnderUs() const;

    QString m_wantedPath;
    QByteArray m_heading;
    QFile m_file;
    qint64 m_size = 0;
    qint64 m_nextMidnightMs = 0;
    QString m_error;
};

} // namespace korvane::datalog
