// SPDX-License-Identifier: Apache-2.0
#pragma once

// Outline actions other than GoTo and URI (Named, GoToR, Launch, JavaScript), carried through a
// Bookmark as text so that the outline can be read on one thread from a source and written on
// another into an output. Private to the PDF layer: only its .cpp files include this header.

#include "engine/SimpleBookmark.h"

#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>

namespace pdf {

class OutlineAction
{
public:
    // The most one JavaScript stream may hold once decoded, and how many objects one action may have.
    static constexpr std::size_t kMaxScriptBytes = std::size_t(1) << 20;
    static constexpr int kMaxObjects = 4096;

    // What one outline may spend in all on reading actions: the outline of a hostile file can point
    // every one of its items at the same huge script or long chain.
    struct Budget
    {
        std::size_t scriptBytes = 16 * kMaxScriptBytes;
        long objects = 200000;
    };

    // Sets b's "Action" ("Named", "GoToR", "Launch" or "JavaScript") and its data ("Named" or
    // "ActionData", see SimpleBookmark.h) from `action`; false, with `b` unchanged, for any other
    // action and for one that cannot be carried (a script over the limits, damaged or with a filter
    // qpdf cannot undo, a budget spent). Never loops: objects met again on the way (a /Next chain
    // back to itself) are left out, and a chain that cannot be carried is dropped from the action.
    // Throws only std::bad_alloc.
    static bool Read(QPDFObjectHandle action, Bookmark& b, Budget& budget);

    // The action dictionary `b` carries as a direct object, or null when it carries none of these.
    static QPDFObjectHandle Make(const Bookmark& b);
};

} // namespace pdf
