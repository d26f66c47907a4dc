// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

// A fresh folder per test under the system's temporary folder, removed afterwards.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // `name` inside the folder, as a string.
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// A test fixture that owns a TempDir.
class TempDirTest : public ::testing::Test
{
protected:
    TempDir m_tmp;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Writes `content` to `path`, replacing it.
void WriteWholeFile(const std::string& path, const std::string& content);
// Every entry of `folder` by name: a regular file's bytes, "(not a file)" for anything else.
std::map<std::string, std::string> FolderContents(const std::filesystem::path& folder);
