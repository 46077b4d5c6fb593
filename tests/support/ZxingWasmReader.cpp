#include "ZxingWasmReader.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace ostrel::test {

namespace {

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t k = 0; k + 1 < hex.size(); k += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(k, 2), nullptr, 16)));
    }
    return bytes;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == '\t') {
        fields.emplace_back();
    }
    return fields;
}

} // namespace

std::string ZxingWasmReaderPath() {
    const char* path = std::getenv("OSTREL_ZXING_WASM_READER");
    return path != nullptr ? std::string(path) : std::string();
}

std::vector<WasmReading> ReadWithZxingWasm(const std::vector<std::string>& files, bool pure,
                                           const std::string& characterSet) {
    const std::string reader = ZxingWasmReaderPath();
    if (reader.empty() || files.empty()) {
        return {};
    }
    const auto base = std::filesystem::temp_directory_path() /
                      ("ostrel-wasm-" + std::to_string(::getpid()) + "-" +
                       std::to_string(reinterpret_cast<std::uintptr_t>(&files)));
    const std::string list = base.string() + ".list";
    const std::string output = base.string() + ".out";
    {
        std::ofstream out(list);
        for (const auto& file : files) {
            out << file << '\n';
        }
    }
    const std::string command = "node '" + reader + "'" + (pure ? " --pure" : "") +
                                (characterSet.empty() ? "" : " --charset=" + characterSet) +
                                " < '" + list + "' > '" + output + "'";
    // Exit status 1 only says that some file was not read: the lines tell which.
    const int status = std::system(command.c_str());
    std::vector<WasmReading> readings;
    std::ifstream in(output);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> fields = SplitTabs(line);
        WasmReading reading;
        reading.File = fields.empty() ? std::string() : fields[0];
        if (fields.size() >= 6) {
            reading.Read = true;
            reading.Format = fields[1];
            reading.Version = fields[2];
            reading.EcLevel = fields[3];
            reading.Eci = fields[4] == "1";
            reading.Bytes = FromHex(fields[5]);
            if (fields.size() >= 7) {
                const std::vector<std::uint8_t> text = FromHex(fields[6]);
                reading.Text.assign(text.begin(), text.end());
            }
            if (fields.size() >= 8) {
                reading.Identifier = fields[7];
            }
        } else {
            reading.Error = fields.size() >= 3 ? fields[2] : line;
        }
        readings.push_back(std::move(reading));
    }
    std::remove(list.c_str());
    std::remove(output.c_str());
    if (status != 0 && readings.size() != files.size()) {
        return {};
    }
    return readings;
}

} // namespace ostrel::test
