// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/linesink.h"

#include <cerrno>
#include <cstring>

namespace korvane::datalog {

bool StreamSink::append(qint64, const QByteArray& lines)
{
    if (!m_error.isEmpty())
        return false;
    const QByteArray bytes = m_heading + lines;
    m_heading.clear();
    if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), m_stream) !=
            std::size_t(bytes.size()) ||
        std::fflush(m_stream) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace korvane::datalog
