#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "json/json_document.h"
#include "platform/code_page.h"

namespace zentara {
namespace {

// The manifest the version check reads: parse, then three getText reads.
struct ManifestCase {
    const char* name;
    Text manifest;
    bool parsed;
    Text ver;
    Text notice;
    Text download;
};

class ManifestTest : public ::testing::TestWithParam<ManifestCase> {};

TEST_P(ManifestTest, ReadsTheThreeMembersOfElementZero) {
    const ManifestCase& c = GetParam();
    JsonDocument doc;
    EXPECT_EQ(doc.parse(c.manifest), c.parsed);
    EXPECT_EQ(doc.getText("video[0].ver"), c.ver);
    EXPECT_EQ(doc.getText("video[0].notice"), c.notice);
    EXPECT_EQ(doc.getText("video[0].download"), c.download);
}

INSTANTIATE_TEST_SUITE_P(
    Manifests, ManifestTest,
    ::testing::Values(
        ManifestCase{"Current", R"({"video":[{"ver":"1.0","notice":"n","download":"d"}]})", true,
                     "1.0", "n", "d"},
        ManifestCase{"EmptyArray", R"({"video":[]})", true, "", "", ""},
        ManifestCase{"EmptyText", "", false, "", "", ""},
        ManifestCase{"BlankText", " \r\n", false, "", "", ""},
        ManifestCase{"Null", "null", false, "", "", ""},
        ManifestCase{"ErrorPage", "<html><body>502 Bad Gateway</body></html>", false, "", "", ""},
        ManifestCase{"TrailingGarbage", R"({"video":[{"ver":"1.0"}]} x)", false, "", "", ""},
        ManifestCase{"VersionAsNumber", R"({"video":[{"ver":1.0,"notice":"n","download":"d"}]})",
                     true, "1", "n", "d"},
        ManifestCase{"VersionWithBlank", R"({"video":[{"ver":"1.0 "}]})", true, "1.0 ", "", ""},
        ManifestCase{"VersionNull", R"({"video":[{"ver":null,"notice":"n"}]})", true, "", "n", ""},
        ManifestCase{"VideoIsObject", R"({"video":{"ver":"1.0"}})", true, "", "", ""},
        ManifestCase{"SecondElementOnly", R"({"video":[null,{"ver":"1.0"}]})", true, "", "", ""},
        ManifestCase{"ChineseNotice",
                     gbk(R"({"video":[{"ver":"1.1","notice":"新版本<br>请下载","download":"d"}]})"),
                     true, "1.1", gbk("新版本<br>请下载"), "d"},
        ManifestCase{"EscapedChineseNotice",
                     R"({"video":[{"ver":"1.1","notice":"\u65b0\u7248","download":"d"}]})", true,
                     "1.1", gbk("新版"), "d"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JsonDocumentTest, ParseDiscardsEverythingStoredBeforeWhateverItsResult) {
    JsonDocument doc;
    doc.setText("k", "v");
    EXPECT_TRUE(doc.parse(R"({"a":1})"));
    EXPECT_FALSE(doc.exists("k"));
    EXPECT_EQ(doc.toJson(), R"({"a":1})");

    doc.setText("k", "v");
    EXPECT_FALSE(doc.parse("not json"));
    EXPECT_EQ(doc.toJson(), "null");  // an invalid text leaves the root null
    EXPECT_FALSE(doc.parse(""));
    EXPECT_EQ(doc.toJson(), "");  // the empty text leaves it absent
    EXPECT_EQ(doc.getType(), JsonType::Null);
}

TEST(JsonDocumentTest, ParseAcceptsExactlyJson) {
    for (const char* text : {"{'a':1}", "{a:1}", "[1,]", "{\"a\":1,}", "// c\n{}", "1 2",
                             "{\"a\":01}", "{\"a\":NaN}", "(function(){})()", "\"unterminated"}) {
        JsonDocument doc;
        EXPECT_FALSE(doc.parse(text)) << text;
        EXPECT_EQ(doc.toJson(), "null") << text;
    }
    for (const char* text : {"{}", "[]", "\"s\"", "0", "false", " {\"a\" : [ 1 , 2 ] } \n"}) {
        JsonDocument doc;
        EXPECT_TRUE(doc.parse(text)) << text;
    }
}

TEST(JsonDocumentTest, DuplicateMemberKeepsFirstPlaceAndLastValue) {
    std::string wide = "{";
    for (int i = 0; i < 40; ++i) {
        wide += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    }
    wide += "\"k3\":\"late\"}";
    for (const std::string& text : {std::string(R"({"a":1,"b":2,"a":3})"), wide}) {
        JsonDocument doc;
        ASSERT_TRUE(doc.parse(text));
        TextList names;
        int count = doc.getMemberNames(names);
        EXPECT_EQ(count, doc.getCount());
        EXPECT_EQ(names.size() > 1 ? names[1] : "", text == wide ? "k1" : "b");
    }
    JsonDocument small;
    small.parse(R"({"a":1,"b":2,"a":3})");
    EXPECT_EQ(small.toJson(), R"({"a":3,"b":2})");
    JsonDocument large;
    large.parse(wide);
    EXPECT_EQ(large.getCount(), 40);
    EXPECT_EQ(large.getText("k3"), "late");
}

// Reads of one root holding every kind of value.
class ReadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(doc.parse(
            R"({"a":2,"b":0.1,"c":"x","d":true,"e":null,"f":1e21,"g":[1,"two",null,[3,4],{"k":1}],)"
            R"("h":{"k":{"m":"deep"}},"i":0.30000000000000004,"j":-0.0,"k":123456789012345678,)"
            R"("l":1e-7,"m":false,"0":"zero"})"));
    }
    JsonDocument doc;
};

TEST_F(ReadTest, GetTextGivesTheTextFormOfEachKind) {
    struct Case {
        const char* path;
        bool asJson;
        Text expected;
    };
    const Case cases[] = {
        {"a", false, "2"},
        {"b", false, "0.1"},
        {"c", false, "x"},
        {"d", false, "true"},
        {"m", false, "false"},
        {"e", false, ""},
        {"f", false, "1e+21"},
        {"i", false, "0.3"},
        {"j", false, "-0"},
        {"k", false, "1.234567890123e+17"},
        {"l", false, "1e-07"},
        {"g", false, "1,two,,3,4,[object Object]"},
        {"h", false, "[object Object]"},
        {"h.k.m", false, "deep"},
        {"g[1]", false, "two"},
        {"g[3][1]", false, "4"},
        {"g[4].k", false, "1"},
        {"zz", false, ""},
        {"zz.y", false, ""},
        {"c.length", false, ""},
        {"g[9]", false, ""},
        {"[0]", false, "zero"},  // an index on an object reads the member of that name
        {"", false, ""},
        {"c", true, "\"x\""},
        {"a", true, "2"},
        {"e", true, "null"},
        {"g", true, R"([1,"two",null,[3,4],{"k":1}])"},
        {"h", true, R"({"k":{"m":"deep"}})"},
        {"zz", true, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(doc.getText(c.path, c.asJson), c.expected) << c.path << " asJson=" << c.asJson;
    }
}

TEST_F(ReadTest, GetTypeExistsGetNumberAndGetJson) {
    struct Case {
        const char* path;
        JsonType type;
        bool exists;
        double number;
        Text json;
    };
    const Case cases[] = {
        {"a", JsonType::Number, true, 2, "2"},
        {"c", JsonType::String, true, 0, "\"x\""},
        {"d", JsonType::Boolean, true, 0, "true"},
        {"e", JsonType::Null, false, 0, "null"},
        {"zz", JsonType::Null, false, 0, ""},
        {"zz.y", JsonType::Null, false, 0, ""},
        {"h", JsonType::Object, true, 0, R"({"k":{"m":"deep"}})"},
        {"g", JsonType::Array, true, 0, R"([1,"two",null,[3,4],{"k":1}])"},
        {"g[2]", JsonType::Null, false, 0, "null"},
        {"g[0]", JsonType::Number, true, 1, "1"},
        {"b", JsonType::Number, true, 0.1, "0.1"},
        {"[0]", JsonType::Null, false, 0, ""},  // the dot join needs a name first
        {"a.", JsonType::Null, false, 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(doc.getType(c.path), c.type) << c.path;
        EXPECT_EQ(doc.exists(c.path), c.exists) << c.path;
        EXPECT_EQ(doc.getNumber(c.path), c.number) << c.path;
        EXPECT_EQ(doc.getJson(c.path), c.json) << c.path;
    }
    EXPECT_EQ(doc.getType(), JsonType::Object);
    EXPECT_FALSE(doc.exists(""));
}

TEST(JsonDocumentTest, RootArrayIsReachedOnlyWhereTheJoinAllowsALeadingBracket) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(R"(["p",5,{"name":"n"},0.30000000000000004])"));
    EXPECT_EQ(doc.getText("[0]"), "p");
    EXPECT_EQ(doc.getText("[1]"), "5");
    EXPECT_EQ(doc.getText("[2].name"), "n");
    EXPECT_EQ(doc.getText("[3]"), "0.3");  // the "%.13g" form after a leading bracket too
    EXPECT_FALSE(doc.exists("[0]"));
    EXPECT_EQ(doc.getJson("[0]"), "");
    EXPECT_EQ(doc.getType("[0]"), JsonType::Null);
    EXPECT_EQ(doc.getType(), JsonType::Array);
    EXPECT_EQ(doc.getCount(), 4);
    EXPECT_EQ(doc.getCount("[2]"), 1);
    EXPECT_EQ(doc.getObject("[2]").toJson(), R"({"name":"n"})");
}

TEST(JsonDocumentTest, MalformedPathsNameNothingAndChangeNothing) {
    for (const char* path : {"a..b", "a.", ".a", "a[", "a[x]", "a[-1]", "a[ 0]", "a b", "1a", "a]",
                             "a[0]x", "a.[0]", "a-b", "a['b']"}) {
        JsonDocument doc;
        ASSERT_TRUE(doc.parse(R"({"a":[{"b":1}],"1a":2})"));
        doc.setText(path, "v");
        doc.setNumber(path, 1);
        doc.setJson(path, "1");
        doc.append("v", path);
        doc.removeAtPath(path);
        EXPECT_EQ(doc.toJson(), R"({"a":[{"b":1}],"1a":2})") << path;
        EXPECT_EQ(doc.getText(path), "") << path;
        EXPECT_FALSE(doc.exists(path)) << path;
    }
}

TEST(JsonDocumentTest, ChineseNamesAndValuesCrossInCodePage936) {
    static const Text kName = gbk("名称");
    static const Text kValue = gbk("值：中文");
    // A name whose second byte is "[" must be read as one character, not as a bracket.
    static const Text kTrailBracketName = "\x81\x5b";
    JsonDocument doc;
    ASSERT_TRUE(
        doc.parse("{\"" + kName + "\":\"" + kValue + "\",\"" + kTrailBracketName + "\":[7]}"));
    EXPECT_EQ(doc.getText(kName), kValue);
    EXPECT_EQ(doc.getText(kTrailBracketName + "[0]"), "7");
    TextList names;
    ASSERT_EQ(doc.getMemberNames(names), 2);
    EXPECT_EQ(names[0], kName);
    EXPECT_EQ(names[1], kTrailBracketName);

    doc.setText("v", kValue);
    EXPECT_EQ(doc.getText("v"), kValue);
    EXPECT_EQ(doc.getJson("v"), "\"" + kValue + "\"");
    EXPECT_EQ(textToUtf8(doc.getJson("v")), "\"值：中文\"");
}

TEST(JsonDocumentTest, JsonTextEscapesWhatCodePage936CannotHold) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(
        R"(["\u0001\n\t\"\\/", "\u007f\u00ad\u2028\ufeff", "\ud83d\ude00", "\u00e9\u4e2d"])"));
    EXPECT_EQ(doc.getItemText(0, "", true), R"("\u0001\n\t\"\\/")");
    EXPECT_EQ(doc.getItemText(1, "", true), R"("\u007f\u00ad\u2028\ufeff")");
    EXPECT_EQ(doc.getItemText(2, "", true), R"("\ud83d\ude00")");
    EXPECT_EQ(doc.getItemText(3, "", true), gbk("\"é中\""));
    // The escaped text loads back to the same value.
    JsonDocument again;
    ASSERT_TRUE(again.parse(doc.toJson()));
    EXPECT_EQ(again.toJson(), doc.toJson());
    EXPECT_EQ(again.getItemText(2, "", true), R"("\ud83d\ude00")");
}

// Every character, written out as JSON text in code page 936 and read back as UTF-8 JSON,
// keeps its meaning: what the code page lacks travels as a \u escape.
TEST(JsonDocumentTest, JsonTextKeepsEveryCharacterThroughTheCodePage) {
    std::vector<char32_t> characters;
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
        if (c < 0xD800 || c > 0xDFFF) {
            characters.push_back(c);
        }
    }
    characters.insert(characters.end(), {0x10000, 0x1F600, 0x10FFFF});
    nlohmann::json expected = nlohmann::json::array();
    for (char32_t c : characters) {
        std::u16string units;
        if (c > 0xFFFF) {
            units = {static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                     static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
        } else {
            units = {static_cast<char16_t>(c)};
        }
        expected.push_back(wideToUtf8(units));
    }
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(expected.dump(-1, ' ', true)));  // all escaped: plain ASCII
    nlohmann::json written = nlohmann::json::parse(textToUtf8(doc.toJson()), nullptr, false);
    ASSERT_TRUE(written.is_array());
    ASSERT_EQ(written.size(), expected.size());
    int changed = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (written[i] != expected[i] && ++changed <= 5) {
            ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(characters[i]);
        }
    }
    EXPECT_EQ(changed, 0);
}

TEST(JsonDocumentTest, NumbersAreWrittenAsAScriptLanguageWritesThem) {
    JsonDocument doc;
    ASSERT_TRUE(
        doc.parse("[0,-0,2,2.0,0.1,1e21,1e20,123456789012345678,1.5e-7,0.000001,1e-7,"
                  "-2.5,0.30000000000000004,5e-324,1.7976931348623157e308,1E2]"));
    const char* expected[] = {"0",
                              "0",
                              "2",
                              "2",
                              "0.1",
                              "1e+21",
                              "100000000000000000000",
                              "123456789012345680",
                              "1.5e-7",
                              "0.000001",
                              "1e-7",
                              "-2.5",
                              "0.30000000000000004",
                              "5e-324",
                              "1.7976931348623157e+308",
                              "100"};
    std::string json = "[";
    for (int i = 0; i < static_cast<int>(std::size(expected)); ++i) {
        EXPECT_EQ(doc.getItemText(i), expected[i]) << i;
        json += (i ? "," : "") + std::string(expected[i]);
    }
    EXPECT_EQ(doc.toJson(), json + "]");
    EXPECT_FALSE(doc.parse("[1e400]"));  // beyond a double
}

TEST(JsonDocumentTest, SettersStoreAtDotJoinedPaths) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(R"({"a":1,"b":2,"o":{}})"));
    doc.setText("a", "x");
    doc.setText("o.k", "v");
    doc.setNumber("n", 2.5);
    doc.setJson("j", R"({"c":[1,{"d":null}]})");
    doc.setText("t", "[true]", true);
    EXPECT_EQ(doc.toJson(),
              R"({"a":"x","b":2,"o":{"k":"v"},"n":2.5,"j":{"c":[1,{"d":null}]},"t":[true]})");
    EXPECT_EQ(doc.getNumber("n"), 2.5);
    EXPECT_EQ(doc.getText("j.c[1].d"), "");
    EXPECT_TRUE(doc.exists("j.c[1]"));

    // Writes through a missing value, into a scalar, or with a text that is not JSON store nothing.
    const Text before = doc.toJson();
    doc.setText("zz.y", "v");
    doc.setText("a.y", "v");
    doc.setText("[0]", "v");
    doc.setJson("b", "");
    doc.setJson("b", "eval('1')");
    doc.setJson("b", "{'a':1}");
    doc.setText("b", "{", true);
    doc.setNumber("b", std::numeric_limits<double>::quiet_NaN());
    doc.setNumber("b", std::numeric_limits<double>::infinity());
    EXPECT_EQ(doc.toJson(), before);

    // Index steps write into arrays, filling a gap with nulls.
    doc.setText("j.c[3]", "w");
    EXPECT_EQ(doc.getJson("j.c"), R"([1,{"d":null},null,"w"])");
}

TEST(JsonDocumentTest, SetTextAsJsonWithAnEmptyValueStoresAnEmptyObject) {
    JsonDocument doc;
    Text value;
    doc.setText("k", value, true);
    EXPECT_EQ(value, "{}");
    EXPECT_EQ(doc.getType("k"), JsonType::Object);
    EXPECT_EQ(doc.toJson(), R"({"k":{}})");

    Text plain;
    doc.setText("p", plain);  // without asJson the empty text is stored as it is
    EXPECT_EQ(plain, "");
    EXPECT_EQ(doc.getJson("p"), "\"\"");
}

TEST(JsonDocumentTest, TextValuesAreStoredUnchanged) {
    const Text values[] = {"it's", "back\\slash\\n", "line\r\nbreak", "quote\"d", "tab\t"};
    for (const Text& value : values) {
        JsonDocument doc;
        doc.setText("k", value);
        EXPECT_EQ(doc.getText("k"), value);
        doc.append(value, "list");
        EXPECT_EQ(doc.getItemText(0, "list"), value);
        doc.setRoot(value);
        EXPECT_EQ(doc.getType(), JsonType::String);
        EXPECT_EQ(doc.getObject("").toJson(), "");  // the bracket-aware empty path names nothing
    }
    JsonDocument doc;
    doc.setRoot("it's \\ \"q\"");
    EXPECT_EQ(doc.toJson(), R"("it's \\ \"q\"")");
    doc.setText("cut", std::string_view("before\0after", 12));
    EXPECT_EQ(doc.getText("cut"), "");  // a string root holds no members
    doc.clear();
    doc.setText("cut", std::string_view("before\0after", 12));
    EXPECT_EQ(doc.getText("cut"), "before");  // a Text ends at its first zero byte
}

TEST(JsonDocumentTest, SetNumberKeepsTheFullDouble) {
    JsonDocument doc;
    const double third = 1.0 / 3.0;
    doc.setNumber("n", third);
    EXPECT_EQ(doc.getNumber("n"), third);
    EXPECT_EQ(doc.getText("n"), "0.3333333333333");
    doc.setNumber("big", 12345678901234567.0);
    EXPECT_EQ(doc.getNumber("big"), 12345678901234567.0);
}

TEST(JsonDocumentTest, RootReplacement) {
    struct Case {
        const char* name;
        void (*change)(JsonDocument&);
        Text json;
    };
    const Case cases[] = {
        {"clear", [](JsonDocument& d) { d.clear(); }, "{}"},
        {"resetNull", [](JsonDocument& d) { d.resetRoot(JsonType::Null); }, "{}"},
        {"resetObject", [](JsonDocument& d) { d.resetRoot(JsonType::Object); }, "{}"},
        {"resetArray", [](JsonDocument& d) { d.resetRoot(JsonType::Array); }, "[]"},
        {"resetUnused", [](JsonDocument& d) { d.resetRoot(static_cast<JsonType>(3)); },
         R"({"a":[1]})"},
        {"resetString", [](JsonDocument& d) { d.resetRoot(JsonType::String); }, R"({"a":[1]})"},
        {"setRoot", [](JsonDocument& d) { d.setRoot("v"); }, "\"v\""},
        {"setRootRaw", [](JsonDocument& d) { d.setRoot("[1,{}]", true); }, "[1,{}]"},
        {"setRootRawInvalid", [](JsonDocument& d) { d.setRoot("[1,", true); }, R"({"a":[1]})"},
        {"setRootRawEmpty", [](JsonDocument& d) { d.setRoot("", true); }, R"({"a":[1]})"},
    };
    for (const Case& c : cases) {
        JsonDocument doc;
        ASSERT_TRUE(doc.parse(R"({"a":[1]})"));
        c.change(doc);
        EXPECT_EQ(doc.toJson(), c.json) << c.name;
    }
    JsonDocument fresh;
    EXPECT_EQ(fresh.toJson(), "{}");
    EXPECT_EQ(fresh.rootName(), "da");
}

TEST(JsonDocumentTest, CopiesShareTheRootUntilOneStartsAfresh) {
    JsonDocument original;
    original.parse(R"({"a":1})");
    JsonDocument copy = original;
    copy.setText("b", "x");
    EXPECT_EQ(original.getText("b"), "x");

    copy.parse(R"({"c":2})");
    EXPECT_EQ(original.toJson(), R"({"a":1,"b":"x"})");
    EXPECT_EQ(copy.toJson(), R"({"c":2})");

    JsonDocument assigned;
    assigned = original;
    assigned.create();
    EXPECT_EQ(assigned.toJson(), "{}");
    EXPECT_EQ(original.getCount(), 2);
}

TEST(JsonDocumentTest, MovedFromDocumentGivesFailureResults) {
    JsonDocument source;
    source.parse(R"({"a":1})");
    JsonDocument target = std::move(source);
    EXPECT_EQ(target.getText("a"), "1");
    // The moved-from document has no root: everything fails quietly until create().
    EXPECT_FALSE(source.parse("{}"));  // NOLINT(bugprone-use-after-move)
    source.setText("a", "v");
    EXPECT_EQ(source.toJson(), "");
    EXPECT_EQ(source.getCount(), 0);
    source.create();
    EXPECT_EQ(source.toJson(), "{}");
}

TEST(JsonDocumentTest, GetObjectReturnsAnIndependentCopy) {
    JsonDocument doc;
    doc.parse(R"({"h":{"k":[1,2]},"s":"x","n":null})");
    JsonDocument part = doc.getObject("h");
    EXPECT_EQ(part.toJson(), R"({"k":[1,2]})");
    part.setText("k", "changed");
    EXPECT_EQ(doc.getJson("h"), R"({"k":[1,2]})");
    doc.setText("h", "gone");
    EXPECT_EQ(part.getText("k"), "changed");

    EXPECT_EQ(doc.getObject("s").toJson(), "\"x\"");
    EXPECT_EQ(doc.getObject("n").toJson(), "null");
    for (const char* nothing : {"zz", "zz.y", ""}) {
        JsonDocument absent = doc.getObject(nothing);
        EXPECT_EQ(absent.toJson(), "") << nothing;
        EXPECT_EQ(absent.getType(), JsonType::Null) << nothing;
        EXPECT_EQ(absent.rootName(), "da");
    }
}

}  // namespace
}  // namespace zentara
