// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/FieldMessages.h"

#include "model/NumberFormat.h"

namespace {

std::string entry(const char* what) {
    return std::string("Please enter ") + what + ".";
}

std::string entryBetween(const char* what, double low, double high) {
    return std::string("Please enter ") + what + " between " + fmt::dialogNumber(low) + " and " +
           fmt::dialogNumber(high) + ".";
}

} // namespace

std::string integerEntryMessage(double low, double high) {
    return entryBetween("an integer", low, high);
}

std::string integerEntryMessage() {
    return entry("an integer");
}

std::string numberEntryMessage(double low, double high) {
    return entryBetween("a number", low, high);
}

std::string numberEntryMessage() {
    return entry("a number");
}

std::string textLengthMessage(int maxLength) {
    return "Please enter no more than " + fmt::integer(maxLength) + " characters.";
}
