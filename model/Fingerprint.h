// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

/// The SHA-256 digest of `bytes` as 64 lower-case hexadecimal digits: a
/// fingerprint that tells two files apart whatever their size, so that
/// pieces of one analysis run on different machines can be checked to come
/// from the same input before they are put together.
std::string fingerprintOf(std::string_view bytes);

/// The fingerprint of a file's bytes, or nothing if it cannot be read.
std::optional<std::string> fileFingerprint(const std::filesystem::path& path);
