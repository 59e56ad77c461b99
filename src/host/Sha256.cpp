#include "host/Sha256.h"

#include <array>
#include <stdexcept>

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  include <windows.h>
#  include <bcrypt.h>
#else
#  include <openssl/evp.h>
#endif

namespace text {

namespace {

constexpr std::size_t kDigestBytes = 32;
using Digest = std::array<unsigned char, kDigestBytes>;

[[noreturn]] void Fail()
{
    throw std::runtime_error("the system could not compute a SHA-256");
}

#if defined(_WIN32)

Digest Compute(std::string_view bytes)
{
    Digest digest{};
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    // Open, hash, finish, close: the calls every Windows since Vista has (and wine too). The
    // length is a ULONG; a config file is capped far below that.
    bool ok = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
              BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0)) &&
              BCRYPT_SUCCESS(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())), static_cast<ULONG>(bytes.size()), 0)) &&
              BCRYPT_SUCCESS(BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    if (hash != nullptr) {
        BCryptDestroyHash(hash);
    }
    if (algorithm != nullptr) {
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    if (!ok) {
        Fail();
    }
    return digest;
}

#else

Digest Compute(std::string_view bytes)
{
    Digest digest{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 || length != kDigestBytes) {
        Fail();
    }
    return digest;
}

#endif

}  // namespace

std::string Sha256Hex(std::string_view bytes)
{
    constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(kDigestBytes * 2);
    for (const unsigned char byte : Compute(bytes)) {
        hex.push_back(kHex[byte >> 4]);
        hex.push_back(kHex[byte & 0x0F]);
    }
    return hex;
}

}  // namespace text
