// SPDX-License-Identifier: Apache-2.0
#include "engine/PageRange.h"

#include <climits>

namespace quire {

int PageRange::ParsePageText(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Saturate instead of overflowing: a pasted long number must not wrap round to a small page.
        if (value <= static_cast<long long>(INT_MAX) + 1)
            value = value * 10 + (text[i] - '0');
    }
    if (negative)
        return value > static_cast<long long>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

PageRange PageRange::Normalise(const std::string& pagesText, const std::string& beginText, const std::string& endText)
{
    return Normalise(ParsePageText(pagesText), beginText, endText);
}

PageRange PageRange::Normalise(int pages, const std::string& beginText, const std::string& endText)
{
    PageRange r;
    r.m_pages = pages;
    r.m_begin = ParsePageText(beginText);
    r.m_end = ParsePageText(endText);
    if (r.m_begin <= 0)
        r.m_begin = 1;
    if (r.m_end <= 0)
        r.m_end = pages;
    if (r.m_end > pages)
        r.m_end = pages;
    return r;
}

PageRange PageRange::ClampedTo(int pages) const
{
    PageRange r = *this;
    r.m_pages = pages;
    if (r.m_end > pages)
        r.m_end = pages;
    return r;
}

} // namespace quire
