// SPDX-License-Identifier: Apache-2.0
#include "PdfCheck.h"

#include "ChildProcess.h"
#include "JsonValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

ChildResult RunTool(const std::vector<std::string>& argv)
{
    ChildOptions options;
    options.limit = std::chrono::seconds(60);
    ChildResult result = RunChild(argv, options);
    EXPECT_FALSE(result.timedOut) << argv[0] << " ran too long on " << argv.back();
    return result;
}

std::string Collapse(const std::string& text)
{
    std::string out;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += c;
    }
    return out;
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

bool QpdfCheckPasses(const std::string& path)
{
    const ChildResult result = RunTool({"qpdf", "--check", path});
    EXPECT_EQ(result.exitCode, 0) << "qpdf --check " << path << ":\n" << result.out << result.err;
    return result.exitCode == 0;
}

std::map<std::string, std::string> PdfInfo(const std::string& path)
{
    const ChildResult result = RunTool({"pdfinfo", path});
    EXPECT_EQ(result.exitCode, 0) << "pdfinfo " << path << ":\n" << result.err;
    std::map<std::string, std::string> info;
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        info[line.substr(0, colon)] = Collapse(line.substr(colon + 1));
    }
    return info;
}

std::vector<std::string> PageTexts(const std::string& path)
{
    const ChildResult result = RunTool({"pdftotext", path, "-"});
    EXPECT_EQ(result.exitCode, 0) << "pdftotext " << path << ":\n" << result.err;
    std::vector<std::string> pages;
    std::size_t start = 0;
    // pdftotext ends every page with a form feed.
    for (std::size_t ff = result.out.find('\f'); ff != std::string::npos; ff = result.out.find('\f', start)) {
        pages.push_back(Collapse(result.out.substr(start, ff - start)));
        start = ff + 1;
    }
    return pages;
}

std::vector<std::string> OutlineLines(const std::string& path)
{
    std::vector<std::string> lines;
    AddOutline(QpdfJson(path, "outlines")["outlines"], 0, lines);
    return lines;
}

std::vector<std::string> FieldNames(const std::string& path)
{
    std::vector<std::string> names;
    // Kept in a local: a temporary in a range-for's range dies before the loop body runs.
    const JsonValue json = QpdfJson(path, "acroform");
    for (const JsonValue& field : json["acroform"]["fields"].items)
        names.push_back(field["fullname"].text);
    return names;
}
