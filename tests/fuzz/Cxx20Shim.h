// SPDX-License-Identifier: Apache-2.0
// Force-included into the engine for the fuzz build only, which compiles it as C++17 (see
// CMakeLists.txt): the one C++20 library call the engine makes.
#pragma once

#if __cplusplus < 202002L
#include <algorithm>
#include <vector>

namespace std {

template<class T, class Alloc, class Pred>
typename vector<T, Alloc>::size_type erase_if(vector<T, Alloc>& items, Pred pred)
{
    const auto from = remove_if(items.begin(), items.end(), pred);
    const auto removed = static_cast<typename vector<T, Alloc>::size_type>(items.end() - from);
    items.erase(from, items.end());
    return removed;
}

} // namespace std
#endif
