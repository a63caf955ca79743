#include "bench/headlessprogram.h"

namespace korvane::bench {

HeadlessProgram::HeadlessProgram(const QString& device, link::Tab tab)
    : m_ports({device}), m_port(m_ports),
      m_link(m_state, m_port, {m_findcomtim, m_comtim, m_comcontim, m_readtim}, m_status, m_live,
             m_records)
{
    m_state.curtab = tab;
}

void HeadlessProgram::start()
{
    m_records.gridinit();
    m_link.start();
}

} // namespace korvane::bench
