// The factory information file's header scan on any text, read as the window reads the file: the
// administrator view's list of models and the reset's search for the block of the chosen entry.
// Promises: a file is refused, with no model listed, exactly when it holds a line longer than a
// block's longest (512 characters) or more than 4096 models; otherwise the list names the model of
// every header line, in file order, and the reset finds each entry on that header line and no
// block past the last; so the model the administrator picks is the model whose block goes to the
// tag.

#include "fuzzcheck.h"
#include "profileformat.h"

#include <QBuffer>
#include <QTextStream>

#include <cstddef>
#include <cstdint>

namespace {

constexpr int MAX_LINE = 512;
constexpr int MAX_MODELS = 4096;

// The file as the window opens it, in text mode.
struct TextFile
{
    explicit TextFile(const QByteArray& content)
    {
        buffer.setData(content);
        FUZZ_CHECK(buffer.open(QIODevice::ReadOnly | QIODevice::Text));
    }
    QBuffer buffer;
    QTextStream in{&buffer};
};

// The lines as the text stream decodes them (a byte order mark chooses UTF-16 or UTF-32).
QStringList linesOf(const QByteArray& content)
{
    TextFile file(content);
    return file.in.readAll().split(QLatin1Char('\n'));
}

// A header line names the model in its fourth field, or with the whole line when it has none.
QString modelOf(const QString& header)
{
    return header.count(QLatin1Char(':')) >= 3 ? header.section(QLatin1Char(':'), 3, 3) : header;
}

QString headerOf(const QByteArray& content, int entry)
{
    TextFile file(content);
    return ProfileFormat::findHeader(file.in, entry);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), int(size));
    QStringList headers;
    bool longLine = false;
    for (const QString& line : linesOf(content)) {
        longLine = longLine || line.size() > MAX_LINE;
        if (line.startsWith(QLatin1String("ProductIndex")))
            headers << line;
    }
    const bool beyondBounds = longLine || headers.size() > MAX_MODELS;

    QStringList names;
    TextFile file(content);
    FUZZ_CHECK(ProfileFormat::modelNames(file.in, &names) == !beyondBounds);
    if (beyondBounds) {
        FUZZ_CHECK(names.isEmpty());
        return 0;
    }
    FUZZ_CHECK(names.size() == headers.size());
    for (int i = 0; i < headers.size(); ++i)
        FUZZ_CHECK(names.at(i) == modelOf(headers.at(i)));
    // The search of every entry of a short list; of a long one, of every so many and the last,
    // so that a file of thousands of models costs a few scans rather than one per entry.
    const int stride = qMax(1, headers.size() / 8);
    for (int i = 0; i < headers.size(); i += stride)
        FUZZ_CHECK(headerOf(content, i + 1) == headers.at(i));
    if (!headers.isEmpty())
        FUZZ_CHECK(headerOf(content, headers.size()) == headers.last());
    FUZZ_CHECK(headerOf(content, headers.size() + 1).isNull());
    return 0;
}
