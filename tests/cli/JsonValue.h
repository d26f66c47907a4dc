// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

// A parsed JSON value; enough to read what quire info --json prints. Parse() throws
// std::runtime_error for text that is not exactly one valid JSON value.
class JsonValue
{
public:
    enum class Type {
        Null,
        Bool,
        Number,
        String,
        Array,
        Object,
    };

    static JsonValue Parse(const std::string& text);

    Type type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;
    std::vector<std::string> keys; // member names in the order written

    // The member `key`; a null value when there is none.
    const JsonValue& operator[](const std::string& key) const;
};
