#include "SegnoOracle.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <sstream>

namespace ostrel::test {

std::vector<std::optional<std::vector<std::string>>>
SegnoMatrices(const std::vector<SegnoRequest>& requests) {
    std::vector<std::optional<std::vector<std::string>>> answers(requests.size());
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
                 QByteArray::number(request.Mask) + ' ' + mode + ' ' + text + '\n';
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
    std::vector<std::string> rows;
    std::size_t k = 0;
    for (std::string line; std::getline(out, line) && k < answers.size();) {
        if (!line.empty()) {
            rows.push_back(line);
            continue;
        }
        if (!rows.empty() && !rows[0].starts_with("error:")) {
            answers[k] = rows;
        }
        rows.clear();
        ++k;
    }
    EXPECT_EQ(k, answers.size()) << "segno answered fewer requests than it was given";
    return answers;
}

} // namespace ostrel::test
