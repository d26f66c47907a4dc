// SPDX-License-Identifier: Apache-2.0
#include "tests/fuzz/FuzzInput.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace {

std::string FuzzDir()
{
    // One folder per process, so that parallel fuzz jobs (-jobs=N) never share files.
    static const std::string dir = [] {
        const std::string path
            = (std::filesystem::temp_directory_path() / ("quire-fuzz-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(path);
        return path;
    }();
    return dir;
}

} // namespace

std::string WriteFuzzInput(const std::uint8_t* data, std::size_t size, const std::string& suffix)
{
    const std::string path = FuzzDir() + "/input-" + suffix + ".pdf";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot write " + path);
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
    return path;
}

std::string FuzzOutputPath(const std::string& suffix)
{
    const std::string path = FuzzDir() + "/output-" + suffix + ".pdf";
    std::remove(path.c_str());
    return path;
}
