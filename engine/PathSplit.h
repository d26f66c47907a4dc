// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

namespace quire {

// The parts of a file path split at the last '/' and at the last '.' of the name.
// `dir` keeps its trailing '/', `ext` keeps its dot; there are no drives on this platform.
// "/docs/report.pdf" -> {"/docs/", "report", ".pdf"}; "/docs/.pdf" -> {"/docs/", "", ".pdf"};
// "archive.tar.gz" -> {"", "archive.tar", ".gz"}.
struct PathParts
{
    std::string dir;
    std::string name;
    std::string ext;
};

PathParts SplitPath(const std::string& path);

// The folder of `path` with its trailing '/' (empty for a bare file name).
std::string PathLocation(const std::string& path);

// The file name of `path` without its extension; empty for a name that starts with its only dot.
std::string PathFileTitle(const std::string& path);

} // namespace quire
