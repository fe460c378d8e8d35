#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QStringView>

// Writes compact JSON text token by token into one buffer.
//
// Large documents are written twice: first by a measuring writer, which only
// adds up the size, then by one that reserves exactly that size and fills it,
// so that the text is never reallocated or held twice while it is made.
//
// Strings are written in UTF-8 with the quotation mark, the reverse solidus,
// the solidus and the control characters escaped; a lone surrogate becomes
// U+FFFD. Data is written as a standard Base64 string, with its solidi
// escaped like those of any other string.
class JsonWriter
{
public:
    static JsonWriter measuring() { return JsonWriter(); }
    explicit JsonWriter(qsizetype capacity);

    void punctuation(char c) { append(&c, 1); }
    // `"key":`
    void key(QLatin1StringView key);
    void string(QStringView text);
    void base64String(QByteArrayView data);
    void boolean(bool value);
    // The shortest decimal text that reads back as the same double; false
    // (nothing written) when the value is not finite.
    bool number(double value);

    qsizetype size() const { return m_size; }
    QByteArray takeText() { return std::move(m_text); }

private:
    JsonWriter() = default;
    void append(const char *bytes, qsizetype count);

    bool m_measuring = true;
    qsizetype m_size = 0;
    QByteArray m_text;
};
