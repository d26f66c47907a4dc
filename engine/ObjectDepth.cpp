// SPDX-License-Identifier: Apache-2.0
#include "ObjectDepth.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace pdf {

namespace {

// The values qpdf's copy visits under `object`, in its order: array items in turn, dictionary
// values by key (its key set is sorted), a stream's dictionary.
std::vector<QPDFObjectHandle> ChildrenOf(QPDFObjectHandle object)
{
    if (object.isArray())
        return object.getArrayAsVector();
    if (object.isStream())
        return {object.getDict()};
    std::vector<QPDFObjectHandle> children;
    if (object.isDictionary()) {
        for (const std::string& key : object.getKeys())
            children.push_back(object.getKey(key));
    }
    return children;
}

struct CopyFrame
{
    std::vector<QPDFObjectHandle> children;
    std::size_t next = 0;
    QPDFObjGen og;
    bool indirect = false;
};

} // namespace

int CopyDepth(QPDFObjectHandle page, ObjGenSet& reserved, int limit)
{
    ObjGenSet visiting;
    std::vector<CopyFrame> stack;
    int deepest = 0;
    // Counts one more level for `object`; pushes it when the copy would go on below it.
    const auto enter = [&](QPDFObjectHandle object, bool top) {
        deepest = std::max(deepest, static_cast<int>(stack.size()) + 1);
        if (object.isPagesObject() || (!top && object.isPageObject()))
            return;
        CopyFrame frame;
        if (object.isIndirect()) {
            frame.og = object.getObjGen();
            if (visiting.count(frame.og) != 0 || !reserved.insert(frame.og).second)
                return;
            frame.indirect = true;
        }
        frame.children = ChildrenOf(object);
        if (frame.children.empty())
            return;
        if (frame.indirect)
            visiting.insert(frame.og);
        stack.push_back(std::move(frame));
    };
    enter(page, true);
    while (!stack.empty() && deepest <= limit) {
        CopyFrame& frame = stack.back();
        if (frame.next == frame.children.size()) {
            if (frame.indirect)
                visiting.erase(frame.og);
            stack.pop_back();
            continue;
        }
        // A copy of the handle: entering may grow the stack and move `frame`.
        QPDFObjectHandle child = frame.children[frame.next++];
        enter(child, false);
    }
    return deepest;
}

int PageTreeDepth(QPDF& document, int limit)
{
    QPDFObjectHandle root = document.getRoot().getKey("/Pages");
    if (!root.isDictionary())
        return 0;
    struct Frame
    {
        QPDFObjectHandle node;
        std::vector<QPDFObjectHandle> kids;
        std::size_t next = 0;
        int below = 0; // levels under this node found so far
    };
    // NOTE: the height of each node is kept, so that a node reached again through another parent
    // counts with its whole depth instead of being skipped: qpdf follows every path.
    std::unordered_map<QPDFObjGen, int, ObjGenHash> height;
    ObjGenSet onPath;
    std::vector<Frame> stack;
    const auto push = [&](QPDFObjectHandle node) {
        Frame frame {node, {}, 0, 0};
        QPDFObjectHandle kids = node.getKey("/Kids");
        if (kids.isArray())
            frame.kids = kids.getArrayAsVector();
        if (node.isIndirect())
            onPath.insert(node.getObjGen());
        stack.push_back(std::move(frame));
    };
    push(root);
    while (true) {
        const int depth = static_cast<int>(stack.size());
        if (depth > limit)
            return depth;
        Frame& frame = stack.back();
        if (frame.next == frame.kids.size()) {
            const int levels = frame.below + 1;
            if (frame.node.isIndirect()) {
                onPath.erase(frame.node.getObjGen());
                height[frame.node.getObjGen()] = levels;
            }
            stack.pop_back();
            if (stack.empty())
                return levels;
            stack.back().below = std::max(stack.back().below, levels);
            continue;
        }
        QPDFObjectHandle kid = frame.kids[frame.next++];
        if (!kid.isDictionary() || !kid.hasKey("/Kids"))
            continue;
        if (kid.isIndirect()) {
            // A loop: qpdf reports it as damage when it lists the pages.
            if (onPath.count(kid.getObjGen()) != 0)
                continue;
            if (auto known = height.find(kid.getObjGen()); known != height.end()) {
                if (depth + known->second > limit)
                    return depth + known->second;
                frame.below = std::max(frame.below, known->second);
                continue;
            }
        }
        push(kid);
    }
}

} // namespace pdf
