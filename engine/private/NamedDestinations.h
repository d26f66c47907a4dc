// SPDX-License-Identifier: Apache-2.0
#pragma once

// The named destinations of an output, taken from the pages it copies and renamed where two sources
// use one name. Private to the PDF layer: only its .cpp files include this header.

#include "engine/PdfReader.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace pdf {

// One named destination of a source: its name (the bytes of the PDF string, or of the name without
// its slash), the 1-based page it leads to and its view (Target::ViewText). Plain data.
struct NamedTarget
{
    std::string name;
    int page = 0;
    std::string view;
};

struct SourceDestinations
{
    std::vector<NamedTarget> targets; // sorted by page, each name once
    bool damaged = false; // part of the /Dests tree could not be read
};

class NamedDestinations
{
public:
    // Every named destination of `source` that leads to one of its pages: those of the /Names
    // /Dests tree, then those of the catalog's /Dests dictionary whose name is not taken yet. Never
    // throws for a damaged or hostile tree: loops, wrong types and destinations that lead nowhere are
    // skipped; work is bounded.
    static SourceDestinations Read(PdfReader::Impl& source);

    // Takes the destinations of `source` that lead to pages [from, to] (1-based), which are the
    // output's pages from `base` (0-based) on. A name already in the output becomes "name-2",
    // "name-3", ... (the first that is free and not used by the same call); see Renamed.
    // Returns, by source name, each destination taken with the name it has in the output.
    std::map<std::string, NamedTarget> Add(const std::vector<NamedTarget>& source, int from, int to, std::size_t base);

    // "old -> new" (as UTF-8) for each name renamed so far.
    const std::vector<std::string>& Renamed() const { return m_renamed; }

    // The output's /Dests name tree; null when it has no named destination. `destination` makes the
    // destination array of a 0-based output page and a view.
    QPDFObjectHandle Build(QPDF& out,
                           const std::function<QPDFObjectHandle(std::size_t, const std::string&)>& destination) const;

private:
    struct Entry
    {
        std::size_t page;
        std::string view;
    };
    std::string FreeName(const std::string& name, const std::unordered_set<std::string>& own);

    std::map<std::string, Entry> m_entries; // byte order, which is a name tree's order
    std::unordered_map<std::string, int> m_nextSuffix;
    std::vector<std::string> m_renamed;
};

} // namespace pdf
