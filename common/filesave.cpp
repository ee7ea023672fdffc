#include "filesave.h"

#include <QSaveFile>

bool saveWholeFile(const QString& fileName, const QByteArray& content, QIODevice::OpenMode extraMode,
                   QString* errorString)
{
    QSaveFile file(fileName);
    // Unbuffered, so that each write() reaches the system and its result tells the truth: with a
    // buffer, the last chunk is written only by commit(), which in Qt 5 ignores that write's
    // failure and puts the half-written file in place of the old one.
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered | extraMode);
    const char* data = content.constData();
    qint64 left = content.size();
    while (written && left > 0) {
        // A full disk may take part of a chunk before it refuses the rest.
        const qint64 n = file.write(data, left);
        written = n > 0;
        data += qMax<qint64>(n, 0);
        left -= qMax<qint64>(n, 0);
    }
    if (written && file.flush() && file.commit())
        return true;
    if (errorString)
        *errorString = file.errorString();
    file.cancelWriting();
    return false;
}
