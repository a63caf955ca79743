// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace korvane::publish {

// A small file named in the publishing settings (a password, a certificate authority): what it
// holds, or why it cannot be used. Only a regular file is read, so a FIFO cannot block and a
// device cannot fill memory; more than kMostBytes is refused.
struct SettingFile
{
    static constexpr qint64 kMostBytes = 64 * 1024;

    QByteArray bytes;
    QString error;              // empty: bytes holds the whole file
    bool othersMayRead = false; // its group or anyone may read it

    static SettingFile read(const QString& path);
};

// A password file's first line, without its line end.
QString passwordOf(const QByteArray& bytes);

// Why a certificate authority file cannot be used (unreadable, not a regular file, too big, no
// PEM certificate in it), or nothing.
QString certificateAuthorityProblem(const QString& path);

} // namespace korvane::publish
