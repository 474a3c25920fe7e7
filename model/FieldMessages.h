// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The standard messages a dialog shows when a control's text fails its check
// during a value transfer, shared by every dialog so the user meets one
// wording everywhere. They name what is allowed, not the control: the focus
// moves to the failing control, which says which one it is.

/// The caption of these messages: the application's own message box, not a
/// validation "Error Message".
inline constexpr const char* fieldMessageCaption = "Marrow";

/// "Please enter an integer between 10 and 100000."
std::string integerEntryMessage(double low, double high);
/// "Please enter an integer." (no bounds)
std::string integerEntryMessage();

/// "Please enter a number between 0 and 100."
std::string numberEntryMessage(double low, double high);
/// "Please enter a number." (no bounds)
std::string numberEntryMessage();

/// "Please enter no more than 8 characters."
std::string textLengthMessage(int maxLength);
