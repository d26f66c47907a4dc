// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/FileIdentity.h"
#include "engine/PdfError.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pdf {

// A source PDF file. Construction parses the file (repairing damage where qpdf can; warnings are
// collected, never printed) and throws PdfError when it cannot: "needs a password" (Password, no
// password given), "The password does not open <path>" (WrongPassword), "is not a PDF file", "is
// damaged beyond repair", "cannot be read: <reason>" (the system's reason: "Permission denied", ...).
// A file with only an owner password opens without one. A page tree nested deeper than
// kMaxPageTreeDepth levels is damaged: it is refused before qpdf's recursive walk could overflow the
// stack.
//
// A file of up to 32 MiB (while all such readers together hold less than 64 MiB) is read whole and
// parsed from memory; it holds no file descriptor at all. A bigger one is read through a source that
// opens the file around each read: Close() releases its descriptor; the parsed objects stay valid as
// long as any copy of the reader (or an output that took pages from it) still holds them, and the
// file is reopened on demand. Either way a job over thousands of files holds a bounded number of
// descriptors. Copies share one parsed document.
class PdfReader
{
public:
    // A page tree nested deeper than this is refused as damaged.
    static constexpr int kMaxPageTreeDepth = 1000;

    // `password` opens a protected file: its user or its owner password, RC4 40 and 128 bits, AES-128
    // and AES-256 (revisions 2 to 6). A non-ASCII password is tried as UTF-8 and, for the older
    // methods, which take PDFDocEncoding, in that encoding too. The reader keeps it in memory only,
    // and wipes it when the last copy of the reader goes.
    explicit PdfReader(const std::string& path, const std::string& password = std::string());
    ~PdfReader();
    PdfReader(const PdfReader&);
    PdfReader& operator=(const PdfReader&);

    const std::string& Path() const;
    int NumberOfPages() const;
    // The catalog's /Outlines entry resolves to a dictionary.
    bool HasOutline() const;
    // The catalog has an /AcroForm with at least one field.
    bool HasAcroForm() const;
    bool IsEncrypted() const;
    // The file is encrypted and was opened with its owner password, or its owner password is empty:
    // its protection may be removed.
    bool OwnerPasswordMatched() const;
    // "AES-256", "AES-128", "RC4 128-bit", "RC4 40-bit"; empty for a file that is not encrypted.
    std::string EncryptionMethod() const;
    // The document information as UTF-8 texts ("Title", "Author", "Subject", "Keywords", ...).
    std::map<std::string, std::string> Info() const;
    // The decoded data of the catalog's /Metadata stream (an XMP packet, unchecked); nothing when there
    // is none or its parsed document was released. A stream that cannot be decoded, or decodes to
    // more than XmpPacket::kMaxParsedBytes, gives an empty text, which no parser accepts.
    std::optional<std::string> XmpMetadata() const;
    // Repairs qpdf made while reading; empty for a sound file.
    const std::vector<std::string>& Warnings() const;
    bool WasRepaired() const { return !Warnings().empty(); }
    // The file on disk is still the one that was read (same device, inode, size, modification and
    // change time).
    bool IsUnchangedOnDisk() const;
    // The file as it was when it was read.
    std::optional<FileIdentity> Identity() const;
    void Close();

    // Files up to `bytes` are parsed from memory (default 32 MiB); 0 reads every file from disk.
    // Affects readers constructed afterwards.
    static void SetInMemoryLimit(std::int64_t bytes);

    // For a tool that ends right after its job: from now on the latest source document and the
    // latest written output are left for the end of the process to reclaim instead of being freed
    // object by object, which takes a sixth of a big merge or split; an earlier one is freed when a
    // later one takes its place. Not for a program that runs on: their memory would stay until it exits.
    static void LeaveLatestDocumentsToExit(bool leave);

    // The engine's own handle on the parsed document; opaque outside the PDF layer.
    struct Impl;
    const std::shared_ptr<Impl>& impl() const { return m_impl; }

private:
    void Open(const std::string& path, const std::string& password);

    std::shared_ptr<Impl> m_impl;
};

} // namespace pdf
