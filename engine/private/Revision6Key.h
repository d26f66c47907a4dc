// SPDX-License-Identifier: Apache-2.0
#pragma once

// Private to the PDF layer (qpdf types in the interface).

#include <qpdf/QPDFObjectHandle.hh>

#include <optional>
#include <string>

namespace pdf {

// The file key of an AES-256 file with a revision 6 security handler, worked out as ISO 32000-2
// sets out (algorithms 2.A and 2.B) with OpenSSL's AES and SHA-2.
//
// NOTE: qpdf needs 7-8 ms per file to check a password and derive the key of such a file, most of
// what a merge of many protected files would spend; this takes one derivation instead of qpdf's
// two, each several times faster. qpdf then opens the file with the key.
class Revision6Key
{
public:
    struct Unlocked
    {
        std::string key; // the 32-byte file key
        bool owner = false; // unlocked as the owner password, not as the user password
    };

    // The key `password` unlocks, as the user password first, then as the owner password; checked
    // against the /Perms entry instead of the validation hashes. Nothing when `encrypt` is not a
    // revision 6 dictionary with all its entries, or when the password unlocks neither: the caller
    // leaves the file to qpdf's own checks then.
    static std::optional<Unlocked> Unlock(QPDFObjectHandle encrypt, const std::string& password);

    // Whether `password` is the owner password of the revision 6 dictionary `encrypt` (its
    // validation hash).
    static bool IsOwnerPassword(QPDFObjectHandle encrypt, const std::string& password);
};

} // namespace pdf
