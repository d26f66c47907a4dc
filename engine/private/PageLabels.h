// SPDX-License-Identifier: Apache-2.0
#pragma once

// The page labels of an output ("i", "ii", "A-1", ...), taken range by range from the sources whose
// pages it copies. Private to the PDF layer: only its .cpp files include this header.

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <optional>
#include <string>
#include <vector>

namespace pdf {

// From page `first` (0-based) on, pages are labelled `prefix` followed by their number in `style`,
// counting from `start`. Plain data: it outlives the document it was read from.
struct LabelRange
{
    int first = 0;
    std::string style; // "D", "R", "r", "A" or "a"; empty: the prefix alone
    std::optional<std::string> prefix; // the string's bytes as the file holds them
    long long start = 1;
    // The source gives these pages no label: in an output they are numbered as output pages.
    bool unlabelled = false;
};

// What a source's /PageLabels holds.
struct SourceLabels
{
    // Sorted by first page, the first one at page 0; empty when the source has no labels.
    std::vector<LabelRange> ranges;
    // Part of the number tree could not be read (a loop, wrong types, too many entries).
    bool damaged = false;
};

class PageLabels
{
public:
    // The label ranges of `document`, whose pages number `pageCount`. Never throws for a damaged or
    // hostile tree: a loop, a wrong type or an entry for no page is skipped and sets `damaged`; a
    // style that is not one of the five is dropped (the range keeps its prefix); a start below 1
    // becomes 1. Work is bounded by the page count, however big the tree is.
    static SourceLabels Read(QPDF& document, int pageCount);

    // Appends to the output, from its 0-based page `base` on, source pages [from, to] (1-based)
    // labelled by `source` (empty: the source has none). A range that begins before `from` is
    // re-based so that page `from` keeps its label.
    void Add(const std::vector<LabelRange>& source, int from, int to, int base);

    // The /PageLabels number tree of the output; null when no source had labels, so that viewers
    // keep showing plain page numbers. Pages of unlabelled sources get their output page number.
    QPDFObjectHandle Build() const;

private:
    void Append(LabelRange range);

    std::vector<LabelRange> m_ranges;
    bool m_labelled = false;
};

} // namespace pdf
