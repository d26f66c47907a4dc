// SPDX-License-Identifier: Apache-2.0
#include "joblist/JobListFile.h"
#include "engine/OutputFile.h"
#include "engine/PdfError.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>

namespace quire {

namespace {

using Json = nlohmann::ordered_json;

// A job list is four levels deep; anything far deeper is not one, and is turned down while parsing.
constexpr int kMaxDepth = 16;

const char* ModeName(SplitMode mode)
{
    switch (mode) {
    case SplitMode::EveryPages:
        return "every-pages";
    case SplitMode::AtBookmarks:
        return "at-bookmarks";
    case SplitMode::PageRange:
        break;
    }
    return "page-range";
}

struct NotAJobList
{
    std::string why;
};

const Json& Member(const Json& object, const char* key, const std::string& where)
{
    static const Json missing;
    if (!object.is_object())
        throw NotAJobList {where + " is not an object"};
    const auto it = object.find(key);
    return it == object.end() ? missing : *it;
}

std::string Text(const Json& object, const char* key, const std::string& where)
{
    const Json& value = Member(object, key, where);
    if (value.is_null())
        return {};
    if (!value.is_string())
        throw NotAJobList {where + " \"" + key + "\" is not a text"};
    return value.get<std::string>();
}

bool Switch(const Json& object, const char* key, const std::string& where, bool fallback)
{
    const Json& value = Member(object, key, where);
    if (value.is_null())
        return fallback;
    if (!value.is_boolean())
        throw NotAJobList {where + " \"" + key + "\" is not true or false"};
    return value.get<bool>();
}

int Number(const Json& object, const char* key, const std::string& where, int fallback, int least)
{
    const Json& value = Member(object, key, where);
    if (value.is_null())
        return fallback;
    const NotAJobList outOfRange {where + " \"" + key + "\" is not a whole number from " + std::to_string(least)
                                  + " to " + std::to_string(INT_MAX)};
    // NOTE: a number too large for 64 bits parses as a floating-point value and is turned down with
    // the rest, never converted.
    std::int64_t n = 0;
    if (value.is_number_unsigned()) {
        if (value.get<std::uint64_t>() > static_cast<std::uint64_t>(INT_MAX))
            throw outOfRange;
        n = static_cast<std::int64_t>(value.get<std::uint64_t>());
    } else if (value.is_number_integer()) {
        n = value.get<std::int64_t>();
    } else {
        throw outOfRange;
    }
    if (n < least || n > INT_MAX)
        throw outOfRange;
    return static_cast<int>(n);
}

std::string ReadAll(const std::string& path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Unreadable, path, ec.message());
    if (size > JobListFile::kMaxBytes)
        throw NotAJobList {"it is larger than " + std::to_string(JobListFile::kMaxBytes >> 20) + " MiB"};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Unreadable, path, std::strerror(errno));
    // NOTE: read at most one byte more than the cap, so a file that grew after the size check is
    // still turned down rather than read whole.
    std::string text(JobListFile::kMaxBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad())
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Unreadable, path, std::strerror(errno));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > JobListFile::kMaxBytes)
        throw NotAJobList {"it is larger than " + std::to_string(JobListFile::kMaxBytes >> 20) + " MiB"};
    return text;
}

Json Parse(const std::string& text)
{
    const auto limitDepth = [](int depth, Json::parse_event_t, Json&) {
        if (depth > kMaxDepth)
            throw NotAJobList {"it nests deeper than a job list does"};
        return true;
    };
    try {
        return Json::parse(text, limitDepth);
    } catch (const Json::exception& e) {
        // NOTE: the library's message starts with its own tag ("[json.exception.parse_error.101] "),
        // which says nothing to the user.
        const std::string what = e.what();
        const std::size_t tag = what.find("] ");
        throw NotAJobList {"it is not valid JSON (" + (tag == std::string::npos ? what : what.substr(tag + 2)) + ")"};
    }
}

JobListFile FromJson(const Json& root)
{
    JobListFile list;
    if (!root.is_object() || Text(root, "format", "the file") != JobListFile::kFormat)
        throw NotAJobList {"it does not say it is one"};
    const int version = Number(root, "version", "the file", 0, 1);
    if (version == 0)
        throw NotAJobList {"it has no version"};
    if (version > JobListFile::kVersion)
        throw NotAJobList {"it was made by a later version of Quire Binder (format version " + std::to_string(version)
                           + ")"};
    const Json& rows = Member(root, "rows", "the file");
    if (!rows.is_array())
        throw NotAJobList {"it has no list of rows"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string where = "row " + std::to_string(i + 1);
        JobListRow row;
        row.szFilePath = Text(rows[i], "path", where);
        if (!std::filesystem::path(row.szFilePath).is_absolute())
            throw NotAJobList {where + " has no absolute \"path\""};
        row.nBeginPage = Number(rows[i], "begin", where, 1, 0);
        row.nEndPage = Number(rows[i], "end", where, 0, 0);
        row.szBookmark = Text(rows[i], "bookmark", where);
        row.bChecked = Switch(rows[i], "checked", where, true);
        list.rows.push_back(std::move(row));
    }
    const Json& merge = Member(root, "merge", "the file");
    if (!merge.is_null()) {
        list.szMergeOutput = Text(merge, "output", "\"merge\"");
        list.bNestBookmarks = Switch(merge, "nestBookmarks", "\"merge\"", false);
        list.szTitle = Text(merge, "title", "\"merge\"");
        list.szAuthor = Text(merge, "author", "\"merge\"");
        list.szSubject = Text(merge, "subject", "\"merge\"");
        list.szKeywords = Text(merge, "keywords", "\"merge\"");
    }
    const Json& split = Member(root, "split", "the file");
    if (!split.is_null()) {
        const std::string mode = Text(split, "mode", "\"split\"");
        if (mode == ModeName(SplitMode::EveryPages))
            list.splitMode = SplitMode::EveryPages;
        else if (mode == ModeName(SplitMode::AtBookmarks))
            list.splitMode = SplitMode::AtBookmarks;
        else if (!mode.empty() && mode != ModeName(SplitMode::PageRange))
            throw NotAJobList {"\"split\" \"mode\" is not one Quire Binder knows"};
        list.nSplitEvery = Number(split, "everyPages", "\"split\"", 1, 1);
        list.nSplitLevel = Number(split, "level", "\"split\"", 1, 1);
        list.szSplitNameTemplate = Text(split, "nameTemplate", "\"split\"");
        list.szSplitFolder = Text(split, "folder", "\"split\"");
    }
    return list;
}

Json ToJson(const JobListFile& list)
{
    Json rows = Json::array();
    for (const JobListRow& row : list.rows) {
        rows.push_back({{"path", std::filesystem::absolute(row.szFilePath).lexically_normal().string()},
                        {"begin", row.nBeginPage},
                        {"end", row.nEndPage},
                        {"bookmark", row.szBookmark},
                        {"checked", row.bChecked}});
    }
    return {{"format", JobListFile::kFormat},
            {"version", JobListFile::kVersion},
            {"rows", std::move(rows)},
            {"merge",
             {{"output", list.szMergeOutput},
              {"nestBookmarks", list.bNestBookmarks},
              {"title", list.szTitle},
              {"author", list.szAuthor},
              {"subject", list.szSubject},
              {"keywords", list.szKeywords}}},
            {"split",
             {{"mode", ModeName(list.splitMode)},
              {"everyPages", list.nSplitEvery},
              {"level", list.nSplitLevel},
              {"nameTemplate", list.szSplitNameTemplate},
              {"folder", list.szSplitFolder}}}};
}

} // namespace

void WriteJobList(const std::string& path, const JobListFile& list)
{
    std::string text;
    try {
        text = ToJson(list).dump(2) + "\n";
    } catch (const Json::exception&) {
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Unwritable, path, "a file name or text in it is not UTF-8");
    } catch (const std::filesystem::filesystem_error& e) {
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Unwritable, path, e.code().message());
    }
    OutputFile::CheckTarget(path);
    OutputFile file(path, path);
    file.Write(text.data(), text.size());
    file.Finish();
    file.Commit(false);
}

JobListFile ReadJobList(const std::string& path)
{
    try {
        return FromJson(Parse(ReadAll(path)));
    } catch (const NotAJobList& e) {
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Refused, path, "is not a job list: " + e.why);
    } catch (const std::bad_alloc&) {
        throw pdf::PdfError::Make(pdf::PdfError::Kind::OutOfMemory, path);
    }
}

bool ClampToPages(JobListRow& row, int nPages)
{
    const int last = std::max(nPages, 1);
    const JobListRow before = row;
    row.nBeginPage = std::min(row.nBeginPage, last);
    row.nEndPage = std::min(row.nEndPage, last);
    return row.nBeginPage != before.nBeginPage || row.nEndPage != before.nEndPage;
}

} // namespace quire
