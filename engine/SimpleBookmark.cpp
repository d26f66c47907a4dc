// SPDX-License-Identifier: Apache-2.0
#include "engine/SimpleBookmark.h"
#include "engine/PageRange.h"
#include "engine/PdfReader.h"
#include "engine/private/OutlineAction.h"
#include "engine/private/PdfReaderImpl.h"

#include <algorithm>
#include <set>

namespace pdf {

namespace {

constexpr int kMaxDepth = SimpleBookmark::kMaxDepth;
constexpr int kMaxItems = SimpleBookmark::kMaxItems;

std::string TextOf(QPDFObjectHandle value)
{
    if (!value.isString())
        return std::string();
    std::string text = value.getUTF8Value();
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

// Reads the outline with a walker of our own: qpdf 11.3's outline helper loops forever on a /Next
// cycle among kids and repeats items when a /First points back to an ancestor.
class OutlineWalker
{
public:
    explicit OutlineWalker(PdfReader::Impl& doc)
        : m_doc(doc)
    { }

    void ReadSiblings(QPDFObjectHandle item, int depth, BookmarkList& out)
    {
        while (item.isDictionary()) {
            if (item.isIndirect() && m_visited.count(item.getObjGen()) != 0)
                break;
            if (m_items == kMaxItems) {
                m_truncated = true;
                break;
            }
            if (item.isIndirect())
                m_visited.insert(item.getObjGen());
            ++m_items;
            Bookmark b = ReadItem(item);
            if (depth < kMaxDepth)
                ReadSiblings(item.getKey("/First"), depth + 1, b.kids);
            else if (item.getKey("/First").isDictionary())
                m_truncated = true;
            if (!b.kids.empty()) {
                QPDFObjectHandle count = item.getKey("/Count");
                b.fields["Open"] = count.isInteger() && count.getIntValue() > 0 ? "true" : "false";
            }
            out.push_back(std::move(b));
            item = item.getKey("/Next");
        }
    }

    // Items were left out at the limits.
    bool Truncated() const { return m_truncated; }

private:
    Bookmark ReadItem(QPDFObjectHandle item)
    {
        Bookmark b;
        b.fields["Title"] = TextOf(item.getKey("/Title"));
        if (auto target = m_doc.ResolveItem(item)) {
            b.fields["Action"] = "GoTo";
            b.fields["Page"] = std::to_string(target->page);
            const std::string view = target->ViewText();
            if (!view.empty())
                b.fields["View"] = view;
        } else {
            QPDFObjectHandle action = item.getKey("/A");
            if (action.isDictionary()) {
                QPDFObjectHandle kind = action.getKey("/S");
                QPDFObjectHandle uri = action.getKey("/URI");
                if (kind.isName() && kind.getName() == "/URI" && uri.isString()) {
                    b.fields["Action"] = "URI";
                    b.fields["URI"] = uri.getStringValue();
                } else {
                    OutlineAction::Read(action, b, m_actionBudget);
                }
            }
        }
        QPDFObjectHandle color = item.getKey("/C");
        if (color.isArray() && color.getArrayNItems() == 3) {
            std::string text;
            bool black = true;
            bool numbers = true;
            for (int i = 0; i < 3; ++i) {
                QPDFObjectHandle c = color.getArrayItem(i);
                if (!c.isNumber()) {
                    numbers = false;
                    break;
                }
                black = black && c.getNumericValue() == 0.0;
                text += (i ? " " : "") + c.unparse();
            }
            if (numbers && !black)
                b.fields["Color"] = text;
        }
        QPDFObjectHandle flags = item.getKey("/F");
        if (flags.isInteger()) {
            const long long f = flags.getIntValue();
            const bool italic = (f & 1) != 0;
            const bool bold = (f & 2) != 0;
            if (bold || italic)
                b.fields["Style"] = bold && italic ? "bold italic" : bold ? "bold" : "italic";
        }
        return b;
    }

    PdfReader::Impl& m_doc;
    std::set<QPDFObjGen> m_visited;
    OutlineAction::Budget m_actionBudget;
    int m_items = 0;
    bool m_truncated = false;
};

// Removes the targets into [from, to]; returns true when `b` should go: it lost its target or
// its last kid here and has neither left.
bool Eliminate(Bookmark& b, int from, int to)
{
    bool changed = false;
    if (!b.kids.empty()) {
        b.kids.erase(
            std::remove_if(b.kids.begin(), b.kids.end(), [&](Bookmark& kid) { return Eliminate(kid, from, to); }),
            b.kids.end());
        changed = b.kids.empty();
    }
    const int page = b.Page();
    if (page >= from && page <= to) {
        b.fields.erase("Action");
        b.fields.erase("Page");
        b.fields.erase("View");
        changed = true;
    }
    if (b.kids.empty())
        b.fields.erase("Open");
    // NOTE: a URI, Named, GoToR, Launch or JavaScript action leads somewhere without a page of
    // this document, so trimming pages never takes it away.
    const bool hasTarget = b.HasTarget() || b.fields.count("Action") != 0;
    return changed && !hasTarget && b.kids.empty();
}

} // namespace

int Bookmark::Page() const
{
    auto action = fields.find("Action");
    auto page = fields.find("Page");
    if (action == fields.end() || action->second != "GoTo" || page == fields.end())
        return 0;
    const int n = quire::PageRange::ParsePageText(page->second);
    return n > 0 ? n : 0;
}

std::optional<BookmarkList> SimpleBookmark::GetBookmark(const PdfReader& reader, bool* truncated)
{
    if (truncated)
        *truncated = false;
    PdfReader::Impl& doc = *reader.impl();
    try {
        QPDFObjectHandle outlines = doc.qpdf->getRoot().getKey("/Outlines");
        if (!outlines.isDictionary())
            return std::nullopt;
        BookmarkList list;
        OutlineWalker walker(doc);
        walker.ReadSiblings(outlines.getKey("/First"), 1, list);
        if (truncated)
            *truncated = walker.Truncated();
        return list;
    } catch (...) {
        RethrowAsPdfError(doc.path);
    }
}

void SimpleBookmark::EliminatePages(BookmarkList& list, int from, int to)
{
    if (from > to)
        return;
    list.erase(std::remove_if(list.begin(), list.end(), [&](Bookmark& b) { return Eliminate(b, from, to); }),
               list.end());
}

void SimpleBookmark::ShiftPageNumbers(BookmarkList& list, int delta, int from, int to)
{
    for (Bookmark& b : list) {
        const int page = b.Page();
        if (page > 0 && page >= from && page <= to)
            b.fields["Page"] = std::to_string(page + delta);
        ShiftPageNumbers(b.kids, delta, from, to);
    }
}

int SimpleBookmark::Count(const BookmarkList& list)
{
    int n = 0;
    for (const Bookmark& b : list)
        n += 1 + Count(b.kids);
    return n;
}

} // namespace pdf
