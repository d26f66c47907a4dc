// SPDX-License-Identifier: Apache-2.0
#include "engine/PdfCopy.h"
#include "engine/FileIdentity.h"
#include "engine/OutputFile.h"
#include "engine/PathSplit.h"
#include "engine/PdfReader.h"
#include "engine/XmpPacket.h"
#include "engine/private/NamedDestinations.h"
#include "engine/private/ObjectDepth.h"
#include "engine/private/OptionalContent.h"
#include "engine/private/OutlineAction.h"
#include "engine/private/PageLabels.h"
#include "engine/private/PdfReaderImpl.h"

#include <algorithm>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFFormFieldObjectHelper.hh>
#include <qpdf/QPDFMatrix.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pdf {

namespace {

// Outputs of fewer objects are written without object streams (see Impl::Write).
constexpr std::size_t kMinObjectsForStreams = 32;

// How many sources may keep their descriptor open while the output is written: a quarter of the
// process's descriptor limit, at most 200. Beyond it each read reopens its file, so a merge of
// thousands of files stays within the limit; below it the write saves an open and a close per stream.
std::size_t HoldOpenLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 200;
    return std::min<std::size_t>(200, static_cast<std::size_t>(limit.rlim_cur / 4));
}

// The end of qpdf's writer: every byte goes to the output file, which checks every write.
class OutputPipeline : public Pipeline
{
public:
    explicit OutputPipeline(quire::OutputFile& file)
        : Pipeline("output", nullptr)
        , m_file(file)
    { }
    void write(unsigned char const* data, size_t len) override { m_file.Write(data, len); }
    void finish() override { }

private:
    quire::OutputFile& m_file;
};

bool IsAscii(const std::string& text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// A PDF text string: plain when ASCII, else UTF-16BE with its byte order mark.
QPDFObjectHandle TextString(const std::string& utf8)
{
    return IsAscii(utf8) ? QPDFObjectHandle::newString(utf8) : QPDFObjectHandle::newString(QUtil::utf8_to_utf16(utf8));
}

// The blank-separated words of `text`. Called for every outline entry and link, so no stream.
std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i == text.size())
            return words;
        const std::size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        words.push_back(text.substr(start, i - start));
    }
}

// A destination array [page /View args...]. A view whose name or number of arguments does not fit
// becomes /Fit, which shows the whole page instead of guessing a position.
QPDFObjectHandle MakeDestination(QPDFObjectHandle page, const std::string& viewText)
{
    static const std::map<std::string, std::size_t> kArgs
        = {{"XYZ", 3}, {"Fit", 0}, {"FitH", 1}, {"FitV", 1}, {"FitR", 4}, {"FitB", 0}, {"FitBH", 1}, {"FitBV", 1}};
    QPDFObjectHandle dest = QPDFObjectHandle::newArray();
    dest.appendItem(page);
    const std::vector<std::string> words = Words(viewText);
    std::vector<QPDFObjectHandle> args;
    bool usable = !words.empty();
    if (usable) {
        auto known = kArgs.find(words[0]);
        usable = known != kArgs.end() && known->second == words.size() - 1;
    }
    for (std::size_t i = 1; usable && i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "null") {
            args.push_back(QPDFObjectHandle::newNull());
            continue;
        }
        const bool numeric = !w.empty() && w.find_first_not_of("+-.0123456789") == std::string::npos
            && w.find_first_of("0123456789") != std::string::npos;
        if (!numeric) {
            usable = false;
            break;
        }
        args.push_back(w.find('.') != std::string::npos ? QPDFObjectHandle::newReal(w)
                                                        : QPDFObjectHandle::newInteger(QUtil::string_to_ll(w.c_str())));
    }
    if (!usable) {
        dest.appendItem(QPDFObjectHandle::newName("/Fit"));
        return dest;
    }
    dest.appendItem(QPDFObjectHandle::newName("/" + words[0]));
    for (auto& a : args)
        dest.appendItem(a);
    return dest;
}

int Visible(const BookmarkList& list)
{
    int n = 0;
    for (const Bookmark& b : list) {
        ++n;
        auto open = b.fields.find("Open");
        if (!b.kids.empty() && open != b.fields.end() && open->second == "true")
            n += Visible(b.kids);
    }
    return n;
}

bool IsWidgetOnly(QPDFObjectHandle node)
{
    return !node.hasKey("/T") && !node.hasKey("/Kids");
}

// Drops from a copied field the widgets that are not on any copied page (qpdf copies a field with
// all its kids, also those on pages outside the range); returns whether anything is left.
bool KeepPlacedWidgets(QPDFObjectHandle node, const std::set<QPDFObjGen>& placed, int depth)
{
    QPDFObjectHandle kids = node.getKey("/Kids");
    if (!kids.isArray()) {
        QPDFObjectHandle subtype = node.getKey("/Subtype");
        const bool widget = subtype.isName() && subtype.getName() == "/Widget";
        return !widget || (node.isIndirect() && placed.count(node.getObjGen()) != 0);
    }
    if (depth > 32)
        return true;
    QPDFObjectHandle kept = QPDFObjectHandle::newArray();
    for (QPDFObjectHandle kid : kids.aitems()) {
        if (!kid.isDictionary())
            continue;
        const bool keep = IsWidgetOnly(kid) ? kid.isIndirect() && placed.count(kid.getObjGen()) != 0
                                            : KeepPlacedWidgets(kid, placed, depth + 1);
        if (keep)
            kept.appendItem(kid);
    }
    if (kept.getArrayNItems() != kids.getArrayNItems())
        node.replaceKey("/Kids", kept);
    return kept.getArrayNItems() > 0;
}

std::string FieldName(QPDFObjectHandle field)
{
    return QPDFFormFieldObjectHelper(field).getFullyQualifiedName();
}

// The (source annotation, its copy) pairs of one page.
using AnnotationPairs = std::vector<std::pair<QPDFObjectHandle, QPDFObjectHandle>>;

// The annotation dictionaries of pages [from, to] of `src`, per page; `all` receives them all in order.
std::vector<std::vector<QPDFObjectHandle>> CollectAnnotations(PdfReader::Impl& src, int from, int to,
                                                              QPDFObjectHandle& all)
{
    std::vector<std::vector<QPDFObjectHandle>> perPage;
    for (int p = from; p <= to; ++p) {
        std::vector<QPDFObjectHandle> annots;
        QPDFObjectHandle a = src.pages[static_cast<std::size_t>(p - 1)].getKey("/Annots");
        if (a.isArray()) {
            for (QPDFObjectHandle& x : a.aitems()) {
                // qpdf skips anything but dictionaries; filtering here keeps the indexes aligned.
                if (x.isDictionary()) {
                    annots.push_back(x);
                    all.appendItem(x);
                }
            }
        }
        perPage.push_back(std::move(annots));
    }
    return perPage;
}

// Leaves each copied field in `fields` once, with only the widgets that are among `annots`.
void KeepPlacedFieldsOnce(std::vector<QPDFObjectHandle>& fields, std::vector<QPDFObjectHandle>& annots)
{
    // A widget shared by several pages of the range comes back once per page; its field
    // must still be added once.
    std::set<QPDFObjGen> seenFields;
    fields.erase(
        std::remove_if(fields.begin(), fields.end(),
                       [&](QPDFObjectHandle& f) { return f.isIndirect() && !seenFields.insert(f.getObjGen()).second; }),
        fields.end());
    std::set<QPDFObjGen> placed;
    for (auto& a : annots) {
        if (a.isIndirect())
            placed.insert(a.getObjGen());
    }
    for (auto& f : fields)
        KeepPlacedWidgets(f, placed, 0);
}

} // namespace

struct PdfCopy::Impl
{
    Document& document;
    std::string outputPath;
    std::shared_ptr<QPDF> out;
    std::unique_ptr<QPDFAcroFormDocumentHelper> outForm;
    std::unique_ptr<OptionalContent> layers;
    std::vector<std::shared_ptr<PdfReader::Impl>> sources;
    std::set<PdfReader::Impl*> sourceSet;
    // Per source, the objects qpdf has copied from it into this output, as CopyDepth sees them.
    std::map<PdfReader::Impl*, ObjGenSet> reserved;
    std::vector<QPDFObjectHandle> outPages;
    PDFVersion version {1, 3};
    BookmarkList outlines;
    std::vector<std::string> renamed;
    std::vector<std::string> warnings;
    PageLabels labels;
    NamedDestinations destinations;
    // The named destinations the current AddPages took, by source name, for its links.
    std::map<std::string, NamedTarget> takenNames;
    bool written = false;
    // Set when qpdf failed halfway through copying a form: see ~Impl.
    bool formCopyFailed = false;
    // The source whose encryption the output takes over, kept parsed until the write.
    std::shared_ptr<QPDF> encryptionSource;
    std::optional<quire::Protection> protection;
    quire::SyncBatch* syncBatch = nullptr;

    Impl(Document& doc, std::string path)
        : document(doc)
        , outputPath(std::move(path))
        , out(QPDF::create())
    {
        SilenceQpdfDefaultLogger();
        out->setSuppressWarnings(true);
        out->emptyPDF();
        layers = std::make_unique<OptionalContent>(*out);
    }

    ~Impl()
    {
        // NOTE: when qpdf 11.3 gives up halfway through copying a damaged form it leaves objects
        // behind that make its destructor read a null pointer. A document in that state is kept
        // alive until the process ends: a little memory lost on a damaged file beats a crash.
        if (formCopyFailed) {
            static std::mutex graveyardMutex;
            static auto* graveyard = new std::vector<std::shared_ptr<QPDF>>();
            const std::lock_guard<std::mutex> lock(graveyardMutex);
            graveyard->push_back(out);
            for (const auto& source : sources)
                graveyard->push_back(source->qpdf);
        } else {
            Dispose(std::move(out), DocumentRole::Output);
        }
    }

    // Gives the copied pages [from, to] (the first at outPages[base]) the source's annotations and
    // its form fields on them, and points their internal links at the copied pages.
    void CopyAnnotations(PdfReader::Impl& src, int from, int to, std::size_t base, bool hasForm);
    // Takes the layers of `src` that pages [from, to] use (see OptionalContent::AddSource); a source
    // whose layers cannot be read keeps its pages and loses its layers, with a warning.
    void CopyLayers(PdfReader::Impl& src, int from, int to, const std::string& label);
    // Copies the form of the pages with their annotations and pairs each annotation with its copy;
    // false, with `pairs` left empty, when the form could not be copied: the pages then keep the
    // annotations that came along with them.
    bool CopyForm(PdfReader::Impl& src, int from, int to, std::size_t base, std::vector<AnnotationPairs>& pairs);
    // The copies of the annotations in `all`, in order; their fields are in the output's form.
    std::vector<QPDFObjectHandle> TransformAnnotations(PdfReader::Impl& src, QPDFObjectHandle all);
    // Adds `fields` to the output's form, renaming those whose name is taken; records the renames.
    void AddAndRenameFields(std::vector<QPDFObjectHandle>& fields);
    // Puts `copies` in place of each page's annotations (`perPage`) and pairs them with the originals.
    void PlaceCopies(const std::vector<std::vector<QPDFObjectHandle>>& perPage,
                     const std::vector<QPDFObjectHandle>& copies, std::size_t base,
                     std::vector<AnnotationPairs>& pairs);
    // Without a form copy the annotations came along with the pages: pairs them by position.
    void PairByPosition(PdfReader::Impl& src, int from, int to, std::size_t base, std::vector<AnnotationPairs>& pairs);
    void FixLinks(PdfReader::Impl& src, int from, int to, std::size_t base, std::size_t index,
                  const AnnotationPairs& pairs);
    // Takes the page labels and named destinations of pages [from, to] of `src`, now at `base`.
    void TakeLabelsAndDestinations(PdfReader::Impl& src, int from, int to, std::size_t base);
    // The destination `link` names, when the current AddPages took it and it leads to `page`.
    const NamedTarget* TakenName(QPDFObjectHandle link, int page) const;
    void WriteOutline();
    void WriteLabelsAndDestinations();
    void AddItems(QPDFObjectHandle parent, const BookmarkList& list);
    void WriteInfo();
    void WriteMetadata(const std::string& isoDate);
    // Fails when a source changed or vanished since it was read; only the sources read from their
    // files (not from memory) with `onlyReadFromFile`.
    void VerifySources(bool onlyReadFromFile = false) const;
    std::string Write(bool backup, const quire::WriteFault& fault, const std::vector<std::string>& sourcePaths);
};

PdfCopy::PdfCopy(Document& document, std::string outputPath)
    : m_impl(std::make_unique<Impl>(document, std::move(outputPath)))
{ }

PdfCopy::~PdfCopy() = default;

void PdfCopy::CheckOutputPath(const std::string& outputPath, const std::vector<std::string>& sourcePaths)
{
    if (outputPath.empty())
        throw PdfError(PdfError::Kind::Refused, outputPath, "no output file is given", "No output file is given.");
    // NOTE: one stat of the output serves every check of it: a split calls this for each of
    // thousands of parts.
    struct stat target
    {
    };
    const bool exists = ::stat(outputPath.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode))
        throw PdfError::Make(PdfError::Kind::Refused, outputPath, "is a folder; give the name of a file to write");
    if (exists && !S_ISREG(target.st_mode))
        quire::OutputFile::CheckTarget(outputPath);
    const std::string folder = quire::PathLocation(outputPath);
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
        throw PdfError::Make(PdfError::Kind::Unwritable, outputPath, "its folder does not exist");
    // The file is written beside its target and renamed, so it is the folder that must be writable.
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0)
        throw PdfError::Make(PdfError::Kind::Unwritable, outputPath, "its folder is not writable");
    if (!exists)
        return;
    for (const std::string& source : sourcePaths) {
        struct stat st
        {
        };
        if (::stat(source.c_str(), &st) == 0 && st.st_dev == target.st_dev && st.st_ino == target.st_ino)
            throw PdfError::Make(PdfError::Kind::Refused, outputPath,
                                 "is one of the source files and would be overwritten; choose another output file");
    }
}

int PdfCopy::AddPages(const PdfReader& reader, int from, int to, const std::string& layerLabel)
{
    const std::shared_ptr<PdfReader::Impl>& src = reader.impl();
    from = std::max(from, 1);
    to = std::min(to, static_cast<int>(src->pages.size()));
    if (from > to)
        return 0;
    if (m_impl->sourceSet.insert(src.get()).second)
        m_impl->sources.push_back(src);
    const bool wasClosed = src->closed;
    if (wasClosed)
        src->HoldDescriptor();
    const std::size_t base = m_impl->outPages.size();
    try {
        m_impl->version.updateIfGreater(src->version);
        QPDFPageDocumentHelper outDoc(*m_impl->out);
        const bool hasForm = src->qpdf->getRoot().getKey("/AcroForm").isDictionary();
        // NOTE: every page is measured before any is copied: qpdf's copy recurses once per nested
        // object, and a hostile file would otherwise overflow the stack inside it.
        ObjGenSet& reserved = m_impl->reserved[src.get()];
        if (!src->mayNestTooDeeply)
            src->mayNestTooDeeply = MayNestDeeperThan(*src->qpdf, src->pages.size(), kMaxCopyDepth);
        for (int p = from; p <= to && *src->mayNestTooDeeply; ++p) {
            if (CopyDepth(src->pages[static_cast<std::size_t>(p - 1)], reserved, kMaxCopyDepth) > kMaxCopyDepth)
                throw PdfError::Make(PdfError::Kind::Damaged, src->path,
                                     "page " + std::to_string(p) + " holds objects nested more than "
                                         + std::to_string(kMaxCopyDepth) + " levels deep");
        }
        for (int p = from; p <= to; ++p) {
            // NOTE: the page's annotations come along here and are copied once more by the form
            // transform below. Leaving them off the page to save that copy is not safe: when the
            // transform then fails on a damaged form, qpdf 11.3 is left with half-copied objects
            // that crash it when the output is destroyed.
            outDoc.addPage(QPDFPageObjectHelper(src->pages[static_cast<std::size_t>(p - 1)]), false);
            // QPDF::getAllPages() is qpdf's own cache, updated by addPage: taking its last entry is
            // O(1), where the page helper would build a new vector on every call.
            m_impl->outPages.push_back(m_impl->out->getAllPages().back());
        }
        m_impl->TakeLabelsAndDestinations(*src, from, to, base);
        m_impl->CopyAnnotations(*src, from, to, base, hasForm);
        m_impl->CopyLayers(*src, from, to, layerLabel);
    } catch (...) {
        if (wasClosed)
            src->ReleaseDescriptor();
        RethrowAsPdfError(src->path);
    }
    if (wasClosed)
        src->ReleaseDescriptor();
    return to - from + 1;
}

void PdfCopy::Impl::TakeLabelsAndDestinations(PdfReader::Impl& src, int from, int to, std::size_t base)
{
    // NOTE: both are read here, not at Close, because ReleaseParsed frees the source's document once
    // its pages are in; what is kept is plain data.
    if (!src.labels) {
        src.labels = PageLabels::Read(*src.qpdf, static_cast<int>(src.pages.size()));
        if (src.labels->damaged)
            warnings.push_back("the page labels of " + src.path + " are damaged; those that could be read were kept");
    }
    labels.Add(src.labels->ranges, from, to, static_cast<int>(base));
    if (!src.destinations) {
        src.destinations = NamedDestinations::Read(src);
        if (src.destinations->damaged)
            warnings.push_back("the named destinations of " + src.path
                               + " are damaged; those that could be read were kept");
    }
    takenNames = destinations.Add(src.destinations->targets, from, to, base);
}

void PdfCopy::Impl::CopyAnnotations(PdfReader::Impl& src, int from, int to, std::size_t base, bool hasForm)
{
    // Pairs of (source annotation, its copy) per copied page, for the link fix-up below.
    std::vector<AnnotationPairs> pairs(static_cast<std::size_t>(to - from + 1));
    if (!hasForm || !CopyForm(src, from, to, base, pairs))
        PairByPosition(src, from, to, base, pairs);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (!pairs[i].empty())
            FixLinks(src, from, to, base, i, pairs[i]);
    }
}

void PdfCopy::Impl::CopyLayers(PdfReader::Impl& src, int from, int to, const std::string& label)
{
    try {
        layers->AddSource(src, from, to, label, reserved[&src], kMaxCopyDepth);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        warnings.push_back("the layers of " + src.path + " could not be copied: " + e.what());
    }
}

bool PdfCopy::Impl::CopyForm(PdfReader::Impl& src, int from, int to, std::size_t base,
                             std::vector<AnnotationPairs>& pairs)
{
    try {
        // NOTE: one transform for the whole range, not one per page: each transform has its own
        // copy map, so per-page copies would split a field with widgets on several pages into
        // several fields.
        QPDFObjectHandle all = QPDFObjectHandle::newArray();
        const std::vector<std::vector<QPDFObjectHandle>> perPage = CollectAnnotations(src, from, to, all);
        if (all.getArrayNItems() > 0)
            PlaceCopies(perPage, TransformAnnotations(src, all), base, pairs);
        return true;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        // The pages are in, with the annotations copied along with them; only the form is lost.
        // Say so rather than fail the whole job.
        formCopyFailed = true;
        warnings.push_back("the form of " + src.path + " could not be copied: " + e.what());
        for (auto& p : pairs)
            p.clear();
        return false;
    }
}

std::vector<QPDFObjectHandle> PdfCopy::Impl::TransformAnnotations(PdfReader::Impl& src, QPDFObjectHandle all)
{
    if (!outForm)
        outForm = std::make_unique<QPDFAcroFormDocumentHelper>(*out);
    QPDFAcroFormDocumentHelper srcForm(*src.qpdf);
    std::vector<QPDFObjectHandle> newAnnots;
    std::vector<QPDFObjectHandle> newFields;
    std::set<QPDFObjGen> oldFields;
    outForm->transformAnnotations(all, newAnnots, newFields, oldFields, QPDFMatrix(), src.qpdf.get(), &srcForm);
    if (newAnnots.size() != static_cast<std::size_t>(all.getArrayNItems()))
        throw std::runtime_error("the annotations could not be matched with their copies");
    KeepPlacedFieldsOnce(newFields, newAnnots);
    AddAndRenameFields(newFields);
    return newAnnots;
}

void PdfCopy::Impl::AddAndRenameFields(std::vector<QPDFObjectHandle>& fields)
{
    std::vector<std::string> before;
    for (auto& f : fields)
        before.push_back(FieldName(f));
    outForm->addAndRenameFormFields(fields);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string after = FieldName(fields[i]);
        if (after != before[i])
            renamed.push_back(before[i] + " -> " + after);
    }
}

void PdfCopy::Impl::PlaceCopies(const std::vector<std::vector<QPDFObjectHandle>>& perPage,
                                const std::vector<QPDFObjectHandle>& copies, std::size_t base,
                                std::vector<AnnotationPairs>& pairs)
{
    std::size_t k = 0;
    for (std::size_t i = 0; i < perPage.size(); ++i) {
        QPDFObjectHandle annots = QPDFObjectHandle::newArray();
        for (const auto& old : perPage[i]) {
            pairs[i].emplace_back(old, copies[k]);
            annots.appendItem(copies[k++]);
        }
        if (perPage[i].empty())
            outPages[base + i].removeKey("/Annots");
        else
            outPages[base + i].replaceKey("/Annots", annots);
    }
}

void PdfCopy::Impl::PairByPosition(PdfReader::Impl& src, int from, int to, std::size_t base,
                                   std::vector<AnnotationPairs>& pairs)
{
    for (int p = from; p <= to; ++p) {
        const std::size_t i = static_cast<std::size_t>(p - from);
        QPDFObjectHandle a = src.pages[static_cast<std::size_t>(p - 1)].getKey("/Annots");
        QPDFObjectHandle b = outPages[base + i].getKey("/Annots");
        if (!a.isArray() || !b.isArray() || a.getArrayNItems() != b.getArrayNItems())
            continue;
        const int n = a.getArrayNItems();
        for (int j = 0; j < n; ++j) {
            QPDFObjectHandle x = a.getArrayItem(j);
            if (x.isDictionary())
                pairs[i].emplace_back(x, b.getArrayItem(j));
        }
    }
}

const NamedTarget* PdfCopy::Impl::TakenName(QPDFObjectHandle link, int page) const
{
    if (takenNames.empty())
        return nullptr;
    QPDFObjectHandle dest = link.getKey("/Dest");
    if (dest.isNull() && link.getKey("/A").isDictionary())
        dest = link.getKey("/A").getKey("/D");
    std::string name;
    if (dest.isString())
        name = dest.getStringValue();
    else if (dest.isName())
        name = dest.getName().substr(1);
    else
        return nullptr;
    auto it = takenNames.find(name);
    // NOTE: a name in both the name tree and the old /Dests dictionary is kept once, from the tree;
    // a link that meant the other one, elsewhere, must not follow it.
    return it != takenNames.end() && it->second.page == page ? &it->second : nullptr;
}

void PdfCopy::Impl::FixLinks(PdfReader::Impl& src, int from, int to, std::size_t base, std::size_t index,
                             const AnnotationPairs& pairs)
{
    // qpdf copies a link to a page it has not copied yet with a null target: every forward link
    // would be dead. Each internal link is resolved in the source and pointed at the copy of its
    // page, or removed when that page is not part of this output.
    std::set<QPDFObjGen> drop;
    for (auto [old, copy] : pairs) {
        QPDFObjectHandle subtype = old.getKey("/Subtype");
        if (!subtype.isName() || subtype.getName() != "/Link" || !copy.isDictionary())
            continue;
        const bool hasDest = !old.getKey("/Dest").isNull();
        QPDFObjectHandle action = old.getKey("/A");
        QPDFObjectHandle kind = action.isDictionary() ? action.getKey("/S") : QPDFObjectHandle::newNull();
        const bool isGoTo = !hasDest && kind.isName() && kind.getName() == "/GoTo";
        if (!hasDest && !isGoTo)
            continue;
        auto target = src.ResolveItem(old);
        if (const NamedTarget* named = target ? TakenName(old, target->page) : nullptr) {
            // NOTE: the link keeps its name (the output's, after a rename) rather than a page,
            // because the output's name tree leads to the same page and view, and a name is what
            // someone who edits the file later recognises.
            QPDFObjectHandle link = copy;
            link.replaceKey("/Dest", QPDFObjectHandle::newString(named->name));
            link.removeKey("/A");
        } else if (target && target->page >= from && target->page <= to) {
            QPDFObjectHandle page = outPages[base + static_cast<std::size_t>(target->page - from)];
            QPDFObjectHandle dest = MakeDestination(page, target->ViewText());
            QPDFObjectHandle link = copy;
            link.replaceKey("/Dest", dest);
            link.removeKey("/A");
        } else if (copy.isIndirect()) {
            drop.insert(copy.getObjGen());
        } else {
            // A direct copy cannot be told apart in the page's list; without a target it does nothing.
            QPDFObjectHandle link = copy;
            link.removeKey("/Dest");
            link.removeKey("/A");
        }
    }
    if (drop.empty())
        return;
    QPDFObjectHandle page = outPages[base + index];
    QPDFObjectHandle annots = page.getKey("/Annots");
    if (!annots.isArray())
        return;
    QPDFObjectHandle kept = QPDFObjectHandle::newArray();
    for (QPDFObjectHandle& a : annots.aitems()) {
        if (!(a.isIndirect() && drop.count(a.getObjGen())))
            kept.appendItem(a);
    }
    page.replaceKey("/Annots", kept);
}

void PdfCopy::DeferSyncTo(quire::SyncBatch& batch)
{
    m_impl->syncBatch = &batch;
}

void PdfCopy::ReleaseParsed(const PdfReader& reader)
{
    const std::shared_ptr<PdfReader::Impl>& src = reader.impl();
    // NOTE: qpdf copies every object, scalars included, and reads a copied stream's data from the
    // source's input (kept by the reader's Impl) with its encryption parameters: the copies hold
    // nothing of the parsed document. Only a source stream whose data was replaced in memory would
    // be read through its document, and nothing here replaces any. The form transform copies each
    // annotation into the output first and makes its new appearance streams from those copies.
    if (m_impl->formCopyFailed || !src->qpdf || src.use_count() > 2)
        return;
    m_impl->reserved.erase(src.get());
    src->TakeParsed();
}

void PdfCopy::KeepProtectionOf(const PdfReader& reader)
{
    if (!reader.IsEncrypted())
        return;
    m_impl->protection.reset();
    m_impl->encryptionSource = reader.impl()->qpdf;
}

void PdfCopy::Protect(const quire::Protection& protection)
{
    m_impl->encryptionSource.reset();
    if (protection.IsSet())
        m_impl->protection = protection;
    else
        m_impl->protection.reset();
}

void PdfCopy::SetOutlines(BookmarkList outlines)
{
    m_impl->outlines = std::move(outlines);
}

int PdfCopy::LayerCount() const
{
    return m_impl->layers->Groups();
}

int PdfCopy::LayerSourceCount() const
{
    return m_impl->layers->Sources();
}

int PdfCopy::PageCount() const
{
    return static_cast<int>(m_impl->outPages.size());
}

const std::vector<std::string>& PdfCopy::RenamedFields() const
{
    return m_impl->renamed;
}

const std::vector<std::string>& PdfCopy::RenamedDestinations() const
{
    return m_impl->destinations.Renamed();
}

const std::vector<std::string>& PdfCopy::Warnings() const
{
    return m_impl->warnings;
}

void PdfCopy::Impl::WriteOutline()
{
    if (outlines.empty())
        return;
    QPDFObjectHandle root = out->makeIndirectObject(QPDFObjectHandle::newDictionary());
    root.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
    AddItems(root, outlines);
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(Visible(outlines)));
    out->getRoot().replaceKey("/Outlines", root);
}

void PdfCopy::Impl::WriteLabelsAndDestinations()
{
    QPDFObjectHandle root = out->getRoot();
    QPDFObjectHandle pageLabels = labels.Build();
    if (!pageLabels.isNull())
        root.replaceKey("/PageLabels", pageLabels);
    QPDFObjectHandle tree = destinations.Build(
        *out, [this](std::size_t page, const std::string& view) { return MakeDestination(outPages[page], view); });
    if (!tree.isNull()) {
        QPDFObjectHandle names = QPDFObjectHandle::newDictionary();
        names.replaceKey("/Dests", tree);
        root.replaceKey("/Names", names);
    }
}

void PdfCopy::Impl::AddItems(QPDFObjectHandle parent, const BookmarkList& list)
{
    std::vector<QPDFObjectHandle> items;
    items.reserve(list.size());
    for (const Bookmark& b : list) {
        QPDFObjectHandle item = out->makeIndirectObject(QPDFObjectHandle::newDictionary());
        auto title = b.fields.find("Title");
        item.replaceKey("/Title", TextString(title == b.fields.end() ? std::string() : title->second));
        item.replaceKey("/Parent", parent);
        const int page = b.Page();
        if (page >= 1 && page <= static_cast<int>(outPages.size())) {
            auto view = b.fields.find("View");
            item.replaceKey("/Dest",
                            MakeDestination(outPages[static_cast<std::size_t>(page - 1)],
                                            view == b.fields.end() ? std::string() : view->second));
        } else if (auto action = b.fields.find("Action"); action != b.fields.end() && action->second == "URI") {
            auto uri = b.fields.find("URI");
            QPDFObjectHandle a = QPDFObjectHandle::newDictionary();
            a.replaceKey("/S", QPDFObjectHandle::newName("/URI"));
            a.replaceKey("/URI", QPDFObjectHandle::newString(uri == b.fields.end() ? std::string() : uri->second));
            item.replaceKey("/A", a);
        } else if (QPDFObjectHandle a = OutlineAction::Make(b); a.isDictionary()) {
            item.replaceKey("/A", a);
        }
        if (auto color = b.fields.find("Color"); color != b.fields.end()) {
            const std::vector<std::string> rgb = Words(color->second);
            if (rgb.size() == 3) {
                QPDFObjectHandle c = QPDFObjectHandle::newArray();
                for (const auto& v : rgb)
                    c.appendItem(QPDFObjectHandle::newReal(v));
                item.replaceKey("/C", c);
            }
        }
        if (auto style = b.fields.find("Style"); style != b.fields.end()) {
            int flags = 0;
            if (style->second.find("italic") != std::string::npos)
                flags |= 1;
            if (style->second.find("bold") != std::string::npos)
                flags |= 2;
            if (flags)
                item.replaceKey("/F", QPDFObjectHandle::newInteger(flags));
        }
        if (!b.kids.empty()) {
            AddItems(item, b.kids);
            auto open = b.fields.find("Open");
            const int visible = Visible(b.kids);
            item.replaceKey(
                "/Count",
                QPDFObjectHandle::newInteger(open != b.fields.end() && open->second == "true" ? visible : -visible));
        }
        items.push_back(item);
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            items[i].replaceKey("/Prev", items[i - 1]);
        if (i + 1 < items.size())
            items[i].replaceKey("/Next", items[i + 1]);
    }
    if (!items.empty()) {
        parent.replaceKey("/First", items.front());
        parent.replaceKey("/Last", items.back());
    }
}

void PdfCopy::Impl::WriteInfo()
{
    QPDFObjectHandle info = out->makeIndirectObject(QPDFObjectHandle::newDictionary());
    for (const auto& [key, value] : document.Info())
        info.replaceKey("/" + key, TextString(value));
    const QUtil::QPDFTime time = QUtil::get_current_qpdf_time();
    const std::string now = QUtil::qpdf_time_to_pdf_time(time);
    info.replaceKey("/CreationDate", QPDFObjectHandle::newString(now));
    info.replaceKey("/ModDate", QPDFObjectHandle::newString(now));
    out->getTrailer().replaceKey("/Info", info);
    if (document.WritesMetadata())
        WriteMetadata(QUtil::qpdf_time_to_iso8601(time));
}

void PdfCopy::Impl::WriteMetadata(const std::string& isoDate)
{
    XmpPacket packet = document.MetadataBase().value_or(XmpPacket());
    packet.Describe(document.Info(), isoDate);
    // NOTE: the writer leaves a metadata stream uncompressed (and, when the output is encrypted,
    // encrypts it only as the source's /EncryptMetadata says), so that tools that do not parse PDF
    // still find the packet.
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(out.get(), packet.Serialize());
    QPDFObjectHandle dict = stream.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
    out->getRoot().replaceKey("/Metadata", stream);
}

void PdfCopy::Impl::VerifySources(bool onlyReadFromFile) const
{
    for (const auto& src : sources) {
        if (onlyReadFromFile && !src->input)
            continue;
        const auto now = FileIdentity::Of(src->path);
        if (!now || !src->identity || !(*now == *src->identity))
            throw PdfError::Make(PdfError::Kind::Changed, src->path,
                                 now ? "it was modified after it was read" : "it is no longer there");
    }
}

std::string PdfCopy::Close(bool backup, const quire::WriteFault& fault)
{
    Impl& d = *m_impl;
    if (d.written)
        return std::string();
    if (d.outPages.empty())
        throw PdfError::Make(PdfError::Kind::Refused, d.outputPath, "would have no pages; nothing was written");
    std::vector<std::string> paths;
    for (const auto& src : d.sources)
        paths.push_back(src->path);
    // NOTE: an output of a batch is checked when it cannot be created in place (see Write): a file
    // created where nothing was is no folder, no device and no source, and its folder is writable.
    if (!d.syncBatch)
        CheckOutputPath(d.outputPath, paths);
    try {
        d.WriteOutline();
        d.WriteLabelsAndDestinations();
        d.WriteInfo();
        if (d.layers->Sources() > 0) {
            d.layers->Write();
            // Optional content came with PDF 1.5; a source may claim less and still have it.
            d.version.updateIfGreater(PDFVersion(1, 5, 0));
        }
    } catch (const std::bad_alloc&) {
        throw PdfError::Make(PdfError::Kind::OutOfMemory, d.outputPath);
    } catch (const std::exception& e) {
        throw PdfError::Make(PdfError::Kind::Unwritable, d.outputPath, e.what());
    }
    // NOTE: a source read from a file would give blank pages once changed; one parsed from memory
    // cannot, and is checked after the write as every source is.
    d.VerifySources(true);
    const bool hold = d.sources.size() <= HoldOpenLimit();
    if (hold) {
        for (const auto& src : d.sources)
            src->HoldDescriptor();
    }
    std::string backupPath;
    try {
        backupPath = d.Write(backup, fault, paths);
    } catch (...) {
        for (const auto& src : d.sources)
            src->ReleaseDescriptor();
        throw;
    }
    for (const auto& src : d.sources)
        src->ReleaseDescriptor();
    d.written = true;
    d.document.Close();
    return backupPath;
}

std::string PdfCopy::Impl::Write(bool backup, const quire::WriteFault& fault,
                                 const std::vector<std::string>& sourcePaths)
{
    std::optional<quire::OutputFile> created;
    try {
        created.emplace(outputPath, outputPath, fault, quire::WriteFault::File::Output, syncBatch);
    } catch (const PdfError&) {
        // The checks name the cause more plainly than the system's reason does, when they find it.
        if (syncBatch)
            CheckOutputPath(outputPath, sourcePaths);
        throw;
    }
    quire::OutputFile& file = *created;
    if (syncBatch && !file.CreatedInPlace())
        CheckOutputPath(outputPath, sourcePaths);
    OutputPipeline pipeline(file);
    try {
        QPDFWriter writer(*out);
        writer.setOutputPipeline(&pipeline);
        writer.setMinimumPDFVersion(version);
        // NOTE: object streams save a few bytes per object but cost every file two compressed
        // streams and a second pass: for the handful of objects of a one-page part that is most of
        // the time spent writing it.
        writer.setObjectStreamMode(out->getObjectCount() >= kMinObjectsForStreams ? qpdf_o_generate : qpdf_o_disable);
        if (encryptionSource) {
            writer.copyEncryptionParameters(*encryptionSource);
        } else if (protection) {
            // Filling in forms and reading aloud stay allowed: only the owner may change the pages.
            const std::string owner
                = protection->ownerPassword.empty() ? protection->userPassword : protection->ownerPassword;
            writer.setR6EncryptionParameters(protection->userPassword.c_str(), owner.c_str(), true,
                                             protection->allowCopy, false, true, true, false,
                                             protection->allowPrint ? qpdf_r3p_full : qpdf_r3p_none, true);
        }
        writer.write();
    } catch (const PdfError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw PdfError::Make(PdfError::Kind::OutOfMemory, outputPath);
    } catch (const std::exception& e) {
        // qpdf may have wrapped a write failure of the output into an error of its own.
        file.ThrowIfFailed();
        // A source that vanished is the likelier cause than the output; name it when it is.
        VerifySources();
        throw PdfError::Make(PdfError::Kind::Unwritable, outputPath, e.what());
    }
    // NOTE: qpdf catches what a pipeline throws while it copies stream data and only warns; the
    // output file keeps its first failure, and Finish raises it whatever qpdf did with it.
    file.Finish();
    // NOTE: qpdf does not fail when a source cannot be read during the write: it warns and writes
    // empty page contents. A changed source, or any read failure, fails the job instead.
    VerifySources();
    for (const QPDFExc& w : out->getWarnings()) {
        if (w.getErrorCode() == qpdf_e_system)
            throw PdfError::Make(PdfError::Kind::Unreadable, w.getFilename().empty() ? outputPath : w.getFilename(),
                                 w.getMessageDetail());
        warnings.push_back(w.what());
    }
    return file.Commit(backup);
}

} // namespace pdf
