// SPDX-License-Identifier: Apache-2.0
#pragma once

// The end of a qpdf pipeline that keeps a stream's decoded data up to a limit. Private to the PDF
// layer: only its .cpp files include this header.

#include <qpdf/Pipeline.hh>

#include <cstddef>
#include <stdexcept>
#include <string>

namespace pdf {

// Keeps what is written to it in `text`, and throws OverLimit as soon as the text would pass
// `limit` bytes: a small compressed stream may expand without bound.
class BoundedText : public Pipeline
{
public:
    struct OverLimit : std::length_error
    {
        OverLimit();
    };

    explicit BoundedText(std::size_t limit);
    void write(unsigned char const* data, size_t len) override;
    void finish() override { }

    std::string text;

private:
    std::size_t m_limit;
};

} // namespace pdf
