// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Messages.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

// Shared by the fuzz harnesses: each turns the fuzzer's bytes into the text a
// reader takes, runs the reader and stops the run when an invariant breaks.

namespace fuzz {

inline std::string text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

/// A stream over the bytes, opened the way the readers open their files.
inline std::istringstream stream(std::string_view bytes) {
    return std::istringstream(std::string(bytes), std::ios::in | std::ios::binary);
}

/// Takes the first byte off `bytes` (0 when there is none), for harnesses
/// whose reader needs a count beside the file.
inline int takeByte(std::string_view& bytes) {
    if (bytes.empty())
        return 0;
    const auto value = static_cast<unsigned char>(bytes.front());
    bytes.remove_prefix(1);
    return value;
}

/// The bytes cut at their first `cuts` form feeds, for harnesses that read
/// several files from one input: `cuts` + 1 parts, or nothing when there
/// are fewer form feeds.
inline std::optional<std::vector<std::string_view>> formFeedParts(std::string_view bytes,
                                                                  std::size_t cuts) {
    std::vector<std::string_view> parts;
    while (parts.size() < cuts) {
        const std::size_t cut = bytes.find('\f');
        if (cut == std::string_view::npos)
            return std::nullopt;
        parts.push_back(bytes.substr(0, cut));
        bytes.remove_prefix(cut + 1);
    }
    parts.push_back(bytes);
    return parts;
}

/// Stops the run with `what` when `condition` is false: libFuzzer then keeps
/// the input that broke the invariant.
inline void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

/// Counts the messages a reader shows; a reader must show at most one.
class CountingMessages : public MessageSink {
public:
    void showMessage(const std::string& caption, const std::string& text) override {
        require(caption == errorCaption, "every message is an error message");
        require(!text.empty(), "a message says something");
        ++m_count;
    }
    int count() const { return m_count; }

private:
    int m_count = 0;
};

} // namespace fuzz
