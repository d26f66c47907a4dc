// SPDX-License-Identifier: Apache-2.0
// The XMP packet of merged files and split parts, read back with exiftool and pdfinfo.
#include "tests/engine/EngineTestRows.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

using namespace quire;
using namespace quire::fixtures;

using XmpMetadataTest = JobTest;

namespace {

const std::string kOldId = "uuid:00000000-0000-4000-8000-000000000000";

// A source that claims PDF/A and PDF/UA conformance, carries a property of its own and a title and
// document ID that its parts must not keep.
const std::string kConformingPacket
    = XmpPacketOf(" xmlns:pdfuaid=\"http://www.aiim.org/pdfua/ns/id/\" xmlns:q=\"http://example.com/quire-test/\"\n"
                  " pdfaid:part=\"2\" pdfaid:conformance=\"B\" pdfuaid:part=\"1\" q:Batch=\"Lot 7\"\n"
                  " xmpMM:DocumentID=\""
                  + kOldId
                  + "\" pdf:Producer=\"Old Producer\">\n"
                    "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Old title</rdf:li>"
                    "<rdf:li xml:lang=\"de\">Alter Titel</rdf:li></rdf:Alt></dc:title>\n");

// `depth` nested q:Deep elements.
std::string Nested(int depth)
{
    std::string xml;
    for (int i = 0; i < depth; ++i)
        xml += "<q:Deep rdf:parseType=\"Resource\">";
    for (int i = 0; i < depth; ++i)
        xml += "</q:Deep>";
    return xml;
}

bool HasGroup(const std::map<std::string, std::string>& tags, const std::string& group)
{
    return std::any_of(tags.begin(), tags.end(), [&](const auto& tag) { return tag.first.rfind(group + ":", 0) == 0; });
}

std::string Tag(const std::map<std::string, std::string>& tags, const std::string& key)
{
    auto it = tags.find(key);
    return it == tags.end() ? "" : it->second;
}

// Checks that the XMP packet of `path` says what its document information says (as XML carries
// it; empty: left out), with its dates and new IDs; returns exiftool's tags.
std::map<std::string, std::string> ExpectDescribed(const std::string& path, const std::vector<std::string>& info)
{
    SCOPED_TRACE(path);
    EXPECT_TRUE(QpdfCheckPasses(path));
    // Uncompressed, so that tools that do not parse PDF find the packet too.
    std::ifstream in(path, std::ios::binary);
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), {}).find("<x:xmpmeta"), std::string::npos);
    const auto tags = ExifToolTags(path);
    const auto tag = [&](const char* key) { return Tag(tags, key); };
    EXPECT_EQ(
        (std::vector {tag("XMP-dc:Title"), tag("XMP-dc:Creator"), tag("XMP-dc:Description"), tag("XMP-pdf:Keywords"),
                      tag("XMP-pdf:Producer"), tag("XMP-xmp:CreatorTool")}),
        (std::vector {info[0], info[1], info[2], info[3], std::string("Quire Binder"), std::string("Quire Binder")}));
    EXPECT_NE(tag("PDF:CreateDate"), "");
    EXPECT_EQ((std::vector {tag("XMP-xmp:CreateDate"), tag("XMP-xmp:ModifyDate"), tag("XMP-xmp:MetadataDate")}),
              (std::vector {tag("PDF:CreateDate"), tag("PDF:ModifyDate"), tag("PDF:CreateDate")}));
    EXPECT_THAT(tag("XMP-xmpMM:DocumentID"), testing::MatchesRegex("uuid:[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}"));
    EXPECT_NE(tag("XMP-xmpMM:DocumentID"), tag("XMP-xmpMM:InstanceID"));
    EXPECT_NE(tag("XMP-xmpMM:DocumentID"), kOldId);
    EXPECT_FALSE(HasGroup(tags, "XMP-pdfaid") || HasGroup(tags, "XMP-pdfuaid"));
    return tags;
}

} // namespace

TEST_F(XmpMetadataTest, AMergedFileDescribesItselfInXmpAsItsDocumentInformationDoes)
{
    const std::string a = Make("a.pdf", 2);
    const std::string b = Make("b.pdf", 1, false, {.xmp = kConformingPacket});
    const struct
    {
        const char* label;
        std::string title, author, subject, keywords;
    } rows[] = {
        {"every field", "Annual report", "Ann Author", "Figures", "money, year"},
        {"non-ASCII, some left empty", "Grüße 章 Ω <&>", "Zoë", "", ""},
        {"nothing given", "", "", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::map<std::string, std::string> ids;
        for (const std::string name : {"run1.pdf", "run2.pdf"}) {
            MergeOptions options = Options(name);
            std::tie(options.title, options.author, options.subject, options.keywords)
                = std::tie(row.title, row.author, row.subject, row.keywords);
            const JobReport report = RunMerge({RowFor(a), RowFor(b)}, options);
            ASSERT_TRUE(report.ok) << Errors(report);
            ids[name] = ExpectDescribed(m_tmp.File(name), {row.title, row.author, row.subject, row.keywords})
                            .at("XMP-xmpMM:DocumentID");
            EXPECT_EQ(PdfInfo(m_tmp.File(name))["Title"], row.title);
        }
        EXPECT_NE(ids["run1.pdf"], ids["run2.pdf"]);
    }
}

TEST_F(XmpMetadataTest, ASplitPartKeepsItsSourcesPacketUpdatedAndWithoutConformanceClaims)
{
    const struct
    {
        const char* label;
        std::string xmp;
        std::string title;
        std::string batch; // the source's own property in each part
        bool noted;
    } rows[] = {
        {"conforming packet, a control character in the title", kConformingPacket, "Bell\x07 \xCE\xA9", "Lot 7", false},
        {"no packet", "", "Title", "", false},
        {"not XML", "%%% this is not XML <<<", "Title", "", true},
        {"a document type with entities", "<!DOCTYPE x [<!ENTITY a \"aaaa\">]>" + kConformingPacket, "Title", "", true},
        {"over 16 MiB once decoded", XmpPacketOf(std::string(std::size_t(17) << 20, ' ') + ">"), "Title", "", true},
        {"nested too deeply", XmpPacketOf(" xmlns:q=\"http://example.com/quire-test/\">" + Nested(1000)), "Title", "",
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string source = Make(std::string(row.label).substr(0, 8) + ".pdf", 2, false,
                                        {.info = {{"Title", row.title}, {"Author", "Ann"}}, .xmp = row.xmp});
        const JobReport report = RunSplit({RowFor(source)}, Cut(SplitMode::EveryPages, 1));
        ASSERT_TRUE(report.ok) << Errors(report);
        ASSERT_EQ(report.filesWritten.size(), 2u);
        EXPECT_EQ(report.notes.size(), row.noted ? 1u : 0u);
        std::set<std::string> ids;
        // XML cannot carry a control character: it becomes a space.
        std::string xmlTitle = row.title;
        std::replace(xmlTitle.begin(), xmlTitle.end(), '\x07', ' ');
        for (const std::string& part : report.filesWritten) {
            // A part of a source without a packet has none either.
            if (row.xmp.empty()) {
                EXPECT_FALSE(HasGroup(ExifToolTags(part), "XMP-xmpMM")) << part;
                EXPECT_EQ(PdfInfo(part)["Title"], row.title);
                continue;
            }
            const auto tags = ExpectDescribed(part, {xmlTitle, "Ann", "", ""});
            EXPECT_EQ(PdfInfo(part)["Title"], row.title);
            EXPECT_EQ(Tag(tags, "XMP-q:Batch"), row.batch);
            ids.insert(Tag(tags, "XMP-xmpMM:DocumentID"));
        }
        EXPECT_EQ(ids.size(), row.xmp.empty() ? 0u : 2u);
    }
}
