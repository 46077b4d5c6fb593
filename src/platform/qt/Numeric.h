#pragma once

#include <QStringView>

namespace ostrel::platform {

// The general numeric test of the BASIC runtime, reduced to forms that cannot be read two ways:
// optional blanks around, an optional sign, decimal digits with at most one decimal point (at
// least one digit in all) and an optional exponent (E or e, an optional sign, digits).
// Thousands separators, currency signs, hexadecimal and octal prefixes, control characters and
// every other character fail.
class Numeric {
public:
    static bool IsNumeric(QStringView text);
};

} // namespace ostrel::platform
