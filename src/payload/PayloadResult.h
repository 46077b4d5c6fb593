#pragma once

#include <string>
#include <utility>

namespace ostrel::payload {

// A payload built from fields, or why it cannot be: Error names the field at fault ("field
// 'ssid' is missing") and is empty on success, when Bytes holds the payload in UTF-8.
struct PayloadResult {
    std::string Bytes;
    std::string Error;

    bool Ok() const { return Error.empty(); }
    static PayloadResult Failure(std::string error) { return {{}, std::move(error)}; }
};

} // namespace ostrel::payload
