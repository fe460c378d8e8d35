#pragma once

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QStringView>

// Writes compact JSON text token by token.
//
// Large documents are written twice: first by a measuring writer, which only
// adds up the size, then by one that fills a buffer of exactly that size, so
// that the text is never reallocated or held twice while it is made. Parts of
// a document measured on their own can be written into their own places of
// one buffer, each by a writer of its own, on several threads at once.
//
// Strings are written in UTF-8 with the quotation mark, the reverse solidus,
// the solidus and the control characters escaped; a lone surrogate becomes
// U+FFFD. Data is written as a standard Base64 string, with its solidi
// escaped like those of any other string.
class JsonWriter
{
public:
    static JsonWriter measuring() { return JsonWriter(nullptr, 0); }
    // Writes into the `capacity` bytes at `out`. Text beyond the capacity is
    // counted but not stored, so a size() other than the capacity at the end
    // shows that the tokens were not the ones measured.
    JsonWriter(char *out, qsizetype capacity);

    void punctuation(char c) { append(&c, 1); }
    // `"key":`
    void key(QLatin1StringView key);
    void string(QStringView text);
    void base64String(QByteArrayView data);
    void boolean(bool value);
    // The shortest decimal text that reads back as the same double; false
    // (nothing written) when the value is not finite.
    bool number(double value);

    // The size of the text given so far, stored or not.
    qsizetype size() const { return m_size; }

private:
    void append(const char *bytes, qsizetype count);

    char *m_out;
    qsizetype m_capacity;
    qsizetype m_size = 0;
};
