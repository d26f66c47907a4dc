// SPDX-License-Identifier: Apache-2.0
#include "tests/cli/JsonValue.h"

#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace {

// Strict: one value, nothing after it, no raw control characters in strings.
class Parser
{
public:
    explicit Parser(const std::string& text)
        : m_text(text)
    { }

    JsonValue Document()
    {
        JsonValue value = Value();
        Space();
        if (m_pos != m_text.size())
            Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what)
    {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(m_pos));
    }

    void Space()
    {
        while (m_pos < m_text.size() && std::string_view(" \n\r\t").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
    }

    bool Take(char c)
    {
        Space();
        if (m_pos >= m_text.size() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }

    void Expect(char c)
    {
        if (!Take(c))
            Fail(std::string("expected '") + c + "'");
    }

    bool Word(std::string_view word)
    {
        if (m_text.compare(m_pos, word.size(), word) != 0)
            return false;
        m_pos += word.size();
        return true;
    }

    // A \uXXXX escape, as UTF-8. Pairs of surrogates are not needed: quire writes everything but
    // control characters as UTF-8 text.
    void Unicode(std::string& out)
    {
        const std::string digits = m_text.substr(m_pos, 4);
        char* end = nullptr;
        const unsigned long code = std::strtoul(digits.c_str(), &end, 16);
        if (digits.size() != 4 || end != digits.c_str() + 4)
            Fail("bad \\u escape");
        m_pos += 4;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string String()
    {
        static constexpr std::string_view kEscaped = "\"\\/nrtbf";
        static constexpr std::string_view kMeant = "\"\\/\n\r\t\b\f";
        Expect('"');
        std::string out;
        while (true) {
            if (m_pos >= m_text.size())
                Fail("unterminated string");
            const char c = m_text[m_pos++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                Fail("raw control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = m_pos < m_text.size() ? m_text[m_pos++] : '\0';
            if (e == 'u')
                Unicode(out);
            else if (kEscaped.find(e) != std::string_view::npos)
                out += kMeant[kEscaped.find(e)];
            else
                Fail("unknown escape");
        }
    }

    JsonValue Value()
    {
        Space();
        JsonValue value;
        if (Take('{')) {
            value.type = JsonValue::Type::Object;
            if (Take('}'))
                return value;
            do {
                const std::string key = String();
                Expect(':');
                value.keys.push_back(key);
                value.members[key] = Value();
            } while (Take(','));
            Expect('}');
        } else if (Take('[')) {
            value.type = JsonValue::Type::Array;
            if (Take(']'))
                return value;
            do
                value.items.push_back(Value());
            while (Take(','));
            Expect(']');
        } else if (m_pos < m_text.size() && m_text[m_pos] == '"') {
            value.type = JsonValue::Type::String;
            value.text = String();
        } else if (Word("true")) {
            value.type = JsonValue::Type::Bool;
            value.boolean = true;
        } else if (Word("false")) {
            value.type = JsonValue::Type::Bool;
        } else if (!Word("null")) {
            const char* start = m_text.c_str() + m_pos;
            char* end = nullptr;
            value.number = std::strtod(start, &end);
            if (end == start)
                Fail("unexpected character");
            value.type = JsonValue::Type::Number;
            m_pos += static_cast<std::size_t>(end - start);
        }
        return value;
    }

    const std::string& m_text;
    std::size_t m_pos = 0;
};

} // namespace

JsonValue JsonValue::Parse(const std::string& text)
{
    return Parser(text).Document();
}

const JsonValue& JsonValue::operator[](const std::string& key) const
{
    static const JsonValue none;
    const auto it = members.find(key);
    return it == members.end() ? none : it->second;
}
