// SPDX-License-Identifier: Apache-2.0
#include "engine/XmpPacket.h"

#include <exempi/xmp.h>
#include <exempi/xmpconsts.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <random>
#include <stdexcept>

namespace pdf {

namespace {

constexpr char kNsXmpMM[] = "http://ns.adobe.com/xap/1.0/mm/";
constexpr char kNsPdfaId[] = "http://www.aiim.org/pdfa/ns/id/";
constexpr char kNsPdfuaId[] = "http://www.aiim.org/pdfua/ns/id/";

// NOTE: the toolkit keeps global tables that xmp_init sets up unguarded, and jobs run on worker
// threads; it is never terminated, because another job may still hold a packet.
void InitialiseToolkit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!xmp_init())
            throw std::runtime_error("the XMP toolkit could not be started");
        // NOTE: the toolkit does not know the PDF/UA prefix; a packet that declares it registers it itself.
        xmp_register_namespace(kNsPdfuaId, "pdfuaid", nullptr);
    });
}

std::runtime_error ToolkitError(const char* what)
{
    return std::runtime_error(std::string(what) + " (XMP toolkit error " + std::to_string(xmp_get_error()) + ")");
}

class XmpString
{
public:
    XmpString()
        : m_string(xmp_string_new())
    { }
    ~XmpString() { xmp_string_free(m_string); }
    XmpString(const XmpString&) = delete;
    XmpString& operator=(const XmpString&) = delete;
    operator XmpStringPtr() const { return m_string; }
    std::string Text() const { return std::string(xmp_string_cstr(m_string), xmp_string_len(m_string)); }

private:
    XmpStringPtr m_string;
};

// The length of the well-formed UTF-8 sequence at `i`, or 0.
std::size_t SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    const std::size_t n = c < 0x80 ? 1
        : c >= 0xC2 && c <= 0xDF   ? 2
        : c >= 0xE0 && c <= 0xEF   ? 3
        : c >= 0xF0 && c <= 0xF4   ? 4
                                   : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    }
    // Overlong forms, UTF-16 surrogates and code points past U+10FFFF.
    if ((c == 0xE0 && byte(i + 1) < 0xA0) || (c == 0xED && byte(i + 1) > 0x9F) || (c == 0xF0 && byte(i + 1) < 0x90)
        || (c == 0xF4 && byte(i + 1) > 0x8F))
        return 0;
    return n;
}

// `text` as XML 1.0 can carry it: control characters other than tab and line ends become spaces,
// bytes that are not UTF-8 become U+FFFD, because the serializer would write either as it is and
// readers then reject the whole packet.
std::string XmlSafe(std::string_view text)
{
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = SequenceLength(text, i);
        if (n == 0) {
            safe += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (n == 1 && c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            safe += ' ';
        else
            safe.append(text.substr(i, n));
        i += n;
    }
    return safe;
}

std::size_t Skip(std::string_view text, std::size_t from, std::string_view end)
{
    const std::size_t at = text.find(end, from);
    return at == std::string_view::npos ? text.size() : at + end.size();
}

// Whether the parser may be given `xml`: it declares no document type (whose entities could expand
// without bound), its elements nest no deeper than kMaxParsedDepth (the toolkit walks the tree
// recursively) and they are balanced around an rdf:RDF. A rough scan that may refuse odd but
// harmless packets, never the reverse.
// NOTE: exempi prints every error it meets on standard error, which the command-line tool writes
// to; text that is not even balanced XML, the usual damage, is kept from it.
bool IsSafeToParse(std::string_view xml)
{
    if (xml.find("rdf:RDF") == std::string_view::npos)
        return false;
    int depth = 0;
    std::size_t i = xml.find('<');
    while (i != std::string_view::npos && i + 1 < xml.size()) {
        const std::string_view rest = xml.substr(i);
        if (rest.substr(0, 4) == "<!--") {
            i = Skip(xml, i + 4, "-->");
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            i = Skip(xml, i + 9, "]]>");
        } else if (rest[1] == '!') {
            return false;
        } else if (rest[1] == '?') {
            i = Skip(xml, i + 2, "?>");
        } else if (rest[1] == '/') {
            if (--depth < 0)
                return false;
            i = Skip(xml, i + 2, ">");
        } else {
            std::size_t k = i + 1;
            char quote = 0;
            for (; k < xml.size() && (quote || xml[k] != '>'); ++k) {
                if (quote && xml[k] == quote)
                    quote = 0;
                else if (!quote && (xml[k] == '"' || xml[k] == '\''))
                    quote = xml[k];
            }
            if (k >= xml.size())
                return false;
            if (xml[k - 1] != '/' && ++depth > XmpPacket::kMaxParsedDepth)
                return false;
            i = k + 1;
        }
        i = i < xml.size() ? xml.find('<', i) : std::string_view::npos;
    }
    return depth == 0;
}

// A random (version 4) UUID as "uuid:...".
// NOTE: a generator per thread seeded from the system's entropy, not the cryptographic one: an ID
// only has to be unique, and a split into thousands of parts makes two for each.
std::string NewUuid()
{
    thread_local std::mt19937_64 generator {[] {
        std::random_device device;
        std::seed_seq seed {device(), device(), device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }()};
    std::array<unsigned char, 16> bytes {};
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        std::uint64_t r = generator();
        for (std::size_t k = 0; k < 8; ++k, r >>= 8)
            bytes[i + k] = static_cast<unsigned char>(r);
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text = "uuid:";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0x0F];
    }
    return text;
}

// Removes every top-level property of the namespace `ns`.
void DeleteNamespace(XmpPtr xmp, const char* ns)
{
    std::vector<std::string> names;
    XmpIteratorPtr it = xmp_iterator_new(xmp, ns, nullptr,
                                         static_cast<XmpIterOptions>(XMP_ITER_JUSTCHILDREN | XMP_ITER_OMITQUALIFIERS));
    if (!it)
        return;
    XmpString schema;
    XmpString name;
    while (xmp_iterator_next(it, schema, name, nullptr, nullptr)) {
        if (schema.Text() == ns && !name.Text().empty())
            names.push_back(name.Text());
    }
    xmp_iterator_free(it);
    for (const std::string& path : names)
        xmp_delete_property(xmp, ns, path.c_str());
}

} // namespace

struct XmpPacket::Impl
{
    XmpPtr xmp = nullptr;
    // NOTE: a packet made here holds nothing until it is described, and deleting what is not there
    // costs a third of describing it, thousands of times in a split into single pages.
    bool blank = true;

    Impl(XmpPtr packet, bool isBlank)
        : xmp(packet)
        , blank(isBlank)
    {
        if (!xmp)
            throw ToolkitError("an XMP packet could not be made");
    }
    ~Impl() { xmp_free(xmp); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    void SetOrDelete(const char* ns, const char* name, const std::string& value);
    void SetText(const char* ns, const char* name, const std::string& value, bool alternative);
};

void XmpPacket::Impl::SetOrDelete(const char* ns, const char* name, const std::string& value)
{
    if (!blank)
        xmp_delete_property(xmp, ns, name);
    if (!value.empty() && !xmp_set_property(xmp, ns, name, XmlSafe(value).c_str(), 0))
        throw ToolkitError("an XMP property could not be set");
}

void XmpPacket::Impl::SetText(const char* ns, const char* name, const std::string& value, bool alternative)
{
    // NOTE: the whole array goes, other languages included: they would still show the old text.
    if (!blank)
        xmp_delete_property(xmp, ns, name);
    if (value.empty())
        return;
    const bool set = alternative
        ? xmp_set_localized_text(xmp, ns, name, "", "x-default", XmlSafe(value).c_str(), 0)
        : xmp_append_array_item(xmp, ns, name, XMP_PROP_ARRAY_IS_ORDERED, XmlSafe(value).c_str(), 0);
    if (!set)
        throw ToolkitError("an XMP property could not be set");
}

XmpPacket::XmpPacket()
{
    InitialiseToolkit();
    m_impl = std::make_unique<Impl>(xmp_new_empty(), true);
}

XmpPacket::~XmpPacket() = default;

XmpPacket::XmpPacket(const XmpPacket& other)
    : m_impl(std::make_unique<Impl>(xmp_copy(other.m_impl->xmp), other.m_impl->blank))
{ }

XmpPacket& XmpPacket::operator=(const XmpPacket& other)
{
    if (this != &other)
        m_impl = std::make_unique<Impl>(xmp_copy(other.m_impl->xmp), other.m_impl->blank);
    return *this;
}

XmpPacket::XmpPacket(XmpPacket&& other) noexcept = default;
XmpPacket& XmpPacket::operator=(XmpPacket&& other) noexcept = default;

std::optional<XmpPacket> XmpPacket::Parse(std::string_view serialized)
{
    if (serialized.size() > kMaxParsedBytes || !IsSafeToParse(serialized))
        return std::nullopt;
    XmpPacket packet;
    if (!xmp_parse(packet.m_impl->xmp, serialized.data(), serialized.size()))
        return std::nullopt;
    packet.m_impl->blank = false;
    return packet;
}

void XmpPacket::Describe(const std::vector<std::pair<std::string, std::string>>& info, const std::string& isoDate)
{
    const auto value = [&](const char* key) {
        for (const auto& [k, v] : info) {
            if (k == key)
                return v;
        }
        return std::string();
    };
    Impl& d = *m_impl;
    d.SetText(NS_DC, "title", value("Title"), true);
    d.SetText(NS_DC, "creator", value("Author"), false);
    d.SetText(NS_DC, "description", value("Subject"), true);
    d.SetOrDelete(NS_PDF, "Keywords", value("Keywords"));
    d.SetOrDelete(NS_PDF, "Producer", value("Producer"));
    d.SetOrDelete(NS_XAP, "CreatorTool", value("Creator"));
    for (const char* date : {"CreateDate", "ModifyDate", "MetadataDate"})
        d.SetOrDelete(NS_XAP, date, isoDate);
    d.SetOrDelete(kNsXmpMM, "DocumentID", NewUuid());
    d.SetOrDelete(kNsXmpMM, "InstanceID", NewUuid());
    if (!d.blank) {
        DeleteNamespace(d.xmp, kNsPdfaId);
        DeleteNamespace(d.xmp, kNsPdfuaId);
    }
    d.blank = false;
}

std::string XmpPacket::Serialize() const
{
    XmpString buffer;
    // NOTE: barely any padding: the toolkit's default of 2 KiB would add 40 MB to a split into 20,000
    // pages, and a PDF is rewritten, not edited in place.
    if (!xmp_serialize(m_impl->xmp, buffer, XMP_SERIAL_USECOMPACTFORMAT, 1))
        throw ToolkitError("the XMP packet could not be written");
    return buffer.Text();
}

} // namespace pdf
