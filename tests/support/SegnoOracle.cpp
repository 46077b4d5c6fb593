#include "SegnoOracle.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <sstream>

namespace ostrel::test {

std::vector<std::optional<std::vector<std::string>>>
SegnoMatrices(const std::vector<SegnoRequest>& requests) {
    std::vector<std::optional<std::vector<std::string>>> matrices;
    for (auto& symbol : SegnoSymbols(requests)) {
        matrices.push_back(symbol ? std::optional(std::move(symbol->Rows)) : std::nullopt);
    }
    return matrices;
}

std::vector<std::optional<SegnoSymbol>> SegnoSymbols(const std::vector<SegnoRequest>& requests) {
    std::vector<std::optional<SegnoSymbol>> answers(requests.size());
    QByteArray input;
    for (const SegnoRequest& request : requests) {
        QByteArray mode = QByteArray::fromStdString(request.Mode.empty() ? "auto" : request.Mode);
        QByteArray text = QByteArray::fromStdString(request.Text).toHex();
        if (!request.Segments.empty()) {
            mode = "segments";
            text.clear();
            for (const auto& [segmentMode, segmentText] : request.Segments) {
                text += (text.isEmpty() ? "" : ",") + QByteArray::fromStdString(segmentMode) + ':' +
                        QByteArray::fromStdString(segmentText).toHex();
            }
        }
        input += QByteArray::number(request.Version) + ' ' + request.Level + ' ' +
                 QByteArray::number(request.Mask) + ' ' + mode + ' ' + text +
                 (request.Boost ? " boost\n" : "\n");
    }
    QProcess segno;
    segno.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(OSTREL_SEGNO_SCRIPT)});
    if (!segno.waitForStarted()) {
        ADD_FAILURE() << "segno could not be started (python3-segno)";
        return answers;
    }
    segno.write(input);
    segno.closeWriteChannel();
    if (!segno.waitForFinished(120000) || segno.exitCode() != 0) {
        ADD_FAILURE() << "segno failed: " << segno.readAllStandardError().toStdString();
        return answers;
    }
    std::istringstream out(segno.readAllStandardOutput().toStdString());
    SegnoSymbol symbol;
    bool refused = false;
    std::size_t k = 0;
    for (std::string line; std::getline(out, line) && k < answers.size();) {
        if (line.starts_with("# ") && line.size() > 4) {
            symbol.Level = line[2];
            symbol.Version = std::stoi(line.substr(4));
        } else if (line.starts_with("error:")) {
            refused = true;
        } else if (!line.empty()) {
            symbol.Rows.push_back(line);
        } else {
            if (!refused && !symbol.Rows.empty()) {
                answers[k] = std::move(symbol);
            }
            symbol = SegnoSymbol();
            refused = false;
            ++k;
        }
    }
    EXPECT_EQ(k, answers.size()) << "segno answered fewer requests than it was given";
    return answers;
}

} // namespace ostrel::test
