// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <nlohmann/json.hpp>

#include <string>

// `object` on one line, its members in the order they were set: {"path": "a.pdf", "pages": 3}.
// Quotes, backslashes and control characters in strings are escaped; a sequence of bytes that is not
// valid UTF-8 (a file name may hold any bytes) becomes U+FFFD, so the line is always valid UTF-8 JSON.
std::string JsonLine(const nlohmann::ordered_json& object);
