// SPDX-License-Identifier: Apache-2.0
#include "tests/support/PdfFixtures.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFFormFieldObjectHelper.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace quire::fixtures {

namespace {

using QOH = QPDFObjectHandle;

// Own copies of the file helpers: this library is linked beside either test main.
std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool IsAscii(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

QOH Text(const std::string& utf8)
{
    return IsAscii(utf8) ? QOH::newString(utf8) : QOH::newString(QUtil::utf8_to_utf16(utf8));
}

QOH Rect(double x, double y, double w, double h)
{
    return QOH::parse("[" + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(x + w) + " "
                      + std::to_string(y + h) + "]");
}

// Builds one fixture file in a fresh qpdf document.
class Builder
{
public:
    explicit Builder(const PdfSpec& desc)
        : m_spec(desc)
    {
        m_pdf.emptyPDF();
    }

    void Build()
    {
        QOH font = m_pdf.makeIndirectObject(
            QOH::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
        m_font = font;
        QPDFPageDocumentHelper doc(m_pdf);
        for (int n = 1; n <= m_spec.pages; ++n) {
            const std::string content
                = "BT /F1 24 Tf 72 720 Td (" + m_spec.tag + " page " + std::to_string(n) + ") Tj ET\n";
            QOH page = m_pdf.makeIndirectObject(QOH::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
            QOH resources = QOH::newDictionary();
            QOH fonts = QOH::newDictionary();
            fonts.replaceKey("/F1", font);
            resources.replaceKey("/Font", fonts);
            page.replaceKey("/Resources", resources);
            page.replaceKey("/Contents", m_pdf.newStream(content));
            doc.addPage(QPDFPageObjectHelper(page), false);
        }
        m_pages = m_pdf.getAllPages();
        BuildOutline();
        BuildFields();
        BuildLinks();
        BuildNames();
        if (!m_spec.info.empty()) {
            QOH info = m_pdf.makeIndirectObject(QOH::newDictionary());
            for (const auto& [key, value] : m_spec.info)
                info.replaceKey("/" + key, Text(value));
            m_pdf.getTrailer().replaceKey("/Info", info);
        }
    }

    QPDF& Pdf() { return m_pdf; }

private:
    QOH PageRef(int page) { return m_pages.at(static_cast<std::size_t>(page - 1)); }

    // Puts a target of `kind` to `page` on `item` (an outline item or a link annotation).
    void SetTarget(QOH item, DestKind kind, int page)
    {
        if (kind == DestKind::Uri) {
            item.replaceKey("/A", QOH::parse("<< /S /URI /URI (https://example.com/) >>"));
            return;
        }
        if (kind == DestKind::None || page <= 0)
            return;
        const std::string name = "dest" + std::to_string(++m_destCounter);
        QOH dest = QOH::newArray();
        dest.appendItem(PageRef(page));
        switch (kind) {
        case DestKind::Explicit:
            dest.appendItem(QOH::newName("/XYZ"));
            dest.appendItem(QOH::newInteger(72));
            dest.appendItem(QOH::newInteger(720));
            dest.appendItem(QOH::newInteger(0));
            item.replaceKey("/Dest", dest);
            break;
        case DestKind::OldDests:
            dest.appendItem(QOH::newName("/Fit"));
            m_oldDests.emplace_back(name, dest);
            item.replaceKey("/Dest", QOH::newName("/" + name));
            break;
        case DestKind::NameTree:
            dest.appendItem(QOH::newName("/FitH"));
            dest.appendItem(QOH::newInteger(700));
            m_treeDests.emplace_back(name, dest);
            item.replaceKey("/Dest", QOH::newString(name));
            break;
        case DestKind::NameTreeDict: {
            dest.appendItem(QOH::newName("/Fit"));
            QOH wrapper = QOH::newDictionary();
            wrapper.replaceKey("/D", dest);
            m_treeDests.emplace_back(name, wrapper);
            item.replaceKey("/Dest", QOH::newString(name));
            break;
        }
        case DestKind::GoToAction: {
            dest.appendItem(QOH::newName("/Fit"));
            QOH action = QOH::newDictionary();
            action.replaceKey("/S", QOH::newName("/GoTo"));
            action.replaceKey("/D", dest);
            item.replaceKey("/A", action);
            break;
        }
        default:
            break;
        }
    }

    int Visible(const std::vector<OutlineSpec>& items)
    {
        int n = 0;
        for (const auto& i : items)
            n += 1 + (i.open ? Visible(i.kids) : 0);
        return n;
    }

    std::vector<QOH> AddItems(QOH parent, const std::vector<OutlineSpec>& items)
    {
        std::vector<QOH> made;
        for (const OutlineSpec& desc : items) {
            QOH item = m_pdf.makeIndirectObject(QOH::newDictionary());
            item.replaceKey("/Title", Text(desc.title));
            item.replaceKey("/Parent", parent);
            SetTarget(item, desc.kind, desc.page);
            if (desc.bold)
                item.replaceKey("/F", QOH::newInteger(2));
            if (desc.red)
                item.replaceKey("/C", QOH::parse("[1 0 0]"));
            if (!desc.kids.empty()) {
                AddItems(item, desc.kids);
                const int visible = Visible(desc.kids);
                item.replaceKey("/Count", QOH::newInteger(desc.open ? visible : -visible));
            }
            made.push_back(item);
        }
        for (std::size_t i = 0; i < made.size(); ++i) {
            if (i > 0)
                made[i].replaceKey("/Prev", made[i - 1]);
            if (i + 1 < made.size())
                made[i].replaceKey("/Next", made[i + 1]);
        }
        if (!made.empty()) {
            parent.replaceKey("/First", made.front());
            parent.replaceKey("/Last", made.back());
        }
        return made;
    }

    void BuildOutline()
    {
        if (m_spec.outline.empty() && !m_spec.emptyOutline)
            return;
        QOH root = m_pdf.makeIndirectObject(QOH::parse("<< /Type /Outlines >>"));
        std::vector<QOH> top = AddItems(root, m_spec.outline);
        root.replaceKey("/Count", QOH::newInteger(Visible(m_spec.outline)));
        if (m_spec.outlineLoop && !top.empty())
            top.back().replaceKey("/Next", top.front());
        if (m_spec.kidLoop && !top.empty()) {
            QOH kid = top.front().getKey("/First");
            if (kid.isDictionary())
                kid.replaceKey("/Next", kid);
        }
        m_pdf.getRoot().replaceKey("/Outlines", root);
    }

    QOH Appearance(const std::string& ops)
    {
        QOH ap = m_pdf.newStream(ops);
        QOH dict = ap.getDict();
        dict.replaceKey("/Type", QOH::newName("/XObject"));
        dict.replaceKey("/Subtype", QOH::newName("/Form"));
        dict.replaceKey("/BBox", QOH::parse("[0 0 14 14]"));
        return ap;
    }

    QOH Widget(int page, int index)
    {
        QOH w = m_pdf.makeIndirectObject(QOH::newDictionary());
        w.replaceKey("/Type", QOH::newName("/Annot"));
        w.replaceKey("/Subtype", QOH::newName("/Widget"));
        w.replaceKey("/Rect", Rect(72.0 + 20.0 * index, 600.0 - 30.0 * (m_widgetsOnPage[page]++ % 15), 14, 14));
        w.replaceKey("/F", QOH::newInteger(4));
        w.replaceKey("/P", PageRef(page));
        AddAnnot(page, w);
        return w;
    }

    void AddAnnot(int page, QOH annot)
    {
        QOH p = PageRef(page);
        QOH annots = p.getKey("/Annots");
        if (!annots.isArray()) {
            annots = QOH::newArray();
            p.replaceKey("/Annots", annots);
        }
        annots.appendItem(annot);
    }

    void BuildFields()
    {
        if (m_spec.fields.empty())
            return;
        QOH fields = QOH::newArray();
        for (const FieldSpec& desc : m_spec.fields) {
            QOH field = m_pdf.makeIndirectObject(QOH::newDictionary());
            field.replaceKey("/T", Text(desc.name));
            std::vector<QOH> widgets;
            switch (desc.kind) {
            case FieldKind::Text:
                field.replaceKey("/FT", QOH::newName("/Tx"));
                field.replaceKey("/V", Text(desc.value));
                field.replaceKey("/DA", QOH::newString("/Helv 12 Tf 0 g"));
                for (int page : desc.pages)
                    widgets.push_back(Widget(page, 0));
                break;
            case FieldKind::CheckBox:
                field.replaceKey("/FT", QOH::newName("/Btn"));
                field.replaceKey("/V", QOH::newName("/Off"));
                for (int page : desc.pages) {
                    QOH w = Widget(page, 1);
                    QOH normal = QOH::newDictionary();
                    normal.replaceKey("/Yes", Appearance("0 0 1 rg 2 2 10 10 re f\n"));
                    normal.replaceKey("/Off", Appearance("0 g 0 0 14 14 re S\n"));
                    QOH ap = QOH::newDictionary();
                    ap.replaceKey("/N", normal);
                    w.replaceKey("/AP", ap);
                    w.replaceKey("/AS", QOH::newName("/Off"));
                    widgets.push_back(w);
                }
                break;
            case FieldKind::Radio: {
                field.replaceKey("/FT", QOH::newName("/Btn"));
                field.replaceKey("/Ff", QOH::newInteger(49152));
                field.replaceKey("/V", QOH::newName("/Off"));
                int button = 0;
                for (int page : desc.pages) {
                    QOH w = Widget(page, 2);
                    const std::string state = "/B" + std::to_string(++button);
                    QOH normal = QOH::newDictionary();
                    normal.replaceKey(state, Appearance("1 0 0 rg 4 4 6 6 re f\n"));
                    normal.replaceKey("/Off", Appearance("0 g 0 0 14 14 re S\n"));
                    QOH ap = QOH::newDictionary();
                    ap.replaceKey("/N", normal);
                    w.replaceKey("/AP", ap);
                    w.replaceKey("/AS", QOH::newName("/Off"));
                    widgets.push_back(w);
                }
                break;
            }
            }
            QOH kids = QOH::newArray();
            for (QOH& w : widgets) {
                w.replaceKey("/Parent", field);
                kids.appendItem(w);
            }
            field.replaceKey("/Kids", kids);
            fields.appendItem(field);
        }
        QOH form = QOH::newDictionary();
        form.replaceKey("/Fields", fields);
        form.replaceKey("/DA", QOH::newString("/Helv 0 Tf 0 g"));
        form.replaceKey("/NeedAppearances", QOH::newBool(true));
        QOH dr = QOH::newDictionary();
        QOH fonts = QOH::newDictionary();
        fonts.replaceKey("/Helv", m_font);
        dr.replaceKey("/Font", fonts);
        form.replaceKey("/DR", dr);
        m_pdf.getRoot().replaceKey("/AcroForm", form);
    }

    void BuildLinks()
    {
        int i = 0;
        for (const LinkSpec& desc : m_spec.links) {
            QOH link = m_pdf.makeIndirectObject(QOH::newDictionary());
            link.replaceKey("/Type", QOH::newName("/Annot"));
            link.replaceKey("/Subtype", QOH::newName("/Link"));
            link.replaceKey("/Rect", Rect(72, 100.0 + 20.0 * (i++ % 20), 200, 16));
            link.replaceKey("/Border", QOH::parse("[0 0 0]"));
            SetTarget(link, desc.kind, desc.toPage);
            AddAnnot(desc.fromPage, link);
        }
    }

    void BuildNames()
    {
        if (!m_oldDests.empty()) {
            QOH dests = QOH::newDictionary();
            for (auto& [name, dest] : m_oldDests)
                dests.replaceKey("/" + name, dest);
            m_pdf.getRoot().replaceKey("/Dests", m_pdf.makeIndirectObject(dests));
        }
        if (!m_treeDests.empty()) {
            std::sort(m_treeDests.begin(), m_treeDests.end(),
                      [](const auto& a, const auto& b) { return a.first < b.first; });
            QOH names = QOH::newArray();
            for (auto& [name, dest] : m_treeDests) {
                names.appendItem(QOH::newString(name));
                names.appendItem(dest);
            }
            QOH tree = QOH::newDictionary();
            tree.replaceKey("/Names", names);
            QOH catalogNames = QOH::newDictionary();
            catalogNames.replaceKey("/Dests", m_pdf.makeIndirectObject(tree));
            m_pdf.getRoot().replaceKey("/Names", catalogNames);
        }
    }

    const PdfSpec& m_spec;
    QPDF m_pdf;
    QOH m_font;
    std::vector<QOH> m_pages;
    std::vector<std::pair<std::string, QOH>> m_oldDests;
    std::vector<std::pair<std::string, QOH>> m_treeDests;
    std::map<int, int> m_widgetsOnPage;
    int m_destCounter = 0;
};

void Write(QPDF& pdf, const std::string& path, const PdfSpec& desc, bool objectStreams)
{
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
}

std::string Trim(const std::string& s)
{
    const auto begin = s.find_first_not_of(" \t\r\n\f");
    if (begin == std::string::npos)
        return std::string();
    const auto end = s.find_last_not_of(" \t\r\n\f");
    return s.substr(begin, end - begin + 1);
}

void WriteBuilt(const std::string& path, const PdfSpec& desc, bool objectStreams)
{
    try {
        Builder b(desc);
        b.Build();
        Write(b.Pdf(), path, desc, objectStreams);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "fixture " << path << " could not be written: " << e.what();
    }
}

} // namespace

void WritePdf(const std::string& path, const PdfSpec& desc)
{
    WriteBuilt(path, desc, false);
}

std::vector<OutlineSpec> OnePerPage(int pages, const std::string& prefix)
{
    std::vector<OutlineSpec> items;
    for (int n = 1; n <= pages; ++n) {
        OutlineSpec item;
        item.title = prefix + " " + std::to_string(n);
        item.page = n;
        items.push_back(item);
    }
    return items;
}

namespace {

// Makes the file's startxref an offset into the middle of the file, where no cross-reference is.
void PointStartxrefNowhere(const std::string& path)
{
    std::string bytes = ReadAll(path);
    const auto at = bytes.rfind("startxref");
    ASSERT_NE(at, std::string::npos);
    const auto digits = bytes.find_first_of("0123456789", at);
    const auto end = bytes.find_first_not_of("0123456789", digits);
    bytes.replace(digits, end - digits, "17");
    WriteAll(path, bytes);
}

} // namespace

void WriteRepairablePdf(const std::string& path, const std::string& tag, int pages)
{
    PdfSpec desc;
    desc.tag = tag;
    desc.pages = pages;
    WriteBuilt(path, desc, false);
    PointStartxrefNowhere(path);
}

void WriteDamagedPdf(const std::string& path)
{
    PdfSpec desc;
    desc.tag = "damaged";
    desc.pages = 3;
    WriteBuilt(path, desc, true);
    PointStartxrefNowhere(path);
}

void WriteTruncatedPdf(const std::string& path)
{
    PdfSpec desc;
    desc.tag = "truncated";
    desc.pages = 6;
    desc.outline = OnePerPage(6);
    WriteBuilt(path, desc, true);
    const std::string bytes = ReadAll(path);
    WriteAll(path, bytes.substr(0, bytes.size() / 2));
}

void WriteBrokenPageTreePdf(const std::string& path)
{
    WriteAll(path,
             "%PDF-1.4\n"
             "1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"
             "2 0 obj\n<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>\nendobj\n"
             "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>\nendobj\n"
             "4 0 obj\n42\nendobj\n"
             "trailer\n<< /Root 1 0 R /Size 5 >>\n%%EOF\n");
}

namespace {

// A classic PDF from numbered object bodies (object 1 is the catalog), with an exact
// cross-reference table.
std::string Assemble(const std::vector<std::string>& bodies)
{
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + bodies[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(bodies.size() + 1) + "\n0000000000 65535 f \n";
    char entry[32];
    for (std::size_t offset : offsets) {
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(bodies.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::string PageBody(int parent, int contents, int font)
{
    return "<< /Type /Page /Parent " + std::to_string(parent) + " 0 R /MediaBox [0 0 612 792] /Contents "
        + std::to_string(contents) + " 0 R /Resources << /Font << /F1 " + std::to_string(font) + " 0 R >> >>";
}

std::string ContentBody(const std::string& tag)
{
    const std::string text = "BT /F1 24 Tf 72 720 Td (" + tag + " page 1) Tj ET";
    return "<< /Length " + std::to_string(text.size()) + " >>\nstream\n" + text + "\nendstream";
}

const char* const kFontBody = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";

} // namespace

void WriteReferenceChainPdf(const std::string& path, int depth)
{
    // 1 catalog, 2 pages, 3 page, 4 contents, 5 font, 6... the chain.
    std::vector<std::string> bodies = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                       PageBody(2, 4, 5) + " /Chain 6 0 R >>", ContentBody("Chain"), kFontBody};
    for (int i = 0; i < depth; ++i)
        bodies.push_back(i + 1 < depth ? "[" + std::to_string(7 + i) + " 0 R]" : "[]");
    WriteAll(path, Assemble(bodies));
}

void WriteDeepPageTreePdf(const std::string& path, int depth)
{
    // 1 catalog, 2 ... depth+1 the /Pages chain, then the page, its contents and its font.
    std::vector<std::string> bodies = {"<< /Type /Catalog /Pages 2 0 R >>"};
    const int page = depth + 2;
    for (int i = 0; i < depth; ++i) {
        const int self = 2 + i;
        bodies.push_back("<< /Type /Pages /Kids [" + std::to_string(self + 1) + " 0 R] /Count 1"
                         + (i > 0 ? " /Parent " + std::to_string(self - 1) + " 0 R" : std::string()) + " >>");
    }
    bodies.push_back(PageBody(page - 1, page + 1, page + 2) + " >>");
    bodies.push_back(ContentBody("Tree"));
    bodies.push_back(kFontBody);
    WriteAll(path, Assemble(bodies));
}

void WriteZeroByteFile(const std::string& path)
{
    WriteAll(path, std::string());
}

void WriteNotPdf(const std::string& path)
{
    WriteAll(path, "Minutes of the meeting\nNothing was decided.\n");
}

ToolRun RunTool(const std::vector<std::string>& argv, int timeoutSeconds)
{
    ToolRun run;
    char outName[] = "/tmp/quire-tool-out-XXXXXX";
    char errName[] = "/tmp/quire-tool-err-XXXXXX";
    const int outFd = ::mkstemp(outName);
    const int errFd = ::mkstemp(errName);
    if (outFd < 0 || errFd < 0) {
        ADD_FAILURE() << "cannot create capture files";
        return run;
    }
    std::vector<std::string> full = {"timeout", std::to_string(timeoutSeconds)};
    full.insert(full.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (auto& a : full)
        args.push_back(a.data());
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    if (pid > 0)
        ::waitpid(pid, &status, 0);
    ::close(outFd);
    ::close(errFd);
    run.exitCode = pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadAll(outName);
    run.err = ReadAll(errName);
    ::unlink(outName);
    ::unlink(errName);
    return run;
}

bool QpdfCheckPasses(const std::string& path, std::string* log)
{
    const ToolRun run = RunTool({"qpdf", "--check", path});
    if (log)
        *log = run.out + run.err;
    return run.exitCode == 0;
}

std::map<std::string, std::string> PdfInfo(const std::string& path)
{
    std::map<std::string, std::string> info;
    const ToolRun run = RunTool({"pdfinfo", "-enc", "UTF-8", path});
    if (run.exitCode != 0)
        return info;
    std::istringstream in(run.out);
    std::string line;
    while (std::getline(in, line)) {
        const auto colon = line.find(':');
        if (colon != std::string::npos)
            info[line.substr(0, colon)] = Trim(line.substr(colon + 1));
    }
    return info;
}

std::vector<std::string> PageTexts(const std::string& path)
{
    std::vector<std::string> pages;
    const ToolRun run = RunTool({"pdftotext", "-layout", "-enc", "UTF-8", path, "-"});
    if (run.exitCode != 0)
        return pages;
    std::string::size_type start = 0;
    while (start <= run.out.size()) {
        const auto ff = run.out.find('\f', start);
        if (ff == std::string::npos)
            break;
        pages.push_back(Trim(run.out.substr(start, ff - start)));
        start = ff + 1;
    }
    return pages;
}

namespace {

void OutlineLines(QPDF& pdf, std::vector<QPDFOutlineObjectHelper> items, int depth, std::vector<std::string>& out,
                  const std::map<QPDFObjGen, int>& pageNo)
{
    for (auto& item : items) {
        QOH page = item.getDestPage();
        std::string target = "-";
        if (page.isIndirect()) {
            auto it = pageNo.find(page.getObjGen());
            if (it != pageNo.end())
                target = std::to_string(it->second);
        }
        out.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + item.getTitle() + " -> " + target);
        OutlineLines(pdf, item.getKids(), depth + 1, out, pageNo);
    }
}

std::map<QPDFObjGen, int> PageNumbers(QPDF& pdf)
{
    std::map<QPDFObjGen, int> pageNo;
    int n = 0;
    for (auto& p : pdf.getAllPages())
        pageNo[p.getObjGen()] = ++n;
    return pageNo;
}

// Opens `path` with qpdf and hands it to `read`; a file qpdf cannot read fails the test, naming `what`.
template<typename Read> void ReadWithQpdf(const std::string& path, const char* what, Read read)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        read(pdf);
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << " of " << path << " cannot be read: " << e.what();
    }
}

} // namespace

std::vector<std::string> OutlineOf(const std::string& path)
{
    std::vector<std::string> lines;
    ReadWithQpdf(path, "outline", [&](QPDF& pdf) {
        QPDFOutlineDocumentHelper outlines(pdf);
        OutlineLines(pdf, outlines.getTopLevelOutlines(), 0, lines, PageNumbers(pdf));
    });
    return lines;
}

std::vector<std::string> FieldsOf(const std::string& path)
{
    std::vector<std::string> lines;
    ReadWithQpdf(path, "form", [&](QPDF& pdf) {
        QPDFAcroFormDocumentHelper form(pdf);
        // The field a widget belongs to is the nearest of itself and its ancestors that has a name;
        // widgets are gathered page by page under that field.
        std::map<QPDFObjGen, std::pair<std::string, std::vector<int>>> fields;
        std::set<QPDFObjGen> onPage;
        int n = 0;
        for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            ++n;
            for (auto& widget : form.getWidgetAnnotationsForPage(page)) {
                QOH field = widget.getObjectHandle();
                onPage.insert(field.getObjGen());
                for (int depth = 0; depth < 32 && !field.hasKey("/T") && field.getKey("/Parent").isDictionary();
                     ++depth)
                    field = field.getKey("/Parent");
                auto& entry = fields[field.getObjGen()];
                entry.first = QPDFFormFieldObjectHelper(field).getFullyQualifiedName();
                entry.second.push_back(n);
            }
        }
        // Widgets of the form that sit on no page at all are listed as a field with no page.
        for (auto& terminal : form.getFormFields()) {
            QOH field = terminal.getObjectHandle();
            bool placed = false;
            for (auto& w : form.getAnnotationsForField(terminal))
                placed = placed || onPage.count(w.getObjectHandle().getObjGen()) != 0;
            if (!placed)
                fields[field.getObjGen()].first = terminal.getFullyQualifiedName() + " (no page)";
        }
        for (const auto& [og, entry] : fields) {
            std::string line = entry.first + ": " + std::to_string(entry.second.size()) + " widget(s) on page(s) ";
            for (std::size_t i = 0; i < entry.second.size(); ++i)
                line += (i ? "," : "") + std::to_string(entry.second[i]);
            lines.push_back(line);
        }
    });
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> AppearancesOf(const std::string& path, const std::string& field, const std::string& state)
{
    std::vector<std::string> data;
    ReadWithQpdf(path, "appearances", [&](QPDF& pdf) {
        QPDFAcroFormDocumentHelper form(pdf);
        for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            for (auto& widget : form.getWidgetAnnotationsForPage(page)) {
                if (form.getFieldForAnnotation(widget).getFullyQualifiedName() != field)
                    continue;
                QOH stream = widget.getAppearanceStream("/N", state);
                if (stream.isStream()) {
                    auto buffer = stream.getStreamData();
                    data.emplace_back(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
                }
            }
        }
    });
    return data;
}

std::vector<std::string> LinksOf(const std::string& path)
{
    std::vector<std::string> lines;
    ReadWithQpdf(path, "links", [&](QPDF& pdf) {
        const auto pageNo = PageNumbers(pdf);
        int n = 0;
        for (QOH page : pdf.getAllPages()) {
            ++n;
            QOH annots = page.getKey("/Annots");
            if (!annots.isArray())
                continue;
            for (auto a : annots.aitems()) {
                if (!a.isDictionary() || !a.getKey("/Subtype").isName() || a.getKey("/Subtype").getName() != "/Link")
                    continue;
                QOH dest = a.getKey("/Dest");
                if (dest.isNull() && a.getKey("/A").isDictionary())
                    dest = a.getKey("/A").getKey("/D");
                std::string target = "-";
                if (dest.isArray() && dest.getArrayNItems() > 0 && dest.getArrayItem(0).isIndirect()) {
                    auto it = pageNo.find(dest.getArrayItem(0).getObjGen());
                    if (it != pageNo.end())
                        target = std::to_string(it->second);
                }
                lines.push_back(std::to_string(n) + " -> " + target);
            }
        }
    });
    return lines;
}

std::string HeaderVersion(const std::string& path)
{
    const std::string head = ReadAll(path).substr(0, 16);
    if (head.rfind("%PDF-", 0) != 0)
        return std::string();
    return head.substr(5, 3);
}

} // namespace quire::fixtures
