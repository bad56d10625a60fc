#include "json/json_text_form.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zentara {

std::string scriptNumberText(double number) {
    if (std::isnan(number)) {
        return "NaN";
    }
    if (std::isinf(number)) {
        return number < 0 ? "-Infinity" : "Infinity";
    }
    if (number == 0) {
        return "0";  // also -0
    }
    // Shortest round-trip digits in exponent form, e.g. "-1.2345e+02".
    char buffer[64];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::scientific);
    if (error != std::errc()) {
        return "NaN";
    }
    std::string_view form(buffer, static_cast<std::size_t>(end - buffer));
    std::string result;
    if (form.front() == '-') {
        result.push_back('-');
        form.remove_prefix(1);
    }
    std::size_t e = form.find('e');
    std::string digits;
    for (char c : form.substr(0, e)) {
        if (c != '.') {
            digits.push_back(c);
        }
    }
    int exponent = std::atoi(std::string(form.substr(e + 1)).c_str());
    int k = static_cast<int>(digits.size());
    int n = exponent + 1;  // position of the decimal point after the first n digits
    if (k <= n && n <= 21) {
        result += digits;
        result.append(static_cast<std::size_t>(n - k), '0');
    } else if (0 < n && n <= 21) {
        result += digits.substr(0, static_cast<std::size_t>(n));
        result.push_back('.');
        result += digits.substr(static_cast<std::size_t>(n));
    } else if (-6 < n && n <= 0) {
        result += "0.";
        result.append(static_cast<std::size_t>(-n), '0');
        result += digits;
    } else {
        result.push_back(digits.front());
        if (k > 1) {
            result.push_back('.');
            result += digits.substr(1);
        }
        result.push_back('e');
        result.push_back(n - 1 < 0 ? '-' : '+');
        result += std::to_string(std::abs(n - 1));
    }
    return result;
}

std::string fixedNumberText(double number) {
    char buffer[64];
    int length = std::snprintf(buffer, sizeof buffer, "%.13g", number);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

namespace {

void appendScriptText(std::string& out, const JsonValue& value) {
    switch (value.type()) {
        case JsonValue::value_t::string:
            out += value.get_ref<const JsonValue::string_t&>();
            break;
        case JsonValue::value_t::boolean:
            out += value.get<bool>() ? "true" : "false";
            break;
        case JsonValue::value_t::number_float:
        case JsonValue::value_t::number_integer:
        case JsonValue::value_t::number_unsigned:
            out += scriptNumberText(value.get<double>());
            break;
        case JsonValue::value_t::array: {
            bool first = true;
            for (const JsonValue& element : value) {
                if (!first) {
                    out.push_back(',');
                }
                first = false;
                appendScriptText(out, element);  // null elements add nothing
            }
            break;
        }
        case JsonValue::value_t::object:
            out += "[object Object]";
            break;
        default:  // null, and kinds a document never holds
            break;
    }
}

}  // namespace

std::string scriptValueText(const JsonValue& value) {
    std::string out;
    appendScriptText(out, value);
    return out;
}

}  // namespace zentara
