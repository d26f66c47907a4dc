// SPDX-License-Identifier: Apache-2.0
#include "engine/private/PageLabels.h"
#include "engine/private/TreeLeaves.h"

#include <algorithm>
#include <climits>
#include <map>
#include <new>

namespace pdf {

namespace {

// The label range one number tree entry describes, from its dictionary.
LabelRange RangeOf(QPDFObjectHandle entry, int first)
{
    LabelRange range;
    range.first = first;
    QPDFObjectHandle style = entry.getKey("/S");
    // NOTE: a style outside the five is dropped, not copied: viewers disagree on what to show for
    // one, and some refuse the whole label tree.
    if (style.isName()) {
        const std::string s = style.getName();
        if (s == "/D" || s == "/R" || s == "/r" || s == "/A" || s == "/a")
            range.style = s.substr(1);
    }
    QPDFObjectHandle prefix = entry.getKey("/P");
    if (prefix.isString())
        range.prefix = prefix.getStringValue();
    QPDFObjectHandle start = entry.getKey("/St");
    if (start.isInteger())
        range.start = std::clamp<long long>(start.getIntValue(), 1, INT_MAX);
    return range;
}

bool SameRun(const LabelRange& before, const LabelRange& next)
{
    return before.style == next.style && before.prefix == next.prefix
        && (before.style.empty() || before.start + (next.first - before.first) == next.start);
}

} // namespace

SourceLabels PageLabels::Read(QPDF& document, int pageCount)
{
    SourceLabels labels;
    std::map<int, LabelRange> byPage;
    try {
        QPDFObjectHandle tree = document.getRoot().getKey("/PageLabels");
        if (tree.isNull())
            return labels;
        // A sound tree has one entry per label range, at most one per page, and fewer nodes.
        const std::size_t budget = 4 * static_cast<std::size_t>(pageCount) + 64;
        labels.damaged = !VisitTreeLeaves(tree, "/Nums", budget, [&](QPDFObjectHandle key, QPDFObjectHandle value) {
            if (!key.isInteger() || !value.isDictionary()) {
                labels.damaged = true;
                return;
            }
            if (key.getIntValue() < 0 || key.getIntValue() >= pageCount)
                return;
            const int first = static_cast<int>(key.getIntValue());
            byPage.emplace(first, RangeOf(value, first));
        });
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        labels.damaged = true;
    }
    if (byPage.empty())
        return labels;
    if (byPage.begin()->first != 0)
        labels.ranges.push_back({0, "D", std::nullopt, 1, true});
    for (auto& [first, range] : byPage)
        labels.ranges.push_back(std::move(range));
    return labels;
}

void PageLabels::Add(const std::vector<LabelRange>& source, int from, int to, int base)
{
    if (source.empty()) {
        Append({base, "D", std::nullopt, 1, true});
        return;
    }
    m_labelled = true;
    const int first = from - 1;
    auto it = std::upper_bound(source.begin(), source.end(), first,
                               [](int page, const LabelRange& r) { return page < r.first; });
    // Read puts a range at page 0, so some range covers `first`.
    if (it != source.begin())
        --it;
    for (; it != source.end() && it->first <= to - 1; ++it) {
        const int begin = std::max(it->first, first);
        LabelRange range = *it;
        range.first = base + (begin - first);
        range.start = it->start + (begin - it->first);
        Append(std::move(range));
    }
}

void PageLabels::Append(LabelRange range)
{
    if (range.unlabelled) {
        range = {range.first, "D", std::nullopt, static_cast<long long>(range.first) + 1, false};
    }
    if (!m_ranges.empty() && m_ranges.back().first == range.first)
        m_ranges.pop_back();
    if (!m_ranges.empty() && SameRun(m_ranges.back(), range))
        return;
    m_ranges.push_back(std::move(range));
}

QPDFObjectHandle PageLabels::Build() const
{
    if (!m_labelled)
        return QPDFObjectHandle::newNull();
    QPDFObjectHandle nums = QPDFObjectHandle::newArray();
    for (const LabelRange& range : m_ranges) {
        QPDFObjectHandle entry = QPDFObjectHandle::newDictionary();
        if (!range.style.empty()) {
            entry.replaceKey("/S", QPDFObjectHandle::newName("/" + range.style));
            if (range.start != 1)
                entry.replaceKey("/St", QPDFObjectHandle::newInteger(range.start));
        }
        if (range.prefix)
            entry.replaceKey("/P", QPDFObjectHandle::newString(*range.prefix));
        nums.appendItem(QPDFObjectHandle::newInteger(range.first));
        nums.appendItem(entry);
    }
    QPDFObjectHandle tree = QPDFObjectHandle::newDictionary();
    tree.replaceKey("/Nums", nums);
    return tree;
}

} // namespace pdf
