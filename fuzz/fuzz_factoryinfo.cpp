// The factory information file's header scan on any text, read as the window reads the file: the
// administrator view's list of models and the reset's search for the block of the chosen entry.
// Promises: a file is refused, with no model listed, only when it holds a line longer than a block's
// longest (512 characters) or more than 4096 models; otherwise the reset finds every entry of the
// list at its position, on a header line that names the same model, and finds no block past the
// last entry; so the model the administrator picks is the model whose block goes to the tag.

#include "fuzzcheck.h"
#include "profileformat.h"

#include <QBuffer>
#include <QTextStream>

#include <cstddef>
#include <cstdint>

namespace {

bool listed(const QByteArray& content, QStringList* names)
{
    QBuffer file;
    file.setData(content);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&file);
    return ProfileFormat::modelNames(in, names);
}

// Whether the file, decoded as a text stream decodes it (a byte order mark chooses UTF-16 or
// UTF-32), holds a line of more than 511 characters (a carriage return before its line feed
// counted in), or more than 4096 header lines.
bool beyondBounds(const QByteArray& content)
{
    QBuffer file;
    file.setData(content);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly | QIODevice::Text));
    int headers = 0;
    for (const QString& line : QTextStream(&file).readAll().split(QLatin1Char('\n'))) {
        if (line.size() > 511)
            return true;
        if (line.startsWith(QLatin1String("ProductIndex")))
            ++headers;
    }
    return headers > 4096;
}

QString headerOf(const QByteArray& content, int entry)
{
    QBuffer file;
    file.setData(content);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&file);
    return ProfileFormat::findHeader(in, entry);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), int(size));
    QStringList names;
    if (!listed(content, &names)) {
        FUZZ_CHECK(names.isEmpty() && beyondBounds(content));
        return 0;
    }
    FUZZ_CHECK(names.size() <= 4096);
    FUZZ_CHECK(names.size() <= content.count('\n') + content.count('\r') + 1);
    for (int entry = 1; entry <= names.size(); ++entry) {
        const QString header = headerOf(content, entry);
        FUZZ_CHECK(!header.isNull() && ProfileFormat::isHeaderLine(header));
        FUZZ_CHECK(ProfileFormat::modelName(header) == names.at(entry - 1));
        FUZZ_CHECK(!names.at(entry - 1).contains(QLatin1Char('\n')));
    }
    FUZZ_CHECK(headerOf(content, names.size() + 1).isNull());
    return 0;
}
