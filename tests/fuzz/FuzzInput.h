// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The PDF layer reads files by path, so every fuzz input is first written to a file of this process's
// own; `suffix` tells the files of one target apart. Returns the path.
std::string WriteFuzzInput(const std::uint8_t* data, std::size_t size, const std::string& suffix);

// A path for an output beside the inputs, removed before it is returned.
std::string FuzzOutputPath(const std::string& suffix);
