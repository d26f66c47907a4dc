// SPDX-License-Identifier: Apache-2.0
#pragma once

// The optional content (layers) of one output, gathered from its sources while their pages are
// copied and written as the output's /OCProperties. Private to the PDF layer: only its .cpp files
// include this header.

#include "engine/private/ObjectDepth.h"
#include "engine/private/PdfReaderImpl.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pdf {

class OptionalContent
{
public:
    explicit OptionalContent(QPDF& out);

    // Takes the layers of `src` that its pages [from, to] use, after those pages were copied into
    // the output and while `src` is still parsed: every group of its /OCProperties when the range
    // is the whole document, else only the groups the pages, their form XObjects (nested), their
    // patterns and their annotations refer to. The groups are qpdf's foreign copies, the very
    // objects the copied pages refer to. The default configuration comes along: a group that is
    // off in the source (in /OFF, or not in /ON under /BaseState /OFF) is in the output's /OFF;
    // /Locked and /RBGroups keep the groups taken; /Order keeps the source's order (all its groups
    // in /OCGs order when it has none). A second call for the same source widens what it takes.
    // Nothing for a source without /OCProperties or without groups the pages use. Reads only
    // what it finds of the right type, every walk bounded; a group whose objects nest deeper than
    // `maxDepth` is left out (`reserved` as for CopyDepth). Throws what qpdf throws.
    void AddSource(PdfReader::Impl& src, int from, int to, const std::string& label, ObjGenSet& reserved, int maxDepth);

    // The groups taken, and from how many sources.
    int Groups() const;
    int Sources() const;

    // Sets the output's /OCProperties: the groups of every source, and one default configuration.
    // With layers from several sources each source's /Order sits under a label, the `label` given to
    // AddSource (empty: the source's file title). Nothing when no source had layers.
    void Write();

private:
    struct Source
    {
        std::string label;
        std::optional<std::set<QPDFObjGen>> used; // unset: every group of the source
        std::vector<QPDFObjectHandle> groups; // copies in the output
        std::vector<QPDFObjectHandle> off;
        std::vector<QPDFObjectHandle> locked;
        std::vector<QPDFObjectHandle> rbGroups; // arrays of copies
        std::vector<QPDFObjectHandle> order; // copies, and arrays with an optional label first
    };

    void Build(PdfReader::Impl& src, Source& s, ObjGenSet& reserved, int maxDepth);

    QPDF& m_out;
    std::map<PdfReader::Impl*, std::size_t> m_index;
    std::vector<Source> m_sources;
};

} // namespace pdf
