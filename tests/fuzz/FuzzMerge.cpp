// SPDX-License-Identifier: Apache-2.0
// Arbitrary bytes as the one source of a merge: the job must end with a report, never crash, hang or
// throw, and must never leave a temporary file behind.
#include "engine/MergeJob.h"
#include "tests/fuzz/FuzzInput.h"

#include <cstdlib>
#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = WriteFuzzInput(data, size, "merge");
    const std::string output = FuzzOutputPath("merge");

    quire::JobRow row;
    row.szFilePath = path;
    row.szBookmark = "source";
    row.szBeginPage = "1";
    quire::MergeOptions options;
    options.outputPath = output;
    options.autoBackup = false;
    options.title = "fuzz";
    const quire::JobReport report = quire::RunMerge({row}, options);

    // A failed merge writes nothing; a successful one writes its output and nothing else.
    const bool written = std::filesystem::exists(output);
    if (report.ok != written)
        std::abort();
    int entries = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(output).parent_path()))
        ++entries;
    if (entries != (written ? 2 : 1))
        std::abort();
    std::filesystem::remove(output);
    return 0;
}
