// SPDX-License-Identifier: Apache-2.0
#include "engine/SplitNameTemplate.h"

#include "engine/JobTypes.h"
#include "engine/PdfError.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace quire {

namespace {

constexpr std::size_t kMaxNameBytes = 255;
constexpr std::string_view kExtension = ".pdf";

std::string Padded(int number, int count)
{
    std::string text = std::to_string(number);
    const std::size_t width = std::to_string(count).size();
    return text.size() < width ? std::string(width - text.size(), '0') + text : text;
}

[[noreturn]] void Refuse(const std::string& text, const std::string& reason)
{
    throw pdf::PdfError::Make(pdf::PdfError::Kind::Refused, "The name template \"" + text + "\"",
                              reason + "; nothing was written.");
}

} // namespace

SplitNameTemplate::SplitNameTemplate(const std::string& text)
    : m_text(text.empty() ? kDefaultSplitNameTemplate : text)
{
    std::size_t at = 0;
    while (at < m_text.size()) {
        const std::size_t open = m_text.find('{', at);
        const std::string literal = m_text.substr(at, open == std::string::npos ? std::string::npos : open - at);
        if (literal.find('/') != std::string::npos)
            Refuse(m_text, "has a '/': a part's name cannot hold a folder; use the output folder");
        if (!literal.empty())
            m_pieces.push_back({Field::Literal, literal});
        if (open == std::string::npos)
            break;
        const std::size_t close = m_text.find('}', open);
        const std::string name = m_text.substr(open, close == std::string::npos ? std::string::npos : close - open + 1);
        static const std::pair<const char*, Field> known[] = {{"{title}", Field::Title},
                                                              {"{begin}", Field::Begin},
                                                              {"{end}", Field::End},
                                                              {"{n}", Field::Number},
                                                              {"{bookmark}", Field::Bookmark}};
        const auto it
            = std::find_if(std::begin(known), std::end(known), [&](const auto& k) { return name == k.first; });
        if (it == std::end(known))
            Refuse(m_text,
                   "has an unknown field " + name + "; the fields are {title}, {begin}, {end}, {n} and {bookmark}");
        m_pieces.push_back({it->second, {}});
        m_bookmarks += it->second == Field::Bookmark ? 1 : 0;
        at = close + 1;
    }
}

std::string SplitNameTemplate::SafeValue(const std::string& value)
{
    std::string safe = value;
    for (char& c : safe) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || u < 0x20 || u == 0x7f)
            c = '_';
    }
    return safe;
}

std::string SplitNameTemplate::CutUtf8(const std::string& text, std::size_t bytes)
{
    if (text.size() <= bytes)
        return text;
    std::size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xc0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

std::string SplitNameTemplate::Render(const Fields& fields, const std::string& bookmark) const
{
    std::string name;
    for (const Piece& piece : m_pieces) {
        switch (piece.field) {
        case Field::Literal:
            name += piece.text;
            break;
        case Field::Title:
            name += SafeValue(fields.title);
            break;
        case Field::Begin:
            name += std::to_string(fields.begin);
            break;
        case Field::End:
            name += std::to_string(fields.end);
            break;
        case Field::Number:
            name += Padded(fields.number, fields.count);
            break;
        case Field::Bookmark:
            name += bookmark;
            break;
        }
    }
    return name;
}

std::string SplitNameTemplate::Name(const Fields& fields) const
{
    constexpr std::size_t room = kMaxNameBytes - kExtension.size();
    std::string bookmark = SafeValue(fields.bookmark);
    std::string name = Render(fields, bookmark);
    // NOTE: a long bookmark title gives way first, so that a {n} or {end} after it still tells
    // the parts apart.
    if (name.size() > room && m_bookmarks > 0) {
        const std::size_t excess = (name.size() - room + m_bookmarks - 1) / m_bookmarks;
        bookmark = CutUtf8(bookmark, bookmark.size() > excess ? bookmark.size() - excess : 0);
        name = Render(fields, bookmark);
    }
    name = CutUtf8(name, room);
    if (name.empty())
        return name;
    // A bookmark title that starts the name must not make a hidden file or one that reads as an
    // option; a source's own title stays as it is, as parts have always been named after it.
    if (m_pieces.front().field == Field::Bookmark && (name[0] == '.' || name[0] == '-'))
        name[0] = '_';
    return name + std::string(kExtension);
}

} // namespace quire
