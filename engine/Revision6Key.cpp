// SPDX-License-Identifier: Apache-2.0
#include "engine/private/Revision6Key.h"

#include <openssl/evp.h>

#include <array>
#include <memory>

namespace pdf {

namespace {

// The algorithms, fetched once: OpenSSL 3 looks an algorithm up again on every implicit use.
struct Algorithms
{
    EVP_CIPHER* aes128cbc = EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr);
    EVP_CIPHER* aes256cbc = EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr);
    EVP_CIPHER* aes256ecb = EVP_CIPHER_fetch(nullptr, "AES-256-ECB", nullptr);
    EVP_MD* sha[3] = {EVP_MD_fetch(nullptr, "SHA256", nullptr), EVP_MD_fetch(nullptr, "SHA384", nullptr),
                      EVP_MD_fetch(nullptr, "SHA512", nullptr)};
    bool Ok() const { return aes128cbc && aes256cbc && aes256ecb && sha[0] && sha[1] && sha[2]; }
};

const Algorithms& Crypto()
{
    // Never freed: the algorithms serve every reader until the process ends.
    static const auto* algorithms = new Algorithms;
    return *algorithms;
}

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

const unsigned char* Bytes(const std::string& text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

// `in` through `cipher` without padding (`in` is a whole number of blocks); empty on failure.
std::string Crypt(EVP_CIPHER_CTX* ctx, const EVP_CIPHER* cipher, bool encrypt, const unsigned char* key,
                  const unsigned char* iv, const std::string& in)
{
    std::string out(in.size(), '\0');
    int length = 0;
    if (EVP_CipherInit_ex2(ctx, cipher, key, iv, encrypt ? 1 : 0, nullptr) != 1
        || EVP_CIPHER_CTX_set_padding(ctx, 0) != 1
        || EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &length, Bytes(in),
                            static_cast<int>(in.size()))
            != 1
        || length != static_cast<int>(in.size()))
        return std::string();
    return out;
}

std::string Digest(const EVP_MD* md, const std::string& in)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> out {};
    unsigned int length = 0;
    if (EVP_Digest(in.data(), in.size(), out.data(), &length, md, nullptr) != 1)
        return std::string();
    return std::string(reinterpret_cast<const char*>(out.data()), length);
}

// Algorithm 2.B: the hash of `password` with `salt` and `userKey` (the U entry for the owner's
// hashes, empty for the user's).
std::string Hash(const std::string& password, const std::string& salt, const std::string& userKey)
{
    const Algorithms& crypto = Crypto();
    const CipherContext ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!ctx)
        return std::string();
    std::string k = Digest(crypto.sha[0], password + salt + userKey);
    std::string k1;
    for (int round = 1; k.size() >= 32; ++round) {
        const std::string once = password + k + userKey;
        k1.clear();
        k1.reserve(once.size() * 64);
        for (int i = 0; i < 64; ++i)
            k1 += once;
        const std::string e = Crypt(ctx.get(), crypto.aes128cbc, true, Bytes(k), Bytes(k) + 16, k1);
        if (e.empty())
            return std::string();
        // The first 16 bytes as one big-endian number, modulo 3, is the sum of the bytes modulo 3.
        unsigned sum = 0;
        for (int i = 0; i < 16; ++i)
            sum += static_cast<unsigned char>(e[static_cast<std::size_t>(i)]);
        k = Digest(crypto.sha[sum % 3], e);
        if (round >= 64 && static_cast<unsigned char>(e.back()) <= round - 32)
            return k.substr(0, 32);
    }
    return std::string();
}

struct Entries
{
    std::string u, o, ue, oe, perms;
};

std::optional<Entries> Revision6(QPDFObjectHandle encrypt)
{
    if (!Crypto().Ok() || !encrypt.isDictionary() || !encrypt.getKey("/R").isInteger()
        || encrypt.getKey("/R").getIntValue() != 6)
        return std::nullopt;
    Entries entries;
    const std::pair<const char*, std::string*> keys[] = {
        {"/U", &entries.u}, {"/O", &entries.o}, {"/UE", &entries.ue}, {"/OE", &entries.oe}, {"/Perms", &entries.perms}};
    for (auto [key, value] : keys) {
        QPDFObjectHandle item = encrypt.getKey(key);
        if (!item.isString())
            return std::nullopt;
        *value = item.getStringValue();
    }
    if (entries.u.size() < 48 || entries.o.size() < 48 || entries.ue.size() < 32 || entries.oe.size() < 32
        || entries.perms.size() < 16)
        return std::nullopt;
    entries.u.resize(48);
    entries.o.resize(48);
    entries.ue.resize(32);
    entries.oe.resize(32);
    entries.perms.resize(16);
    return entries;
}

// Passwords of this handler are at most 127 bytes of UTF-8; qpdf cuts longer ones the same way.
std::string Cut(const std::string& password)
{
    return password.substr(0, 127);
}

// The file key from the intermediate key `hash`, when /Perms confirms it.
std::optional<std::string> FileKey(const Entries& entries, const std::string& hash, const std::string& wrapped)
{
    if (hash.size() != 32)
        return std::nullopt;
    const CipherContext ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!ctx)
        return std::nullopt;
    const std::array<unsigned char, 16> zero {};
    const std::string key = Crypt(ctx.get(), Crypto().aes256cbc, false, Bytes(hash), zero.data(), wrapped);
    if (key.size() != 32)
        return std::nullopt;
    const std::string perms = Crypt(ctx.get(), Crypto().aes256ecb, false, Bytes(key), nullptr, entries.perms);
    if (perms.size() != 16 || perms.compare(9, 3, "adb") != 0)
        return std::nullopt;
    return key;
}

} // namespace

std::optional<Revision6Key::Unlocked> Revision6Key::Unlock(QPDFObjectHandle encrypt, const std::string& password)
{
    const std::optional<Entries> entries = Revision6(encrypt);
    if (!entries)
        return std::nullopt;
    const std::string given = Cut(password);
    if (auto key = FileKey(*entries, Hash(given, entries->u.substr(40, 8), ""), entries->ue))
        return Unlocked {*key, false};
    if (auto key = FileKey(*entries, Hash(given, entries->o.substr(40, 8), entries->u), entries->oe))
        return Unlocked {*key, true};
    return std::nullopt;
}

bool Revision6Key::IsOwnerPassword(QPDFObjectHandle encrypt, const std::string& password)
{
    const std::optional<Entries> entries = Revision6(encrypt);
    return entries && Hash(Cut(password), entries->o.substr(32, 8), entries->u) == entries->o.substr(0, 32);
}

} // namespace pdf
