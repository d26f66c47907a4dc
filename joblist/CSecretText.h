// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

// A password held in memory only. Its bytes are overwritten (explicit_bzero) when it is destroyed,
// assigned over, cleared or moved from, so that a record leaving the job list leaves no copy of the
// text behind in memory this object owned. That is a best effort: a copy made from Get() is the
// caller's to wipe, and the allocator may have moved an earlier buffer before it could be wiped.
//
// It has no stream operator and no conversion to text on purpose: the only way to the text is Get().
class CSecretText
{
public:
    CSecretText() = default;
    explicit CSecretText(std::string szText)
        : m_szText(std::move(szText))
    { }
    CSecretText(const CSecretText& other) = default;
    CSecretText(CSecretText&& other) noexcept;
    CSecretText& operator=(const CSecretText& other);
    CSecretText& operator=(CSecretText&& other) noexcept;
    ~CSecretText() { Clear(); }

    const std::string& Get() const { return m_szText; }
    bool IsEmpty() const { return m_szText.empty(); }
    // Overwrites the text and leaves it empty.
    void Clear() noexcept;

    bool operator==(const CSecretText& other) const = default;

    // Overwrites every character of `szText` and leaves it empty; for the callers' own copies.
    static void Wipe(std::string& szText) noexcept;

private:
    std::string m_szText;
};
