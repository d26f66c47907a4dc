// SPDX-License-Identifier: Apache-2.0
#include "PdfCheck.h"

#include "ChildProcess.h"
#include "JsonValue.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

ChildResult RunTool(const std::vector<std::string>& argv)
{
    ChildOptions options;
    options.limit = std::chrono::seconds(60);
    ChildResult result = RunChild(argv, options);
    EXPECT_FALSE(result.timedOut) << argv[0] << " ran too long on " << argv.back();
    return result;
}

JsonValue QpdfJson(const std::string& path, const std::string& key)
{
    const ChildResult result = RunTool({"qpdf", "--json=2", "--json-key=" + key, path});
    EXPECT_EQ(result.exitCode == 0 || result.exitCode == 3, true) << result.err;
    try {
        return JsonValue::Parse(result.out);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "qpdf --json on " << path << ": " << e.what();
        return {};
    }
}

void AddOutline(const JsonValue& items, int depth, std::vector<std::string>& lines)
{
    for (const JsonValue& item : items.items) {
        std::string line(static_cast<std::size_t>(depth) * 2, ' ');
        line += item["title"].text;
        const JsonValue& page = item["destpageposfrom1"];
        if (page.type == JsonValue::Type::Number)
            line += " -> " + std::to_string(std::lround(page.number));
        lines.push_back(line);
        AddOutline(item["kids"], depth + 1, lines);
    }
}

} // namespace

std::vector<std::string> OutlineLines(const std::string& path)
{
    std::vector<std::string> lines;
    AddOutline(QpdfJson(path, "outlines")["outlines"], 0, lines);
    return lines;
}
