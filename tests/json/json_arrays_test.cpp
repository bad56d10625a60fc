#include <string>

#include <gtest/gtest.h>

#include "json/json_document.h"
#include "platform/code_page.h"

namespace zentara {
namespace {

class ArraysTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(doc.parse(R"({"a":1,"b":[1,2,3]})")); }
    JsonDocument doc;
};

TEST_F(ArraysTest, CountsMembersAndElements) {
    struct Case {
        const char* path;
        int count;
    };
    const Case cases[] = {{"", 2}, {"b", 3}, {"a", 0}, {"zz", 0}, {"zz.y", 0}, {"[0]", 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(doc.getCount(c.path), c.count) << c.path;
    }
}

TEST_F(ArraysTest, ListsMemberNamesInOrderAndIndexesOfArrays) {
    struct Case {
        const char* path;
        TextList names;
    };
    const Case cases[] = {
        {"", {"a", "b"}}, {"b", {"0", "1", "2"}}, {"a", {}}, {"zz", {}}, {"zz.y", {}}};
    for (const Case& c : cases) {
        TextList names = {"stale"};
        EXPECT_EQ(doc.getMemberNames(names, c.path), static_cast<int>(c.names.size())) << c.path;
        EXPECT_EQ(names, c.names) << c.path;
    }
}

TEST(JsonArraysTest, MemberNamesAreListedExactly) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(R"({"z":0,"a,b":1,"toJSONString":2,"xparseJSON":3,"":4})"));
    TextList names;
    ASSERT_EQ(doc.getMemberNames(names), 5);
    EXPECT_EQ(names, (TextList{"z", "a,b", "toJSONString", "xparseJSON", ""}));
}

TEST_F(ArraysTest, AppendTurnsANonArrayIntoAnArray) {
    doc.append("x", "list");
    EXPECT_EQ(doc.getJson("list"), R"(["x"])");
    doc.append("7", "list", true);
    EXPECT_EQ(doc.getJson("list"), R"(["x",7])");
    doc.append(R"({"k":[true]})", "list", true);
    EXPECT_EQ(doc.getJson("list"), R"(["x",7,{"k":[true]}])");
    doc.append("x", "a");
    EXPECT_EQ(doc.getJson("a"), R"(["x"])");
    doc.append("4", "b", true);
    EXPECT_EQ(doc.getJson("b"), "[1,2,3,4]");
    doc.append("deep", "b[4]");  // one past the end: a new element, made an array
    EXPECT_EQ(doc.getJson("b"), R"([1,2,3,4,["deep"]])");
}

TEST_F(ArraysTest, AppendThatCannotCompleteChangesNothing) {
    const Text before = doc.toJson();
    doc.append("x", "zz.y");          // missing parent
    doc.append("x", "a.y");           // parent is a number
    doc.append("x", "b.y");           // a name on an array
    doc.append("{", "a", true);       // not JSON: a stays a number
    doc.append("", "a", true);        // the empty text is no JSON value either
    doc.append("'s'", "list", true);  // script, not JSON: no member is created
    doc.append("x", "[0]");           // the root-when-empty join needs a name first
    EXPECT_EQ(doc.toJson(), before);
}

TEST(JsonArraysTest, AppendOnTheRoot) {
    JsonDocument doc;
    doc.append("x");
    EXPECT_EQ(doc.toJson(), R"(["x"])");
    doc.append("null", "", true);
    EXPECT_EQ(doc.toJson(), R"(["x",null])");
    doc.parse("");  // absent root
    doc.append("y");
    EXPECT_EQ(doc.toJson(), R"(["y"])");
}

TEST(JsonArraysTest, GetItemTextUsesTheScriptFormWithoutANumberRule) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(R"({"b":[1,2,0.30000000000000004,"s",true,null,[1,[2]],{"k":1}]})"));
    struct Case {
        int index;
        bool asJson;
        Text text;
    };
    const Case cases[] = {
        {1, false, "2"},
        {0, true, "1"},
        {2, false, "0.30000000000000004"},
        {3, false, "s"},
        {3, true, "\"s\""},
        {4, false, "true"},
        {5, false, ""},
        {5, true, "null"},
        {6, false, "1,2"},
        {6, true, "[1,[2]]"},
        {7, false, "[object Object]"},
        {7, true, R"({"k":1})"},
        {8, false, ""},
        {8, true, ""},
        {-1, false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(doc.getItemText(c.index, "b", c.asJson), c.text) << c.index << " " << c.asJson;
    }
    EXPECT_EQ(doc.getText("b[2]"), "0.3");  // getText keeps its "%.13g" form
    EXPECT_EQ(doc.getItemText(0, "zz"), "");
    EXPECT_EQ(doc.getItemText(0), "");  // an index on an object without a member "0"
}

TEST(JsonArraysTest, GetItemObjectReturnsAnIndependentCopyOfTheElement) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(R"({"b":[1,2,3,{"k":"v"}]})"));
    EXPECT_EQ(doc.getItemObject(2, "b").toJson(), "3");
    JsonDocument item = doc.getItemObject(3, "b");
    EXPECT_EQ(item.getText("k"), "v");
    item.setText("k", "changed");
    EXPECT_EQ(doc.getText("b[3].k"), "v");
    for (int index : {4, -1}) {
        JsonDocument none = doc.getItemObject(index, "b");
        EXPECT_EQ(none.toJson(), "") << index;
        EXPECT_EQ(none.getType(), JsonType::Null) << index;
    }
    JsonDocument rootArray;
    rootArray.parse(R"(["p",["q"]])");
    EXPECT_EQ(rootArray.getItemObject(1).toJson(), R"(["q"])");
}

TEST(JsonArraysTest, SetItemAndRemoveItemWorkOnARootArray) {
    struct Case {
        const char* name;
        void (*change)(JsonDocument&);
        Text json;
    };
    const Case cases[] = {
        {"remove", [](JsonDocument& d) { d.removeItem(1); }, R"(["p","r"])"},
        {"removeFirst", [](JsonDocument& d) { d.removeItem(0); }, R"(["q","r"])"},
        {"removePastEnd", [](JsonDocument& d) { d.removeItem(3); }, R"(["p","q","r"])"},
        {"removeNegative", [](JsonDocument& d) { d.removeItem(-1); }, R"(["p","q","r"])"},
        {"set", [](JsonDocument& d) { d.setItem(0, "z"); }, R"(["z","q","r"])"},
        {"setRaw", [](JsonDocument& d) { d.setItem(2, R"({"k":1})", true); },
         R"(["p","q",{"k":1}])"},
        {"setRawInvalid", [](JsonDocument& d) { d.setItem(2, "{", true); }, R"(["p","q","r"])"},
        {"setPastEnd", [](JsonDocument& d) { d.setItem(4, "w"); }, R"(["p","q","r",null,"w"])"},
        {"setNegative", [](JsonDocument& d) { d.setItem(-1, "w"); }, R"(["p","q","r"])"},
        {"setFarPastEnd", [](JsonDocument& d) { d.setItem(2000000000, "w"); }, R"(["p","q","r"])"},
    };
    for (const Case& c : cases) {
        JsonDocument doc;
        ASSERT_TRUE(doc.parse(R"(["p","q","r"])"));
        c.change(doc);
        EXPECT_EQ(doc.toJson(), c.json) << c.name;
    }
    JsonDocument sequence;
    sequence.parse(R"(["p","q","r"])");
    sequence.removeItem(1);
    sequence.setItem(0, "z");
    EXPECT_EQ(sequence.toJson(), R"(["z","r"])");
}

TEST(JsonArraysTest, SetItemAndRemoveItemLeaveANonArrayRootAlone) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(R"({"0":"a"})"));
    doc.setItem(0, "z");
    doc.removeItem(0);
    EXPECT_EQ(doc.toJson(), R"({"0":"a"})");
}

TEST(JsonArraysTest, RemoveAtPathRemovesTheFirstBracketedIndex) {
    struct Case {
        const char* path;
        Text json;
    };
    const Text original = R"({"a":1,"b":[1,2,3],"c":[{"d":[1,2,3]},{"d":[4]}],"o":{"0":1}})";
    const Case cases[] = {
        {"b[0]", R"({"a":1,"b":[2,3],"c":[{"d":[1,2,3]},{"d":[4]}],"o":{"0":1}})"},
        {"b[2]", R"({"a":1,"b":[1,2],"c":[{"d":[1,2,3]},{"d":[4]}],"o":{"0":1}})"},
        {"c[1].d[2]", R"({"a":1,"b":[1,2,3],"c":[{"d":[1,2,3]}],"o":{"0":1}})"},
        {"c[0].d[0]", R"({"a":1,"b":[1,2,3],"c":[{"d":[4]}],"o":{"0":1}})"},
        {"b", original},       // no bracket
        {"[0]", original},     // no member name before the bracket
        {"b[3]", original},    // past the end
        {"b[x]", original},    // not an index
        {"b[]", original},     // no index
        {"b[-1]", original},   // not an index
        {"b[", original},      // no closing bracket
        {"a[0]", original},    // not an array
        {"o[0]", original},    // an object, even with a member "0"
        {"zz[0]", original},   // missing
        {"b.x[0]", original},  // through an array by name
    };
    for (const Case& c : cases) {
        JsonDocument doc;
        ASSERT_TRUE(doc.parse(original));
        doc.removeAtPath(c.path);
        EXPECT_EQ(doc.toJson(), c.json) << c.path;
    }
}

}  // namespace
}  // namespace zentara
