// SPDX-License-Identifier: Apache-2.0
#include "engine/PdfError.h"

#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFSystemError.hh>

#include <cerrno>
#include <cstring>
#include <new>

namespace pdf {

PdfError PdfError::Make(Kind kind, const std::string& path, const std::string& reason)
{
    std::string sentence;
    switch (kind) {
    case Kind::Password:
        sentence = path + " needs a password";
        break;
    case Kind::WrongPassword:
        sentence = "The password does not open " + path;
        break;
    case Kind::NotPdf:
        sentence = path + " is not a PDF file";
        break;
    case Kind::Damaged:
        sentence = path + " is damaged beyond repair" + (reason.empty() ? "" : ": " + reason);
        break;
    case Kind::Unreadable:
        sentence = path + " cannot be read" + (reason.empty() ? "" : ": " + reason);
        break;
    case Kind::Unwritable:
        sentence = path + " cannot be written" + (reason.empty() ? "" : ": " + reason);
        break;
    case Kind::Changed:
        sentence = path + " changed or vanished while the job ran" + (reason.empty() ? "" : ": " + reason);
        break;
    case Kind::Refused:
        sentence = reason.empty() ? path + " was refused" : path + " " + reason;
        break;
    case Kind::OutOfMemory:
        sentence = path + " needs more memory than is available";
        break;
    case Kind::Internal:
        sentence = path + " could not be processed" + (reason.empty() ? "" : ": " + reason);
        break;
    }
    return PdfError(kind, path, reason, sentence);
}

namespace {

// qpdf's messages start with the file name and an offset ("/a.pdf (offset 12): xref not found");
// the sentence names the file already, so only the detail is kept.
std::string Detail(const QPDFExc& e)
{
    std::string detail = e.getMessageDetail();
    return detail.empty() ? std::string(e.what()) : detail;
}

std::string SystemReason(const QPDFSystemError& e)
{
    const int code = e.getErrno();
    return code != 0 ? std::string(std::strerror(code)) : std::string(e.what());
}

} // namespace

void RethrowAsPdfError(const std::string& path)
{
    try {
        throw;
    } catch (const PdfError&) {
        throw;
    } catch (const QPDFExc& e) {
        switch (e.getErrorCode()) {
        case qpdf_e_password:
            throw PdfError::Make(PdfError::Kind::Password, path);
        case qpdf_e_system:
            throw PdfError::Make(PdfError::Kind::Unreadable, path, Detail(e));
        default:
            throw PdfError::Make(PdfError::Kind::Damaged, path, Detail(e));
        }
    } catch (const QPDFSystemError& e) {
        throw PdfError::Make(PdfError::Kind::Unreadable, path, SystemReason(e));
    } catch (const std::bad_alloc&) {
        throw PdfError::Make(PdfError::Kind::OutOfMemory, path);
    } catch (const std::exception& e) {
        // qpdf raises plain runtime and logic errors for malformed objects it meets late (type
        // assertions, inconsistent structures); to the user that is a damaged file.
        throw PdfError::Make(PdfError::Kind::Damaged, path, e.what());
    } catch (...) {
        throw PdfError::Make(PdfError::Kind::Damaged, path, "unexpected failure");
    }
}

} // namespace pdf
