// SPDX-License-Identifier: Apache-2.0
#include "engine/private/ObjectDepth.h"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace pdf {

namespace {

struct CopyFrame
{
    std::vector<QPDFObjectHandle> children;
    std::size_t next = 0;
    QPDFObjGen og;
    bool indirect = false;
};

bool IsNamed(const std::map<std::string, QPDFObjectHandle>& dictionary, const char* type)
{
    const auto it = dictionary.find("/Type");
    if (it == dictionary.end())
        return false;
    QPDFObjectHandle value = it->second;
    return value.isName() && value.getName() == type;
}

} // namespace

int CopyDepth(QPDFObjectHandle page, ObjGenSet& reserved, int limit)
{
    ObjGenSet visiting;
    std::vector<CopyFrame> stack;
    int deepest = 0;
    // Counts one more level for `object`; pushes it when the copy would go on below it, with the
    // values the copy visits under it in its order: array items in turn, dictionary values by key
    // (sorted, as the map is), a stream's dictionary.
    const auto enter = [&](QPDFObjectHandle& object, bool top) {
        deepest = std::max(deepest, static_cast<int>(stack.size()) + 1);
        const qpdf_object_type_e type = object.getTypeCode();
        if (type != ::ot_array && type != ::ot_dictionary && type != ::ot_stream)
            return;
        std::map<std::string, QPDFObjectHandle> dictionary;
        if (type == ::ot_dictionary) {
            // NOTE: one copy of the map serves the type test and the values; getKeys and a lookup
            // per key would cost twice as much. The test is qpdf's isPagesObject and isPageObject:
            // the reader has listed the pages already, which is when qpdf repairs their /Type.
            dictionary = object.getDictAsMap();
            if (IsNamed(dictionary, "/Pages") || (!top && IsNamed(dictionary, "/Page")))
                return;
        }
        CopyFrame frame;
        if (object.isIndirect()) {
            frame.og = object.getObjGen();
            if (visiting.count(frame.og) != 0 || !reserved.insert(frame.og).second)
                return;
            frame.indirect = true;
        }
        if (type == ::ot_array) {
            frame.children = object.getArrayAsVector();
        } else if (type == ::ot_stream) {
            frame.children.push_back(object.getDict());
        } else {
            frame.children.reserve(dictionary.size());
            for (auto& item : dictionary)
                frame.children.push_back(std::move(item.second));
        }
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

bool MayNestDeeperThan(QPDF& document, std::size_t pages, int limit)
{
    // NOTE: the cross-reference table lists every object a reference can lead to; qpdf's own
    // getObjectCount would resolve every object of the file first.
    const std::size_t objects = document.getXRefTable().size() + pages;
    // One level more than the parser's limit, and one object more than the count, for good measure.
    constexpr std::size_t kLevelsPerObject = 502;
    return (objects + 1) * kLevelsPerObject > static_cast<std::size_t>(limit);
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
