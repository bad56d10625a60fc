#pragma once

// The text forms of JSON values that reads return, all in UTF-8.

#include <string>

#include "json/json_root.h"

namespace zentara {

// A number as a script language writes it: the shortest digits that read back to the same
// double, in exponent form from 1e21 on and below 1e-6 ("2", "0.1", "1e+21", "1.5e-7").
std::string scriptNumberText(double number);

// A number in the "%.13g" form: up to 13 significant digits, trailing zeros dropped ("2", "0.1",
// "0.3333333333333", "1e+21").
std::string fixedNumberText(double number);

// A value as a script language turns it into text: a string its characters, null the empty
// text, a boolean "true" or "false", a number in the script form, an array its elements joined
// by "," (null elements empty, nested arrays flattened), an object "[object Object]".
std::string scriptValueText(const JsonValue& value);

}  // namespace zentara
