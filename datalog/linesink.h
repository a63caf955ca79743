// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace korvane::datalog {

// Where a recorder's lines go.
class LineSink
{
public:
    virtual ~LineSink() = default;
    // Appends whole lines stamped ms. False when they could not be written; error() says why.
    virtual bool append(qint64 ms, const QByteArray& lines) = 0;
    virtual QString error() const = 0;
};

// A stdio stream such as standard output: the heading before the first lines, each write
// flushed so a pipe's reader sees every line as it comes.
class StreamSink : public LineSink
{
public:
    StreamSink(std::FILE* stream, QByteArray heading)
        : m_stream(stream), m_heading(std::move(heading))
    {}
    bool append(qint64 ms, const QByteArray& lines) override;
    QString error() const override { return m_error; }

private:
    std::FILE* m_stream;
    QByteArray m_heading;
    QString m_error;
};

} // namespace korvane::datalog
