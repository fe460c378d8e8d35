#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Reads JSON text token by token, in place, without building a document: the
// caller walks the structure it expects and passes over what it does not know.
//
// The grammar is strict JSON (RFC 8259) in UTF-8: a byte order mark at the
// start is allowed, invalid UTF-8, unpaired surrogate escapes and raw control
// characters in strings are not. The first error stops the reader; every
// later read fails too, and error() describes the first one.
class JsonReader
{
public:
    enum class Kind { End, Object, Array, String, Number, Boolean, Null, Invalid };

    explicit JsonReader(QByteArrayView text);

    // The kind of the next value (after white space), without reading it.
    Kind peek();
    // Reads the given punctuation character ('[', ']', '{', '}', ':' or ',')
    // when it comes next; otherwise reads nothing and returns false.
    bool consume(char punctuation);
    // Like consume(), but a missing character is an error.
    bool expect(char punctuation);
    // True when only white space is left.
    bool atEnd();

    std::optional<QString> readString();
    // A string holding standard Base64 (padded with "=" to a multiple of four
    // digits), decoded straight into the bytes it stands for.
    std::optional<QByteArray> readBase64String();
    std::optional<double> readNumber();
    std::optional<bool> readBoolean();
    bool readNull();
    // Reads any one value, however it is nested.
    bool skipValue();

    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    // Records an error at the current place (the first one is kept).
    void fail(const QString &what);

private:
    void skipWhitespace();
    bool readLiteral(QByteArrayView literal);
    bool skipValue(int depth);
    // Reads the four hexadecimal digits of a \u escape.
    std::optional<char16_t> readHexEscape();

    const char *m_begin;
    const char *m_position;
    const char *m_end;
    QString m_error;
};
