// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

namespace quire {

// A row's page range after normalisation: 1-based, inclusive. `begin` may lie beyond `end`; such a
// range holds no pages.
class PageRange
{
public:
    // Converts a page text like atoi: leading white space, an optional sign, then decimal digits;
    // anything else ends the number, text without digits gives 0. Saturates at INT_MAX / INT_MIN.
    static int ParsePageText(const std::string& text);

    // From the row's three texts: begin <= 0 becomes 1; end <= 0 becomes pages; end > pages becomes
    // pages. Nothing else is tested, so begin may stay beyond end or beyond pages.
    static PageRange Normalise(const std::string& pagesText, const std::string& beginText, const std::string& endText);

    // As above with the page count already known.
    static PageRange Normalise(int pages, const std::string& beginText, const std::string& endText);

    // The same range for a source that really has `pages` pages: the end is brought down to it when
    // the page-count text was out of date, and `pages` becomes the real count.
    PageRange ClampedTo(int pages) const;

    int Pages() const { return m_pages; }
    int Begin() const { return m_begin; }
    int End() const { return m_end; }
    bool IsEmpty() const { return m_begin > m_end; }
    // end - begin + 1, or 0 for an empty range.
    int Count() const { return IsEmpty() ? 0 : m_end - m_begin + 1; }

private:
    int m_pages = 0;
    int m_begin = 1;
    int m_end = 0;
};

} // namespace quire
