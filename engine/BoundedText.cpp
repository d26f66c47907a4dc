// SPDX-License-Identifier: Apache-2.0
#include "engine/private/BoundedText.h"

namespace pdf {

BoundedText::OverLimit::OverLimit()
    : std::length_error("stream data over the limit")
{ }

BoundedText::BoundedText(std::size_t limit)
    : Pipeline("bounded text", nullptr)
    , m_limit(limit)
{ }

void BoundedText::write(unsigned char const* data, size_t len)
{
    if (len > m_limit - text.size())
        throw OverLimit();
    text.append(reinterpret_cast<const char*>(data), len);
}

} // namespace pdf
