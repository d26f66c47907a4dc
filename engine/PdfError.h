// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace pdf {

// The one error the PDF layer raises. what() is a whole sentence that names the file and the reason
// ("/docs/a.pdf needs a password", "/docs/b.pdf is not a PDF file", "/docs/c.pdf is damaged beyond
// repair: ...", "/docs/d.pdf cannot be read: No such file or directory").
class PdfError : public std::runtime_error
{
public:
    enum class Kind {
        Password, // needs a password
        WrongPassword, // the password given does not open it
        NotPdf, // is not a PDF file
        Damaged, // is damaged beyond repair
        Unreadable, // cannot be read (OS error)
        Unwritable, // cannot be written
        Changed, // changed or vanished since it was read
        Refused, // the request itself is refused (same file as a source, no pages, ...)
        OutOfMemory, // ran out of memory
        Internal, // failed in a way the engine did not foresee
    };

    PdfError(Kind kind, std::string path, std::string reason, const std::string& sentence)
        : std::runtime_error(sentence)
        , m_kind(kind)
        , m_path(std::move(path))
        , m_reason(std::move(reason))
    { }

    // The error of `kind` for `path` with the sentence built from the kind's plain words and `reason`:
    // "<path> needs a password", "The password does not open <path>", "<path> is not a PDF file", "<path> is damaged
    // beyond repair: <reason>",
    // "<path> cannot be read: <reason>", "<path> cannot be written: <reason>", "<path> changed or vanished
    // while the job ran", "<path> <reason>" (Refused), "<path> needs more memory than is available",
    // "<path> could not be processed: <reason>" (Internal).
    static PdfError Make(Kind kind, const std::string& path, const std::string& reason = std::string());

    Kind kind() const { return m_kind; }
    const std::string& path() const { return m_path; }
    // The reason alone, without the file name.
    const std::string& reason() const { return m_reason; }

private:
    Kind m_kind;
    std::string m_path;
    std::string m_reason;
};

// Turns the exception being handled (qpdf's, the standard library's, std::bad_alloc, or a PdfError
// passed through unchanged) into a PdfError about `path`. Call it only inside a catch block.
[[noreturn]] void RethrowAsPdfError(const std::string& path);

} // namespace pdf
