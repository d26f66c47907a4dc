// SPDX-License-Identifier: Apache-2.0
#pragma once

// PDF files for tests, built in code with qpdf, and the second readers that check what a test
// wrote (qpdf --check, pdfinfo, pdftotext as child processes; qpdf's own outline, form and page label
// helpers in process, which share no code with the engine's own readers).
//
// Every page of a fixture shows one line of real text in Helvetica, "<tag> page <n>", so
// PageTexts() tells which source page ended up where. Link with the `quire_test_pdf` library.
//
//   quire::fixtures::PdfDesc desc;
//   desc.tag = "A";
//   desc.pages = 10;
//   desc.outline = quire::fixtures::OnePerPage(10);   // "Chapter 1" -> page 1, ...
//   quire::fixtures::WritePdf(dir + "/a.pdf", desc);
//   EXPECT_EQ(quire::fixtures::PageTexts(dir + "/a.pdf")[2], "A page 3");

#include "tests/support/TempDir.h"

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

class QPDF;

namespace quire::fixtures {

// How an outline item (or link) names its target:
// - Explicit: /Dest [page /XYZ 72 720 0]
// - OldDests: /Dest /name, resolved through the catalog's /Dests dictionary ([page /Fit])
// - NameTree: /Dest (name), resolved through the /Names /Dests tree ([page /FitH 700])
// - NameTreeDict: as NameTree, the tree's value being << /D [page /Fit] >>
// - GoToAction: /A << /S /GoTo /D [page /Fit] >>
// - Uri: /A << /S /URI /URI (https://example.com/) >>; `page` is ignored
// - None: no target at all: a heading
// Actions that lead off the document (`page` is ignored):
// - Named: /A << /S /Named /N /NextPage >>
// - RemoteGoTo: /A << /S /GoToR /F (other.pdf) /D [0 /Fit] /NewWindow true >>
// - Launch: /A << /S /Launch /F << /Type /Filespec /F (run.sh) >> >>
// - Script: /A << /S /JavaScript /JS (app.alert\(1\);) >>
// - ScriptStream: as Script, the script "app.alert(2);" in a (compressed) stream
// - ScriptLoop: an indirect JavaScript action running "go();" whose /Next is itself
// - HugeScript: a JavaScript action whose stream decodes to 4 MiB
enum class DestKind {
    Explicit,
    OldDests,
    NameTree,
    NameTreeDict,
    GoToAction,
    Uri,
    None,
    Named,
    RemoteGoTo,
    Launch,
    Script,
    ScriptStream,
    ScriptLoop,
    HugeScript
};

struct OutlineDesc
{
    std::string title; // UTF-8; written in PDFDocEncoding where it can be, else as UTF-16BE
    int page = 0; // 1-based target page; 0 with any kind but Uri means no target
    DestKind kind = DestKind::Explicit;
    std::vector<OutlineDesc> kids;
    bool open = true; // /Count positive (open) or negative (closed) on items with kids
    bool bold = false;
    bool red = false; // /C [1 0 0]
    // With kind NameTree or OldDests: the item leads to this destination of PdfDesc::namedDests
    // instead of one made for it.
    std::string name {};
};

// An outline item in one expression: Item("Chapter 1", 1), Item("Part", 0, DestKind::None, {...}).
inline OutlineDesc Item(const std::string& title, int page, DestKind kind = DestKind::Explicit,
                        std::vector<OutlineDesc> kids = {})
{
    return {title, page, kind, std::move(kids)};
}

// - Text: /FT /Tx with value `value`
// - CheckBox: /FT /Btn, states /Yes and /Off
// - Radio: /FT /Btn radio group; one button per entry of `pages`, states /B1, /B2, ...
enum class FieldKind { Text, CheckBox, Radio };

struct FieldDesc
{
    FieldKind kind = FieldKind::Text;
    std::string name;
    // One widget per entry, on that 1-based page. More than one entry makes one field with widgets
    // on several pages (a radio group: several buttons).
    std::vector<int> pages = {1};
    std::string value {};
};

struct LinkDesc
{
    int fromPage = 1; // the page the link sits on
    int toPage = 1; // the page it leads to
    DestKind kind = DestKind::Explicit; // Explicit, GoToAction or NameTree
    std::string name {}; // as OutlineDesc::name
};

// Pages from `firstPage` (1-based) on show `prefix` and their number in `style` ("D", "R", "r", "A",
// "a"; empty: no number; anything else is written as given, an invalid style) counting from `start`.
struct LabelDesc
{
    int firstPage = 1;
    std::string style = "D";
    std::string prefix {};
    int start = 1;
};

// A named destination to `page`: in the /Names /Dests tree ([page /XYZ 72 700 null]), or with
// `oldStyle` in the catalog's /Dests dictionary ([page /Fit]).
struct NamedDestDesc
{
    std::string name;
    int page = 1;
    bool oldStyle = false;
};

// A layer (optional-content group) named `name`: page `page` shows "<name> layer" inside it.
struct LayerDesc
{
    std::string name;
    int page = 1;
    bool hidden = false; // off in the default configuration
};

// The encryption a fixture with a password is written with: AES-256 revision 6 and the deprecated
// revision 5, AES-128 (revision 4), RC4 128-bit (revision 3), RC4 40-bit (revision 2).
enum class Encryption { Aes256, Aes256R5, Aes128, Rc4_128, Rc4_40 };

struct PdfDesc
{
    std::string tag = "doc"; // pages show "<tag> page <n>"; keep it free of parentheses and backslashes
    int pages = 1;
    std::vector<OutlineDesc> outline {}; // empty: no /Outlines in the catalog (unless emptyOutline)
    bool emptyOutline = false; // an /Outlines dictionary without items
    bool outlineLoop = false; // the last top-level item's /Next points back at the first
    bool kidLoop = false; // the first item's first kid's /Next points back at that kid
    std::vector<FieldDesc> fields {};
    std::vector<LinkDesc> links {};
    std::map<std::string, std::string> info {}; // document information, e.g. {"Title", "Report"}
    std::string xmp {}; // non-empty: the bytes of the catalog's /Metadata stream (XmpPacketOf makes a packet)
    std::string userPassword {}; // non-empty: needs this password to open
    std::string ownerPassword {}; // non-empty alone: encrypted, opens without a password
    Encryption encryption = Encryption::Aes256; // with either password: no printing, extraction or assembly
    std::string version = "1.4";
    std::vector<LabelDesc> labels {}; // empty: no /PageLabels
    std::vector<NamedDestDesc> namedDests {};
    // Changes the built document before it is written: for structures no field here describes.
    std::function<void(QPDF&)> finish {};
    std::vector<LayerDesc> layers {}; // non-empty: /OCProperties with these groups, /Order in this order
    bool layersBaseOff = false; // /BaseState /OFF, the layers not hidden listed in /ON
    std::vector<std::vector<int>> radioLayers {}; // /RBGroups: indexes into `layers`
    // Non-empty: the /OCProperties written instead, as PDF text in which G0, G1, ... stand for the
    // layers' groups, P1 for the first page and LOOP for an array that holds G1 and itself.
    std::string layersText {};
};

// An XMP packet in its xpacket wrapper; `properties` continue the start tag of its rdf:Description,
// whose dc, pdf, xmp, xmpMM and pdfaid namespaces are declared: more attributes, then ">" and any
// elements (` q:A="1">`, ` xmlns:q="..." q:A="1"><dc:title>...</dc:title>`).
std::string XmpPacketOf(const std::string& properties);

// Writes the described file (fails the calling test through ADD_FAILURE when it cannot).
void WritePdf(const std::string& path, const PdfDesc& desc);

// A flat outline with one item per page: "<prefix> <n>" -> page n, explicit destinations.
std::vector<OutlineDesc> OnePerPage(int pages, const std::string& prefix = "Chapter");

// A sound file whose startxref points nowhere: qpdf opens it by rebuilding the cross-reference table.
void WriteRepairablePdf(const std::string& path, const std::string& tag, int pages);
// A PDF whose only cross-reference is a stream and whose startxref is wrong: qpdf cannot recover it.
void WriteDamagedPdf(const std::string& path);
// The first half of a sound PDF with object streams.
void WriteTruncatedPdf(const std::string& path);
// A page tree whose second entry is the number 42 instead of a page (qpdf still counts 2 pages).
void WriteBrokenPageTreePdf(const std::string& path);
// One page showing "Chain page 1" whose dictionary holds a chain of `depth` indirect arrays, each
// holding the next: qpdf copies such a chain by recursing once per link.
void WriteReferenceChainPdf(const std::string& path, int depth);
// One page showing "Tree page 1" under a page tree of `depth` nested /Pages nodes.
void WriteDeepPageTreePdf(const std::string& path, int depth);
// A text file named like a PDF.
void WriteNotPdf(const std::string& path);

// A test with its own folder, and fixtures made in it.
class FolderTest : public TempDirTest
{
protected:
    // `name` in the folder (its folders made), whose pages show "<stem> page <n>"; `outline` gives it
    // "<stem> <n>" -> page n.
    std::string Make(const std::string& name, int pages, bool outline = false, PdfDesc desc = {});
};

// ---- other programs ----

struct ChildResult
{
    int exitCode = -1; // -1 when it did not exit normally
    int signal = 0; // the signal that ended it, if any; SIGALRM at the time limit
    std::string out {};
    std::string err {};
};

struct ChildOptions
{
    std::chrono::seconds limit {120};
    std::string workingDir {}; // empty: the caller's
    bool bStderrOnTerminal = false; // a pseudo-terminal as stderr; it holds a few kilobytes only
    long long fileSizeLimit = -1; // RLIMIT_FSIZE in bytes; negative: inherited
    int umask = -1; // negative: inherited
    // Runs on a second thread with the child's pid; the child is not reaped before it returns.
    std::function<void(pid_t)> whileRunning {};
};

// Runs `argv` (argv[0] found on PATH unless it holds a '/') with stdin from /dev/null, no blocked
// signals and the default action for every end signal, whatever the test runner set; kills it at
// the limit.
ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options = {});

// Whether the child `pid` has ended, without reaping it.
bool HasEnded(pid_t pid);
// Whether `signal` is in the mask `field` ("SigCgt", "SigIgn", "SigPnd", ...) of the process's /proc status.
bool InSignalMask(pid_t pid, const std::string& field, int signal);

// ---- reading back with a second tool ----

// `qpdf --check` exits 0 (warnings, exit 3, count as failure). `log` receives its output.
bool QpdfCheckPasses(const std::string& path, std::string* log = nullptr);

// `exiftool -j -G1 -a` of the PDF and XMP groups as "group:tag" -> value ("PDF:Title",
// "XMP-dc:Title", "XMP-xmpMM:DocumentID", ...); values that are lists joined by ", ". Empty when
// exiftool fails.
std::map<std::string, std::string> ExifToolTags(const std::string& path);

// `pdfinfo -enc UTF-8` as key -> value ("Pages" -> "12", "Title" -> "...", "Creator" -> ...);
// empty when pdfinfo fails.
std::map<std::string, std::string> PdfInfo(const std::string& path);

// `pdftotext -layout`, one entry per page, each trimmed of surrounding white space.
std::vector<std::string> PageTexts(const std::string& path);

// The outline as qpdf's own outline helper reads it: one line per item, two spaces of indent per
// level, "<title> -> <page>" (1-based; "-" when the item has no page). Only for files without loops.
std::vector<std::string> OutlineOf(const std::string& path);

// The form's terminal fields as "<full name>: <n> widget(s) on page(s) p,q", sorted by name.
std::vector<std::string> FieldsOf(const std::string& path);

// The decoded data of the normal appearance `state` of every widget of the field named `field`, in
// page order.
std::vector<std::string> AppearancesOf(const std::string& path, const std::string& field, const std::string& state);

// Each page's label as qpdf's page label helper reads the /PageLabels tree ("iv", "A-3", "7"); the page
// number for a page without a label, nothing when the file has no labels.
std::vector<std::string> LabelsOf(const std::string& path);

// The named destinations `pdfinfo -dests` lists, as "<name> -> <page>", sorted by name.
std::vector<std::string> DestsOf(const std::string& path);

// The link annotations as "<from page> -> <to page>" (to page "-" when the target is not a page of the
// file), followed by " (name)" for a link by name, in page order.
std::vector<std::string> LinksOf(const std::string& path);

// The outline items' actions as qpdf's outline helper reads them: one line per item in outline
// order, "<title>: <the /A dictionary as qpdf writes it, references resolved>" ("-" without /A).
std::vector<std::string> OutlineActionsOf(const std::string& path);

// The optional content of a file as qpdf reads it; groups by their /Name.
struct LayersRead
{
    std::vector<std::string> groups; // /OCGs
    std::vector<std::string> off; // /D /OFF
    std::vector<std::string> radio; // /D /RBGroups, each "A B"
    std::string order; // /D /Order: "A [(label) B C]"
    std::vector<std::string> pageGroups; // per page, the groups its /Properties resources name; "?" for
                                         // an object that is not one of /OCGs
    bool present = false; // the catalog has /OCProperties
};
LayersRead LayersOf(const std::string& path);

// What spans of fixture pages show: {{"A", 3, 5}, {"B", 1, 1}} gives "A page 3" ... "A page 5", "B page 1".
std::vector<std::string> Pages(const std::vector<std::tuple<std::string, int, int>>& spans);

// The checks every written output goes through: qpdf --check passes, pdfinfo counts the pages
// pdftotext shows as `pages`, and when given, qpdf reads `outline` as its outline.
void ExpectSound(const std::string& path, const std::vector<std::string>& pages,
                 const std::optional<std::vector<std::string>>& outline = {});

} // namespace quire::fixtures
