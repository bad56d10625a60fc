// Linked only into the end-to-end build of the program (zentara_e2e_program): when
// ZENTARA_E2E_LOG names a file, the browser, the clipboard and the message box are replaced by
// lines appended to that file ("open <address>", "clipboard <text>", "message <title>|<text>"),
// so that the test can see what the program handed to the desktop. The program itself never
// reads the environment.

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/code_page.h"
#include "platform/window_layer.h"

namespace {

void appendLine(const std::string& path, const std::string& line) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    if (FILE* file = std::fopen(path.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fputc('\n', file);
        std::fclose(file);
    }
}

[[maybe_unused]] const bool installed = [] {
    const char* log = std::getenv("ZENTARA_E2E_LOG");
    if (log == nullptr || *log == '\0') {
        return false;
    }
    const std::string path = log;
    zentara::setOpenUrlHook([path](const zentara::Text& address) {
        appendLine(path, "open " + zentara::textToUtf8(address));
    });
    zentara::setClipboardHook([path](const zentara::Text& text) {
        appendLine(path, "clipboard " + zentara::textToUtf8(text));
    });
    zentara::setMessageBoxHook([path](const zentara::Text& text, const zentara::Text& title) {
        appendLine(path, "message " + zentara::textToUtf8(title) + "|" + zentara::textToUtf8(text));
    });
    return true;
}();

}  // namespace
