// SPDX-License-Identifier: Apache-2.0
#include "engine/PathSplit.h"

namespace quire {

PathParts SplitPath(const std::string& path)
{
    PathParts parts;
    const auto slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    parts.dir = path.substr(0, nameStart);
    const std::string rest = path.substr(nameStart);
    const auto dot = rest.rfind('.');
    if (dot == std::string::npos) {
        parts.name = rest;
    } else {
        parts.name = rest.substr(0, dot);
        parts.ext = rest.substr(dot);
    }
    return parts;
}

std::string PathLocation(const std::string& path)
{
    return SplitPath(path).dir;
}

std::string PathFileTitle(const std::string& path)
{
    return SplitPath(path).name;
}

} // namespace quire
