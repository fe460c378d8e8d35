#include "store/Codecs.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

#include <gtest/gtest.h>

namespace {

// The digits of the data as Qt writes them, through the pair table.
QByteArray encodedByPairs(const QByteArray &data)
{
    QByteArray text;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    for (qsizetype i = 0; i + 3 <= data.size(); i += 3) {
        const unsigned group = unsigned(bytes[i]) << 16 | unsigned(bytes[i + 1]) << 8 | bytes[i + 2];
        for (const unsigned half : { group >> 12, group & 0xFFF }) {
            const Base64::DigitPair &pair = Base64::digitPairsEscapingSolidus[half];
            text.append(pair.text, pair.size);
        }
    }
    return text;
}

// Decodes whole groups where it can and the rest one character at a time,
// as the JSON reader does; absent at the first error.
std::optional<QByteArray> decoded(const QByteArray &text, Base64::DigitDecoder::Result *error = nullptr)
{
    QByteArray bytes(text.size(), '\0');
    auto *out = reinterpret_cast<unsigned char *>(bytes.data());
    const auto *in = reinterpret_cast<const unsigned char *>(text.constData());
    const auto *end = in + text.size();
    Base64::DigitDecoder tail;
    while (in < end) {
        const quint32 group
            = end - in >= 4 && tail.takesWholeGroups() ? Base64::decodeGroup(in) : Base64::notAGroup;
        if (!(group & Base64::notAGroup)) {
            out = Base64::putGroup(out, group);
            in += 4;
            continue;
        }
        const Base64::DigitDecoder::Result result = tail.put(*in++, out);
        if (result != Base64::DigitDecoder::Result::Ok) {
            if (error)
                *error = result;
            return std::nullopt;
        }
    }
    if (!tail.betweenGroups())
        return std::nullopt;
    bytes.truncate(reinterpret_cast<char *>(out) - bytes.data());
    return bytes;
}

} // namespace

TEST(CodecsTest, Base64DigitsAreTheStandardAlphabetsAndNothingElse)
{
    const QByteArray alphabet(Base64::alphabet);
    ASSERT_EQ(alphabet.size(), 64);
    for (unsigned c = 0; c < 300; ++c) {
        const qsizetype index = c < 256 ? alphabet.indexOf(char(c)) : -1;
        EXPECT_EQ(Base64::digitValue(c), index < 0 ? Base64::notADigit : unsigned(index)) << c;
    }
}

TEST(CodecsTest, Base64RoundTripsEveryLengthAsQtWritesIt)
{
    QByteArray random(3000, Qt::Uninitialized);
    QRandomGenerator generator(5);
    for (char &byte : random)
        byte = char(generator.bounded(256));
    for (const qsizetype length : { 0, 1, 2, 3, 4, 5, 6, 299, 300, 3000 }) {
        SCOPED_TRACE(length);
        const QByteArray data = random.left(length);
        const QByteArray standard = data.toBase64();
        EXPECT_EQ(decoded(standard), data);
        // Whole groups through the pair table, every solidus escaped.
        EXPECT_EQ(encodedByPairs(data), standard.left(length / 3 * 4).replace("/", "\\/"));
    }
    EXPECT_EQ(encodedByPairs(QByteArray("\xff\xff\xff", 3)), QByteArray(R"(\/\/\/\/)"));
}

TEST(CodecsTest, Base64RejectsWhatIsNotStandardAndPadded)
{
    using Result = Base64::DigitDecoder::Result;
    const struct
    {
        QByteArray text;
        std::optional<Result> error; // absent: an incomplete last group
    } cases[] = {
        { "QUJ", std::nullopt },
        { "QU=D", Result::DigitsAfterPadding },
        { "Q===", Result::MisplacedPadding },
        { "QQ==QUJD", Result::DigitsAfterPadding },
        { "QQ===", Result::DigitsAfterPadding },
        { "QU-_", Result::NotADigit },
        { "QUJD\nQUJD", Result::NotADigit },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        Result error = Result::Ok;
        EXPECT_FALSE(decoded(c.text, &error).has_value());
        EXPECT_EQ(error, c.error.value_or(Result::Ok));
    }
}

TEST(CodecsTest, HexDigitsAndUtf8)
{
    const QByteArray digits = QByteArray(Hex::lowerDigits) + "ABCDEF";
    for (qsizetype i = 0; i < digits.size(); ++i)
        EXPECT_EQ(Hex::digitValue(digits[i]), i < 16 ? i : i - 6) << digits[i];
    for (const char c : { 'g', 'G', '/', ':', '@', '`', ' ' })
        EXPECT_EQ(Hex::digitValue(c), -1) << c;

    // The boundaries of every length, against Qt's encoder.
    for (const char32_t c : { 0x00, 0x7F, 0x80, 0x7FF, 0x800, 0xFFFD, 0xFFFF, 0x10000, 0x1F600, 0x10FFFF }) {
        char out[4];
        const int size = Utf8::put(c, out);
        EXPECT_EQ(QByteArray(out, size), QString::fromUcs4(&c, 1).toUtf8()) << unsigned(c);
    }
}
