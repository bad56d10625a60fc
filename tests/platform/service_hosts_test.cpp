// The hosts file check of cmake/ServiceHosts.cmake: a good file gives the header, a missing or
// malformed one stops the configure step with a message naming the file and the line.

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct ConfigureResult {
    bool succeeded = false;
    std::string output;
};

class ServiceHostsTest : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zentara-hosts-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::ofstream(dir_ / "CMakeLists.txt")
            << "cmake_minimum_required(VERSION 3.25)\n"
               "project(hosts_check LANGUAGES NONE)\n"
               "include(\"" ZENTARA_SOURCE_DIR "/cmake/ServiceHosts.cmake\")\n";
        std::ifstream sample(ZENTARA_SOURCE_DIR "/config/sample.hosts");
        for (std::string line; std::getline(sample, line);) {
            sampleLines_.push_back(line);
        }
    }

    void TearDown() override { fs::remove_all(dir_); }

    ConfigureResult configure(const fs::path& hostsFile) {
        const std::string command = std::string("\"") + ZENTARA_CMAKE_COMMAND + "\" -S \"" +
                                    dir_.string() + "\" -B \"" + (dir_ / "build").string() +
                                    "\" -DZENTARA_HOSTS_FILE=\"" + hostsFile.string() + "\" 2>&1";
        ConfigureResult result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return result;
        }
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
            result.output.append(buffer, n);
        }
        const int status = ::pclose(pipe);
        // CMake wraps long messages; whitespace runs become one blank for matching.
        std::string flat;
        for (char c : result.output) {
            const bool blank = c == ' ' || c == '\n' || c == '\r';
            if (!blank || flat.empty() || flat.back() != ' ') {
                flat += blank ? ' ' : c;
            }
        }
        result.output = flat;
        result.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        return result;
    }

    fs::path writeHosts(const std::vector<std::string>& lines, const std::string& lineEnd = "\n") {
        const fs::path path = dir_ / "test.hosts";
        std::ofstream out(path, std::ios::binary);
        for (const std::string& line : lines) {
            out << line << lineEnd;
        }
        return path;
    }

    // 1-based line number of the line that starts with `key`.
    int lineOf(const std::string& key) const {
        for (std::size_t i = 0; i < sampleLines_.size(); ++i) {
            if (sampleLines_[i].rfind(key + " ", 0) == 0) {
                return static_cast<int>(i) + 1;
            }
        }
        return 0;
    }

    std::string generatedHeader() const {
        std::ifstream in(dir_ / "build" / "generated" / "service_hosts.h");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
    std::vector<std::string> sampleLines_;
};

TEST_F(ServiceHostsTest, TheSampleFileGivesTheHeader) {
    for (const std::string lineEnd : {"\n", "\r\n"}) {
        const ConfigureResult result = configure(writeHosts(sampleLines_, lineEnd));
        ASSERT_TRUE(result.succeeded) << result.output;
        const std::string header = generatedHeader();
        EXPECT_NE(header.find("manifest = \"http://127.0.0.1:18400\";"), std::string::npos);
        EXPECT_NE(header.find("siteDetail = {\n    \"http://127.0.0.1:18411\",\n    "
                              "\"http://127.0.0.1:18412\",\n    \"http://127.0.0.1:18423\","),
                  std::string::npos)
            << header;
    }
}

TEST_F(ServiceHostsTest, AMalformedFileStopsTheBuildNamingTheLine) {
    struct Case {
        std::string what;
        std::function<void(std::vector<std::string>&)> edit;
        std::string expected;  // part of the message
    };
    const int qrLine = lineOf("qr");
    const int play3Line = lineOf("play3");
    ASSERT_GT(qrLine, 0);
    ASSERT_GT(play3Line, 0);
    const std::string atPlay3 = "test.hosts:" + std::to_string(play3Line) + ": ";
    auto setPlay3 = [&](std::string line) {
        return [&, line](std::vector<std::string>& lines) { lines[play3Line - 1] = line; };
    };
    const std::vector<Case> cases = {
        {"key missing", [&](auto& lines) { lines.erase(lines.begin() + qrLine - 1); },
         "test.hosts: service key \"qr\" is missing"},
        {"key twice", [&](auto& lines) { lines.push_back("qr http://127.0.0.1:1"); },
         "test.hosts:" + std::to_string(sampleLines_.size() + 1) +
             ": service key \"qr\" given twice"},
        {"unknown key", setPlay3("play9 http://127.0.0.1:1"), atPlay3 + "unknown service key"},
        {"no origin", setPlay3("play3"), atPlay3 + "expected \"key origin\""},
        {"three words", setPlay3("play3 http://a http://b"), atPlay3 + "expected \"key origin\""},
        {"other scheme", setPlay3("play3 ftp://127.0.0.1:1"), atPlay3},
        {"a path", setPlay3("play3 http://127.0.0.1:1/m3u8.php"), atPlay3},
        {"no host", setPlay3("play3 http://:80"), atPlay3},
        {"port too big", setPlay3("play3 http://127.0.0.1:65536"), atPlay3 + "port 65536"},
        {"list separator", setPlay3("play3 http://a;b"), atPlay3},
        {"bracket", setPlay3("play3 [http://a]"), atPlay3},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = sampleLines_;
        c.edit(lines);
        const ConfigureResult result = configure(writeHosts(lines));
        EXPECT_FALSE(result.succeeded) << c.what;
        EXPECT_NE(result.output.find(c.expected), std::string::npos) << c.what << "\n"
                                                                     << result.output;
    }
}

TEST_F(ServiceHostsTest, AMissingFileStopsTheBuild) {
    const ConfigureResult result = configure(dir_ / "absent.hosts");
    EXPECT_FALSE(result.succeeded);
    EXPECT_NE(result.output.find("absent.hosts: service hosts file not found"), std::string::npos)
        << result.output;
}

}  // namespace
