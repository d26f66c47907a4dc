// SPDX-License-Identifier: Apache-2.0
#include "cli/JsonText.h"

namespace {

std::string Dump(const nlohmann::ordered_json& value)
{
    // NOTE: the library's default handler throws on bytes that are not UTF-8; a name is never a
    // reason to print no JSON at all.
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace

std::string JsonLine(const nlohmann::ordered_json& object)
{
    // Member by member: dump() without indent leaves out the space after ':' and ',' that the
    // one-object-a-line layout has always had.
    std::string line = "{";
    for (const auto& member : object.items()) {
        if (line.size() > 1)
            line += ", ";
        line += Dump(member.key()) + ": " + Dump(member.value());
    }
    return line + "}";
}
