#include "BenchInputs.h"

#include <cstdio>
#include <cstdlib>

namespace ostrel::bench {

namespace {

std::vector<std::uint8_t> Repeat(const std::string& pattern, std::size_t count) {
    std::vector<std::uint8_t> out(count);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<std::uint8_t>(pattern[i % pattern.size()]);
    }
    return out;
}

void AppendUtf8(std::vector<std::uint8_t>& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<std::uint8_t>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<std::uint8_t>(0xC0 | (c >> 6)));
        out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<std::uint8_t>(0xE0 | (c >> 12)));
        out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    }
}

// 600 characters of Chinese, Latin letters, digits and punctuation, the way a business card or a
// note in the main window looks.
std::vector<std::uint8_t> MixedText(std::size_t characters) {
    const std::u32string pattern =
        U"Ostrel二维条码生成器 2024年10月 联系电话 13800138000 地址：北京市海淀区 Room 1203, "
        U"E-mail ostrel@example.com 欢迎使用 QR Code 编码测试 version 40 第12345号 ";
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < characters; ++i) {
        AppendUtf8(out, pattern[i % pattern.size()]);
    }
    return out;
}

std::int32_t ChosenVersion(clsQRCode& qr, const std::vector<std::uint8_t>& bytes, std::size_t n,
                           std::int32_t level) {
    const auto symbol = qr.EncodeMatrix(bytes, static_cast<std::int32_t>(n), 0, level, 0);
    return symbol ? symbol->Version : 0;
}

// The longest prefix of the repeated pattern that our encoder still puts into version v, searched
// from an estimate in both directions.
Input Filling(const std::string& name, const std::string& description, const std::string& pattern,
              std::int32_t version, std::size_t estimate) {
    clsQRCode qr;
    const std::int32_t level = 3;
    std::vector<std::uint8_t> bytes = Repeat(pattern, 2 * estimate + 64);
    std::size_t n = estimate;
    while (n > 1 && ChosenVersion(qr, bytes, n, level) > version) {
        --n;
    }
    while (n + 1 < bytes.size() && ChosenVersion(qr, bytes, n + 1, level) != 0 &&
           ChosenVersion(qr, bytes, n + 1, level) <= version) {
        ++n;
    }
    if (ChosenVersion(qr, bytes, n, level) != version) {
        std::fprintf(stderr, "benchmark inputs: no filling of version %d\n", version);
        std::abort();
    }
    bytes.resize(n);
    Input input;
    input.Name = name;
    input.Description = description + " (" + std::to_string(n) + " bytes)";
    input.Bytes = std::move(bytes);
    input.ExpectedVersion = version;
    return input;
}

std::vector<Input> MakeInputs() {
    std::vector<Input> inputs;
    const std::string letters = "thequickbrownfoxjumpsoverthelazydog";
    const std::string digits = "3141592653589793238462643383279502884197";

    Input abc;
    abc.Name = "abc";
    abc.Description = "\"abc\" (version 1)";
    abc.Bytes = {'a', 'b', 'c'};
    abc.ExpectedVersion = 1;
    inputs.push_back(abc);

    inputs.push_back(
        Filling("v1_letters", "lower-case letters filling version 1-Q", letters, 1, 11));
    inputs.push_back(
        Filling("v10_letters", "lower-case letters filling version 10-Q", letters, 10, 200));
    inputs.push_back(
        Filling("v25_letters", "lower-case letters filling version 25-Q", letters, 25, 600));
    inputs.push_back(
        Filling("v40_letters", "lower-case letters filling version 40-Q", letters, 40, 1663));
    inputs.push_back(Filling("v40_digits", "digits filling version 40-Q", digits, 40, 3993));

    Input mixed;
    mixed.Name = "mixed600";
    mixed.Bytes = MixedText(600);
    mixed.Description = "600 characters of Chinese, Latin and digits in UTF-8 (" +
                        std::to_string(mixed.Bytes.size()) + " bytes), Kanji mode on";
    mixed.Utf8NonAscii = true;
    inputs.push_back(mixed);

    Input mixedNoKanji = mixed;
    mixedNoKanji.Name = "mixed600_nokanji";
    mixedNoKanji.Description = "the same 600 characters, Kanji mode off (the main window's "
                               "setting for UTF-8)";
    mixedNoKanji.Kanji = false;
    inputs.push_back(mixedNoKanji);

    // The figures of the standard for version 40-Q: 1663 bytes, 3993 digits.
    if (inputs[4].Bytes.size() != 1663 || inputs[5].Bytes.size() != 3993) {
        std::fprintf(stderr, "benchmark inputs: unexpected filling lengths %zu, %zu\n",
                     inputs[4].Bytes.size(), inputs[5].Bytes.size());
        std::abort();
    }
    return inputs;
}

} // namespace

const std::vector<Input>& Inputs() {
    static const std::vector<Input> inputs = MakeInputs();
    return inputs;
}

const Input& InputNamed(const std::string& name) {
    for (const Input& input : Inputs()) {
        if (input.Name == name) {
            return input;
        }
    }
    std::fprintf(stderr, "benchmark inputs: no input named %s\n", name.c_str());
    std::abort();
}

} // namespace ostrel::bench
