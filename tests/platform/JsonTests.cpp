#include "platform/Json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tessarin;

TEST(JsonWrite, SortsKeysEscapesSlashesAndIndents)
{
    QJsonObject inner { { "path", "/media/clip.mp4" } };
    QJsonObject root { { "zeta", 1 }, { "Alpha", true }, { "beta", QJsonArray { 1.5, "a\"b" } }, { "inner", inner },
                       { "empty", QJsonArray() } };
    const auto pretty = json::write(root, json::Layout::pretty);
    ASSERT_TRUE(pretty);
    EXPECT_EQ(*pretty, "{\n"
                       "  \"Alpha\" : true,\n"
                       "  \"beta\" : [\n"
                       "    1.5,\n"
                       "    \"a\\\"b\"\n"
                       "  ],\n"
                       "  \"empty\" : [],\n"
                       "  \"inner\" : {\n"
                       "    \"path\" : \"\\/media\\/clip.mp4\"\n"
                       "  },\n"
                       "  \"zeta\" : 1\n"
                       "}");
    const auto compact = json::write(root, json::Layout::compact);
    ASSERT_TRUE(compact);
    EXPECT_EQ(*compact, R"({"Alpha":true,"beta":[1.5,"a\"b"],"empty":[],"inner":{"path":"\/media\/clip.mp4"},"zeta":1})");
}

TEST(JsonWrite, NumbersAreShortestAndRoundTrip)
{
    QJsonArray numbers { 5.0, 0.1, -2.5, 1e21, 1.0 / 3.0, 1700000000.25 };
    const auto text = json::write(numbers, json::Layout::compact);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "[5,0.1,-2.5,1e+21,0.3333333333333333,1700000000.25]");
    const auto back = json::parseArray(*text);
    ASSERT_TRUE(back);
    for (qsizetype i = 0; i < numbers.size(); ++i)
        EXPECT_EQ(back->at(i).toDouble(), numbers.at(i).toDouble());
}

TEST(JsonWrite, RefusesNonFiniteNumbers)
{
    for (double bad : { std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity() }) {
        QJsonObject root { { "ok", 1 }, { "deep", QJsonObject { { "bad", bad } } } };
        EXPECT_FALSE(json::write(root, json::Layout::pretty));
    }
}

TEST(JsonWrite, ControlCharactersAndUnicodeSurvive)
{
    const QString text = QString::fromUtf8("tab\tnl\n\x01 è \\ ✓");
    const auto out = json::write(QJsonArray { text }, json::Layout::compact);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, QByteArray("[\"tab\\tnl\\n\\u0001 ") + QString::fromUtf8("è").toUtf8() + " \\\\ "
                  + QString::fromUtf8("✓").toUtf8() + "\"]");
    EXPECT_EQ(json::parseArray(*out)->at(0).toString(), text);
}

TEST(JsonRead, RequiredKeysAndTypesAreChecked)
{
    const auto object = json::parseObject(R"({"name":"A","count":3,"ratio":0.5,"on":true,"list":[],"sub":{}})");
    ASSERT_TRUE(object);
    json::ObjectReader reader(*object);
    EXPECT_EQ(reader.string("name"), "A");
    EXPECT_EQ(reader.integer("count"), 3);
    EXPECT_EQ(reader.number("count"), 3.0); // integer notation is a number too
    EXPECT_EQ(reader.number("ratio"), 0.5);
    EXPECT_TRUE(reader.boolean("on"));
    EXPECT_TRUE(reader.array("list").isEmpty());
    EXPECT_TRUE(reader.object("sub").isEmpty());
    EXPECT_TRUE(reader.ok());

    json::ObjectReader wrongType(*object);
    wrongType.string("count");
    EXPECT_FALSE(wrongType.ok());
    EXPECT_TRUE(wrongType.error().contains("count"));

    json::ObjectReader missing(*object);
    missing.number("absent");
    EXPECT_FALSE(missing.ok());

    json::ObjectReader fractional(*object);
    fractional.integer("ratio");
    EXPECT_FALSE(fractional.ok()) << "an Int field refuses 0.5";
}

TEST(JsonRead, OptionalKeysTakeNullAsAbsentButRefuseOtherTypes)
{
    const auto object = json::parseObject(R"({"a":null,"b":"x","c":1.0})");
    ASSERT_TRUE(object);
    json::ObjectReader reader(*object);
    EXPECT_FALSE(reader.optionalNumber("a"));
    EXPECT_FALSE(reader.optionalNumber("missing"));
    EXPECT_EQ(reader.optionalInteger("c"), 1);
    EXPECT_TRUE(reader.ok());
    EXPECT_FALSE(reader.optionalNumber("b"));
    EXPECT_FALSE(reader.ok());
}

TEST(JsonRead, TopLevelMustBeTheAskedKind)
{
    QString error;
    EXPECT_FALSE(json::parseObject("[1]", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(json::parseObject("not json"));
    EXPECT_FALSE(json::parseObject(""));
    EXPECT_FALSE(json::parseArray("{}"));
    EXPECT_TRUE(json::parseArray("[]"));
}

TEST(JsonRead, AHalfSurrogatePairIsNotTextAnywhere)
{
    // Written back it would come out as "?": refused as invalid UTF-8 is.
    for (const char* text : {R"({"path":"\ud800"})", R"({"path":"a\udc00b"})", R"({"\udbff":1})",
                             R"({"list":[{"name":"\ude00\ud83d"}]})", R"({"a":"\ud83d\ud83d"})"})
        EXPECT_FALSE(json::parseObject(text)) << text;
    EXPECT_FALSE(json::parseArray(R"(["\ud800"])"));
    const auto whole = json::parseObject(R"({"name":"\ud83d\ude00"})");
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->value("name").toString(), QString::fromUtf8("\xf0\x9f\x98\x80"));
}

TEST(JsonUuid, StrictFormAndUpperCaseText)
{
    const auto uuid = json::parseUuid("3f2504e0-4f89-11d3-9a0c-0305e82c3301");
    ASSERT_TRUE(uuid);
    EXPECT_EQ(json::uuidText(*uuid), "3F2504E0-4F89-11D3-9A0C-0305E82C3301");
    EXPECT_EQ(json::parseUuid("3F2504E0-4F89-11D3-9A0C-0305E82C3301"), uuid);
    EXPECT_TRUE(json::parseUuid("00000000-0000-0000-0000-000000000000"));
    for (const char* bad : { "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}", "3F2504E04F8911D39A0C0305E82C3301",
                             "3F2504E0-4F89-11D3-9A0C-0305E82C330", "3F2504E0-4F89-11D3-9A0C-0305E82C330G",
                             "3F2504E0_4F89-11D3-9A0C-0305E82C3301", "", " 3F2504E0-4F89-11D3-9A0C-0305E82C3301" })
        EXPECT_FALSE(json::parseUuid(bad)) << bad;
}
