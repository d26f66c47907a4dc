// SPDX-License-Identifier: Apache-2.0
#include "engine/PdfReader.h"
#include "engine/XmpPacket.h"
#include "engine/private/BoundedText.h"
#include "engine/private/ObjectDepth.h"
#include "engine/private/PdfReaderImpl.h"
#include "engine/private/Revision6Key.h"

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QUtil.hh>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <unistd.h>

namespace pdf {

namespace {

// The header version "major.minor" with the extension level. qpdf's own getVersionAsPDFVersion
// compiles a regular expression on every call, which costs more than reading a small file.
PDFVersion VersionOf(QPDF& qpdf)
{
    const std::string text = qpdf.getPDFVersion();
    int major = 0;
    int minor = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && major < 100; ++i)
        major = major * 10 + (text[i] - '0');
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9' && minor < 100; ++i)
            minor = minor * 10 + (text[i] - '0');
    }
    if (major == 0)
        return PDFVersion(1, 3);
    return PDFVersion(major, minor, qpdf.getExtensionLevel());
}

// NOTE: a big file read through the closed-file source pays a seek and a buffer refill for every
// object it resolves; splitting a 20,000-page file spent a tenth of its time there.
std::atomic<std::int64_t> g_inMemoryLimit {32 << 20};
// Bytes of sources held in memory by live readers, and the most they may hold together, so that a
// merge of thousands of middle-sized files does not read them all into memory.
std::atomic<std::int64_t> g_inMemoryBytes {0};
constexpr std::int64_t kInMemoryBudget = 64 << 20;
std::atomic<bool> g_leaveLatestToExit {false};

// A file whose first kilobyte carries no "%PDF-" header and that qpdf cannot read either is not a
// PDF at all; one with a header that qpdf cannot read is a damaged PDF. qpdf itself reads some
// headerless files by recovery, so the header alone decides nothing.
bool HasPdfHeader(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char head[1024];
    in.read(head, sizeof head);
    const std::string text(head, static_cast<std::size_t>(in.gcount()));
    return text.find("%PDF-") != std::string::npos;
}

// Reads exactly `size` bytes of `path`; a shorter file or a failed read is an Unreadable error with
// the system's reason.
void ReadWhole(const std::string& path, unsigned char* data, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw PdfError::Make(PdfError::Kind::Unreadable, path, std::strerror(errno));
    std::size_t done = 0;
    int error = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : 0;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (done < size)
        throw PdfError::Make(PdfError::Kind::Unreadable, path,
                             error != 0 ? std::strerror(error) : "it became shorter while it was read");
}

std::string WithoutTrailingNuls(std::string text)
{
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

} // namespace

void SilenceQpdfDefaultLogger()
{
    static const bool silenced = [] {
        std::shared_ptr<QPDFLogger> log = QPDFLogger::defaultLogger();
        log->setWarn(log->discard());
        log->setError(log->discard());
        return true;
    }();
    (void)silenced;
}

namespace {

// The forms of `password` to try: as given, then, when it is not ASCII, in PDFDocEncoding, which
// RC4 and AES-128 files take (AES-256 takes UTF-8).
std::vector<std::string> PasswordForms(const std::string& password)
{
    std::vector<std::string> forms {password};
    std::string pdfDoc;
    const bool ascii = std::all_of(password.begin(), password.end(), [](char c) { return (c & 0x80) == 0; });
    if (!ascii && QUtil::utf8_to_pdf_doc(password, pdfDoc) && pdfDoc != password)
        forms.push_back(pdfDoc);
    return forms;
}

} // namespace

PdfReader::PdfReader(const std::string& path, const std::string& password)
{
    const std::vector<std::string> forms = PasswordForms(password);
    for (std::size_t i = 0;; ++i) {
        try {
            m_impl = std::make_shared<Impl>();
            Open(path, forms[i]);
            return;
        } catch (const PdfError& e) {
            if (e.kind() != PdfError::Kind::Password)
                throw;
            if (i + 1 < forms.size())
                continue;
            if (password.empty())
                throw;
            throw PdfError::Make(PdfError::Kind::WrongPassword, path);
        }
    }
}

void PdfReader::Open(const std::string& path, const std::string& password)
{
    SilenceQpdfDefaultLogger();
    m_impl->path = path;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw PdfError::Make(PdfError::Kind::Unreadable, path, "it is a folder");
    m_impl->identity = FileIdentity::Of(path);
    if (!m_impl->identity)
        throw PdfError::Make(PdfError::Kind::Unreadable, path, std::strerror(errno));
    // A pipe or device would block the job or never end; only plain files are read.
    if (!std::filesystem::is_regular_file(path, ec))
        throw PdfError::Make(PdfError::Kind::Unreadable, path, "it is not a regular file");

    try {
        try {
            const std::int64_t size = m_impl->identity->Size();
            bool inMemory = false;
            if (size <= g_inMemoryLimit.load()) {
                inMemory = g_inMemoryBytes.fetch_add(size) + size <= kInMemoryBudget;
                if (inMemory)
                    m_impl->inMemoryBytes = size;
                else
                    g_inMemoryBytes.fetch_sub(size);
            }
            // NOTE: a small file is read whole and parsed from memory: parsing from the file costs a
            // seek and a read for every object, and the copy holds no descriptor at all.
            Buffer* bytes = nullptr;
            const auto openInput = [&](const std::string& key, bool isKey) {
                auto qpdf = QPDF::create();
                qpdf->setSuppressWarnings(true);
                qpdf->setPasswordIsHexKey(isKey);
                if (inMemory) {
                    auto buffer = std::make_unique<Buffer>(static_cast<std::size_t>(size));
                    if (bytes)
                        std::memcpy(buffer->getBuffer(), bytes->getBuffer(), static_cast<std::size_t>(size));
                    else
                        ReadWhole(path, buffer->getBuffer(), static_cast<std::size_t>(size));
                    bytes = buffer.get();
                    qpdf->processInputSource(std::make_shared<BufferInputSource>(path, buffer.release(), true),
                                             key.c_str());
                } else {
                    m_impl->input = std::make_shared<ClosedFileInputSource>(path.c_str());
                    m_impl->input->stayOpen(true);
                    qpdf->processInputSource(m_impl->input, key.c_str());
                }
                return qpdf;
            };
            // NOTE: the file is opened first with a key that unlocks nothing, which costs nothing more
            // for a file that is not encrypted. An AES-256 file is then opened with the key worked out
            // here (Revision6Key), any other encrypted file with the password, by qpdf.
            std::shared_ptr<QPDF> first;
            try {
                first = openInput("", true);
            } catch (...) {
                // A damaged file may need its real key to be read at all: qpdf decides, as below.
                bytes = nullptr;
            }
            if (!first) {
                m_impl->qpdf = openInput(password, false);
                m_impl->ownerMatched = m_impl->qpdf->ownerPasswordMatched();
            } else if (!first->isEncrypted()) {
                m_impl->qpdf = std::move(first);
            } else {
                const auto unlocked = Revision6Key::Unlock(first->getTrailer().getKey("/Encrypt"), password);
                if (unlocked) {
                    m_impl->qpdf = openInput(QUtil::hex_encode(unlocked->key), true);
                    m_impl->password = password;
                    if (unlocked->owner)
                        m_impl->ownerMatched = true;
                } else {
                    m_impl->qpdf = openInput(password, false);
                    m_impl->ownerMatched = m_impl->qpdf->ownerPasswordMatched();
                }
                first.reset();
            }
            // A missing catalog or a broken page tree only shows when first used: find out now, so
            // a file that cannot be used fails here and not halfway through a job.
            if (!m_impl->qpdf->getRoot().isDictionary())
                throw PdfError::Make(PdfError::Kind::Damaged, path, "it has no document catalog");
            // qpdf lists the pages recursively: a page tree nested deeper than any real one would
            // overflow the stack.
            if (PageTreeDepth(*m_impl->qpdf, kMaxPageTreeDepth) > kMaxPageTreeDepth)
                throw PdfError::Make(PdfError::Kind::Damaged, path,
                                     "its page tree is nested more than " + std::to_string(kMaxPageTreeDepth)
                                         + " levels deep");
            m_impl->pages = m_impl->qpdf->getAllPages();
            // qpdf lists a page tree entry that is not a dictionary as a page; copied, it would make
            // a broken page tree in every output.
            for (std::size_t i = 0; i < m_impl->pages.size(); ++i) {
                if (!m_impl->pages[i].isDictionary())
                    throw PdfError::Make(PdfError::Kind::Damaged, path,
                                         "page " + std::to_string(i + 1) + " is not a page object");
            }
            m_impl->version = VersionOf(*m_impl->qpdf);
            for (const QPDFExc& w : m_impl->qpdf->getWarnings())
                m_impl->warnings.push_back(w.getMessageDetail());
        } catch (...) {
            RethrowAsPdfError(path);
        }
    } catch (const PdfError& e) {
        m_impl->qpdf.reset();
        m_impl->input.reset();
        if (e.kind() == PdfError::Kind::Damaged && !HasPdfHeader(path))
            throw PdfError::Make(PdfError::Kind::NotPdf, path);
        throw;
    }
}

PdfReader::~PdfReader() = default;

PdfReader::Impl::~Impl()
{
    ::explicit_bzero(password.data(), password.size());
    g_inMemoryBytes.fetch_sub(inMemoryBytes);
    // The handles into the document go first, as they would without the hand-over.
    m_destTree.reset();
    pages.clear();
    Dispose(std::move(qpdf), DocumentRole::Source);
}

void Dispose(std::shared_ptr<QPDF> document, DocumentRole role)
{
    if (!document || !g_leaveLatestToExit.load())
        return;
    // Never destroyed: what they hold at the end is reclaimed with the process.
    static std::mutex latestMutex;
    static auto* latest = new std::shared_ptr<QPDF>[2];
    const std::lock_guard<std::mutex> lock(latestMutex);
    // The swap hands the one replaced to `document`, freed when this returns.
    std::swap(document, latest[role == DocumentRole::Source ? 0 : 1]);
}

void PdfReader::LeaveLatestDocumentsToExit(bool leave)
{
    g_leaveLatestToExit.store(leave);
}

void PdfReader::SetInMemoryLimit(std::int64_t bytes)
{
    g_inMemoryLimit.store(bytes);
}
PdfReader::PdfReader(const PdfReader&) = default;
PdfReader& PdfReader::operator=(const PdfReader&) = default;

const std::string& PdfReader::Path() const
{
    return m_impl->path;
}

int PdfReader::NumberOfPages() const
{
    return static_cast<int>(m_impl->pages.size());
}

bool PdfReader::HasOutline() const
{
    try {
        return m_impl->qpdf->getRoot().getKey("/Outlines").isDictionary();
    } catch (...) {
        RethrowAsPdfError(m_impl->path);
    }
}

bool PdfReader::HasAcroForm() const
{
    try {
        QPDFObjectHandle form = m_impl->qpdf->getRoot().getKey("/AcroForm");
        if (!form.isDictionary())
            return false;
        QPDFObjectHandle fields = form.getKey("/Fields");
        return fields.isArray() && fields.getArrayNItems() > 0;
    } catch (...) {
        RethrowAsPdfError(m_impl->path);
    }
}

bool PdfReader::IsEncrypted() const
{
    return m_impl->qpdf->isEncrypted();
}

bool PdfReader::OwnerPasswordMatched() const
{
    if (!m_impl->qpdf->isEncrypted())
        return false;
    // A file opened with its user password's key finds out here, once, whether that was the
    // owner's too: most readers are never asked.
    if (!m_impl->ownerMatched)
        m_impl->ownerMatched
            = Revision6Key::IsOwnerPassword(m_impl->qpdf->getTrailer().getKey("/Encrypt"), m_impl->password);
    return *m_impl->ownerMatched;
}

std::string PdfReader::EncryptionMethod() const
{
    int r = 0;
    int p = 0;
    int v = 0;
    QPDF::encryption_method_e stream = QPDF::e_none;
    QPDF::encryption_method_e string = QPDF::e_none;
    QPDF::encryption_method_e file = QPDF::e_none;
    if (!m_impl->qpdf->isEncrypted(r, p, v, stream, string, file))
        return std::string();
    // Before version 4 of the security handler RC4 is the only method and no crypt filter names it.
    if (v < 4)
        return r >= 3 ? "RC4 128-bit" : "RC4 40-bit";
    switch (stream) {
    case QPDF::e_aesv3:
        return "AES-256";
    case QPDF::e_aes:
        return "AES-128";
    case QPDF::e_rc4:
        return "RC4 128-bit";
    default:
        return v >= 5 ? "AES-256" : "an unknown method";
    }
}

std::map<std::string, std::string> PdfReader::Info() const
{
    std::map<std::string, std::string> info;
    try {
        QPDFObjectHandle dict = m_impl->qpdf->getTrailer().getKey("/Info");
        if (!dict.isDictionary())
            return info;
        for (auto [key, value] : dict.ditems()) {
            if (value.isString() && key.size() > 1)
                info[key.substr(1)] = WithoutTrailingNuls(value.getUTF8Value());
        }
    } catch (...) {
        RethrowAsPdfError(m_impl->path);
    }
    return info;
}

std::optional<std::string> PdfReader::XmpMetadata() const
{
    if (!m_impl->qpdf)
        return std::nullopt;
    try {
        QPDFObjectHandle stream = m_impl->qpdf->getRoot().getKey("/Metadata");
        if (!stream.isStream())
            return std::nullopt;
        BoundedText data(XmpPacket::kMaxParsedBytes);
        if (!stream.pipeStreamData(&data, 0, qpdf_dl_all, true, false))
            return std::string();
        return std::move(data.text);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        // NOTE: the packet is optional: a broken one costs the parts their copy of it, not the job.
        return std::string();
    }
}

const std::vector<std::string>& PdfReader::Warnings() const
{
    return m_impl->warnings;
}

bool PdfReader::IsUnchangedOnDisk() const
{
    const auto now = FileIdentity::Of(m_impl->path);
    return now && m_impl->identity && *now == *m_impl->identity;
}

std::optional<FileIdentity> PdfReader::Identity() const
{
    return m_impl->identity;
}

void PdfReader::Close()
{
    m_impl->ReleaseDescriptor();
    m_impl->closed = true;
}

std::string Target::ViewText() const
{
    std::string text;
    for (QPDFObjectHandle item : view) {
        if (!text.empty())
            text += ' ';
        if (item.isName())
            text += item.getName().substr(1);
        else if (item.isNumber())
            text += item.unparse();
        else
            text += "null";
    }
    return text;
}

int PdfReader::Impl::PageNumberOf(QPDFObjectHandle page)
{
    if (!m_pageNumbers) {
        // Built once per document: looking pages up one by one would make a big merge quadratic.
        m_pageNumbers.emplace();
        int n = 0;
        for (QPDFObjectHandle p : pages)
            m_pageNumbers->emplace(p.getObjGen(), ++n);
    }
    if (!page.isIndirect())
        return 0;
    auto it = m_pageNumbers->find(page.getObjGen());
    return it == m_pageNumbers->end() ? 0 : it->second;
}

std::optional<Target> PdfReader::Impl::ResolveItem(QPDFObjectHandle item)
{
    if (!item.isDictionary())
        return std::nullopt;
    QPDFObjectHandle dest = item.getKey("/Dest");
    if (dest.isNull()) {
        QPDFObjectHandle action = item.getKey("/A");
        if (!action.isDictionary())
            return std::nullopt;
        QPDFObjectHandle kind = action.getKey("/S");
        if (!kind.isName() || kind.getName() != "/GoTo")
            return std::nullopt;
        dest = action.getKey("/D");
    }
    return ResolveDestination(dest);
}

std::optional<Target> PdfReader::Impl::ResolveDestination(QPDFObjectHandle dest)
{
    // A name leads to a dictionary or array, a dictionary to its /D: a few hops at most, bounded so
    // that a value naming itself cannot loop.
    for (int hop = 0; hop < 4 && !dest.isArray(); ++hop) {
        if (dest.isName()) {
            QPDFObjectHandle dests = qpdf->getRoot().getKey("/Dests");
            if (!dests.isDictionary())
                return std::nullopt;
            dest = dests.getKey(dest.getName());
        } else if (dest.isString()) {
            if (!m_destTree) {
                m_destTree.emplace();
                QPDFObjectHandle names = qpdf->getRoot().getKey("/Names");
                QPDFObjectHandle tree = names.isDictionary() ? names.getKey("/Dests") : QPDFObjectHandle::newNull();
                if (tree.isDictionary())
                    m_destTree->reset(new QPDFNameTreeObjectHelper(tree, *qpdf));
            }
            if (!*m_destTree)
                return std::nullopt;
            QPDFObjectHandle found;
            try {
                if (!(*m_destTree)->findObject(dest.getUTF8Value(), found))
                    return std::nullopt;
            } catch (const std::exception&) {
                // qpdf throws on a loop in the name tree: the destination is then unusable.
                return std::nullopt;
            }
            dest = found;
        } else if (dest.isDictionary()) {
            dest = dest.getKey("/D");
        } else {
            return std::nullopt;
        }
    }
    if (!dest.isArray() || dest.getArrayNItems() < 1)
        return std::nullopt;
    Target target;
    QPDFObjectHandle first = dest.getArrayItem(0);
    if (first.isDictionary()) {
        target.page = PageNumberOf(first);
    } else if (first.isInteger()) {
        // Local destinations must name a page object, but some producers write a 0-based index.
        const long long index = first.getIntValue();
        if (index >= 0 && index < static_cast<long long>(pages.size()))
            target.page = static_cast<int>(index) + 1;
    }
    if (target.page == 0)
        return std::nullopt;
    const int n = dest.getArrayNItems();
    for (int i = 1; i < n; ++i)
        target.view.push_back(dest.getArrayItem(i));
    return target;
}

std::shared_ptr<void> PdfReader::Impl::TakeParsed()
{
    struct Parsed
    {
        std::shared_ptr<QPDF> qpdf;
        // Declared after the document so that they go first.
        std::vector<QPDFObjectHandle> pages;
        std::optional<std::unique_ptr<QPDFNameTreeObjectHelper>> destTree;
    };
    auto parsed = std::make_shared<Parsed>();
    parsed->qpdf = std::move(qpdf);
    parsed->pages = std::move(pages);
    parsed->destTree = std::move(m_destTree);
    qpdf.reset();
    pages.clear();
    m_destTree.reset();
    m_pageNumbers.reset();
    return parsed;
}

void PdfReader::Impl::ReleaseDescriptor()
{
    if (input)
        input->stayOpen(false);
}

void PdfReader::Impl::HoldDescriptor()
{
    if (input)
        input->stayOpen(true);
}

} // namespace pdf
