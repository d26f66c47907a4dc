// SPDX-License-Identifier: Apache-2.0
#pragma once

// Measures, without recursing, how deep qpdf would recurse over a document's objects, so that a
// hostile file is refused before qpdf's own recursive code overflows the stack on it. Private to
// the PDF layer: only its .cpp files include this header.

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstdint>
#include <unordered_set>

namespace pdf {

struct ObjGenHash
{
    std::size_t operator()(const QPDFObjGen& og) const
    {
        return std::hash<std::uint64_t>()((static_cast<std::uint64_t>(og.getObj()) << 32)
                                          ^ static_cast<std::uint32_t>(og.getGen()));
    }
};

using ObjGenSet = std::unordered_set<QPDFObjGen, ObjGenHash>;

// The deepest nesting of qpdf's copy of `page` into another document (QPDF::copyForeignObject, which
// addPage uses): it walks the same objects in the same order, array items in turn, dictionary
// values by key, a stream's dictionary; never into a /Pages node nor into another page. `reserved`
// holds the objects already copied from this source into the same output and receives the ones
// this page adds. Stops counting once `limit` is passed and returns a value above it.
int CopyDepth(QPDFObjectHandle page, ObjGenSet& reserved, int limit);

// Whether a copy from `document` could nest deeper than `limit` at all: a path through its objects
// meets each object once, and qpdf parses at most 500 containers into one another inside an object.
// False for a document of few objects, which then needs no CopyDepth. `pages` is the number of its
// pages: qpdf may add a copy of a page that its page tree lists twice.
bool MayNestDeeperThan(QPDF& document, std::size_t pages, int limit);

// The number of levels of the page tree below the catalog's /Pages, counted along its longest
// path (qpdf walks the tree recursively to list the pages). Stops once `limit` is passed and
// returns a value above it.
int PageTreeDepth(QPDF& document, int limit);

} // namespace pdf
