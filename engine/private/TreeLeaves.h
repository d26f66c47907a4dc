// SPDX-License-Identifier: Apache-2.0
#pragma once

// A bounded walk over the leaves of a name tree or number tree, safe on hostile files. Private to
// the PDF layer: only its .cpp files include this header.

#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>
#include <functional>

namespace pdf {

// Calls `visit` with each (key, value) pair of the tree under `root`, whose leaves hold them in
// `leafKey` ("/Names" or "/Nums"), in the tree's order. Returns false when part of the tree was
// skipped: a node met twice (a loop, or one node under two parents), nodes nested deeper than 64
// levels, a node or an array of the wrong type, an odd leaf array, or more than `budget` pairs and
// nodes in all (the rest is left unvisited). Values are passed as they are: the caller checks
// their type.
bool VisitTreeLeaves(QPDFObjectHandle root, const char* leafKey, std::size_t budget,
                     const std::function<void(QPDFObjectHandle key, QPDFObjectHandle value)>& visit);

} // namespace pdf
