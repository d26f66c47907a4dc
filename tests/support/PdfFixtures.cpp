// SPDX-License-Identifier: Apache-2.0
#include "tests/support/PdfFixtures.h"

#include "tests/support/TempDir.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <tuple>

namespace quire::fixtures {

namespace {

using QOH = QPDFObjectHandle;

std::string Rect(double x, double y, double w, double h)
{
    return "[" + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(x + w) + " " + std::to_string(y + h)
        + "]";
}

int Visible(const std::vector<OutlineSpec>& items)
{
    int n = 0;
    for (const auto& i : items)
        n += 1 + (i.open ? Visible(i.kids) : 0);
    return n;
}

// Builds one fixture into an empty qpdf document; objects are written as PDF text that names the
// objects made before by their references.
struct Builder
{
    QPDF& pdf;
    const PdfSpec& spec;
    std::string font {};
    std::vector<QOH> pages {};
    std::string oldDests {};
    std::string treeDests {}; // NOTE: names count up from dest1001, so the order they are made in is sorted
    std::map<int, int> widgetsOnPage {};
    int destCounter = 0;

    QOH Make(const std::string& text) { return pdf.makeIndirectObject(QOH::parse(&pdf, text)); }
    void Set(QOH object, const std::string& text) { pdf.replaceObject(object.getObjGen(), QOH::parse(&pdf, text)); }
    void SetRoot(const char* key, const std::string& text) { pdf.getRoot().replaceKey(key, QOH::parse(&pdf, text)); }
    std::string Ref(int page) { return pages.at(static_cast<std::size_t>(page - 1)).unparse(); }
    // A PDF text string: PDFDocEncoding where it can be, else UTF-16BE.
    static std::string Text(const std::string& utf8) { return QOH::newUnicodeString(utf8).unparse(); }

    void Build()
    {
        font = Make("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>").unparse();
        for (int n = 1; n <= spec.pages; ++n) {
            const std::string text = "BT /F1 24 Tf 72 720 Td (" + spec.tag + " page " + std::to_string(n) + ") Tj ET\n";
            pdf.addPage(Make("<< /Type /Page /MediaBox [0 0 612 792] /Resources << /Font << /F1 " + font
                             + " >> >> /Contents " + pdf.newStream(text).unparse() + " >>"),
                        false);
        }
        pages = pdf.getAllPages();
        if (!spec.outline.empty() || spec.emptyOutline)
            BuildOutline();
        BuildFields();
        for (std::size_t i = 0; i < spec.links.size(); ++i)
            AddAnnot(spec.links[i].fromPage,
                     "<< /Type /Annot /Subtype /Link /Border [0 0 0] /Rect "
                         + Rect(72, 100.0 + 20.0 * (i % 20), 200, 16) + Target(spec.links[i].kind, spec.links[i].toPage)
                         + " >>");
        if (!oldDests.empty())
            pdf.getRoot().replaceKey("/Dests", Make("<<" + oldDests + " >>"));
        if (!treeDests.empty())
            SetRoot("/Names", "<< /Dests " + Make("<< /Names [" + treeDests + " ] >>").unparse() + " >>");
        std::string info;
        for (const auto& [key, value] : spec.info)
            info += " /" + key + " " + Text(value);
        if (!info.empty())
            pdf.getTrailer().replaceKey("/Info", Make("<<" + info + " >>"));
    }

    // The keys that give an outline item or a link annotation a target of `kind` to `page`.
    std::string Target(DestKind kind, int page)
    {
        if (kind == DestKind::Uri)
            return " /A << /S /URI /URI (https://example.com/) >>";
        if (kind == DestKind::None || page <= 0)
            return "";
        const std::string name = "dest" + std::to_string(1000 + ++destCounter);
        switch (kind) {
        case DestKind::OldDests:
            oldDests += " /" + name + " [" + Ref(page) + " /Fit]";
            return " /Dest /" + name;
        case DestKind::NameTree:
            treeDests += " (" + name + ") [" + Ref(page) + " /FitH 700]";
            return " /Dest (" + name + ")";
        case DestKind::NameTreeDict:
            treeDests += " (" + name + ") << /D [" + Ref(page) + " /Fit] >>";
            return " /Dest (" + name + ")";
        case DestKind::GoToAction:
            return " /A << /S /GoTo /D [" + Ref(page) + " /Fit] >>";
        default:
            return " /Dest [" + Ref(page) + " /XYZ 72 720 0]";
        }
    }

    // Writes `items` under `parent`; the keys that make them its kids.
    std::string AddItems(QOH parent, const std::vector<OutlineSpec>& items)
    {
        std::vector<QOH> made;
        for (std::size_t i = 0; i < items.size(); ++i)
            made.push_back(QOH::newReserved(&pdf));
        for (std::size_t i = 0; i < items.size(); ++i) {
            const OutlineSpec& desc = items[i];
            const int count = desc.kids.empty() ? 0 : Visible(desc.kids);
            Set(made[i],
                "<< /Title " + Text(desc.title) + " /Parent " + parent.unparse() + Target(desc.kind, desc.page)
                    + (desc.bold ? " /F 2" : "") + (desc.red ? " /C [1 0 0]" : "")
                    + (i > 0 ? " /Prev " + made[i - 1].unparse() : "")
                    + (i + 1 < made.size() ? " /Next " + made[i + 1].unparse() : "")
                    + (count ? " /Count " + std::to_string(desc.open ? count : -count) : "")
                    + AddItems(made[i], desc.kids) + " >>");
        }
        return made.empty() ? "" : " /First " + made.front().unparse() + " /Last " + made.back().unparse();
    }

    void BuildOutline()
    {
        QOH root = QOH::newReserved(&pdf);
        Set(root,
            "<< /Type /Outlines /Count " + std::to_string(Visible(spec.outline)) + AddItems(root, spec.outline)
                + " >>");
        if (spec.outlineLoop && !spec.outline.empty())
            root.getKey("/Last").replaceKey("/Next", root.getKey("/First"));
        if (spec.kidLoop && root.getKey("/First").getKey("/First").isDictionary())
            root.getKey("/First").getKey("/First").replaceKey("/Next", root.getKey("/First").getKey("/First"));
        pdf.getRoot().replaceKey("/Outlines", root);
    }

    std::string Appearance(const std::string& ops)
    {
        QOH stream = pdf.newStream(ops);
        stream.replaceDict(QOH::parse(&pdf, "<< /Type /XObject /Subtype /Form /BBox [0 0 14 14] >>"));
        return stream.unparse();
    }

    std::string AddAnnot(int page, const std::string& text)
    {
        QOH annot = Make(text), p = pages.at(static_cast<std::size_t>(page - 1));
        if (!p.getKey("/Annots").isArray())
            p.replaceKey("/Annots", QOH::newArray());
        p.getKey("/Annots").appendItem(annot);
        return annot.unparse();
    }

    void BuildFields()
    {
        static const char* const kKeys[]
            = {" /FT /Tx /DA (/Helv 12 Tf 0 g) /V ", " /FT /Btn /V /Off", " /FT /Btn /Ff 49152 /V /Off"};
        std::string fields;
        for (const FieldSpec& desc : spec.fields) {
            QOH field = QOH::newReserved(&pdf);
            const int kind = static_cast<int>(desc.kind);
            std::string kids;
            for (std::size_t i = 0; i < desc.pages.size(); ++i) {
                const int page = desc.pages[i];
                // NOTE: each kind of field has a column of its own, so widgets on one page never overlap.
                std::string text = "<< /Type /Annot /Subtype /Widget /F 4 /P " + Ref(page) + " /Parent "
                    + field.unparse() + " /Rect "
                    + Rect(72.0 + 20.0 * kind, 600.0 - 30.0 * (widgetsOnPage[page]++ % 15), 14, 14);
                if (desc.kind != FieldKind::Text) {
                    const bool radio = desc.kind == FieldKind::Radio;
                    const std::string on = Appearance(radio ? "1 0 0 rg 4 4 6 6 re f\n" : "0 0 1 rg 2 2 10 10 re f\n");
                    text += " /AS /Off /AP << /N << " + (radio ? "/B" + std::to_string(i + 1) : "/Yes") + " " + on
                        + " /Off " + Appearance("0 g 0 0 14 14 re S\n") + " >> >>";
                }
                kids += " " + AddAnnot(page, text + " >>");
            }
            Set(field,
                "<< /T " + Text(desc.name) + kKeys[kind] + (kind == 0 ? Text(desc.value) : "") + " /Kids [" + kids
                    + " ] >>");
            fields += " " + field.unparse();
        }
        if (!fields.empty())
            SetRoot("/AcroForm",
                    "<< /Fields [" + fields + " ] /DA (/Helv 0 Tf 0 g) /NeedAppearances true /DR << /Font << /Helv "
                        + font + " >> >> >>");
    }
};

void WriteBuilt(const std::string& path, const PdfSpec& desc, bool objectStreams)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        Builder {pdf, desc}.Build();
        QPDFWriter w(pdf, path.c_str());
        w.setStaticID(true);
        w.setMinimumPDFVersion(desc.version);
        if (objectStreams)
            w.setObjectStreamMode(qpdf_o_generate);
        if (!desc.userPassword.empty() || !desc.ownerPassword.empty()) {
            // Restrictive permissions, as in the files users meet: no extraction, no page assembly.
            // An empty owner password would open the file with no password at all.
            const std::string owner = desc.ownerPassword.empty() ? desc.userPassword + "-owner" : desc.ownerPassword;
            w.setR6EncryptionParameters(desc.userPassword.c_str(), owner.c_str(), true, false, false, true, true, false,
                                        qpdf_r3p_full, true);
        }
        w.write();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "fixture " << path << " could not be written: " << e.what();
    }
}

// Writes the file with its startxref an offset into the middle of it, where no cross-reference is.
void WriteWithStartxrefNowhere(const std::string& path, const PdfSpec& desc, bool objectStreams)
{
    WriteBuilt(path, desc, objectStreams);
    WriteWholeFile(path, std::regex_replace(ReadWholeFile(path), std::regex(R"(startxref\s+\d+)"), "startxref\n17"));
}

// A classic PDF from numbered object bodies (object 1 is the catalog), with an exact
// cross-reference table.
std::string Assemble(const std::vector<std::string>& bodies)
{
    std::string pdf = "%PDF-1.4\n";
    std::string xref = "xref\n0 " + std::to_string(bodies.size() + 1) + "\n0000000000 65535 f \n";
    char entry[32];
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", pdf.size());
        xref += entry;
        pdf += std::to_string(i + 1) + " 0 obj\n" + bodies[i] + "\nendobj\n";
    }
    return pdf + xref + "trailer\n<< /Size " + std::to_string(bodies.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + std::to_string(pdf.size()) + "\n%%EOF\n";
}

// Appends a page under object `parent` showing "<tag> page 1", then its contents and its font.
void AddPage(std::vector<std::string>& bodies, int parent, const std::string& tag, const std::string& extra)
{
    const std::string n = std::to_string(bodies.size() + 2);
    const std::string text = "BT /F1 24 Tf 72 720 Td (" + tag + " page 1) Tj ET";
    bodies.push_back("<< /Type /Page /Parent " + std::to_string(parent) + " 0 R /MediaBox [0 0 612 792] /Contents " + n
                     + " 0 R /Resources << /Font << /F1 " + std::to_string(bodies.size() + 3) + " 0 R >> >>" + extra
                     + " >>");
    bodies.push_back("<< /Length " + std::to_string(text.size()) + " >>\nstream\n" + text + "\nendstream");
    bodies.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
}

} // namespace

void WritePdf(const std::string& path, const PdfSpec& desc)
{
    WriteBuilt(path, desc, false);
}

std::vector<OutlineSpec> OnePerPage(int pages, const std::string& prefix)
{
    std::vector<OutlineSpec> items;
    for (int n = 1; n <= pages; ++n)
        items.push_back(Item(prefix + " " + std::to_string(n), n));
    return items;
}

void WriteRepairablePdf(const std::string& path, const std::string& tag, int pages)
{
    WriteWithStartxrefNowhere(path, {.tag = tag, .pages = pages}, false);
}

void WriteDamagedPdf(const std::string& path)
{
    WriteWithStartxrefNowhere(path, {.tag = "damaged", .pages = 3}, true);
}

void WriteTruncatedPdf(const std::string& path)
{
    WriteBuilt(path, {.tag = "truncated", .pages = 6, .outline = OnePerPage(6)}, true);
    const std::string bytes = ReadWholeFile(path);
    WriteWholeFile(path, bytes.substr(0, bytes.size() / 2));
}

void WriteBrokenPageTreePdf(const std::string& path)
{
    WriteWholeFile(path,
                   Assemble({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
                             "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>", "42"}));
}

void WriteReferenceChainPdf(const std::string& path, int depth)
{
    // 1 catalog, 2 pages, 3 page, 4 contents, 5 font, 6... the chain.
    std::vector<std::string> bodies
        = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"};
    AddPage(bodies, 2, "Chain", " /Chain 6 0 R");
    for (int i = 0; i < depth; ++i)
        bodies.push_back(i + 1 < depth ? "[" + std::to_string(7 + i) + " 0 R]" : "[]");
    WriteWholeFile(path, Assemble(bodies));
}

void WriteDeepPageTreePdf(const std::string& path, int depth)
{
    // 1 catalog, 2 ... depth+1 the /Pages chain, then the page, its contents and its font.
    std::vector<std::string> bodies = {"<< /Type /Catalog /Pages 2 0 R >>"};
    for (int self = 2; self < depth + 2; ++self)
        bodies.push_back("<< /Type /Pages /Kids [" + std::to_string(self + 1) + " 0 R] /Count 1"
                         + (self > 2 ? " /Parent " + std::to_string(self - 1) + " 0 R" : std::string()) + " >>");
    AddPage(bodies, depth + 1, "Tree", "");
    WriteWholeFile(path, Assemble(bodies));
}

void WriteNotPdf(const std::string& path)
{
    WriteWholeFile(path, "Minutes of the meeting\nNothing was decided.\n");
}

namespace {

// Runs `argv` under a time limit, each argument quoted for the shell, its error stream sent to
// `err`: the exit status (-1 when it did not exit) and what it wrote.
std::pair<int, std::string> Capture(const std::vector<std::string>& argv, const std::string& err)
{
    std::string command = "timeout 120";
    for (const std::string& arg : argv)
        command += " '" + std::regex_replace(arg, std::regex("'"), "'\\''") + "'";
    std::FILE* pipe = ::popen((command + " 2>" + err).c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pipe ? ::pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

} // namespace

bool QpdfCheckPasses(const std::string& path, std::string* log)
{
    const auto [status, out] = Capture({"qpdf", "--check", path}, "&1");
    if (log)
        *log = out;
    return status == 0;
}

std::map<std::string, std::string> PdfInfo(const std::string& path)
{
    std::map<std::string, std::string> info;
    const auto [status, out] = Capture({"pdfinfo", "-enc", "UTF-8", path}, "/dev/null");
    // "Key:   value" lines; the value without the white space around it.
    const std::regex line(R"(([^:\n]+):[ \t]*(.*?)\s*(\n|$))");
    for (std::sregex_iterator it(out.begin(), out.end(), line), end; status == 0 && it != end; ++it)
        info[(*it)[1]] = (*it)[2];
    return info;
}

std::vector<std::string> PageTexts(const std::string& path)
{
    std::vector<std::string> pages;
    const auto [status, out] = Capture({"pdftotext", "-layout", "-enc", "UTF-8", path, "-"}, "/dev/null");
    // NOTE: pdftotext ends every page, the last one included, with a form feed.
    std::istringstream in(status == 0 ? out : std::string());
    for (std::string page; std::getline(in, page, '\f');)
        pages.push_back(std::regex_replace(page, std::regex(R"(^\s+|\s+$)"), ""));
    return pages;
}

namespace {

// Opens `path` with qpdf and hands it to `read`, which adds the lines returned; a file qpdf cannot
// read fails the test, naming `what`.
template<typename Read> std::vector<std::string> ReadWithQpdf(const std::string& path, const char* what, Read read)
{
    std::vector<std::string> lines;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        read(pdf, lines);
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << " of " << path << " cannot be read: " << e.what();
    }
    return lines;
}

// The 1-based number of `page` among the pages of `pdf`, "-" when it is none of them.
std::string PageOf(QPDF& pdf, QOH page)
{
    try {
        return std::to_string(pdf.findPage(page) + 1);
    } catch (const std::exception&) {
        return "-";
    }
}

void OutlineLines(QPDF& pdf, std::vector<QPDFOutlineObjectHelper> items, std::size_t depth,
                  std::vector<std::string>& out)
{
    for (auto& item : items) {
        out.push_back(std::string(depth * 2, ' ') + item.getTitle() + " -> " + PageOf(pdf, item.getDestPage()));
        OutlineLines(pdf, item.getKids(), depth + 1, out);
    }
}

} // namespace

std::vector<std::string> OutlineOf(const std::string& path)
{
    return ReadWithQpdf(path, "outline", [](QPDF& pdf, std::vector<std::string>& lines) {
        OutlineLines(pdf, QPDFOutlineDocumentHelper(pdf).getTopLevelOutlines(), 0, lines);
    });
}

std::vector<std::string> FieldsOf(const std::string& path)
{
    std::map<QPDFObjGen, std::tuple<std::string, int, std::string>> fields; // name, widgets, pages "1,3"
    ReadWithQpdf(path, "form", [&](QPDF& pdf, std::vector<std::string>&) {
        QPDFAcroFormDocumentHelper form(pdf);
        std::set<QPDFObjGen> placed;
        int n = 0;
        for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            ++n;
            for (auto& widget : form.getWidgetAnnotationsForPage(page)) {
                // NOTE: a widget belongs to the nearest of itself and its ancestors that has a name.
                QOH field = widget.getObjectHandle();
                placed.insert(field.getObjGen());
                for (int depth = 0; depth < 32 && !field.hasKey("/T") && field.getKey("/Parent").isDictionary();
                     ++depth)
                    field = field.getKey("/Parent");
                auto& [name, widgets, pages] = fields[field.getObjGen()];
                name = QPDFFormFieldObjectHelper(field).getFullyQualifiedName();
                pages += (widgets++ ? "," : "") + std::to_string(n);
            }
        }
        for (auto& terminal : form.getFormFields()) {
            const auto widgets = form.getAnnotationsForField(terminal);
            if (std::none_of(widgets.begin(), widgets.end(),
                             [&](auto& w) { return placed.count(w.getObjectHandle().getObjGen()) != 0; }))
                std::get<0>(fields[terminal.getObjectHandle().getObjGen()])
                    = terminal.getFullyQualifiedName() + " (no page)";
        }
    });
    std::vector<std::string> lines;
    for (const auto& [og, field] : fields)
        lines.push_back(std::get<0>(field) + ": " + std::to_string(std::get<1>(field)) + " widget(s) on page(s) "
                        + std::get<2>(field));
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> AppearancesOf(const std::string& path, const std::string& field, const std::string& state)
{
    return ReadWithQpdf(path, "appearances", [&](QPDF& pdf, std::vector<std::string>& data) {
        QPDFAcroFormDocumentHelper form(pdf);
        for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages())
            for (auto& widget : form.getWidgetAnnotationsForPage(page)) {
                const bool named = form.getFieldForAnnotation(widget).getFullyQualifiedName() == field;
                QOH stream = named ? widget.getAppearanceStream("/N", state) : QOH::newNull();
                if (stream.isStream()) {
                    auto buffer = stream.getStreamData();
                    data.emplace_back(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
                }
            }
    });
}

std::vector<std::string> LinksOf(const std::string& path)
{
    return ReadWithQpdf(path, "links", [](QPDF& pdf, std::vector<std::string>& lines) {
        int n = 0;
        for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            ++n;
            for (auto& link : page.getAnnotations("/Link")) {
                QOH a = link.getObjectHandle(), dest = a.getKey("/Dest");
                if (dest.isNull() && a.getKey("/A").isDictionary())
                    dest = a.getKey("/A").getKey("/D");
                const bool paged = dest.isArray() && dest.getArrayNItems() > 0;
                lines.push_back(std::to_string(n) + " -> " + (paged ? PageOf(pdf, dest.getArrayItem(0)) : "-"));
            }
        }
    });
}

std::string HeaderVersion(const std::string& path)
{
    const std::string head = ReadWholeFile(path).substr(0, 16);
    return head.rfind("%PDF-", 0) == 0 ? head.substr(5, 3) : std::string();
}

} // namespace quire::fixtures
