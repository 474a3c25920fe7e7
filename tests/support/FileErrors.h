// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/FileError.h"

#include <string>

/// The message of the `FileError` that `read()` throws; empty when it reads
/// without one.
template <class Read> std::string errorOf(Read read) {
    try {
        read();
    } catch (const FileError& error) {
        return error.message();
    }
    return {};
}
