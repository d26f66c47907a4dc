// SPDX-License-Identifier: Apache-2.0
#include "engine/private/NamedDestinations.h"
#include "engine/private/PdfReaderImpl.h"
#include "engine/private/TreeLeaves.h"

#include <algorithm>
#include <new>
#include <unordered_set>

namespace pdf {

namespace {

// How many name tree entries and nodes a source may have before the rest is skipped: far more than
// any real document names, few enough to read in a moment.
constexpr std::size_t kMaxTreeItems = 1000000;
// Leaves of the output's tree hold at most this many names.
constexpr std::size_t kLeafSize = 256;

bool IsUtf16(const std::string& bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE
        && static_cast<unsigned char>(bytes[1]) == 0xFF;
}

// "-n" in the encoding of `name`, so that a UTF-16 name stays valid UTF-16.
std::string Suffix(const std::string& name, int n)
{
    const std::string ascii = "-" + std::to_string(n);
    if (!IsUtf16(name))
        return ascii;
    std::string wide;
    for (char c : ascii) {
        wide += '\0';
        wide += c;
    }
    return wide;
}

std::string Display(const std::string& bytes)
{
    return QPDFObjectHandle::newString(bytes).getUTF8Value();
}

} // namespace

SourceDestinations NamedDestinations::Read(PdfReader::Impl& source)
{
    SourceDestinations result;
    std::unordered_set<std::string> names;
    const auto take = [&](const std::string& name, QPDFObjectHandle value) {
        if (names.count(name))
            return;
        // NOTE: a value that is itself a name or string is followed as a link's would be; the
        // resolver bounds the hops.
        if (auto target = source.ResolveDestination(value)) {
            names.insert(name);
            result.targets.push_back({name, target->page, target->ViewText()});
        }
    };
    try {
        QPDFObjectHandle root = source.qpdf->getRoot();
        QPDFObjectHandle catalogNames = root.getKey("/Names");
        QPDFObjectHandle tree
            = catalogNames.isDictionary() ? catalogNames.getKey("/Dests") : QPDFObjectHandle::newNull();
        if (!tree.isNull()) {
            result.damaged
                = !VisitTreeLeaves(tree, "/Names", kMaxTreeItems, [&](QPDFObjectHandle key, QPDFObjectHandle value) {
                      if (key.isString())
                          take(key.getStringValue(), value);
                      else
                          result.damaged = true;
                  });
        }
        QPDFObjectHandle dests = root.getKey("/Dests");
        if (dests.isDictionary()) {
            for (const auto& [key, value] : dests.ditems())
                take(key.substr(1), value);
        } else if (!dests.isNull()) {
            result.damaged = true;
        }
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        result.damaged = true;
    }
    std::stable_sort(result.targets.begin(), result.targets.end(),
                     [](const NamedTarget& a, const NamedTarget& b) { return a.page < b.page; });
    return result;
}

std::map<std::string, NamedTarget> NamedDestinations::Add(const std::vector<NamedTarget>& source, int from, int to,
                                                          std::size_t base)
{
    std::map<std::string, NamedTarget> names;
    auto first = std::lower_bound(source.begin(), source.end(), from,
                                  [](const NamedTarget& t, int page) { return t.page < page; });
    auto last = std::upper_bound(first, source.end(), to, [](int page, const NamedTarget& t) { return page < t.page; });
    if (first == last)
        return names;
    std::unordered_set<std::string> own;
    for (auto it = first; it != last; ++it)
        own.insert(it->name);
    for (auto it = first; it != last; ++it) {
        const std::string name = m_entries.count(it->name) ? FreeName(it->name, own) : it->name;
        if (name != it->name)
            m_renamed.push_back(Display(it->name) + " -> " + Display(name));
        m_entries.emplace(name, Entry {base + static_cast<std::size_t>(it->page - from), it->view});
        names.emplace(it->name, NamedTarget {name, it->page, it->view});
    }
    return names;
}

std::string NamedDestinations::FreeName(const std::string& name, const std::unordered_set<std::string>& own)
{
    // NOTE: names are never freed, so the next number to try can only grow: each clash costs one
    // look-up however many files share the name.
    int& next = m_nextSuffix[name];
    next = std::max(next, 2);
    while (true) {
        std::string candidate = name + Suffix(name, next++);
        if (!m_entries.count(candidate) && !own.count(candidate))
            return candidate;
    }
}

QPDFObjectHandle
NamedDestinations::Build(QPDF& out,
                         const std::function<QPDFObjectHandle(std::size_t, const std::string&)>& destination) const
{
    if (m_entries.empty())
        return QPDFObjectHandle::newNull();
    std::vector<QPDFObjectHandle> leaves;
    QPDFObjectHandle leaf;
    std::string firstName;
    std::string lastName;
    const auto finish = [&]() {
        QPDFObjectHandle limits = QPDFObjectHandle::newArray();
        limits.appendItem(QPDFObjectHandle::newString(firstName));
        limits.appendItem(QPDFObjectHandle::newString(lastName));
        leaf.replaceKey("/Limits", limits);
        leaves.push_back(leaf);
    };
    for (const auto& [name, entry] : m_entries) {
        if (leaf.isInitialized() && leaf.getKey("/Names").getArrayNItems() >= static_cast<int>(2 * kLeafSize)) {
            finish();
            leaf = QPDFObjectHandle();
        }
        if (!leaf.isInitialized()) {
            leaf = out.makeIndirectObject(QPDFObjectHandle::newDictionary());
            leaf.replaceKey("/Names", QPDFObjectHandle::newArray());
            firstName = name;
        }
        lastName = name;
        QPDFObjectHandle names = leaf.getKey("/Names");
        names.appendItem(QPDFObjectHandle::newString(name));
        names.appendItem(destination(entry.page, entry.view));
    }
    if (leaves.empty()) {
        leaf.removeKey("/Limits");
        return leaf;
    }
    finish();
    QPDFObjectHandle kids = QPDFObjectHandle::newArray();
    for (auto& l : leaves)
        kids.appendItem(l);
    QPDFObjectHandle root = out.makeIndirectObject(QPDFObjectHandle::newDictionary());
    root.replaceKey("/Kids", kids);
    return root;
}

} // namespace pdf
