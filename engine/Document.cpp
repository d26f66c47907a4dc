// SPDX-License-Identifier: Apache-2.0
#include "engine/Document.h"

namespace pdf {

void Document::Add(const std::string& key, const std::string& text)
{
    for (auto& entry : m_info) {
        if (entry.first == key) {
            entry.second = text;
            return;
        }
    }
    m_info.emplace_back(key, text);
}

} // namespace pdf
