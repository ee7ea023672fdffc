#include "filesave.h"

#include <QSaveFile>

bool saveWholeFile(const QString& fileName, const QByteArray& content, QIODevice::OpenMode extraMode,
                   QString* errorString)
{
    QSaveFile file(fileName);
    // Unbuffered, so that each write() reaches the system and its result tells the truth: with a
    // buffer, the last chunk is written only by commit(), which in Qt 5 ignores that write's
    // failure and puts the half-written file in place of the old one.
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered | extraMode) && writeAll(file, content);
    if (written && file.flush() && file.commit())
        return true;
    if (errorString)
        *errorString = file.errorString();
    file.cancelWriting();
    return false;
}

bool writeAll(QIODevice& file, const QByteArray& content)
{
    const char* data = content.constData();
    for (qint64 left = content.size(); left > 0;) {
        const qint64 n = file.write(data, left);
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}
