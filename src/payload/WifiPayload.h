#pragma once

#include "PayloadFields.h"
#include "PayloadResult.h"

#include <string>
#include <string_view>

namespace ostrel::payload {

// A Wi-Fi login in the form phone cameras join networks from:
//   WIFI:T:<WPA|WEP|nopass>;S:<ssid>;P:<password>;H:true;;
// Fields: ssid (required, 1 to 32 octets, IEEE 802.11), password (WPA: 8 to 63 octets or 64
// hexadecimal digits; WEP: 5 or 13 octets or 10 or 26 hexadecimal digits; none for nopass),
// auth (WPA, WEP or nopass, any case; default WPA), hidden (true or false; H:true only for a
// hidden network).
class WifiPayload {
public:
    // The fields of the kind.
    static std::span<const FieldRule> Rules();

    static PayloadResult Build(const PayloadFields& fields);

    // A value with '\' ';' ',' '"' ':' each preceded by a backslash.
    static std::string Escape(std::string_view value);
};

} // namespace ostrel::payload
