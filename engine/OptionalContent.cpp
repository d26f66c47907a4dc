// SPDX-License-Identifier: Apache-2.0
#include "engine/private/OptionalContent.h"

#include "engine/PathSplit.h"

#include <algorithm>

namespace pdf {

namespace {

// How deep the walks go into /Order, nested form XObjects and the objects behind a /OC entry, and
// how many objects one walk visits at most: a hostile file's arrays may loop or share one another.
constexpr int kMaxNesting = 32;
constexpr long kMaxVisits = 200000;

std::string NameOf(QPDFObjectHandle o)
{
    return o.isName() ? o.getName() : std::string();
}

// The groups a set of pages can switch: every indirect object reachable from their /Properties
// resources and /OC entries (the caller keeps only those that are groups of the source).
class UsedGroups
{
public:
    std::set<QPDFObjGen> Of(const std::vector<QPDFObjectHandle>& pages, int from, int to)
    {
        for (int p = from; p <= to; ++p) {
            QPDFObjectHandle page = pages[static_cast<std::size_t>(p - 1)];
            Resources(page.getKey("/Resources"), 0);
            QPDFObjectHandle annots = page.getKey("/Annots");
            if (!annots.isArray())
                continue;
            for (QPDFObjectHandle annot : annots.aitems()) {
                if (!annot.isDictionary())
                    continue;
                Refs(annot.getKey("/OC"), 0);
                QPDFObjectHandle normal = annot.getKey("/AP").isDictionary() ? annot.getKey("/AP").getKey("/N")
                                                                             : QPDFObjectHandle::newNull();
                if (normal.isStream())
                    XObject(normal, 0);
                else if (normal.isDictionary())
                    for (auto& [state, appearance] : normal.ditems())
                        if (appearance.isStream())
                            XObject(appearance, 0);
            }
        }
        return std::move(m_refs);
    }

private:
    bool Visit(QPDFObjectHandle o)
    {
        if (++m_visits > kMaxVisits)
            return false;
        return !o.isIndirect() || m_seen.insert(o.getObjGen()).second;
    }

    void Resources(QPDFObjectHandle resources, int depth)
    {
        if (!resources.isDictionary() || depth > kMaxNesting || !Visit(resources))
            return;
        QPDFObjectHandle properties = resources.getKey("/Properties");
        if (properties.isDictionary())
            for (auto& [name, value] : properties.ditems())
                Refs(value, 0);
        for (const char* key : {"/XObject", "/Pattern"}) {
            QPDFObjectHandle dict = resources.getKey(key);
            if (dict.isDictionary())
                for (auto& [name, value] : dict.ditems())
                    XObject(value, depth + 1);
        }
    }

    void XObject(QPDFObjectHandle x, int depth)
    {
        if (!x.isStream() || depth > kMaxNesting || !Visit(x))
            return;
        QPDFObjectHandle dict = x.getDict();
        Refs(dict.getKey("/OC"), 0);
        Resources(dict.getKey("/Resources"), depth + 1);
    }

    // An optional-content group, or a membership dictionary with its /OCGs and /VE expression.
    void Refs(QPDFObjectHandle o, int depth)
    {
        if (depth > kMaxNesting || o.isStream() || !(o.isDictionary() || o.isArray()))
            return;
        if (++m_visits > kMaxVisits)
            return;
        if (o.isIndirect() && !m_refs.insert(o.getObjGen()).second)
            return;
        if (o.isArray()) {
            for (QPDFObjectHandle item : o.aitems())
                Refs(item, depth + 1);
        } else if (NameOf(o.getKey("/Type")) == "/OCMD") {
            Refs(o.getKey("/OCGs"), depth + 1);
            Refs(o.getKey("/VE"), depth + 1);
        }
    }

    std::set<QPDFObjGen> m_refs;
    std::set<QPDFObjGen> m_seen;
    long m_visits = 0;
};

// Copies a source's /Order tree onto the output's groups, leaving out groups not taken, nested
// arrays left empty and anything of a wrong type; a label string stays at the head of its array.
class OrderCopy
{
public:
    explicit OrderCopy(const std::map<QPDFObjGen, QPDFObjectHandle>& copies)
        : m_copies(copies)
    { }

    // The copied items of `order`; `groups` receives how many groups they hold.
    std::vector<QPDFObjectHandle> Items(QPDFObjectHandle order, int depth, int& groups)
    {
        std::vector<QPDFObjectHandle> items;
        if (!order.isArray() || depth > kMaxNesting)
            return items;
        const bool indirect = order.isIndirect();
        if (indirect && !m_path.insert(order.getObjGen()).second)
            return items;
        bool first = true;
        for (QPDFObjectHandle item : order.aitems()) {
            if (++m_visits > kMaxVisits)
                break;
            if (item.isString() && first && depth > 0) {
                items.push_back(QPDFObjectHandle::newString(item.getStringValue()));
            } else if (item.isArray()) {
                int inner = 0;
                std::vector<QPDFObjectHandle> kids = Items(item, depth + 1, inner);
                if (inner > 0)
                    items.push_back(QPDFObjectHandle::newArray(kids));
                groups += inner;
            } else if (auto copy = item.isIndirect() ? m_copies.find(item.getObjGen()) : m_copies.end();
                       copy != m_copies.end()) {
                items.push_back(copy->second);
                ++groups;
            }
            first = false;
        }
        if (indirect)
            m_path.erase(order.getObjGen());
        return items;
    }

private:
    const std::map<QPDFObjGen, QPDFObjectHandle>& m_copies;
    std::set<QPDFObjGen> m_path;
    long m_visits = 0;
};

// The copies of the groups listed in `list` (an array of groups), in its order, each once.
std::vector<QPDFObjectHandle> Mapped(QPDFObjectHandle list, const std::map<QPDFObjGen, QPDFObjectHandle>& copies)
{
    std::vector<QPDFObjectHandle> mapped;
    if (!list.isArray())
        return mapped;
    std::set<QPDFObjGen> seen;
    for (QPDFObjectHandle item : list.aitems()) {
        if (!item.isIndirect())
            continue;
        auto copy = copies.find(item.getObjGen());
        if (copy != copies.end() && seen.insert(item.getObjGen()).second)
            mapped.push_back(copy->second);
    }
    return mapped;
}

void Append(QPDFObjectHandle array, const std::vector<QPDFObjectHandle>& items)
{
    for (const QPDFObjectHandle& item : items)
        array.appendItem(item);
}

} // namespace

OptionalContent::OptionalContent(QPDF& out)
    : m_out(out)
{ }

void OptionalContent::AddSource(PdfReader::Impl& src, int from, int to, const std::string& label, ObjGenSet& reserved,
                                int maxDepth)
{
    QPDFObjectHandle properties = src.qpdf->getRoot().getKey("/OCProperties");
    if (!properties.isDictionary() || !properties.getKey("/OCGs").isArray())
        return;
    auto known = m_index.find(&src);
    Source s;
    if (known != m_index.end())
        s.used = std::move(m_sources[known->second].used);
    s.label = label.empty() ? quire::PathFileTitle(src.path) : label;
    const bool whole = from == 1 && to == static_cast<int>(src.pages.size());
    if (whole || (known != m_index.end() && !s.used)) {
        s.used.reset();
    } else {
        std::set<QPDFObjGen> used = UsedGroups().Of(src.pages, from, to);
        if (known != m_index.end())
            used.insert(s.used->begin(), s.used->end());
        s.used = std::move(used);
    }
    Build(src, s, reserved, maxDepth);
    if (known != m_index.end()) {
        m_sources[known->second] = std::move(s);
    } else if (!s.groups.empty()) {
        m_index.emplace(&src, m_sources.size());
        m_sources.push_back(std::move(s));
    }
}

void OptionalContent::Build(PdfReader::Impl& src, Source& s, ObjGenSet& reserved, int maxDepth)
{
    QPDFObjectHandle properties = src.qpdf->getRoot().getKey("/OCProperties");
    std::map<QPDFObjGen, QPDFObjectHandle> copies;
    std::vector<QPDFObjectHandle> sourceGroups;
    for (QPDFObjectHandle group : properties.getKey("/OCGs").aitems()) {
        // NOTE: only an indirect group can be one the pages refer to; a page object in the list
        // would drag a copy of its page (and the page tree above it) into the output.
        if (!group.isIndirect() || !group.isDictionary() || copies.count(group.getObjGen()) != 0)
            continue;
        const std::string type = NameOf(group.getKey("/Type"));
        if (type == "/Page" || type == "/Pages" || (s.used && s.used->count(group.getObjGen()) == 0))
            continue;
        if (src.mayNestTooDeeply.value_or(true) && CopyDepth(group, reserved, maxDepth) > maxDepth)
            continue;
        QPDFObjectHandle copy = m_out.copyForeignObject(group);
        copies.emplace(group.getObjGen(), copy);
        sourceGroups.push_back(group);
        s.groups.push_back(copy);
    }
    if (s.groups.empty())
        return;
    QPDFObjectHandle config = properties.getKey("/D");
    if (!config.isDictionary())
        config = QPDFObjectHandle::newDictionary();
    if (NameOf(config.getKey("/BaseState")) == "/OFF") {
        // NOTE: the output's base state is ON, so a source whose groups start off unless listed in
        // /ON gets every other group listed as off.
        std::set<QPDFObjGen> on;
        for (const QPDFObjectHandle& copy : Mapped(config.getKey("/ON"), copies))
            on.insert(copy.getObjGen());
        for (const QPDFObjectHandle& copy : s.groups)
            if (on.count(copy.getObjGen()) == 0)
                s.off.push_back(copy);
    } else {
        s.off = Mapped(config.getKey("/OFF"), copies);
    }
    s.locked = Mapped(config.getKey("/Locked"), copies);
    QPDFObjectHandle radio = config.getKey("/RBGroups");
    if (radio.isArray()) {
        for (QPDFObjectHandle set : radio.aitems()) {
            std::vector<QPDFObjectHandle> members = Mapped(set, copies);
            if (!members.empty())
                s.rbGroups.push_back(QPDFObjectHandle::newArray(members));
        }
    }
    int listed = 0;
    s.order = OrderCopy(copies).Items(config.getKey("/Order"), 0, listed);
    if (!config.getKey("/Order").isArray())
        s.order = s.groups;
}

int OptionalContent::Sources() const
{
    return static_cast<int>(
        std::count_if(m_sources.begin(), m_sources.end(), [](const Source& s) { return !s.groups.empty(); }));
}

int OptionalContent::Groups() const
{
    int n = 0;
    for (const Source& s : m_sources)
        n += static_cast<int>(s.groups.size());
    return n;
}

void OptionalContent::Write()
{
    if (Sources() == 0)
        return;
    QPDFObjectHandle groups = QPDFObjectHandle::newArray();
    QPDFObjectHandle off = QPDFObjectHandle::newArray();
    QPDFObjectHandle locked = QPDFObjectHandle::newArray();
    QPDFObjectHandle radio = QPDFObjectHandle::newArray();
    QPDFObjectHandle order = QPDFObjectHandle::newArray();
    const bool labelled = Sources() > 1;
    for (const Source& s : m_sources) {
        Append(groups, s.groups);
        Append(off, s.off);
        Append(locked, s.locked);
        Append(radio, s.rbGroups);
        if (labelled && !s.order.empty()) {
            QPDFObjectHandle under = QPDFObjectHandle::newArray();
            under.appendItem(QPDFObjectHandle::newUnicodeString(s.label));
            Append(under, s.order);
            order.appendItem(under);
        } else {
            Append(order, s.order);
        }
    }
    QPDFObjectHandle config = QPDFObjectHandle::newDictionary();
    config.replaceKey("/Order", order);
    if (off.getArrayNItems() > 0)
        config.replaceKey("/OFF", off);
    if (locked.getArrayNItems() > 0)
        config.replaceKey("/Locked", locked);
    if (radio.getArrayNItems() > 0)
        config.replaceKey("/RBGroups", radio);
    QPDFObjectHandle properties = QPDFObjectHandle::newDictionary();
    properties.replaceKey("/OCGs", groups);
    properties.replaceKey("/D", config);
    m_out.getRoot().replaceKey("/OCProperties", m_out.makeIndirectObject(properties));
}

} // namespace pdf
