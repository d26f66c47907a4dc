// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

// `text` as a JSON string literal, quotes included. Quotes, backslashes and control characters are
// escaped; bytes that are not valid UTF-8 (a file name may hold any bytes) become U+FFFD, so the
// result is always valid UTF-8 JSON.
std::string JsonQuote(const std::string& text);
