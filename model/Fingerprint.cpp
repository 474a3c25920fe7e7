// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Fingerprint.h"

#include "model/TextFiles.h"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

std::string fingerprintOf(std::string_view bytes) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    // EVP_Digest fails only when the library cannot allocate its context.
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available");
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0x0f];
    }
    return text;
}

std::optional<std::string> fileFingerprint(const std::filesystem::path& path) {
    const std::optional<std::string> bytes = readWholeFile(path);
    if (!bytes)
        return std::nullopt;
    return fingerprintOf(*bytes);
}
