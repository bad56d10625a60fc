#include "shell/version_check.h"

#include "extract/marker_extraction.h"
#include "json/json_document.h"
#include "platform/code_page.h"
#include "platform/window_layer.h"
#include "service_hosts.h"
#include "shell/fetch_page.h"
#include "shell/loading_animation.h"
#include "shell/main_window.h"
#include "shell/shared_state.h"
#include "shell/source_catalogue.h"

namespace zentara {

Text manifestEndpoint() {
    return Text(hosts::manifest) + "/video/data.json";
}

void checkVersion(MainWindow& window) {
    checkVersionAt(window, manifestEndpoint());
}

void checkVersionAt(MainWindow& window, const Text& manifestAddress) {
    static const Text networkProblem = gbk("网络出现问题!");
    static const Text hintTitle = gbk("提示");
    static const Text updateTitle = gbk("更新");

    showLoadingAnimation(window.loadingPicture());
    const Text manifest = fetchPage(manifestAddress);

    Text version;
    Text notice;
    Text download;
    if (jsonDoc) {
        jsonDoc->parse(manifest);
        version = jsonDoc->getText("video[0].ver");
        // All occurrences, from the first byte, letter case ignored.
        notice = replaceMany(jsonDoc->getText("video[0].notice"), std::nullopt, 0, false, "<br>",
                             "\r\n");
        download = jsonDoc->getText("video[0].download");
    }

    if (version.empty()) {
        showMessage(networkProblem, hintTitle);
        endProgram(0);
        return;
    }
    if (version != kOwnVersion) {
        showMessage(notice, updateTitle);
        openUrl(download);
        endProgram(0);
        return;
    }
    chooseSource(window);
    choosePlayInterface(window);
}

}  // namespace zentara
