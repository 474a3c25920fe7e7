// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engines/EngineStart.h"

#include <QString>

#include <optional>
#include <vector>

/// Stands in for starting a process: keeps every request and starts
/// nothing, answering with `failure` (none: started).
class RecordingStarter : public ProcessStarter {
public:
    std::optional<QString> startDetached(const Request& request) override {
        requests.push_back(request);
        return failure;
    }
    std::vector<Request> requests;
    std::optional<QString> failure;
};
