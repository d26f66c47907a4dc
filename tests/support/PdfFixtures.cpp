// SPDX-License-Identifier: Apache-2.0
#include "tests/support/PdfFixtures.h"

#include "tests/support/TempDir.h"

#include <nlohmann/json.hpp>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace quire::fixtures {

namespace {

using QOH = QPDFObjectHandle;

std::string Rect(double x, double y, double w, double h)
{
    return "[" + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(x + w) + " " + std::to_string(y + h)
        + "]";
}

int Visible(const std::vector<OutlineDesc>& items)
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
    const PdfDesc& file;
    std::string font {};
    std::vector<QOH> pages {};
    std::string oldDests {};
    std::map<std::string, std::string> treeDests {}; // name -> destination; a name tree's entries are sorted
    std::map<int, int> widgetsOnPage {};
    int destCounter = 0;
    std::vector<QOH> groups {};

    QOH Make(const std::string& text) { return pdf.makeIndirectObject(QOH::parse(&pdf, text)); }
    void Set(QOH object, const std::string& text) { pdf.replaceObject(object.getObjGen(), QOH::parse(&pdf, text)); }
    void SetRoot(const char* key, const std::string& text) { pdf.getRoot().replaceKey(key, QOH::parse(&pdf, text)); }
    std::string Ref(int page) { return pages.at(static_cast<std::size_t>(page - 1)).unparse(); }
    // A PDF text string: PDFDocEncoding where it can be, else UTF-16BE.
    static std::string Text(const std::string& utf8) { return QOH::newUnicodeString(utf8).unparse(); }

    void Build()
    {
        font = Make("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>").unparse();
        for (const LayerDesc& layer : file.layers)
            groups.push_back(Make("<< /Type /OCG /Name " + Text(layer.name) + " >>"));
        for (int n = 1; n <= file.pages; ++n) {
            std::string text = "BT /F1 24 Tf 72 720 Td (" + file.tag + " page " + std::to_string(n) + ") Tj ET\n";
            std::string properties;
            for (std::size_t i = 0; i < file.layers.size(); ++i) {
                if (file.layers[i].page != n)
                    continue;
                text += "/OC /oc" + std::to_string(i) + " BDC BT /F1 12 Tf 72 " + std::to_string(680 - 20 * i) + " Td ("
                    + file.layers[i].name + " layer) Tj ET EMC\n";
                properties += " /oc" + std::to_string(i) + " " + groups[i].unparse();
            }
            pdf.addPage(Make("<< /Type /Page /MediaBox [0 0 612 792] /Resources << /Font << /F1 " + font + " >>"
                             + (properties.empty() ? "" : " /Properties <<" + properties + " >>") + " >> /Contents "
                             + pdf.newStream(text).unparse() + " >>"),
                        false);
        }
        pages = pdf.getAllPages();
        if (!file.layers.empty())
            BuildLayers();
        if (!file.outline.empty() || file.emptyOutline)
            BuildOutline();
        BuildFields();
        for (std::size_t i = 0; i < file.links.size(); ++i)
            AddAnnot(file.links[i].fromPage,
                     "<< /Type /Annot /Subtype /Link /Border [0 0 0] /Rect "
                         + Rect(72, 100.0 + 20.0 * (i % 20), 200, 16)
                         + Target(file.links[i].kind, file.links[i].toPage, file.links[i].name) + " >>");
        for (const NamedDestDesc& d : file.namedDests) {
            if (d.oldStyle)
                oldDests += " /" + d.name + " [" + Ref(d.page) + " /Fit]";
            else
                treeDests[d.name] = "[" + Ref(d.page) + " /XYZ 72 700 null]";
        }
        if (!oldDests.empty())
            pdf.getRoot().replaceKey("/Dests", Make("<<" + oldDests + " >>"));
        if (!treeDests.empty()) {
            std::string names;
            for (const auto& [name, dest] : treeDests)
                names += " " + QOH::newString(name).unparse() + " " + dest;
            SetRoot("/Names", "<< /Dests " + Make("<< /Names [" + names + " ] >>").unparse() + " >>");
        }
        BuildLabels();
        std::string info;
        for (const auto& [key, value] : file.info)
            info += " /" + key + " " + Text(value);
        if (!info.empty())
            pdf.getTrailer().replaceKey("/Info", Make("<<" + info + " >>"));
        if (!file.xmp.empty()) {
            QOH metadata = pdf.newStream(file.xmp);
            metadata.getDict().replaceKey("/Type", QOH::newName("/Metadata"));
            metadata.getDict().replaceKey("/Subtype", QOH::newName("/XML"));
            pdf.getRoot().replaceKey("/Metadata", metadata);
        }
    }

    void BuildLabels()
    {
        std::string nums;
        for (const LabelDesc& l : file.labels)
            nums += " " + std::to_string(l.firstPage - 1) + " <<" + (l.style.empty() ? "" : " /S /" + l.style)
                + (l.prefix.empty() ? "" : " /P " + Text(l.prefix)) + " /St " + std::to_string(l.start) + " >>";
        if (!file.labels.empty())
            SetRoot("/PageLabels", "<< /Nums [" + nums + " ] >>");
    }

    void BuildLayers()
    {
        std::string all, on, off, radio;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            all += " " + groups[i].unparse();
            (file.layers[i].hidden ? off : on) += " " + groups[i].unparse();
        }
        for (const auto& set : file.radioLayers) {
            radio += " [";
            for (int i : set)
                radio += " " + groups.at(static_cast<std::size_t>(i)).unparse();
            radio += " ]";
        }
        if (!file.layersText.empty()) {
            std::string text = file.layersText;
            if (text.find("LOOP") != std::string::npos) {
                QOH loop = Make("[ " + groups.at(1).unparse() + " ]");
                loop.appendItem(loop);
                text = std::regex_replace(text, std::regex("LOOP"), loop.unparse());
            }
            text = std::regex_replace(text, std::regex("P1"), Ref(1));
            for (std::size_t i = groups.size(); i-- > 0;)
                text = std::regex_replace(text, std::regex("G" + std::to_string(i)), groups[i].unparse());
            SetRoot("/OCProperties", text);
            return;
        }
        SetRoot("/OCProperties",
                "<< /OCGs [" + all + " ] /D << /Order [" + all + " ]"
                    + (file.layersBaseOff ? " /BaseState /OFF /ON [" + on + " ]" : " /OFF [" + off + " ]")
                    + (radio.empty() ? "" : " /RBGroups [" + radio + " ]") + " >> >>");
    }

    // An action off the document, for the kinds that name one.
    std::string Action(DestKind kind)
    {
        switch (kind) {
        case DestKind::Named:
            return " /A << /S /Named /N /NextPage >>";
        case DestKind::RemoteGoTo:
            return " /A << /S /GoToR /F (other.pdf) /D [0 /Fit] /NewWindow true >>";
        case DestKind::Launch:
            return " /A << /S /Launch /F << /Type /Filespec /F (run.sh) >> >>";
        case DestKind::Script:
            return " /A << /S /JavaScript /JS (app.alert\\(1\\);) >>";
        case DestKind::ScriptStream:
            return " /A << /S /JavaScript /JS " + pdf.newStream("app.alert(2);").unparse() + " >>";
        case DestKind::ScriptLoop: {
            QOH action = Make("<< /S /JavaScript /JS (go\\(\\);) >>");
            action.replaceKey("/Next", action);
            return " /A " + action.unparse();
        }
        case DestKind::HugeScript:
            return " /A << /S /JavaScript /JS " + pdf.newStream(std::string(4 << 20, ' ')).unparse() + " >>";
        default:
            return "";
        }
    }

    // The keys that give an outline item or a link annotation a target of `kind` to `page`, or to
    // the named destination `name`.
    std::string Target(DestKind kind, int page, const std::string& name = "")
    {
        if (kind == DestKind::Uri)
            return " /A << /S /URI /URI (https://example.com/) >>";
        if (!name.empty() && kind == DestKind::OldDests)
            return " /Dest /" + name;
        if (!name.empty() && kind == DestKind::NameTree)
            return " /Dest " + QOH::newString(name).unparse();
        if (kind >= DestKind::Named)
            return Action(kind);
        if (kind == DestKind::None || page <= 0)
            return "";
        const std::string made = "dest" + std::to_string(1000 + ++destCounter);
        switch (kind) {
        case DestKind::OldDests:
            oldDests += " /" + made + " [" + Ref(page) + " /Fit]";
            return " /Dest /" + made;
        case DestKind::NameTree:
            treeDests[made] = "[" + Ref(page) + " /FitH 700]";
            return " /Dest (" + made + ")";
        case DestKind::NameTreeDict:
            treeDests[made] = "<< /D [" + Ref(page) + " /Fit] >>";
            return " /Dest (" + made + ")";
        case DestKind::GoToAction:
            return " /A << /S /GoTo /D [" + Ref(page) + " /Fit] >>";
        default:
            return " /Dest [" + Ref(page) + " /XYZ 72 720 0]";
        }
    }

    // Writes `items` under `parent`; the keys that make them its kids.
    std::string AddItems(QOH parent, const std::vector<OutlineDesc>& items)
    {
        std::vector<QOH> made;
        for (std::size_t i = 0; i < items.size(); ++i)
            made.push_back(QOH::newReserved(&pdf));
        for (std::size_t i = 0; i < items.size(); ++i) {
            const OutlineDesc& desc = items[i];
            const int count = desc.kids.empty() ? 0 : Visible(desc.kids);
            Set(made[i],
                "<< /Title " + Text(desc.title) + " /Parent " + parent.unparse()
                    + Target(desc.kind, desc.page, desc.name) + (desc.bold ? " /F 2" : "")
                    + (desc.red ? " /C [1 0 0]" : "") + (i > 0 ? " /Prev " + made[i - 1].unparse() : "")
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
            "<< /Type /Outlines /Count " + std::to_string(Visible(file.outline)) + AddItems(root, file.outline)
                + " >>");
        if (file.outlineLoop && !file.outline.empty())
            root.getKey("/Last").replaceKey("/Next", root.getKey("/First"));
        if (file.kidLoop && root.getKey("/First").getKey("/First").isDictionary())
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
        for (const FieldDesc& desc : file.fields) {
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

// Builds the described file, lets `finish` change it, and writes it.
void WriteBuilt(const std::string& path, const PdfDesc& desc, bool objectStreams,
                const std::function<void(QPDF&)>& finish = {})
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        Builder {pdf, desc}.Build();
        if (finish)
            finish(pdf);
        QPDFWriter w(pdf, path.c_str());
        w.setStaticID(true);
        w.setMinimumPDFVersion(desc.version);
        if (objectStreams)
            w.setObjectStreamMode(qpdf_o_generate);
        if (!desc.userPassword.empty() || !desc.ownerPassword.empty()) {
            // Restrictive permissions, as in the files users meet: no extraction, no page assembly.
            // An empty owner password would open the file with no password at all.
            const std::string owner = desc.ownerPassword.empty() ? desc.userPassword + "-owner" : desc.ownerPassword;
            const char* user = desc.userPassword.c_str();
            switch (desc.encryption) {
            case Encryption::Aes256:
                w.setR6EncryptionParameters(user, owner.c_str(), true, false, false, true, true, false, qpdf_r3p_full,
                                            true);
                break;
            case Encryption::Aes256R5:
                w.setR5EncryptionParameters(user, owner.c_str(), true, false, false, true, true, false, qpdf_r3p_full,
                                            true);
                break;
            case Encryption::Aes128:
                w.setR4EncryptionParametersInsecure(user, owner.c_str(), true, false, false, true, true, false,
                                                    qpdf_r3p_full, true, true);
                break;
            case Encryption::Rc4_128:
                w.setR3EncryptionParametersInsecure(user, owner.c_str(), true, false, false, true, true, false,
                                                    qpdf_r3p_full);
                break;
            case Encryption::Rc4_40:
                w.setR2EncryptionParametersInsecure(user, owner.c_str(), true, false, false, true);
                break;
            }
        }
        w.write();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "fixture " << path << " could not be written: " << e.what();
    }
}

// Writes the file with its startxref an offset into the middle of it, where no cross-reference is.
void WriteWithStartxrefNowhere(const std::string& path, const PdfDesc& desc, bool objectStreams)
{
    WriteBuilt(path, desc, objectStreams);
    WriteWholeFile(path, std::regex_replace(ReadWholeFile(path), std::regex(R"(startxref\s+\d+)"), "startxref\n17"));
}

} // namespace

void WritePdf(const std::string& path, const PdfDesc& desc)
{
    WriteBuilt(path, desc, false, desc.finish);
}

std::vector<OutlineDesc> OnePerPage(int pages, const std::string& prefix)
{
    std::vector<OutlineDesc> items;
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
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
}

void WriteBrokenPageTreePdf(const std::string& path)
{
    WriteBuilt(path, {}, false, [](QPDF& pdf) {
        QOH tree = pdf.getRoot().getKey("/Pages");
        tree.getKey("/Kids").appendItem(pdf.makeIndirectObject(QOH::newInteger(42)));
        tree.replaceKey("/Count", QOH::newInteger(2));
    });
}

void WriteReferenceChainPdf(const std::string& path, int depth)
{
    WriteBuilt(path, {.tag = "Chain"}, false, [depth](QPDF& pdf) {
        QOH link = pdf.makeIndirectObject(QOH::newArray());
        for (int i = 1; i < depth; ++i)
            link = pdf.makeIndirectObject(QOH::newArray({link}));
        QOH(pdf.getAllPages().at(0)).replaceKey("/Chain", link);
    });
}

void WriteDeepPageTreePdf(const std::string& path, int depth)
{
    WriteBuilt(path, {.tag = "Tree"}, false, [depth](QPDF& pdf) {
        QOH node = pdf.getRoot().getKey("/Pages");
        for (int i = 1; i < depth; ++i) {
            QOH parent = pdf.makeIndirectObject(QOH::parse("<< /Type /Pages /Count 1 >>"));
            parent.replaceKey("/Kids", QOH::newArray({node}));
            node.replaceKey("/Parent", parent);
            node = parent;
        }
        pdf.getRoot().replaceKey("/Pages", node);
    });
}

void WriteNotPdf(const std::string& path)
{
    WriteWholeFile(path, "Minutes of the meeting\nNothing was decided.\n");
}

std::string FolderTest::Make(const std::string& name, int pages, bool outline, PdfDesc desc)
{
    desc.tag = std::filesystem::path(name).stem().string();
    desc.pages = pages;
    if (outline)
        desc.outline = OnePerPage(pages, desc.tag);
    const std::string path = m_tmp.File(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WritePdf(path, desc);
    return path;
}

namespace {

// Everything in `fd` from its start (a terminal cannot seek: what is waiting in it), then closes it.
std::string Drain(int fd)
{
    lseek(fd, 0, SEEK_SET);
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

} // namespace

ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options)
{
    // NOTE: files in memory rather than pipes: nothing has to drain them while the child runs, and
    // nothing shows up in the folder a test watches.
    const int out = memfd_create("out", MFD_CLOEXEC), err = memfd_create("err", MFD_CLOEXEC);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    // forkpty gives the child a pseudo-terminal as stdin, stdout and stderr; only stderr stays one.
    int terminal = -1;
    const pid_t pid = options.bStderrOnTerminal ? forkpty(&terminal, nullptr, nullptr, nullptr) : fork();
    if (pid == 0) {
        // NOTE: a runner started under nohup, or a thread of this process with signals blocked, would
        // otherwise hand its dispositions down and hide how the program handles them itself.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int nSignal : {SIGHUP, SIGINT, SIGTERM, SIGXFSZ, SIGALRM})
            signal(nSignal, SIG_DFL);
        const rlimit limit {static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
        if ((options.fileSizeLimit >= 0 && setrlimit(RLIMIT_FSIZE, &limit) != 0)
            || (!options.workingDir.empty() && chdir(options.workingDir.c_str()) != 0))
            _exit(126);
        if (options.umask >= 0)
            ::umask(static_cast<mode_t>(options.umask));
        dup2(open("/dev/null", O_RDONLY | O_CLOEXEC), STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        if (!options.bStderrOnTerminal)
            dup2(err, STDERR_FILENO);
        // The alarm outlives exec: the program is ended at the limit without a watcher here.
        alarm(static_cast<unsigned>(options.limit.count()));
        execvp(args[0], args.data());
        _exit(127);
    }
    siginfo_t ended {};
    {
        // The watcher is joined at the end of the block, before the child is reaped.
        const std::jthread watcher = options.whileRunning ? std::jthread(options.whileRunning, pid) : std::jthread();
        waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const std::string errText = Drain(err);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0, Drain(out),
            terminal >= 0 ? Drain(terminal) : errText};
}

bool HasEnded(pid_t pid)
{
    siginfo_t info {};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}

bool InSignalMask(pid_t pid, const std::string& field, int signal)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(field + ":"))
            return (std::stoull(line.substr(field.size() + 1), nullptr, 16) >> (signal - 1)) & 1U;
    return false;
}

bool QpdfCheckPasses(const std::string& path, std::string* log)
{
    const ChildResult result = RunChild({"qpdf", "--check", path});
    if (log)
        *log = result.out + result.err;
    return result.exitCode == 0;
}

std::string XmpPacketOf(const std::string& properties)
{
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
           " xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
           " xmlns:xmpMM=\"http://ns.adobe.com/xap/1.0/mm/\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\"\n"
        + properties + "</rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

std::map<std::string, std::string> ExifToolTags(const std::string& path)
{
    std::map<std::string, std::string> tags;
    const auto [status, ended, out, err] = RunChild({"exiftool", "-j", "-G1", "-a", "-PDF:all", "-XMP:all", path});
    const nlohmann::json all = nlohmann::json::parse(out, nullptr, false);
    if (status != 0 || !all.is_array() || all.empty() || !all[0].is_object())
        return tags;
    for (const auto& [key, value] : all[0].items()) {
        std::string text;
        for (const auto& item : value.is_array() ? value : nlohmann::json::array({value}))
            text += (text.empty() ? "" : ", ") + (item.is_string() ? item.get<std::string>() : item.dump());
        tags[key] = text;
    }
    return tags;
}

std::map<std::string, std::string> PdfInfo(const std::string& path)
{
    std::map<std::string, std::string> info;
    const auto [status, ended, out, err] = RunChild({"pdfinfo", "-enc", "UTF-8", path});
    // "Key:   value" lines; the value without the white space around it.
    const std::regex line(R"(([^:\n]+):[ \t]*(.*?)\s*(\n|$))");
    for (std::sregex_iterator it(out.begin(), out.end(), line), end; status == 0 && it != end; ++it)
        info[(*it)[1]] = (*it)[2];
    return info;
}

std::vector<std::string> PageTexts(const std::string& path)
{
    std::vector<std::string> pages;
    const auto [status, ended, out, err] = RunChild({"pdftotext", "-layout", "-enc", "UTF-8", path, "-"});
    // NOTE: pdftotext ends every page, the last one included, with a form feed.
    std::istringstream in(status == 0 ? out : std::string());
    for (std::string page; std::getline(in, page, '\f');)
        pages.push_back(std::regex_replace(page, std::regex(R"(^\s+|\s+$)"), ""));
    return pages;
}

namespace {

// Opens `path` with qpdf and hands `read` the file, every annotation of `subtype` (none for nullptr)
// with the 1-based number of its page, in page order, and the lines to return; a file qpdf cannot
// read fails the test, naming `what`.
template<typename Read>
std::vector<std::string> ReadWithQpdf(const std::string& path, const char* what, const char* subtype, Read read)
{
    std::vector<std::string> lines;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        std::vector<std::pair<int, QPDFAnnotationObjectHelper>> annots;
        auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
        for (std::size_t i = 0; subtype && i < pages.size(); ++i)
            for (auto& annot : pages[i].getAnnotations(subtype))
                annots.emplace_back(static_cast<int>(i + 1), annot);
        read(pdf, annots, lines);
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

} // namespace

namespace {

// Every outline item as qpdf's outline helper reads it, in outline order, with its depth.
template<typename Line> std::vector<std::string> WalkOutline(const std::string& path, Line line)
{
    return ReadWithQpdf(path, "outline", nullptr, [&](QPDF& pdf, auto&, std::vector<std::string>& lines) {
        std::function<void(std::vector<QPDFOutlineObjectHelper>, int)> walk = [&](auto items, int depth) {
            for (auto& item : items) {
                lines.push_back(line(pdf, item, depth));
                walk(item.getKids(), depth + 1);
            }
        };
        walk(QPDFOutlineDocumentHelper(pdf).getTopLevelOutlines(), 0);
    });
}

} // namespace

std::vector<std::string> OutlineActionsOf(const std::string& path)
{
    return WalkOutline(path, [](QPDF&, QPDFOutlineObjectHelper& item, int) {
        QOH action = item.getObjectHandle().getKey("/A");
        return item.getTitle() + ": " + (action.isNull() ? "-" : action.unparseResolved());
    });
}

std::vector<std::string> OutlineOf(const std::string& path)
{
    return WalkOutline(path, [](QPDF& pdf, QPDFOutlineObjectHelper& item, int depth) {
        return std::string(2 * static_cast<std::size_t>(depth), ' ') + item.getTitle() + " -> "
            + PageOf(pdf, item.getDestPage());
    });
}

LayersRead LayersOf(const std::string& path)
{
    LayersRead read;
    ReadWithQpdf(path, "layers", nullptr, [&](QPDF& pdf, auto&, std::vector<std::string>&) {
        const auto items = [](QOH array) { return array.isArray() ? array.getArrayAsVector() : std::vector<QOH> {}; };
        const auto key = [](QOH dict, const char* name) { return dict.isDictionary() ? dict.getKey(name) : QOH(); };
        QOH properties = pdf.getRoot().getKey("/OCProperties"), config = key(properties, "/D");
        read.present = properties.isDictionary();
        std::map<QPDFObjGen, std::string> names; // the groups of /OCGs, by reference
        for (QOH group : items(key(properties, "/OCGs"))) {
            QOH name = key(group, "/Name");
            read.groups.push_back(name.isString() ? name.getUTF8Value() : "?");
            if (group.isIndirect())
                names[group.getObjGen()] = read.groups.back();
        }
        const auto nameOf = [&](QOH group) {
            auto known = group.isIndirect() ? names.find(group.getObjGen()) : names.end();
            return known == names.end() ? std::string("?") : known->second;
        };
        const auto joined = [&](QOH groups) {
            std::string text;
            for (QOH group : items(groups))
                text += (text.empty() ? "" : " ") + nameOf(group);
            return text;
        };
        for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            QOH used = key(key(page.getObjectHandle(), "/Resources"), "/Properties");
            std::string line;
            for (const auto& [tag, group] : used.isDictionary() ? used.getDictAsMap() : std::map<std::string, QOH> {})
                line += (line.empty() ? "" : " ") + nameOf(group);
            read.pageGroups.push_back(line);
        }
        for (QOH group : items(key(config, "/OFF")))
            read.off.push_back(nameOf(group));
        for (QOH set : items(key(config, "/RBGroups")))
            read.radio.push_back(joined(set));
        // An /Order that holds itself, which a job must not write, shows as "[...]" past 32 levels.
        std::function<std::string(QOH, int)> order = [&](QOH entries, int depth) {
            std::string text;
            for (QOH entry : items(entries))
                text += (text.empty() ? "" : " ")
                    + (entry.isArray()        ? "[" + (depth < 32 ? order(entry, depth + 1) : "...") + "]"
                           : entry.isString() ? "(" + entry.getUTF8Value() + ")"
                                              : nameOf(entry));
            return text;
        };
        read.order = order(key(config, "/Order"), 0);
    });
    return read;
}

std::vector<std::string> FieldsOf(const std::string& path)
{
    std::map<QPDFObjGen, std::pair<std::string, std::string>> fields; // name, pages "1,3"
    ReadWithQpdf(path, "form", "/Widget", [&](QPDF& pdf, auto& widgets, std::vector<std::string>&) {
        QPDFAcroFormDocumentHelper form(pdf);
        std::set<QPDFObjGen> placed;
        for (auto& [n, widget] : widgets) {
            // NOTE: a widget belongs to the nearest of itself and its ancestors that has a name.
            QOH field = widget.getObjectHandle();
            placed.insert(field.getObjGen());
            for (int depth = 0; depth < 32 && !field.hasKey("/T") && field.getKey("/Parent").isDictionary(); ++depth)
                field = field.getKey("/Parent");
            auto& [name, pages] = fields[field.getObjGen()];
            name = QPDFFormFieldObjectHelper(field).getFullyQualifiedName();
            pages += (pages.empty() ? "" : ",") + std::to_string(n);
        }
        for (auto& terminal : form.getFormFields()) {
            const auto annots = form.getAnnotationsForField(terminal);
            if (std::none_of(annots.begin(), annots.end(),
                             [&](auto& w) { return placed.count(w.getObjectHandle().getObjGen()) != 0; }))
                fields[terminal.getObjectHandle().getObjGen()].first = terminal.getFullyQualifiedName() + " (no page)";
        }
    });
    std::vector<std::string> lines;
    for (const auto& [og, field] : fields) {
        const auto widgets = field.second.empty() ? 0 : 1 + std::ranges::count(field.second, ',');
        lines.push_back(field.first + ": " + std::to_string(widgets) + " widget(s) on page(s) " + field.second);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> AppearancesOf(const std::string& path, const std::string& field, const std::string& state)
{
    return ReadWithQpdf(path, "appearances", "/Widget", [&](QPDF& pdf, auto& widgets, std::vector<std::string>& data) {
        QPDFAcroFormDocumentHelper form(pdf);
        for (auto& [n, widget] : widgets) {
            const bool named = form.getFieldForAnnotation(widget).getFullyQualifiedName() == field;
            QOH stream = named ? widget.getAppearanceStream("/N", state) : QOH::newNull();
            if (stream.isStream()) {
                auto buffer = stream.getStreamData();
                data.emplace_back(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
            }
        }
    });
}

namespace {

std::string Roman(long long n)
{
    static const std::pair<int, const char*> kDigits[]
        = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
           {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    std::string text;
    for (const auto& [value, digits] : kDigits)
        for (; n >= value; n -= value)
            text += digits;
    return text;
}

// A page's label from its label dictionary, as viewers show it: letters go A..Z, AA..ZZ, AAA...
std::string LabelText(QOH label)
{
    const std::string style = label.getKey("/S").isName() ? label.getKey("/S").getName() : "";
    const long long number = label.getKey("/St").isInteger() ? label.getKey("/St").getIntValue() : 1;
    std::string digits;
    if (style == "/D")
        digits = std::to_string(number);
    else if (style == "/R" || style == "/r")
        digits = Roman(number);
    else if (style == "/A" || style == "/a")
        digits
            = std::string(static_cast<std::size_t>((number - 1) / 26 + 1), static_cast<char>('a' + (number - 1) % 26));
    else if (!style.empty())
        digits = "?" + style; // a style no viewer knows
    if (style == "/R" || style == "/A")
        std::transform(digits.begin(), digits.end(), digits.begin(),
                       [](char c) { return static_cast<char>(std::toupper(c)); });
    return (label.getKey("/P").isString() ? label.getKey("/P").getUTF8Value() : "") + digits;
}

} // namespace

std::vector<std::string> LabelsOf(const std::string& path)
{
    return ReadWithQpdf(path, "page labels", nullptr, [](QPDF& pdf, auto&, std::vector<std::string>& labels) {
        QPDFPageLabelDocumentHelper helper(pdf);
        const auto pages = static_cast<long long>(pdf.getAllPages().size());
        for (long long page = 0; helper.hasPageLabels() && page < pages; ++page) {
            // qpdf's helper gives the dictionary of the range the page is in, its /St moved on to the page.
            QOH label = helper.getLabelForPage(page);
            labels.push_back(label.isDictionary() ? LabelText(label) : std::to_string(page + 1));
        }
    });
}

std::vector<std::string> DestsOf(const std::string& path)
{
    const auto [status, ended, out, err] = RunChild({"pdfinfo", "-dests", path});
    EXPECT_EQ(status, 0) << path << "\n" << err;
    std::vector<std::string> dests;
    // "   3 [ XYZ   72  700 null ] "name"" under a heading line.
    const std::regex line(R"re(^\s*(\d+)\s+\[[^\]]*\]\s+"(.*)"\s*$)re");
    std::istringstream in(out);
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (std::regex_match(text, m, line))
            dests.push_back(m[2].str() + " -> " + m[1].str());
    }
    std::sort(dests.begin(), dests.end());
    return dests;
}

std::vector<std::string> LinksOf(const std::string& path)
{
    return ReadWithQpdf(path, "links", "/Link", [](QPDF& pdf, auto& links, std::vector<std::string>& lines) {
        for (auto& [n, link] : links) {
            QOH a = link.getObjectHandle(), dest = a.getKey("/Dest");
            if (dest.isNull() && a.getKey("/A").isDictionary())
                dest = a.getKey("/A").getKey("/D");
            std::string name;
            if (dest.isString()) {
                name = " (" + dest.getUTF8Value() + ")";
                QOH names = pdf.getRoot().getKey("/Names");
                QOH found;
                if (!names.isDictionary()
                    || !QPDFNameTreeObjectHelper(names.getKey("/Dests"), pdf).findObject(dest.getUTF8Value(), found))
                    found = QOH::newNull();
                dest = found.isDictionary() ? found.getKey("/D") : found;
            } else if (dest.isName()) {
                name = " (/" + dest.getName().substr(1) + ")";
                dest = pdf.getRoot().getKey("/Dests").isDictionary()
                    ? pdf.getRoot().getKey("/Dests").getKey(dest.getName())
                    : QOH::newNull();
            }
            const bool paged = dest.isArray() && dest.getArrayNItems() > 0;
            lines.push_back(std::to_string(n) + " -> " + (paged ? PageOf(pdf, dest.getArrayItem(0)) : "-") + name);
        }
    });
}

std::vector<std::string> Pages(const std::vector<std::tuple<std::string, int, int>>& spans)
{
    std::vector<std::string> texts;
    for (const auto& [tag, from, to] : spans)
        for (int p = from; p <= to; ++p)
            texts.push_back(tag + " page " + std::to_string(p));
    return texts;
}

void ExpectSound(const std::string& path, const std::vector<std::string>& pages,
                 const std::optional<std::vector<std::string>>& outline)
{
    std::string log;
    EXPECT_TRUE(QpdfCheckPasses(path, &log)) << path << "\n" << log;
    EXPECT_EQ(PdfInfo(path)["Pages"], std::to_string(pages.size())) << path;
    EXPECT_EQ(PageTexts(path), pages) << path;
    EXPECT_EQ(outline ? OutlineOf(path) : std::vector<std::string> {}, outline.value_or(std::vector<std::string> {}))
        << path;
}

} // namespace quire::fixtures
