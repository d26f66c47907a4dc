// SPDX-License-Identifier: Apache-2.0
#pragma once

// The parsed document behind a PdfReader. Private to the PDF layer: only its .cpp files include
// this header, so qpdf stays out of every other header.

#include "engine/FileIdentity.h"
#include "engine/PdfReader.h"
#include "engine/private/NamedDestinations.h"
#include "engine/private/PageLabels.h"

#include <qpdf/ClosedFileInputSource.hh>
#include <qpdf/PDFVersion.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFLogger.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pdf {

// Where a destination leads: a 1-based page of this document and the rest of the destination
// array (the view: /XYZ left top zoom, /Fit, /FitH top ...).
struct Target
{
    int page = 0;
    std::vector<QPDFObjectHandle> view;

    // The view as text: names without their slash, numbers as written, anything else "null"
    // ("XYZ 72 700 null", "Fit", "FitH 700").
    std::string ViewText() const;
};

// qpdf prints some warnings about objects that belong to no document straight to its default
// logger's stderr; the layer collects warnings and never prints. Silences that logger once.
void SilenceQpdfDefaultLogger();

enum class DocumentRole { Source, Output };

// Frees `document` now; or, when the process asked for it (PdfReader::LeaveLatestDocumentsToExit),
// keeps it as the latest of its role until the process ends and frees the one it replaces.
void Dispose(std::shared_ptr<QPDF> document, DocumentRole role);

struct PdfReader::Impl
{
    ~Impl();

    std::string path;
    std::shared_ptr<ClosedFileInputSource> input; // null for a source parsed from memory
    std::int64_t inMemoryBytes = 0; // the size of a source parsed from memory
    std::shared_ptr<QPDF> qpdf;
    std::vector<QPDFObjectHandle> pages; // the page objects in order
    std::optional<FileIdentity> identity; // the file as it was when it was read
    std::vector<std::string> warnings;
    PDFVersion version;
    bool closed = false;
    // Whether the password given was the owner's; unknown until asked for a file opened with the key
    // its user password unlocks, which keeps the password (wiped with the reader) to find out.
    std::optional<bool> ownerMatched;
    std::string password;
    // Whether a page of it may nest too deeply to copy without CopyDepth's walk; worked out once.
    std::optional<bool> mayNestTooDeeply;
    // Its page labels and named destinations, read once (by the first PdfCopy that takes its pages):
    // a split into single pages would otherwise read them once per page.
    std::optional<SourceLabels> labels;
    std::optional<SourceDestinations> destinations;

    // The 1-based number of the page object `page`, or 0 when it is not a page of this document.
    int PageNumberOf(QPDFObjectHandle page);

    // Resolves an outline item's or link annotation's destination: /Dest, else an /A GoTo action;
    // names through the catalog's /Dests, strings through the /Names /Dests tree, << /D [...] >>
    // values unwrapped. Nothing when it does not lead to a page of this document.
    std::optional<Target> ResolveItem(QPDFObjectHandle item);
    std::optional<Target> ResolveDestination(QPDFObjectHandle dest);

    // Reopens the file around every read from now on, so the reader holds no descriptor.
    void ReleaseDescriptor();
    // Keeps one descriptor open across reads until ReleaseDescriptor().
    void HoldDescriptor();

    // Moves the parsed document and every handle into it out of this reader and returns them as one
    // object: destroying that object (at once, when the result is dropped) frees the document. What stays is the path,
    // the identity and the input, all that an output whose pages were copied from here needs to be written.
    std::shared_ptr<void> TakeParsed();

private:
    std::optional<std::map<QPDFObjGen, int>> m_pageNumbers;
    std::optional<std::unique_ptr<QPDFNameTreeObjectHelper>> m_destTree;
};

} // namespace pdf
