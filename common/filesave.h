#ifndef FILESAVE_H
#define FILESAVE_H

#include <QByteArray>
#include <QIODevice>
#include <QString>

// Every file the program saves over one the user already has (a profile, a workbook) goes through
// here. The new content is written to a temporary file beside the target, which takes the
// target's place only once every byte has been accepted by the system: a full disk, a lost share
// or a quota leaves the old file exactly as it was, and the caller is told.
//
// extraMode adds to write-only, e.g. QIODevice::Text for a text file's line ends. On failure
// errorString (when given) receives the system's reason.
bool saveWholeFile(const QString& fileName, const QByteArray& content,
                   QIODevice::OpenMode extraMode = QIODevice::NotOpen, QString* errorString = nullptr);

// Writes all of content to a file opened unbuffered. A full disk may take part of a write before
// it refuses the rest; writing goes on after a partial write so that the refusal, and with it the
// file's errorString(), comes from the system. False when not every byte was taken.
bool writeAll(QIODevice& file, const QByteArray& content);

#endif // FILESAVE_H
