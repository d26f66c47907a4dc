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
    ShowLine(m_szVerb + " " + std::to_string(ordinal) + " of " + std::to_string(total) + ": " + parts.name + parts.ext);
}

void CTerminalProgress::OnWriting(const std::string& path)
{
    const quire::PathParts parts = quire::SplitPath(path);
    ShowLine("writing " + parts.name + parts.ext);
}

void CTerminalProgress::ShowLine(const std::string& szText)
{
    // Carriage return and "erase line" rewrite the one progress line instead of scrolling.
    std::fprintf(m_pTerminal, "\r\033[Kquire: %s", szText.c_str());
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
