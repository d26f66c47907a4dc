// SPDX-License-Identifier: Apache-2.0
#include "engine/private/TreeLeaves.h"
#include "engine/private/ObjectDepth.h"

#include <utility>
#include <vector>

namespace pdf {

namespace {

constexpr int kMaxTreeDepth = 64;

} // namespace

bool VisitTreeLeaves(QPDFObjectHandle root, const char* leafKey, std::size_t budget,
                     const std::function<void(QPDFObjectHandle key, QPDFObjectHandle value)>& visit)
{
    bool whole = true;
    ObjGenSet seen;
    // NOTE: a stack of nodes still to open, last kid on top, instead of recursion: a hostile tree
    // may nest as deep as it likes, and the order stays the tree's own.
    std::vector<std::pair<QPDFObjectHandle, int>> pending {{root, 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (budget == 0)
            return false;
        --budget;
        if (!node.isDictionary() || depth > kMaxTreeDepth
            || (node.isIndirect() && !seen.insert(node.getObjGen()).second)) {
            whole = false;
            continue;
        }
        QPDFObjectHandle leaves = node.getKey(leafKey);
        if (leaves.isArray()) {
            const int n = leaves.getArrayNItems();
            whole = whole && n % 2 == 0;
            for (int i = 0; i + 1 < n; i += 2) {
                if (budget == 0)
                    return false;
                --budget;
                visit(leaves.getArrayItem(i), leaves.getArrayItem(i + 1));
            }
        } else if (!leaves.isNull()) {
            whole = false;
        }
        QPDFObjectHandle kids = node.getKey("/Kids");
        if (kids.isArray()) {
            for (int i = kids.getArrayNItems() - 1; i >= 0; --i) {
                if (pending.size() >= budget)
                    return false;
                pending.emplace_back(kids.getArrayItem(i), depth + 1);
            }
        } else if (!kids.isNull()) {
            whole = false;
        }
    }
    return whole;
}

} // namespace pdf
