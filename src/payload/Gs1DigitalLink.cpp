#include "Gs1DigitalLink.h"

#include "PercentEncoding.h"

#include <algorithm>
#include <array>

namespace ostrel::payload {

namespace {

// The primary keys of GS1 Digital Link and the qualifiers each takes on its path, in their order;
// alternative sequences split by '|'.
struct PrimaryKey {
    std::string_view Ai;
    const char* Qualifiers;
};
constexpr std::array kPrimaryKeys = {
    PrimaryKey{"00", ""},          PrimaryKey{"01", "22,10,21|235"},
    PrimaryKey{"253", ""},         PrimaryKey{"255", ""},
    PrimaryKey{"401", ""},         PrimaryKey{"402", ""},
    PrimaryKey{"414", "254|7040"}, PrimaryKey{"415", "8020"},
    PrimaryKey{"417", "7040"},     PrimaryKey{"8003", ""},
    PrimaryKey{"8004", "7040"},    PrimaryKey{"8006", "22,10,21"},
    PrimaryKey{"8010", "8011"},    PrimaryKey{"8013", ""},
    PrimaryKey{"8017", "8019"},    PrimaryKey{"8018", "8019"},
};

using Element = Gs1ElementString::Element;

// The AIs of one sequence, "22,10,21".
std::vector<std::string> Split(std::string_view text, char mark) {
    std::vector<std::string> parts;
    for (std::size_t at = 0; at <= text.size() && !text.empty();) {
        const std::size_t end = std::min(text.find(mark, at), text.size());
        parts.emplace_back(text.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

const Element* Find(const std::vector<Element>& elements, const std::string& ai) {
    const auto at = std::find_if(elements.begin(), elements.end(),
                                 [&](const Element& e) { return e.Ai == ai; });
    return at != elements.end() ? &*at : nullptr;
}

// The qualifiers of the first sequence of which some are present, in its order.
std::vector<std::string> PathQualifiers(const std::vector<Element>& elements,
                                        std::string_view sequences) {
    for (const std::string& sequence : Split(sequences, '|')) {
        std::vector<std::string> present;
        for (const std::string& ai : Split(sequence, ',')) {
            if (Find(elements, ai) != nullptr) {
                present.push_back(ai);
            }
        }
        if (!present.empty()) {
            return present;
        }
    }
    return {};
}

} // namespace

bool Gs1DigitalLink::IsDomain(std::string_view domain) {
    const bool web = domain.starts_with("https://") || domain.starts_with("http://");
    if (!web || domain.find_first_of("?# ") != std::string_view::npos) {
        return false;
    }
    const std::string_view host = domain.substr(domain.find("//") + 2);
    return !host.empty() && host.front() != '/';
}

const char* Gs1DigitalLink::Qualifiers(std::string_view ai) {
    const auto key = std::find_if(kPrimaryKeys.begin(), kPrimaryKeys.end(),
                                  [ai](const PrimaryKey& k) { return k.Ai == ai; });
    return key != kPrimaryKeys.end() ? key->Qualifiers : nullptr;
}

PayloadResult Gs1DigitalLink::Build(const std::vector<Element>& elements, std::string_view domain) {
    if (!domain.empty() && domain.back() == '/') {
        domain.remove_suffix(1);
    }
    if (!IsDomain(domain)) {
        return PayloadResult::Failure("--gs1-link takes https://DOMAIN (or http://), not '" +
                                      std::string(domain) + "'");
    }
    for (auto at = elements.begin(); at != elements.end(); ++at) {
        if (std::any_of(elements.begin(), at, [&](const Element& e) { return e.Ai == at->Ai; })) {
            return PayloadResult::Failure("a GS1 Digital Link has each AI once, not (" + at->Ai +
                                          ") twice");
        }
    }
    const Element* key = nullptr;
    for (const Element& element : elements) {
        if (Qualifiers(element.Ai) == nullptr) {
            continue;
        }
        if (key != nullptr) {
            return PayloadResult::Failure("a GS1 Digital Link has one primary key, not (" +
                                          key->Ai + ") and (" + element.Ai + ")");
        }
        key = &element;
    }
    if (key == nullptr) {
        return PayloadResult::Failure(
            "a GS1 Digital Link needs a primary key: (01) GTIN, (00) SSCC, (414) GLN, ...");
    }
    std::string uri(domain);
    std::vector<std::string> onPath = PathQualifiers(elements, Qualifiers(key->Ai));
    onPath.insert(onPath.begin(), key->Ai);
    for (const std::string& ai : onPath) {
        uri.append("/" + ai + "/" + PercentEncoding::Encode(Find(elements, ai)->Data));
    }
    char mark = '?';
    for (const Element& element : elements) {
        if (std::find(onPath.begin(), onPath.end(), element.Ai) == onPath.end()) {
            uri.push_back(mark);
            uri.append(element.Ai + "=" + PercentEncoding::Encode(element.Data));
            mark = '&';
        }
    }
    return {uri, {}};
}

} // namespace ostrel::payload
