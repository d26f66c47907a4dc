// SPDX-License-Identifier: Apache-2.0
#include "cli/CTerminalProgress.h"

#include "engine/PathSplit.h"

CTerminalProgress::CTerminalProgress(std::FILE* terminal, std::string szVerb)
    : m_pTerminal(terminal)
    , m_szVerb(std::move(szVerb))
{ }

CTerminalProgress::~CTerminalProgress()
{
    Finish();
}

void CTerminalProgress::OnRow(int row, int ordinal, int total, const std::string& path)
{
    (void)row;
    const quire::PathParts parts = quire::SplitPath(path);
    // Carriage return and "erase line" rewrite the one progress line instead of scrolling.
    std::fprintf(m_pTerminal, "\r\033[Kquire: %s %d of %d: %s%s", m_szVerb.c_str(), ordinal, total, parts.name.c_str(),
                 parts.ext.c_str());
    std::fflush(m_pTerminal);
    m_bLineShown = true;
}

void CTerminalProgress::Finish()
{
    if (!m_bLineShown)
        return;
    std::fputs("\r\033[K", m_pTerminal);
    std::fflush(m_pTerminal);
    m_bLineShown = false;
}
