// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A profile file in INI form ("[Section]" lines and "Key=Value" lines), read and written the way
// the classic desktop profile functions do: section and key names compare case-insensitively
// (ASCII), a missing file, section or key gives the caller's default, and writing a key keeps every
// other line of the file (comments, unknown sections, lines it cannot make sense of) as it was.
//
// Plain C++: the settings store uses it, and nothing in it needs Qt.
class CProfileFile
{
public:
    // Texts come back cut to this many bytes, as from a 1024-byte buffer.
    static constexpr std::size_t nMaxText = 1023;
    // A larger file is treated as unreadable rather than loaded into memory.
    static constexpr std::uintmax_t nMaxFileSize = 16u * 1024u * 1024u;

    CProfileFile() = default;
    explicit CProfileFile(std::string szPath);

    // Reads the file. A missing file is an empty profile (true). A file that exists but cannot be
    // read, or is too large, gives false: the profile is empty and Save() refuses to replace it,
    // so a file we could not read is never overwritten with only our own keys.
    bool Load();

    // Writes the lines back through a temporary file and a rename. False when nothing was written.
    bool Save() const;

    // The value of `key` in `section` with one pair of surrounding double quotes removed, or
    // `def` when the key is missing.
    std::string GetString(const std::string& section, const std::string& key, const std::string& def) const;

    // The value read as a decimal integer the way the profile reader does: an empty or missing
    // value gives `def`; leading blanks and a sign are taken; digits are read up to the first other
    // character; a value with no digits reads as 0; the result wraps to 32 bits.
    std::int32_t GetInt(const std::string& section, const std::string& key, std::int32_t def) const;

    // Sets `key` in `section`, creating the section at the end and the key after the section's
    // last entry when they are missing.
    void SetString(const std::string& section, const std::string& key, const std::string& value);

    const std::string& Path() const { return m_szPath; }

private:
    struct Line
    {
        std::string text; // without the line break
        bool crlf = false;
    };

    // Index of the section header line, or npos.
    std::size_t FindSection(const std::string& section) const;
    // Index of the key line inside the section starting after `header`, or npos.
    std::size_t FindKey(std::size_t header, const std::string& key) const;
    // Index one past the last line that belongs to the section starting after `header`.
    std::size_t SectionEnd(std::size_t header) const;
    const std::string* FindValue(const std::string& section, const std::string& key, std::string& storage) const;

    std::string m_szPath;
    std::vector<Line> m_lines;
    bool m_bUnreadable = false;
};
