#include "Numeric.h"

namespace ostrel::platform {

namespace {

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

bool Numeric::IsNumeric(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == u' ') {
        --end;
    }
    qsizetype i = begin;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    int digits = 0;
    bool point = false;
    for (; i < end; ++i) {
        if (IsDigit(text[i])) {
            ++digits;
        } else if (text[i] == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-')) {
            ++i;
        }
        int exponentDigits = 0;
        for (; i < end && IsDigit(text[i]); ++i) {
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    return i == end;
}

} // namespace ostrel::platform
