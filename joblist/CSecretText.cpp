// SPDX-License-Identifier: Apache-2.0
#include "joblist/CSecretText.h"

#include <string.h>

CSecretText::CSecretText(CSecretText&& other) noexcept
    : m_szText(std::move(other.m_szText))
{
    other.Clear();
}

CSecretText& CSecretText::operator=(const CSecretText& other)
{
    if (this != &other) {
        Clear();
        m_szText = other.m_szText;
    }
    return *this;
}

CSecretText& CSecretText::operator=(CSecretText&& other) noexcept
{
    if (this != &other) {
        Clear();
        m_szText = std::move(other.m_szText);
        other.Clear();
    }
    return *this;
}

void CSecretText::Clear() noexcept
{
    Wipe(m_szText);
}

void CSecretText::Wipe(std::string& szText) noexcept
{
    // NOTE: grown to its capacity first because a string moved from, or shortened, keeps its old
    // characters past its end in a buffer it still owns; growing within the capacity allocates nothing.
    szText.resize(szText.capacity());
    explicit_bzero(szText.data(), szText.size());
    szText.clear();
}
