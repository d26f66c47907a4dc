// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

namespace pdf {

// A text on its way into a PDF text string. Texts are UTF-8; bytes that do not form UTF-8 (a file
// name from an older system, say) are read as PDFDocEncoding, so every input gives valid Unicode.
class PdfString
{
public:
    explicit PdfString(std::string text);

    // The text as valid UTF-8, trailing NULs removed.
    std::string ToUnicodeString() const;

private:
    std::string m_text;
};

} // namespace pdf
