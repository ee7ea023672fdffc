#include "xlsxworkbookreader.h"

#include "xlsxcelltable.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QVector>
#include <QXmlStreamReader>

#include <functional>
#include <unzip.h>

namespace QXlsx {

namespace {

const char PACKAGE_RELATIONSHIPS[] = "_rels/.rels";
const char DEFAULT_WORKBOOK[] = "xl/workbook.xml";
// Relationship types end the same way in transitional and strict documents.
const char TYPE_OFFICE_DOCUMENT[] = "/officeDocument";
const char TYPE_SHARED_STRINGS[] = "/sharedStrings";

// What one entry may unpack to: a hundred times the sheet of a month of power readings. A small
// packed file can claim gigabytes (a run of blanks packs a thousand to one); past this the file
// is refused instead of filling memory and holding the window.
constexpr qint64 MAX_ENTRY_BYTES = qint64(64) << 20;
// What one step of the XML reader may pull in: a text token, a tag or an element's text is
// gathered whole in memory, and the longest a cell can hold (32767 characters, escaped) is a
// fraction of this.
constexpr qint64 MAX_STEP_BYTES = qint64(1) << 20;
constexpr unsigned READ_CHUNK = 1 << 20;

// One entry of an open package, read as a stream so that a large sheet is never held unpacked.
class ZipEntryDevice : public QIODevice
{
public:
    explicit ZipEntryDevice(unzFile zip) : zip(zip) {}
    ~ZipEntryDevice() override { close(); }

    bool open(OpenMode mode) override
    {
        if (mode != ReadOnly || unzOpenCurrentFile(zip) != UNZ_OK)
            return false;
        return QIODevice::open(mode);
    }

    void close() override
    {
        if (!isOpen())
            return;
        // Reports a CRC mismatch, but only once the entry has been read to its end.
        closeResult = unzCloseCurrentFile(zip);
        QIODevice::close();
    }

    bool isSequential() const override { return true; }
    bool failed() const { return readFailed || closeResult != UNZ_OK; }

    // The parser calls this before every step it takes; the bytes pulled until the next call
    // are what that one step gathers.
    void startStep() { stepStart = unpacked; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (unpacked - stepStart > MAX_STEP_BYTES || unpacked > MAX_ENTRY_BYTES) {
            readFailed = true;
            return -1;
        }
        const int n = unzReadCurrentFile(zip, data, unsigned(qMin<qint64>(maxSize, READ_CHUNK)));
        if (n < 0) {
            readFailed = true;
            return -1;
        }
        unpacked += n;
        return n;
    }

    qint64 writeData(const char*, qint64) override { return -1; }

private:
    unzFile zip;
    bool readFailed = false;
    int closeResult = UNZ_OK;
    qint64 unpacked = 0;
    qint64 stepStart = 0;
};

// The reader's steps, each within its budget (see ZipEntryDevice::startStep).
ZipEntryDevice* entryOf(const QXmlStreamReader& xml)
{
    return static_cast<ZipEntryDevice*>(xml.device());
}

QXmlStreamReader::TokenType nextToken(QXmlStreamReader& xml)
{
    entryOf(xml)->startStep();
    return xml.readNext();
}

// Another token to look at: not at the end, no error.
bool advance(QXmlStreamReader& xml)
{
    return nextToken(xml) != QXmlStreamReader::Invalid && !xml.atEnd();
}

QString elementText(QXmlStreamReader& xml)
{
    entryOf(xml)->startStep();
    return xml.readElementText();
}

void skipElement(QXmlStreamReader& xml)
{
    entryOf(xml)->startStep();
    xml.skipCurrentElement();
}

class Package
{
public:
    explicit Package(const QString& fileName) : zip(unzOpen64(QFile::encodeName(fileName).constData())) {}
    ~Package()
    {
        if (zip)
            unzClose(zip);
    }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    bool isOpen() const { return zip != nullptr; }
    bool contains(const QString& part) const { return unzLocateFile(zip, part.toUtf8().constData(), 1) == UNZ_OK; }

    // Runs parseXml over the part's XML. False when the part is missing, unreadable, not well-formed
    // or parseXml refuses it.
    bool parse(const QString& part, const std::function<bool(QXmlStreamReader&)>& parseXml) const
    {
        if (!contains(part))
            return false;
        ZipEntryDevice entry(zip);
        if (!entry.open(QIODevice::ReadOnly))
            return false;
        QXmlStreamReader xml(&entry);
        const bool parsed = parseXml(xml);
        // Read to the end so that the entry's CRC is checked too.
        while (parsed && !xml.atEnd())
            nextToken(xml);
        const bool ok = parsed && !xml.hasError();
        entry.close();
        return ok && !entry.failed();
    }

private:
    unzFile zip;
};

struct Relationship
{
    QString id;
    QString type;
    QString target; // part name inside the package
};

// Where a part's relationships are kept: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
QString relationshipsPart(const QString& part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

bool readRelationships(const Package& package, const QString& sourcePart, QVector<Relationship>* out)
{
    const QString part = sourcePart.isEmpty() ? QString::fromLatin1(PACKAGE_RELATIONSHIPS)
                                              : relationshipsPart(sourcePart);
    const QString baseDir = sourcePart.left(sourcePart.lastIndexOf(QLatin1Char('/')) + 1);
    return package.parse(part, [&](QXmlStreamReader& xml) {
        while (advance(xml)) {
            if (!xml.isStartElement() || xml.name() != QLatin1String("Relationship"))
                continue;
            const QXmlStreamAttributes a = xml.attributes();
            if (a.value(QLatin1String("TargetMode")) == QLatin1String("External"))
                continue;
            const QString target = a.value(QLatin1String("Target")).toString();
            // Targets are relative to the source part's folder unless they start at the root.
            const QString resolved = target.startsWith(QLatin1Char('/')) ? target.mid(1) : baseDir + target;
            out->append({a.value(QLatin1String("Id")).toString(), a.value(QLatin1String("Type")).toString(),
                         QDir::cleanPath(resolved)});
        }
        return true;
    });
}

// "_xHHHH_" stands for a character that XML cannot carry (control characters, a lone "_x").
QString unescapeText(const QString& text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('_') && i + 6 < text.size() && text.at(i + 1) == QLatin1Char('x')
            && text.at(i + 6) == QLatin1Char('_')) {
            bool ok = false;
            const ushort code = text.midRef(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                out += QChar(code);
                i += 6;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

// The text of a string item (<si> of the shared strings, <is> of an inline string), its runs
// joined; phonetic hints (<rPh>) are not part of the text. Ends on the item's end tag.
QString readStringItem(QXmlStreamReader& xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        nextToken(xml);
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("t")) {
                text += elementText(xml);
                // Runs joined must not outgrow what one step may gather either.
                if (text.size() > MAX_STEP_BYTES)
                    xml.raiseError(QStringLiteral("string item too long"));
            } else if (xml.name() == QLatin1String("rPh"))
                skipElement(xml);
            else
                ++depth;
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    return unescapeText(text);
}

bool readSharedStrings(QXmlStreamReader& xml, QVector<QString>* strings)
{
    while (advance(xml)) {
        if (xml.isStartElement() && xml.name() == QLatin1String("si"))
            strings->append(readStringItem(xml));
    }
    return !xml.hasError();
}

// The first <sheet> of the workbook: its relationship id.
bool readFirstSheetId(QXmlStreamReader& xml, QString* id)
{
    while (advance(xml)) {
        if (!xml.isStartElement() || xml.name() != QLatin1String("sheet"))
            continue;
        for (const QXmlStreamAttribute& a : xml.attributes()) {
            if (a.name() == QLatin1String("id") && a.namespaceUri().endsWith(QLatin1String("/relationships"))) {
                *id = a.value().toString();
                return true;
            }
        }
        return false;
    }
    return false;
}

class SheetReader
{
public:
    SheetReader(const QVector<QString>& sharedStrings, CellTable* cells) : shared(sharedStrings), cells(cells) {}

    bool read(QXmlStreamReader& xml)
    {
        bool inSheetData = false;
        while (advance(xml)) {
            if (xml.isEndElement() && xml.name() == QLatin1String("sheetData"))
                inSheetData = false;
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("sheetData")) {
                inSheetData = true;
            } else if (inSheetData && xml.name() == QLatin1String("row")) {
                if (!startRow(xml))
                    return false;
            } else if (inSheetData && xml.name() == QLatin1String("c")) {
                if (!readCell(xml))
                    return false;
            }
        }
        return !xml.hasError();
    }

private:
    // Row and cell positions may be left out; they then follow the previous one.
    bool startRow(QXmlStreamReader& xml)
    {
        const QStringRef r = xml.attributes().value(QLatin1String("r"));
        bool ok = true;
        row = r.isEmpty() ? row + 1 : r.toInt(&ok, 10);
        column = 0;
        return ok && row >= 1 && row <= MAX_ROWS;
    }

    bool readCell(QXmlStreamReader& xml)
    {
        const QXmlStreamAttributes a = xml.attributes();
        const QStringRef r = a.value(QLatin1String("r"));
        if (!r.isEmpty()) {
            const CellReference ref(r.toString());
            if (!ref.isValid())
                return false;
            row = ref.row();
            column = ref.column();
        } else {
            ++column;
        }
        if (row < 1 || column > MAX_COLUMNS)
            return false;
        const QString type = a.value(QLatin1String("t")).toString();

        QString v;
        QVariant inlineText;
        while (!xml.atEnd()) {
            nextToken(xml);
            if (xml.isEndElement() && xml.name() == QLatin1String("c"))
                break;
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("v"))
                v = elementText(xml);
            else if (xml.name() == QLatin1String("is"))
                inlineText = readStringItem(xml);
            else
                skipElement(xml);
        }

        QVariant value;
        if (type == QLatin1String("inlineStr")) {
            value = inlineText;
        } else if (type == QLatin1String("s")) {
            bool ok = false;
            const int index = v.toInt(&ok, 10);
            if (!ok || index < 0 || index >= shared.size())
                return false;
            value = shared.at(index);
        } else if (type == QLatin1String("b")) {
            value = v.trimmed() == QLatin1String("1");
        } else if (type == QLatin1String("str") || type == QLatin1String("e") || type == QLatin1String("d")) {
            value = unescapeText(v);
        } else if (!v.isEmpty()) {
            bool ok = false;
            const double number = v.toDouble(&ok);
            value = ok ? QVariant(number) : QVariant(v);
        }
        cells->set(row, column, value, -1);
        return !xml.hasError();
    }

    const QVector<QString>& shared;
    CellTable* cells;
    int row = 0;
    int column = 0;
};

} // namespace

bool readFirstWorksheet(const QString& fileName, CellTable* cells)
{
    const Package package(fileName);
    if (!package.isOpen())
        return false;

    QString workbook = QString::fromLatin1(DEFAULT_WORKBOOK);
    QVector<Relationship> packageRels;
    if (readRelationships(package, QString(), &packageRels)) {
        for (const Relationship& rel : packageRels) {
            if (rel.type.endsWith(QLatin1String(TYPE_OFFICE_DOCUMENT))) {
                workbook = rel.target;
                break;
            }
        }
    }

    QString sheetId;
    if (!package.parse(workbook, [&](QXmlStreamReader& xml) { return readFirstSheetId(xml, &sheetId); }))
        return false;
    QVector<Relationship> workbookRels;
    if (!readRelationships(package, workbook, &workbookRels))
        return false;

    QString sheet;
    QString sharedStringsPart;
    for (const Relationship& rel : workbookRels) {
        if (rel.id == sheetId)
            sheet = rel.target;
        else if (rel.type.endsWith(QLatin1String(TYPE_SHARED_STRINGS)))
            sharedStringsPart = rel.target;
    }
    if (sheet.isEmpty())
        return false;

    QVector<QString> sharedStrings;
    if (!sharedStringsPart.isEmpty()
        && !package.parse(sharedStringsPart, [&](QXmlStreamReader& xml) { return readSharedStrings(xml, &sharedStrings); }))
        return false;

    SheetReader reader(sharedStrings, cells);
    return package.parse(sheet, [&](QXmlStreamReader& xml) { return reader.read(xml); });
}

} // namespace QXlsx
