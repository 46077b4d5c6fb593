#pragma once
// The two-byte characters of the character sets that the pair modes read, for the plain
// references of the segmentation search: Shift JIS (Kanji mode) and GB 2312 with its extension
// GBK (Hanzi mode), read from the first byte.

#include <cstdint>
#include <vector>

namespace ostrel::test {

// True for each byte that ends a two-byte character: Shift JIS first bytes 81..9F and E0..FC,
// GBK first bytes 81..FE, a second byte from 40 (up to FE for GBK). No segment may start there.
inline std::vector<bool> SecondBytes(const std::vector<std::uint8_t>& data, bool gbk) {
    std::vector<bool> second(data.size(), false);
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        const std::uint8_t lead = data[i];
        const std::uint8_t next = data[i + 1];
        const bool twoBytes =
            gbk ? lead >= 0x81 && lead != 0xFF && next >= 0x40 && next != 0xFF
                : ((lead >= 0x81 && lead < 0xA0) || (lead >= 0xE0 && lead < 0xFD)) && next >= 0x40;
        if (twoBytes) {
            second[i + 1] = true;
            ++i;
        }
    }
    return second;
}

} // namespace ostrel::test
