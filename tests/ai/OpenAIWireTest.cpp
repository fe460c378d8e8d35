#include "ai/OpenAIRequest.h"
#include "ai/OpenAIResponse.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

TEST(OpenAIWireTest, RequestBodyHasTheServiceShapeAndNoNulls)
{
    const QByteArray body
        = OpenAIRequest::forImage(QStringLiteral("What do you see in this image?"), "iVBORw0KGgo=").toJson();
    EXPECT_EQ(body,
        R"({"model":"gpt-4o","messages":[{"role":"user","content":[{"type":"text","text":"What do you see in this image?"},)"
        R"({"type":"image_url","image_url":{"url":"data:image/png;base64,iVBORw0KGgo=","detail":"high"}}]}],)"
        R"("max_tokens":1000,"temperature":0.7})");
    EXPECT_FALSE(body.contains("null"));
}

TEST(OpenAIWireTest, PromptReachesTheServiceUnchanged)
{
    const QString prompt
        = QStringLiteral("Say \"hi\" \\ back\nline two\ttab\r\x01 – Grüße 你好 🙂 </script>");
    const QByteArray body = OpenAIRequest::forImage(prompt, "AAAA").toJson();

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << body.toStdString();
    const QJsonArray content = document[QStringLiteral("messages")][0][QStringLiteral("content")].toArray();
    ASSERT_EQ(content.size(), 2);
    EXPECT_EQ(content[0][QStringLiteral("text")].toString(), prompt);
    EXPECT_FALSE(content[0].toObject().contains(QStringLiteral("image_url")));
    EXPECT_FALSE(content[1].toObject().contains(QStringLiteral("text")));
    EXPECT_TRUE(document[QStringLiteral("max_tokens")].isDouble());
    EXPECT_DOUBLE_EQ(document[QStringLiteral("temperature")].toDouble(), 0.7);
}

TEST(OpenAIWireTest, AnswersDecodeReadingOnlyTheMessageContents)
{
    const auto decoded = OpenAIResponse::decode(
        R"({"id":"x","object":"chat.completion","usage":{"total_tokens":3},"choices":[)"
        R"({"index":0,"finish_reason":"stop","message":{"role":"assistant","content":"  first \n"}},)"
        R"({"index":1,"message":{"content":""}}]})");
    ASSERT_TRUE(std::holds_alternative<OpenAIResponse>(decoded));
    const OpenAIResponse &response = std::get<OpenAIResponse>(decoded);
    ASSERT_EQ(response.choices.size(), 2);
    EXPECT_EQ(response.choices[0].message.content, QStringLiteral("  first \n"));
    EXPECT_EQ(response.choices[1].message.content, QString());

    const auto empty = OpenAIResponse::decode(R"({"choices":[]})");
    ASSERT_TRUE(std::holds_alternative<OpenAIResponse>(empty));
    EXPECT_TRUE(std::get<OpenAIResponse>(empty).choices.isEmpty());
}

TEST(OpenAIWireTest, MalformedAnswersFailAsAWhole)
{
    const std::pair<QByteArray, QString> cases[] = {
        { "not json", QStringLiteral("dataCorrupted") },
        { "", QStringLiteral("dataCorrupted") },
        { R"({"choices":[]} trailing)", QStringLiteral("dataCorrupted") },
        { R"([{"choices":[]}])", QStringLiteral("typeMismatch at the top level") },
        { R"({"id":"x"})", QStringLiteral("keyNotFound(\"choices\")") },
        { R"({"choices":{}})", QStringLiteral("typeMismatch at choices:") },
        { R"({"choices":[{"text":"old style"}]})", QStringLiteral("keyNotFound(\"message\") at choices[0]") },
        { R"({"choices":[{"message":"hi"}]})", QStringLiteral("typeMismatch at choices[0].message:") },
        { R"({"choices":[{"message":{"role":"assistant"}}]})",
            QStringLiteral("keyNotFound(\"content\") at choices[0].message") },
        { R"({"choices":[{"message":{"content":"fine"}},{"message":{"content":null}}]})",
            QStringLiteral("valueNotFound at choices[1].message.content") },
        { R"({"choices":[{"message":{"content":42}}]})",
            QStringLiteral(
                "typeMismatch at choices[0].message.content: Expected to decode a string but found a "
                "number instead.") },
    };
    for (const auto &[body, rendering] : cases) {
        const auto decoded = OpenAIResponse::decode(body);
        ASSERT_TRUE(std::holds_alternative<DecodingError>(decoded)) << body.toStdString();
        EXPECT_TRUE(std::get<DecodingError>(decoded).rendering.contains(rendering))
            << std::get<DecodingError>(decoded).rendering.toStdString();
    }
}
