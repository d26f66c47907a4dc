// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"

#include <cstdio>
#include <string>

// Shows which file a job works on as one line on a terminal that is rewritten in place
// ("quire: merging 3 of 12: report.pdf"), then the file being written ("quire: writing out.pdf").
// Finish() clears the line.
class CTerminalProgress : public quire::IJobObserver
{
public:
    CTerminalProgress(std::FILE* terminal, std::string szVerb);
    ~CTerminalProgress() override;

    void OnRow(int row, int ordinal, int total, const std::string& path) override;
    void OnWriting(const std::string& path) override;
    void Finish();

private:
    void ShowLine(const std::string& szText);

    std::FILE* m_pTerminal;
    std::string m_szVerb;
    bool m_bLineShown = false;
};
