// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pdf {

// An XMP metadata packet, the catalog's /Metadata of a PDF. Copies are deep. Safe to use on any
// thread; one packet on one thread at a time.
class XmpPacket
{
public:
    // A source packet larger than this is not parsed.
    static constexpr std::size_t kMaxParsedBytes = std::size_t(16) << 20;
    // Nor one whose elements nest deeper than this.
    static constexpr int kMaxParsedDepth = 128;

    // An empty packet.
    XmpPacket();
    ~XmpPacket();
    XmpPacket(const XmpPacket& other);
    XmpPacket& operator=(const XmpPacket& other);
    XmpPacket(XmpPacket&& other) noexcept;
    XmpPacket& operator=(XmpPacket&& other) noexcept;

    // The packet `serialized` holds; nothing when it is larger than kMaxParsedBytes, nests deeper
    // than kMaxParsedDepth, declares a document type, or is not an XMP packet the parser accepts.
    static std::optional<XmpPacket> Parse(std::string_view serialized);

    // Makes the packet describe an output whose document information is `info` (the keys of
    // pdf::Document::Info, UTF-8 values) written at `isoDate` (ISO 8601): dc:title (Title, the
    // x-default entry of a language alternative), dc:creator (Author, a one-entry sequence),
    // dc:description (Subject), pdf:Keywords, xmp:CreatorTool (Creator), pdf:Producer; an entry that
    // is empty or missing removes its property. xmp:CreateDate, xmp:ModifyDate and xmp:MetadataDate
    // become `isoDate`; xmpMM:DocumentID and xmpMM:InstanceID new random "uuid:..." values. The
    // PDF/A and PDF/UA identification (pdfaid, pdfuaid) is removed: a copy made from part of a
    // document no longer shows it conforms. Everything else stays. Throws std::runtime_error when
    // the toolkit refuses a change.
    void Describe(const std::vector<std::pair<std::string, std::string>>& info, const std::string& isoDate);

    // The packet as UTF-8 XML in its xpacket wrapper. Throws std::runtime_error when it cannot.
    std::string Serialize() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace pdf
