// GS1 Digital Link URIs: labels of the forms the GS1 Digital Link standard shows (the primary key
// and its qualifiers on the path in the standard's order, the other AIs as query parameters,
// percent-encoding), and random element-string sets parsed back by a small URI parser written
// here to the same AIs and data.
#include "Gs1DigitalLink.h"
#include "Gs1Samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

namespace ostrel::payload {
namespace {

std::string Link(const std::string& text, const std::string& domain = "https://example.com") {
    const auto parsed = Gs1ElementString::Parse(text);
    EXPECT_TRUE(parsed.Ok()) << parsed.Error;
    const PayloadResult uri = Gs1DigitalLink::Build(parsed.Elements, domain);
    return uri.Ok() ? uri.Bytes : "error: " + uri.Error;
}

TEST(Gs1DigitalLink, LabelsTakeTheStandardsForm) {
    EXPECT_EQ(Link("(01)09506000134352"), "https://example.com/01/09506000134352");
    EXPECT_EQ(Link("(01)09506000134352(17)211231(10)ABC123(21)12345"),
              "https://example.com/01/09506000134352/10/ABC123/21/12345?17=211231");
    EXPECT_EQ(Link("[21]12345[10]ABC123[01]09506000134352[22]2A", "https://id.example.org/"),
              "https://id.example.org/01/09506000134352/22/2A/10/ABC123/21/12345");
    EXPECT_EQ(Link("(01)09506000134352(235)X1(3103)000195"),
              "https://example.com/01/09506000134352/235/X1?3103=000195");
    EXPECT_EQ(Link("(414)9520123456788(254)32a%b"),
              "https://example.com/414/9520123456788/254/32a%25b");
    EXPECT_EQ(Link("(00)106141412345678908(400)PO/17&B"),
              "https://example.com/00/106141412345678908?400=PO%2F17%26B");
    EXPECT_EQ(Link("(10)ABC(17)211231"), "error: a GS1 Digital Link needs a primary key: (01) "
                                         "GTIN, (00) SSCC, (414) GLN, ...");
    EXPECT_EQ(Link("(01)09506000134352(00)106141412345678908"),
              "error: a GS1 Digital Link has one primary key, not (01) and (00)");
    EXPECT_EQ(Link("(01)09506000134352(10)A(10)B"),
              "error: a GS1 Digital Link has each AI once, not (10) twice");
    EXPECT_EQ(Link("(01)09506000134352", "ftp://example.com"),
              "error: --gs1-link takes https://DOMAIN (or http://), not 'ftp://example.com'");
}

// The (AI, data) pairs of a Digital Link URI: /AI/value pairs after the domain, then AI=value
// query parameters, percent-decoded.
std::vector<std::pair<std::string, std::string>> ParseLink(const std::string& uri,
                                                           const std::string& domain) {
    const auto decode = [](const std::string& text) {
        std::string out;
        for (std::size_t k = 0; k < text.size(); ++k) {
            if (text[k] == '%' && k + 2 < text.size()) {
                out.push_back(static_cast<char>(std::stoi(text.substr(k + 1, 2), nullptr, 16)));
                k += 2;
            } else {
                out.push_back(text[k]);
            }
        }
        return out;
    };
    std::vector<std::pair<std::string, std::string>> pairs;
    const std::size_t query = std::min(uri.find('?'), uri.size());
    std::vector<std::string> steps;
    for (std::size_t at = domain.size() + 1; at < query;) {
        const std::size_t end = std::min(uri.find('/', at), query);
        steps.push_back(uri.substr(at, end - at));
        at = end + 1;
    }
    for (std::size_t k = 0; k + 1 < steps.size(); k += 2) {
        pairs.emplace_back(steps[k], decode(steps[k + 1]));
    }
    for (std::size_t at = query + 1; at < uri.size();) {
        const std::size_t end = std::min(uri.find('&', at), uri.size());
        const std::string parameter = uri.substr(at, end - at);
        const std::size_t equals = parameter.find('=');
        pairs.emplace_back(parameter.substr(0, equals), decode(parameter.substr(equals + 1)));
        at = end + 1;
    }
    return pairs;
}

TEST(Gs1DigitalLink, RandomSetsParseBackToTheirElements) {
    std::mt19937 random(3301);
    const std::string domain = "https://example.com";
    std::int32_t linked = 0;
    for (std::int32_t k = 0; k < 400 && linked < 50; ++k) {
        const test::Gs1Sample sample = test::RandomGs1(random, 4, 12, test::Gs1Text::Set82);
        const auto parsed = Gs1ElementString::Parse(sample.Bracketed);
        ASSERT_TRUE(parsed.Ok()) << parsed.Error;
        std::map<std::string, std::int32_t> count;
        std::int32_t keys = 0;
        for (const auto& element : parsed.Elements) {
            ++count[element.Ai];
            keys += Gs1DigitalLink::Qualifiers(element.Ai) != nullptr ? 1 : 0;
        }
        const bool once = std::all_of(count.begin(), count.end(),
                                      [](const auto& entry) { return entry.second == 1; });
        const PayloadResult uri = Gs1DigitalLink::Build(parsed.Elements, domain);
        ASSERT_EQ(uri.Ok(), once && keys == 1) << sample.Bracketed << ": " << uri.Error;
        if (!uri.Ok()) {
            continue;
        }
        ++linked;
        auto back = ParseLink(uri.Bytes, domain);
        EXPECT_NE(Gs1DigitalLink::Qualifiers(back.front().first), nullptr) << uri.Bytes;
        std::vector<std::pair<std::string, std::string>> given;
        for (const auto& element : parsed.Elements) {
            given.emplace_back(element.Ai, element.Data);
        }
        std::sort(back.begin(), back.end());
        std::sort(given.begin(), given.end());
        EXPECT_EQ(back, given) << uri.Bytes;
    }
    EXPECT_EQ(linked, 50);
}

} // namespace
} // namespace ostrel::payload
