// SPDX-License-Identifier: Apache-2.0
#include "app/CProfileFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace {

constexpr const char* kBlanks = " \t";

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        const auto la = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
        const auto lb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
        if (la != lb)
            return false;
    }
    return true;
}

// The section name of a header line "[Name]", or false when the line is no header. A '[' without
// a closing ']' is not a header; such a line is kept but opens nothing.
bool SectionName(const std::string& line, std::string& name)
{
    const std::string trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != '[')
        return false;
    const auto close = trimmed.rfind(']');
    if (close == std::string::npos || close == 0)
        return false;
    name = Trim(trimmed.substr(1, close - 1));
    return true;
}

// Splits "Key=Value"; false for comments and lines without '='.
bool KeyValue(const std::string& line, std::string& key, std::string& value)
{
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[')
        return false;
    const auto eq = trimmed.find('=');
    if (eq == std::string::npos)
        return false;
    key = Trim(trimmed.substr(0, eq));
    value = Trim(trimmed.substr(eq + 1));
    return !key.empty();
}

} // namespace

CProfileFile::CProfileFile(std::string szPath)
    : m_szPath(std::move(szPath))
{ }

bool CProfileFile::Load()
{
    m_lines.clear();
    m_bUnreadable = false;
    std::error_code ec;
    if (!std::filesystem::exists(m_szPath, ec))
        return !ec;
    const auto size = std::filesystem::file_size(m_szPath, ec);
    std::ifstream in(m_szPath, std::ios::binary);
    if (ec || size > nMaxFileSize || !in) {
        m_bUnreadable = true;
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        m_bUnreadable = true;
        return false;
    }
    const std::string content = buffer.str();
    std::size_t start = 0;
    while (start < content.size()) {
        const auto nl = content.find('\n', start);
        Line line;
        if (nl == std::string::npos) {
            line.text = content.substr(start);
            start = content.size();
        } else {
            line.text = content.substr(start, nl - start);
            start = nl + 1;
        }
        if (!line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.crlf = true;
        }
        m_lines.push_back(std::move(line));
    }
    return true;
}

bool CProfileFile::Save() const
{
    if (m_bUnreadable || m_szPath.empty())
        return false;
    const std::string temporary = m_szPath + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        for (const Line& line : m_lines)
            out << line.text << (line.crlf ? "\r\n" : "\n");
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, m_szPath, ec);
    if (ec) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::size_t CProfileFile::FindSection(const std::string& section) const
{
    std::string name;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (SectionName(m_lines[i].text, name) && EqualNoCase(name, section))
            return i;
    }
    return std::string::npos;
}

std::size_t CProfileFile::SectionEnd(std::size_t header) const
{
    std::string name;
    std::size_t i = header + 1;
    while (i < m_lines.size() && !SectionName(m_lines[i].text, name))
        ++i;
    return i;
}

std::size_t CProfileFile::FindKey(std::size_t header, const std::string& key) const
{
    std::string k, v;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (KeyValue(m_lines[i].text, k, v) && EqualNoCase(k, key))
            return i;
    }
    return std::string::npos;
}

const std::string* CProfileFile::FindValue(const std::string& section, const std::string& key,
                                           std::string& storage) const
{
    const std::size_t header = FindSection(section);
    if (header == std::string::npos)
        return nullptr;
    const std::size_t at = FindKey(header, key);
    if (at == std::string::npos)
        return nullptr;
    std::string k;
    KeyValue(m_lines[at].text, k, storage);
    if (storage.size() >= 2 && storage.front() == '"' && storage.back() == '"')
        storage = storage.substr(1, storage.size() - 2);
    return &storage;
}

std::string CProfileFile::GetString(const std::string& section, const std::string& key, const std::string& def) const
{
    std::string storage;
    const std::string* value = FindValue(section, key, storage);
    std::string result = value ? *value : def;
    if (result.size() > nMaxText)
        result.resize(nMaxText);
    return result;
}

std::int32_t CProfileFile::GetInt(const std::string& section, const std::string& key, std::int32_t def) const
{
    std::string storage;
    const std::string* value = FindValue(section, key, storage);
    if (!value || value->empty())
        return def;
    std::size_t i = 0;
    while (i < value->size() && ((*value)[i] == ' ' || (*value)[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < value->size() && ((*value)[i] == '-' || (*value)[i] == '+')) {
        negative = (*value)[i] == '-';
        ++i;
    }
    std::uint32_t number = 0;
    for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i)
        number = number * 10u + static_cast<std::uint32_t>((*value)[i] - '0');
    if (negative)
        number = 0u - number;
    return static_cast<std::int32_t>(number);
}

void CProfileFile::SetString(const std::string& section, const std::string& key, const std::string& value)
{
    const std::string line = key + "=" + value;
    std::size_t header = FindSection(section);
    if (header == std::string::npos) {
        if (!m_lines.empty() && !Trim(m_lines.back().text).empty())
            m_lines.push_back({});
        m_lines.push_back({"[" + section + "]", false});
        m_lines.push_back({line, false});
        return;
    }
    const std::size_t at = FindKey(header, key);
    if (at != std::string::npos) {
        m_lines[at].text = line;
        return;
    }
    // A new key goes after the section's last non-blank line, so the blank line that separates it
    // from the next section stays where it was.
    std::size_t insert = SectionEnd(header);
    while (insert > header + 1 && Trim(m_lines[insert - 1].text).empty())
        --insert;
    const bool crlf = m_lines[header].crlf;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insert), Line {line, crlf});
}
