#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "json/json_document.h"
#include "platform/code_page.h"

namespace zentara {
namespace {

constexpr std::size_t kMiB = 1024 * 1024;

std::string repeated(std::string_view piece, std::size_t totalBytes) {
    std::string out;
    out.reserve(totalBytes + piece.size());
    while (out.size() < totalBytes) {
        out += piece;
    }
    return out;
}

std::string nestedArrays(std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

// Every operation, fed the hostile text wherever it takes a JSON text or a path, must fail
// cleanly and leave the document as it was.
void runEveryOperation(const std::string& hostile) {
    const Text original = R"({"a":[1,2],"s":"x"})";
    JsonDocument doc;
    EXPECT_FALSE(doc.parse(hostile));
    EXPECT_EQ(doc.toJson(), "null");
    ASSERT_TRUE(doc.parse(original));

    Text value = hostile;
    doc.setText("k", value, true);
    doc.setText(hostile, "v");
    doc.setJson("k", hostile);
    doc.setJson(hostile, "1");
    doc.setNumber(hostile, 1);
    doc.append(hostile, "a", true);
    doc.append("v", hostile);
    doc.removeAtPath(hostile);
    doc.setRoot(hostile, true);
    EXPECT_EQ(doc.toJson(), original);

    EXPECT_EQ(doc.getNumber(hostile), 0);
    EXPECT_EQ(doc.getJson(hostile), "");
    EXPECT_EQ(doc.getText(hostile), "");
    EXPECT_EQ(doc.getText(hostile, true), "");
    EXPECT_EQ(doc.getObject(hostile).toJson(), "");
    EXPECT_EQ(doc.getCount(hostile), 0);
    EXPECT_EQ(doc.getItemObject(0, hostile).toJson(), "");
    EXPECT_EQ(doc.getItemText(0, hostile), "");
    EXPECT_FALSE(doc.exists(hostile));
    TextList names;
    EXPECT_EQ(doc.getMemberNames(names, hostile), 0);
    EXPECT_EQ(doc.getType(hostile), JsonType::Null);

    doc.resetRoot(JsonType::Array);
    doc.setItem(0, hostile, true);
    doc.removeItem(0);
    EXPECT_EQ(doc.toJson(), "[]");
}

TEST(JsonHostileInputTest, MebibyteRunsFailCleanlyInEveryOperation) {
    const std::string inputs[] = {
        std::string(kMiB, '['),        // unclosed arrays
        repeated(R"({"a":)", kMiB),    // unclosed objects
        nestedArrays(kMiB / 2) + "]",  // deep and closed, then one bracket too many
        std::string(kMiB, '{'),        // no member names
        std::string(kMiB, '"'),        // empty strings in a row
        std::string(kMiB, ']'),        // closing without opening
        repeated("a.", kMiB) + "a",    // a valid path, far deeper than any document
        "s" + repeated("[0]", kMiB),   // the same with indexes, into a string
    };
    for (const std::string& hostile : inputs) {
        SCOPED_TRACE(hostile.substr(0, 12));
        runEveryOperation(hostile);
    }
}

TEST(JsonHostileInputTest, NestingIsCappedAt512Levels) {
    JsonDocument doc;
    EXPECT_TRUE(doc.parse(nestedArrays(512)));
    EXPECT_EQ(doc.toJson(), nestedArrays(512));
    EXPECT_FALSE(doc.parse(nestedArrays(513)));
    EXPECT_FALSE(doc.parse(nestedArrays(kMiB / 2)));  // closed properly, still too deep

    // A value stored under a path counts the path's depth too.
    JsonDocument nest;
    nest.setJson("a", nestedArrays(511));
    EXPECT_EQ(nest.getJson("a"), nestedArrays(511));
    nest.setJson("b", nestedArrays(512));
    EXPECT_FALSE(nest.exists("b"));
    nest.append(nestedArrays(510), "c", true);
    EXPECT_EQ(nest.getCount("c"), 1);
    nest.append(nestedArrays(511), "d", true);
    EXPECT_FALSE(nest.exists("d"));
    Text deep = nestedArrays(512);
    nest.setText("e", deep, true);
    EXPECT_FALSE(nest.exists("e"));
}

TEST(JsonHostileInputTest, FiveMebibyteDocumentReadsThrough) {
    static const Text kTitle = gbk("标题");
    std::string text = R"({"video":[{"ver":"1.0","notice":"n","download":"d"}],"items":[)";
    int count = 0;
    while (text.size() < 5 * kMiB) {
        text += (count ? "," : "") + std::string(R"({"id":)") + std::to_string(count) +
                R"(,"name":")" + kTitle + std::to_string(count) + R"(","tags":["a","b"]})";
        ++count;
    }
    text += "]}";
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(text));
    EXPECT_EQ(doc.getText("video[0].ver"), "1.0");
    EXPECT_EQ(doc.getCount("items"), count);
    const std::string last = "items[" + std::to_string(count - 1) + "]";
    EXPECT_EQ(doc.getText(last + ".name"), kTitle + std::to_string(count - 1));
    EXPECT_EQ(doc.getText(last + ".id"), std::to_string(count - 1));
    EXPECT_EQ(doc.toJson(), text);
}

TEST(JsonHostileInputTest, WideObjectLoadsInLinearTime) {
    // 150,000 members in about 1.5 MiB; a member search per insertion would take minutes.
    std::string text = "{";
    constexpr int kMembers = 150000;
    for (int i = 0; i < kMembers; ++i) {
        text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    }
    text += R"("k7":"again"})";
    JsonDocument doc;
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(doc.parse(text));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(10));
    EXPECT_EQ(doc.getCount(), kMembers);
    EXPECT_EQ(doc.getText("k7"), "again");
    EXPECT_EQ(doc.getText("k149999"), "149999");
}

}  // namespace
}  // namespace zentara
