// SPDX-License-Identifier: Apache-2.0
// Merges every PDF in FOLDER, in name order, into OUT.pdf through the progress dialog, as the Merge
// command does, and prints the resident memory before the job and once the dialog has ended: what
// the program keeps while it waits for the next command. A corpus: bench/run-engine.sh's generator,
// e.g. quire-bench-corpus DIR --files 300 --pages 200 --lines 10 (60,000 pages).
#include "app/CDialogConvert.h"
#include "app/CMessageBox.h"
#include "app/CShell.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

long ResidentMegabytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6)) / 1024;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: quire_bench_jobrss FOLDER OUT.pdf\n");
        return 2;
    }
    CMessageBox::SetTestMode(true);
    CShell::SetTestMode(true);
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        if (entry.path().extension() == ".pdf")
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    ConvertJob job;
    job.szOutputPath = argv[2];
    job.nAutoBackup = 0;
    job.nOpenResult = 0;
    for (const std::string& path : paths)
        job.rows.push_back({path, true, "", "", "1", ""});
    std::printf("before the job: %ld MB\n", ResidentMegabytes());
    {
        CDialogConvert dialog(std::move(job));
        dialog.exec();
        std::printf("%d pages written, ok %d\n", dialog.GetReport().pagesWritten, dialog.GetReport().ok);
    }
    std::printf("after the job: %ld MB\n", ResidentMegabytes());
    return 0;
}
