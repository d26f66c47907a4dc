// SPDX-License-Identifier: Apache-2.0
#include "engine/PdfString.h"

#include <qpdf/QUtil.hh>

namespace pdf {

namespace {

bool IsValidUtf8(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int extra = 0;
        unsigned int min = 0;
        unsigned int cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= s.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

} // namespace

PdfString::PdfString(std::string text)
    : m_text(std::move(text))
{ }

std::string PdfString::ToUnicodeString() const
{
    std::string text = IsValidUtf8(m_text) ? m_text : QUtil::pdf_doc_to_utf8(m_text);
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

} // namespace pdf
