#pragma once

#include <string>
// The C interface's rows of ostrel-qr-bench (CApiBench.cpp).

namespace ostrel::bench {

// Registers the CApi/, Class/ and Heap/capi|class rows.
void RegisterCApi();

// `ostrel-qr-bench --driver=PATH:NAME:N` (PATH capi or class): N symbols of the C interface's
// input NAME through that path and nothing else, for callgrind (see docs/performance.md); the
// exit status is 0 when every call made a symbol.
int RunDriver(const std::string& path, const std::string& name, long calls);

} // namespace ostrel::bench
