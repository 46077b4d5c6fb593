#include "WifiPayload.h"

#include <algorithm>
#include <array>

namespace ostrel::payload {

namespace {

constexpr std::array FieldRules{
    FieldRule{"ssid", FieldUse::Required},
    FieldRule{"password", FieldUse::Optional},
    FieldRule{"auth", FieldUse::Optional},
    FieldRule{"hidden", FieldUse::Optional},
};

// IEEE 802.11: an SSID is 0 to 32 octets (an empty one is the wildcard, not a network).
constexpr std::size_t MaxSsidOctets = 32;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

bool IsHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

// The key lengths the security modes accept: a WPA passphrase of 8 to 63 octets or a 256-bit
// key in 64 hexadecimal digits (IEEE 802.11 Annex J.4); a WEP key of 5 or 13 octets or 10 or 26
// hexadecimal digits (40- and 104-bit keys).
bool KeyFits(std::string_view auth, std::string_view key) {
    const std::size_t n = key.size();
    if (auth == "WPA") {
        return (n >= 8 && n <= 63) || (n == 64 && IsHex(key));
    }
    return n == 5 || n == 13 || ((n == 10 || n == 26) && IsHex(key));
}

} // namespace

std::span<const FieldRule> WifiPayload::Rules() {
    return FieldRules;
}

std::string WifiPayload::Escape(std::string_view value) {
    std::string escaped;
    escaped.reserve(value.size());
    for (const char c : value) {
        if (c == '\\' || c == ';' || c == ',' || c == '"' || c == ':') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

PayloadResult WifiPayload::Build(const PayloadFields& fields) {
    if (std::string error = fields.Check("wifi", FieldRules); !error.empty()) {
        return PayloadResult::Failure(std::move(error));
    }
    const std::string_view ssid = fields.Value("ssid");
    const std::string_view password = fields.Value("password");
    const std::string authName = Lower(fields.Value("auth"));
    const std::string hidden = Lower(fields.Value("hidden"));
    if (ssid.size() > MaxSsidOctets) {
        return PayloadResult::Failure(FieldError("ssid", "is longer than 32 octets"));
    }
    std::string auth;
    if (authName.empty() || authName == "wpa") {
        auth = "WPA";
    } else if (authName == "wep") {
        auth = "WEP";
    } else if (authName == "nopass") {
        auth = "nopass";
    } else {
        return PayloadResult::Failure(FieldError("auth", "must be WPA, WEP or nopass"));
    }
    if (auth == "nopass" && !password.empty()) {
        return PayloadResult::Failure(
            FieldError("password", "is given for an open network (auth nopass)"));
    }
    if (auth != "nopass" && !KeyFits(auth, password)) {
        return PayloadResult::Failure(FieldError(
            "password", auth == "WPA" ? "must be 8 to 63 octets or 64 hexadecimal digits for WPA"
                                      : "must be 5 or 13 octets or 10 or 26 hexadecimal digits "
                                        "for WEP"));
    }
    if (!hidden.empty() && hidden != "true" && hidden != "false") {
        return PayloadResult::Failure(FieldError("hidden", "must be true or false"));
    }
    std::string payload = "WIFI:T:" + auth + ";S:" + Escape(ssid) + ';';
    if (auth != "nopass") {
        payload += "P:" + Escape(password) + ';';
    }
    if (hidden == "true") {
        payload += "H:true;";
    }
    payload += ';';
    return {std::move(payload), {}};
}

} // namespace ostrel::payload
