#include "entries/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace vorlix {
namespace {

bool IsIgnored(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of c as a digit of the base, or -1.
int DigitValue(char c, int base) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    return d < base ? d : -1;
}

// Digits after &H or &O, read as the unsigned value they write: "&HFFFF" is 65535 and "&H8000"
// 32768. Past the 64-bit range the value goes on inexactly, up to +infinity for absurd lengths.
double ReadPrefixed(std::string_view digits, int base) {
    std::uint64_t exact = 0;
    double inexact = 0;
    bool is_exact = true;
    for (char c : digits) {
        const int d = DigitValue(c, base);
        if (d < 0) break;
        const auto b = static_cast<std::uint64_t>(base);
        if (is_exact && exact <= (std::numeric_limits<std::uint64_t>::max() - d) / b) {
            exact = exact * b + static_cast<std::uint64_t>(d);
            continue;
        }
        if (is_exact) inexact = static_cast<double>(exact);
        is_exact = false;
        inexact = inexact * base + d;
    }
    return is_exact ? static_cast<double>(exact) : inexact;
}

// Decimal digits, at most one ".", and an exponent after E or D that is taken only when at least
// one digit follows (with an optional sign): "1e" and "1e+" are 1. std::from_chars is used rather
// than strtod because it ignores the C locale, which a GUI toolkit may have changed.
double ReadDecimal(std::string_view s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

    const std::size_t mantissa_start = i;
    std::size_t digit_count = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digit_count;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digit_count;
    }
    if (digit_count == 0) return 0;
    std::string number(s.substr(mantissa_start, i - mantissa_start));

    // The exponent, also kept as a saturated integer to tell overflow from underflow below.
    long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        bool exponent_negative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent_negative = s[j++] == '-';
        if (j < s.size() && IsDigit(s[j])) {
            const std::size_t exponent_start = j;
            while (j < s.size() && IsDigit(s[j])) {
                if (exponent < 100000) exponent = exponent * 10 + (s[j] - '0');
                ++j;
            }
            if (exponent_negative) exponent = -exponent;
            number += exponent_negative ? "e-" : "e";
            number += s.substr(exponent_start, j - exponent_start);
        }
    }

    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Out of the double range: decide between overflow and underflow by the position of the
        // first significant digit relative to the decimal point.
        long order = 0;
        bool seen_point = false;
        bool seen_significant = false;
        for (char c : std::string_view(number).substr(0, number.find_first_of("eE"))) {
            if (c == '.') {
                seen_point = true;
            } else if (c != '0' || seen_significant) {
                seen_significant = true;
                if (!seen_point) ++order;
            } else if (seen_point) {
                --order;
            }
        }
        value = order + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc()) {
        value = 0;
    }
    if (value == 0) return 0;  // never -0
    return negative ? -value : value;
}

}  // namespace

// Visual Basic's Val: spaces, tabs and line feeds are dropped first (a CR is an ordinary
// character), then the longest leading number is read. Values beyond the double range become
// +-infinity, never NaN.
double NumberFromText(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (!IsIgnored(c)) s += c;
    }
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h') return ReadPrefixed(std::string_view(s).substr(2), 16);
        if (s[1] == 'O' || s[1] == 'o') return ReadPrefixed(std::string_view(s).substr(2), 8);
        return 0;
    }
    return ReadDecimal(s);
}

bool HasLeadingNumber(std::string_view text) {
    std::string s;
    for (char c : text) {
        if (!IsIgnored(c)) s += c;
    }
    if (s.size() >= 2 && s[0] == '&') {
        const int base = (s[1] == 'H' || s[1] == 'h') ? 16 : (s[1] == 'O' || s[1] == 'o') ? 8 : 0;
        return base != 0 && s.size() > 2 && DigitValue(s[2], base) >= 0;
    }
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    if (i < s.size() && s[i] == '.') ++i;
    return i < s.size() && IsDigit(s[i]);
}

// The general format: whole numbers as plain digits at any size (the shortest that reads back as
// the same number); other values to 15 significant digits, plainly for decimal exponents -4 and
// up, as "1E-05" below that. Infinity, which only an overflowing text gives, is written "1E+309",
// so that reading it back overflows again instead of yielding a small count; NaN (infinity minus
// infinity) is written "NaN" and reads back as 0.
std::string FormatGeneral(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-1E+309" : "1E+309";
    if (value == 0) return "0";

    char buffer[400];  // DBL_MAX has 309 digits
    if (value == std::trunc(value)) {
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
        return std::string(buffer, result.ptr);
    }

    // d.dddddddddddddde+XX, correctly rounded to 15 significant digits.
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const bool negative = scientific.front() == '-';
    const std::size_t e_pos = scientific.find('e');
    std::string digits;
    for (char c : scientific.substr(negative ? 1 : 0, e_pos - (negative ? 1 : 0))) {
        if (c != '.') digits += c;
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    int exponent = 0;
    const std::string_view exponent_text = scientific.substr(e_pos + 1);
    std::from_chars(exponent_text.data() + (exponent_text.front() == '+' ? 1 : 0),
                    exponent_text.data() + exponent_text.size(), exponent);

    std::string out = negative ? "-" : "";
    if (exponent < -4) {
        out += digits[0];
        if (digits.size() > 1) out += "." + digits.substr(1);
        const std::string magnitude = std::to_string(-exponent);
        out += "E-";
        if (magnitude.size() < 2) out += '0';
        out += magnitude;
    } else if (exponent >= 0) {
        // From 1E+15 up a fraction rounds away within 15 digits, leaving plain digits.
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits + std::string(whole - digits.size(), '0');
        } else {
            out += digits.substr(0, whole) + "." + digits.substr(whole);
        }
    } else {
        out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    return out;
}

}  // namespace vorlix
