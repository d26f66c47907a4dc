// SPDX-License-Identifier: Apache-2.0
#include "JsonValue.h"

#include <cstdlib>
#include <stdexcept>

namespace {

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
        while (m_pos < m_text.size()
               && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r' || m_text[m_pos] == '\t'))
            ++m_pos;
    }

    bool Take(char c)
    {
        Space();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    void Expect(char c)
    {
        if (!Take(c))
            Fail(std::string("expected '") + c + "'");
    }

    bool Word(const char* word)
    {
        const std::string w(word);
        if (m_text.compare(m_pos, w.size(), w) != 0)
            return false;
        m_pos += w.size();
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned long code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    unsigned long Hex4()
    {
        if (m_pos + 4 > m_text.size())
            Fail("short \\u escape");
        const std::string digits = m_text.substr(m_pos, 4);
        char* end = nullptr;
        const unsigned long code = std::strtoul(digits.c_str(), &end, 16);
        if (end != digits.c_str() + 4)
            Fail("bad \\u escape");
        m_pos += 4;
        return code;
    }

    std::string String()
    {
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
            if (m_pos >= m_text.size())
                Fail("unterminated escape");
            const char e = m_text[m_pos++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                unsigned long code = Hex4();
                if (code >= 0xD800 && code <= 0xDBFF && Word("\\u")) {
                    const unsigned long low = Hex4();
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, code);
                break;
            }
            default:
                Fail("unknown escape");
            }
        }
    }

    JsonValue Value()
    {
        Space();
        JsonValue value;
        if (m_pos >= m_text.size())
            Fail("missing value");
        const char c = m_text[m_pos];
        if (c == '{') {
            ++m_pos;
            value.type = JsonValue::Type::Object;
            if (Take('}'))
                return value;
            do {
                Space();
                const std::string key = String();
                Expect(':');
                value.keys.push_back(key);
                value.members[key] = Value();
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            ++m_pos;
            value.type = JsonValue::Type::Array;
            if (Take(']'))
                return value;
            do
                value.items.push_back(Value());
            while (Take(','));
            Expect(']');
        } else if (c == '"') {
            value.type = JsonValue::Type::String;
            value.text = String();
        } else if (Word("true")) {
            value.type = JsonValue::Type::Bool;
            value.boolean = true;
        } else if (Word("false")) {
            value.type = JsonValue::Type::Bool;
        } else if (Word("null")) {
            value.type = JsonValue::Type::Null;
        } else {
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
