#include "bench/headlessprogram.h"

namespace korvane::bench {

HeadlessProgram::HeadlessProgram(const QString& device, link::Polling polling)
    : m_ports({device}), m_port(m_ports),
      m_link(m_state, m_port, {m_findcomtim, m_comtim, m_comcontim, m_readtim}, m_status, m_live,
             m_records)
{
    m_link.setPolling(polling);
}

void HeadlessProgram::start()
{
    m_records.gridinit();
    m_link.start();
}

} // namespace korvane::bench
