// SPDX-License-Identifier: Apache-2.0
// Writes the benchmark corpora: N files of P text pages each, optionally with a K-entry outline and
// one text field, optionally AES-256 protected (revision 6) with one password as user and owner
// password. Every page shows "<prefix> <file> page <n>" so that outputs can be checked.
//
//   quire-bench-corpus OUTDIR --files N --pages P [--outline K] [--field NAME] [--lines L] [--prefix f]
//                      [--password PW]
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Settings
{
    std::string outDir;
    int files = 1;
    int pages = 1;
    int outline = 0;
    std::string field;
    int lines = 40;
    std::string prefix = "f";
    std::string password;
};

std::string PageContent(const std::string& label, int lines)
{
    std::string content = "BT /F1 24 Tf 72 740 Td (" + label + ") Tj ET\nBT /F1 10 Tf 72 700 Td 12 TL\n";
    for (int i = 0; i < lines; ++i)
        content += "(Line " + std::to_string(i + 1)
            + " of a page that stands in for ordinary text, long enough to look like prose.) '\n";
    content += "ET\n";
    return content;
}

void WriteFile(const Settings& s, int fileNo, const std::string& path)
{
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle font = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
    fonts.replaceKey("/F1", font);
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/Font", fonts);

    char number[16];
    std::snprintf(number, sizeof number, "%04d", fileNo);
    QPDFPageDocumentHelper pages(pdf);
    std::vector<QPDFObjectHandle> pageObjects;
    for (int p = 1; p <= s.pages; ++p) {
        QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>");
        page.replaceKey("/Resources", resources);
        page.replaceKey(
            "/Contents",
            QPDFObjectHandle::newStream(&pdf, PageContent(s.prefix + number + " page " + std::to_string(p), s.lines)));
        page = pdf.makeIndirectObject(page);
        pages.addPage(QPDFPageObjectHelper(page), false);
        pageObjects.push_back(page);
    }

    QPDFObjectHandle root = pdf.getRoot();
    if (s.outline > 0) {
        QPDFObjectHandle outlines = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
        QPDFObjectHandle previous;
        for (int k = 0; k < s.outline; ++k) {
            QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
            item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString("Section " + std::to_string(k + 1)));
            item.replaceKey("/Parent", outlines);
            QPDFObjectHandle dest = QPDFObjectHandle::parse("[null /XYZ null null null]");
            dest.setArrayItem(0, pageObjects[static_cast<std::size_t>(k % s.pages)]);
            item.replaceKey("/Dest", dest);
            if (previous.isInitialized()) {
                item.replaceKey("/Prev", previous);
                previous.replaceKey("/Next", item);
            } else {
                outlines.replaceKey("/First", item);
            }
            previous = item;
        }
        outlines.replaceKey("/Last", previous);
        outlines.replaceKey("/Count", QPDFObjectHandle::newInteger(s.outline));
        root.replaceKey("/Outlines", outlines);
    }
    if (!s.field.empty()) {
        QPDFObjectHandle widget = QPDFObjectHandle::parse(
            "<< /Type /Annot /Subtype /Widget /FT /Tx /V () /F 4 /Rect [72 600 300 624] /DA (/Helv 12 Tf 0 g) >>");
        widget.replaceKey("/T", QPDFObjectHandle::newUnicodeString(s.field));
        widget.replaceKey("/P", pageObjects.front());
        widget = pdf.makeIndirectObject(widget);
        pageObjects.front().replaceKey("/Annots", QPDFObjectHandle::newArray({widget}));
        QPDFObjectHandle helvFonts = QPDFObjectHandle::newDictionary();
        helvFonts.replaceKey("/Helv", font);
        QPDFObjectHandle dr = QPDFObjectHandle::newDictionary();
        dr.replaceKey("/Font", helvFonts);
        QPDFObjectHandle form = QPDFObjectHandle::newDictionary();
        form.replaceKey("/Fields", QPDFObjectHandle::newArray({widget}));
        form.replaceKey("/DA", QPDFObjectHandle::newString("/Helv 12 Tf 0 g"));
        form.replaceKey("/DR", dr);
        root.replaceKey("/AcroForm", pdf.makeIndirectObject(form));
    }

    QPDFWriter writer(pdf, path.c_str());
    // NOTE: qpdf refuses a deterministic ID for an encrypted file, whose ID is part of its key.
    if (s.password.empty())
        writer.setDeterministicID(true);
    else
        writer.setR6EncryptionParameters(s.password.c_str(), s.password.c_str(), true, true, true, true, true, true,
                                         qpdf_r3p_full, true);
    writer.write();
}

int Usage()
{
    std::cerr << "usage: quire-bench-corpus OUTDIR --files N --pages P [--outline K] [--field NAME] [--lines L] "
                 "[--prefix TEXT] [--password PW]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Settings s;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage();
    s.outDir = args[0];
    for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
        const std::string& name = args[i];
        const std::string& value = args[i + 1];
        if (name == "--files")
            s.files = std::atoi(value.c_str());
        else if (name == "--pages")
            s.pages = std::atoi(value.c_str());
        else if (name == "--outline")
            s.outline = std::atoi(value.c_str());
        else if (name == "--field")
            s.field = value;
        else if (name == "--lines")
            s.lines = std::atoi(value.c_str());
        else if (name == "--prefix")
            s.prefix = value;
        else if (name == "--password")
            s.password = value;
        else
            return Usage();
    }
    if (s.files < 1 || s.pages < 1 || s.outline < 0 || s.lines < 0)
        return Usage();
    std::filesystem::create_directories(s.outDir);
    try {
        for (int f = 1; f <= s.files; ++f) {
            char name[32];
            std::snprintf(name, sizeof name, "%04d.pdf", f);
            WriteFile(s, f, (std::filesystem::path(s.outDir) / (s.prefix + name)).string());
        }
    } catch (const std::exception& e) {
        std::cerr << "quire-bench-corpus: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
