#pragma once

// The start-up version check: reads the maker's update manifest and decides whether the program
// may run.

#include "text/text.h"

namespace zentara {

class MainWindow;

// The program's own version; MainWindow's title shows the same number.
inline constexpr const char* kOwnVersion = "1.0";

// Address of the update manifest on the maker's server (plain HTTP, "/video/data.json").
Text manifestEndpoint();

// Runs once on the UI thread when MainWindow has been created, and blocks it for the fetch.
// Without a readable version: "网络出现问题!" titled "提示", then the program ends with code 0.
// With another version: the notice ("<br>" in any letter case becomes CR LF) titled "更新", the
// download address opened in the browser, then the program ends with code 0.
// With the own version: chooseSource and choosePlayInterface for the current entries (entry 0
// at start-up), which starts the first search.
void checkVersion(MainWindow& window);

// checkVersion with the manifest read from `manifestAddress` instead of manifestEndpoint().
void checkVersionAt(MainWindow& window, const Text& manifestAddress);

}  // namespace zentara
