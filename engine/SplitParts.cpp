// SPDX-License-Identifier: Apache-2.0
#include "engine/SplitParts.h"

#include "engine/RowRules.h"

#include <algorithm>
#include <climits>

namespace quire {

// What decides whether an entry's subtree can matter to a part: the pages it points to, and
// whether it holds an entry that trimming always keeps (a web link, or neither target nor kids).
struct SplitParts::Node
{
    int first = INT_MAX;
    int last = 0;
    bool alwaysKept = false;
    std::vector<Node> kids;
};

namespace {

void Collect(const pdf::BookmarkList& list, int depth, int level, const PageRange& range,
             std::vector<std::pair<int, std::string>>& items)
{
    for (const pdf::Bookmark& item : list) {
        if (depth == level) {
            const int page = item.Page();
            if (page >= range.Begin() && page <= range.End()) {
                const auto title = item.fields.find("Title");
                items.emplace_back(page, title == item.fields.end() ? std::string() : title->second);
            }
        } else {
            Collect(item.kids, depth + 1, level, range, items);
        }
    }
}

template<typename Node> void Index(const pdf::BookmarkList& list, std::vector<Node>& nodes, int& count)
{
    nodes.resize(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        Node& node = nodes[i];
        const int page = list[i].Page();
        if (page > 0) {
            node.first = page;
            node.last = page;
        }
        node.alwaysKept = (page <= 0 && list[i].kids.empty()) || list[i].fields.count("URI") != 0;
        Index(list[i].kids, node.kids, count);
        for (const Node& kid : node.kids) {
            node.first = std::min(node.first, kid.first);
            node.last = std::max(node.last, kid.last);
            node.alwaysKept = node.alwaysKept || kid.alwaysKept;
        }
        ++count;
    }
}

} // namespace

std::vector<SplitPart> SplitParts::Cut(const PageRange& range, const SplitOptions& options,
                                       const pdf::BookmarkList& outline)
{
    std::vector<SplitPart> parts;
    if (options.mode == SplitMode::EveryPages) {
        const int every = std::max(1, options.everyPages);
        for (long long begin = range.Begin(); begin <= range.End(); begin += every)
            parts.push_back(
                {static_cast<int>(begin), static_cast<int>(std::min<long long>(begin + every - 1, range.End()))});
        return parts;
    }
    if (options.mode == SplitMode::AtBookmarks) {
        std::vector<std::pair<int, std::string>> items;
        Collect(outline, 1, std::max(1, options.bookmarkLevel), range, items);
        // NOTE: stable, because outlines are not always in page order, and of several items on one
        // page the first in outline order names the part.
        std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [page, title] : items) {
            if (!parts.empty() && parts.back().begin == page)
                continue;
            if (parts.empty() && page > range.Begin())
                parts.push_back({range.Begin(), page - 1});
            if (!parts.empty())
                parts.back().end = page - 1;
            parts.push_back({page, range.End(), title});
        }
        if (!parts.empty())
            return parts;
    }
    parts.push_back({range.Begin(), range.End()});
    return parts;
}

SplitParts::SplitParts(pdf::BookmarkList outline)
    : m_outline(std::move(outline))
{
    Index(m_outline, m_nodes, m_count);
}

SplitParts::~SplitParts() = default;

void SplitParts::Copy(const pdf::BookmarkList& list, const std::vector<Node>& nodes, const PageRange& part,
                      pdf::BookmarkList& into) const
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Node& node = nodes[i];
        if (!node.alwaysKept && (node.last < part.Begin() || node.first > part.End()))
            continue;
        pdf::Bookmark copy;
        copy.fields = list[i].fields;
        Copy(list[i].kids, node.kids, part, copy.kids);
        // NOTE: a heading whose kids were all passed over keeps one, so that trimming still sees
        // it as a heading that lost its kids (and removes it) rather than as a lone entry.
        if (copy.kids.empty() && !list[i].kids.empty())
            copy.kids.push_back(list[i].kids.front());
        into.push_back(std::move(copy));
    }
}

pdf::BookmarkList SplitParts::For(const PageRange& part) const
{
    pdf::BookmarkList list;
    Copy(m_outline, m_nodes, part, list);
    RowRules::TrimBookmarks(list, part);
    return list;
}

} // namespace quire
