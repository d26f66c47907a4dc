// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/XmpPacket.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pdf {

// The output document's own data: its information entries, in the order they were added. A
// PdfCopy over the document writes them into the file it completes, in /Info and as an XMP packet
// that says the same. Empty texts are kept; the jobs decide which entries to add.
class Document
{
public:
    Document() = default;

    void Open() { m_open = true; }
    bool IsOpen() const { return m_open; }
    void Close() { m_open = false; }

    void AddTitle(const std::string& text) { Add("Title", text); }
    void AddAuthor(const std::string& text) { Add("Author", text); }
    void AddSubject(const std::string& text) { Add("Subject", text); }
    void AddKeywords(const std::string& text) { Add("Keywords", text); }
    void AddCreator(const std::string& text) { Add("Creator", text); }
    void AddProducer(const std::string& text) { Add("Producer", text); }

    // (key, UTF-8 value) pairs in the order added; a later entry of the same key replaces an earlier one.
    const std::vector<std::pair<std::string, std::string>>& Info() const { return m_info; }

    // The XMP packet the output's is made from (see XmpPacket::Describe); without one it gets a new one.
    void SetMetadataBase(XmpPacket packet) { m_metadataBase = std::move(packet); }
    const std::optional<XmpPacket>& MetadataBase() const { return m_metadataBase; }
    // Whether the output gets an XMP packet at all (it does unless told otherwise).
    void SetWritesMetadata(bool writes) { m_writesMetadata = writes; }
    bool WritesMetadata() const { return m_writesMetadata; }

private:
    void Add(const std::string& key, const std::string& text);

    bool m_open = false;
    std::vector<std::pair<std::string, std::string>> m_info;
    std::optional<XmpPacket> m_metadataBase;
    bool m_writesMetadata = true;
};

} // namespace pdf
