#include "xlsxworkbookreader.h"

#include "xlsxcelltable.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QXmlStreamReader>

#include <algorithm>
#include <functional>
#include <vector>
#include <unzip.h>

namespace QXlsx {

namespace {

const char PACKAGE_RELATIONSHIPS[] = "_rels/.rels";
const char DEFAULT_WORKBOOK[] = "xl/workbook.xml";
// Relationship types end the same way in transitional and strict documents.
const char TYPE_OFFICE_DOCUMENT[] = "/officeDocument";
const char TYPE_SHARED_STRINGS[] = "/sharedStrings";

// What all the parts read from one workbook may unpack to together: twice the longest sequence
// the window takes (16,384 rows, about 5 MB as this program writes it, 6 MB as openpyxl does). The
// XML reader gets through 12 MiB of the densest markup (a cell every four bytes) in about 0.6 s.
// A small packed file can claim gigabytes (a run of blanks packs a thousand to one), and a budget
// per part would let every part of one file claim it; past this the file is refused instead of
// filling memory and holding the window.
constexpr qint64 MAX_WORKBOOK_BYTES = qint64(12) << 20;
// What one step of the XML reader may pull in: a text token, a tag or an element's text is
// gathered whole in memory, and the longest a cell can hold (32767 characters, escaped) is a
// fraction of this.
constexpr qint64 MAX_STEP_BYTES = qint64(1) << 20;
// The most characters a spreadsheet program keeps in one cell; a longer text is no cell's.
constexpr int MAX_CELL_CHARACTERS = 32767;
constexpr unsigned READ_CHUNK = 1 << 20;

// One entry of an open package, read as a stream so that a large sheet is never held unpacked.
class ZipEntryDevice : public QIODevice
{
public:
    // remaining: what the workbook's parts may still unpack to, shared by all its entries.
    ZipEntryDevice(unzFile zip, qint64* remaining) : zip(zip), remaining(remaining) {}
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
        if (unpacked - stepStart > MAX_STEP_BYTES || *remaining < 0) {
            readFailed = true;
            return -1;
        }
        // One byte past the budget is enough to tell that it is exceeded.
        const qint64 wanted = qMin(qMin<qint64>(maxSize, READ_CHUNK), *remaining + 1);
        const int n = unzReadCurrentFile(zip, data, unsigned(wanted));
        if (n < 0) {
            readFailed = true;
            return -1;
        }
        unpacked += n;
        *remaining -= n;
        return n;
    }

    qint64 writeData(const char*, qint64) override { return -1; }

private:
    unzFile zip;
    qint64* remaining;
    bool readFailed = false;
    int closeResult = UNZ_OK;
    qint64 unpacked = 0;
    qint64 stepStart = 0;
};

// Real parts nest ten levels at most, and the XML reader keeps ~110 bytes per open element: 12 MiB
// of bare start tags would otherwise cost 450 MB.
constexpr int MAX_NESTING = 64;

// The XML of one part, read a step at a time: each step within what one step may pull in (see
// ZipEntryDevice::startStep), the elements open at once within MAX_NESTING.
class PartReader : public QXmlStreamReader
{
public:
    explicit PartReader(ZipEntryDevice* entry) : QXmlStreamReader(entry), entry(entry) {}

    TokenType next()
    {
        entry->startStep();
        return step();
    }

    // Another token to look at: not at the end, no error.
    bool advance() { return next() != Invalid && !atEnd(); }

    // The text of the element just started; an element inside it is an error.
    QString elementText()
    {
        entry->startStep();
        const QString text = readElementText();
        if (isEndElement())
            --depth;
        return text;
    }

    // Passes over the element just started, in one step.
    void skipElement()
    {
        entry->startStep();
        const int outside = depth - 1;
        while (depth > outside && step() != Invalid) {
        }
    }

private:
    TokenType step()
    {
        readNext();
        if (isStartElement() && ++depth > MAX_NESTING)
            raiseError(QStringLiteral("elements nested too deep"));
        else if (isEndElement())
            --depth;
        return tokenType();
    }

    ZipEntryDevice* entry;
    int depth = 0; // elements open
};

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

    // Runs parseXml over the part's XML. False when the part is missing, unreadable, not well-formed,
    // nested too deep, beyond what the workbook's parts may unpack to together, or parseXml
    // refuses it.
    bool parse(const QString& part, const std::function<bool(PartReader&)>& parseXml)
    {
        if (!contains(part))
            return false;
        ZipEntryDevice entry(zip, &remaining);
        if (!entry.open(QIODevice::ReadOnly))
            return false;
        PartReader xml(&entry);
        const bool parsed = parseXml(xml);
        // Read to the end so that the entry's CRC is checked too.
        while (parsed && !xml.atEnd())
            xml.next();
        const bool ok = parsed && !xml.hasError();
        entry.close();
        return ok && !entry.failed();
    }

private:
    unzFile zip;
    qint64 remaining = MAX_WORKBOOK_BYTES;
};

// Where a part's relationships are kept: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
QString relationshipsPart(const QString& part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

// Calls take(id, type) for every internal relationship of the source part (the package itself
// for an empty one); where it answers true, the target is resolved into the part name inside the
// package and handed to found. Only the few wanted relationships are resolved and kept: a file
// may list millions that lead nowhere this reader goes.
bool readRelationships(Package& package, const QString& sourcePart,
                       const std::function<bool(const QStringRef& id, const QStringRef& type)>& take,
                       const std::function<void(const QStringRef& id, const QString& target)>& found)
{
    const QString part = sourcePart.isEmpty() ? QString::fromLatin1(PACKAGE_RELATIONSHIPS)
                                              : relationshipsPart(sourcePart);
    const QString baseDir = sourcePart.left(sourcePart.lastIndexOf(QLatin1Char('/')) + 1);
    return package.parse(part, [&](PartReader& xml) {
        while (xml.advance()) {
            if (!xml.isStartElement() || xml.name() != QLatin1String("Relationship"))
                continue;
            const QXmlStreamAttributes a = xml.attributes();
            if (a.value(QLatin1String("TargetMode")) == QLatin1String("External"))
                continue;
            const QStringRef id = a.value(QLatin1String("Id"));
            const QStringRef type = a.value(QLatin1String("Type"));
            if (!take(id, type))
                continue;
            const QStringRef target = a.value(QLatin1String("Target"));
            // Targets are relative to the source part's folder unless they start at the root.
            const QString resolved = target.startsWith(QLatin1Char('/')) ? target.mid(1).toString()
                                                                          : baseDir + target;
            found(id, QDir::cleanPath(resolved));
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

// A cell's text as it reads, refused (an error raised on the reader) when it is longer than any
// cell can hold.
QString cellText(QXmlStreamReader& xml, const QString& escaped)
{
    QString text = unescapeText(escaped);
    if (text.size() > MAX_CELL_CHARACTERS)
        xml.raiseError(QStringLiteral("cell text too long"));
    return text;
}

// The text of a string item (<si> of the shared strings, <is> of an inline string), its runs
// joined; phonetic hints (<rPh>) are not part of the text. Ends on the item's end tag.
QString readStringItem(PartReader& xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.next();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("t")) {
                text += xml.elementText();
                // Runs joined must not outgrow what one step may gather either.
                if (text.size() > MAX_STEP_BYTES)
                    xml.raiseError(QStringLiteral("string item too long"));
            } else if (xml.name() == QLatin1String("rPh"))
                xml.skipElement();
            else
                ++depth;
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    return cellText(xml, text);
}

// The shared strings that cells use, by index. A file may list millions that no cell uses; only
// the ones asked for are kept, so what the strings cost follows the cells.
class SharedStrings
{
public:
    // Called for every cell that refers to a shared string, while the sheet is read.
    void want(int index) { wanted.push_back(index); }
    bool wantsAny() const { return !wanted.empty(); }

    bool read(PartReader& xml)
    {
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        texts.reserve(wanted.size());
        int index = 0;
        while (xml.advance()) {
            if (!xml.isStartElement() || xml.name() != QLatin1String("si"))
                continue;
            const QString text = readStringItem(xml);
            if (texts.size() < wanted.size() && wanted.at(texts.size()) == index)
                texts.push_back(text);
            ++index;
        }
        return !xml.hasError();
    }

    // False for an index the shared strings did not hold.
    bool text(int index, QString* text) const
    {
        const auto at = std::lower_bound(wanted.begin(), wanted.end(), index);
        const size_t found = size_t(at - wanted.begin());
        if (at == wanted.end() || *at != index || found >= texts.size())
            return false;
        *text = texts.at(found);
        return true;
    }

private:
    std::vector<int> wanted; // sorted and unique once the strings are read
    std::vector<QString> texts; // of wanted, in the same order, as far as the file held them
};

// The first <sheet> of the workbook: its relationship id.
bool readFirstSheetId(PartReader& xml, QString* id)
{
    while (xml.advance()) {
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

// A cell whose value is a shared string, until the shared strings are read.
struct SharedCell
{
    int row;
    int column;
    int index;
};

class SheetReader
{
public:
    SheetReader(SharedStrings* sharedStrings, CellTable* cells, int lastValueRow)
        : shared(sharedStrings), cells(cells), lastValueRow(lastValueRow)
    {
    }

    bool read(PartReader& xml)
    {
        bool inSheetData = false;
        while (xml.advance()) {
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

    // Puts the shared strings into the cells that use them; false when one is not there.
    bool fillSharedCells() const
    {
        QString text;
        for (const SharedCell& cell : sharedCells) {
            if (!shared->text(cell.index, &text))
                return false;
            cells->set(cell.row, cell.column, text, -1);
        }
        return true;
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

    bool readCell(PartReader& xml)
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
        const QStringRef type = a.value(QLatin1String("t"));

        QString v;
        QVariant inlineText;
        while (!xml.atEnd()) {
            xml.next();
            if (xml.isEndElement() && xml.name() == QLatin1String("c"))
                break;
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("v"))
                v = xml.elementText();
            else if (xml.name() == QLatin1String("is"))
                inlineText = readStringItem(xml);
            else
                xml.skipElement();
        }

        const bool isShared = type == QLatin1String("s");
        QVariant value;
        if (type == QLatin1String("inlineStr")) {
            value = inlineText;
        } else if (isShared) {
            bool ok = false;
            const int index = v.toInt(&ok, 10);
            if (!ok || index < 0 || row > lastValueRow)
                return false;
            // The cell is set once its text is known; until then it only widens the sheet.
            shared->want(index);
            sharedCells.push_back({row, column, index});
        } else if (type == QLatin1String("b")) {
            value = v.trimmed() == QLatin1String("1");
        } else if (type == QLatin1String("str") || type == QLatin1String("e") || type == QLatin1String("d")) {
            value = cellText(xml, v);
        } else if (!v.isEmpty()) {
            bool ok = false;
            const double number = v.toDouble(&ok);
            value = ok ? QVariant(number) : QVariant(v);
            if (v.size() > MAX_CELL_CHARACTERS)
                xml.raiseError(QStringLiteral("cell value too long"));
        }
        if (value.isValid() && row > lastValueRow)
            return false;
        // A cell without a value (an empty <c/>, a formatted blank) is kept as nothing: a row
        // written out to the sheet's last column costs no more than the values it holds.
        if (value.isValid())
            cells->set(row, column, value, -1);
        else
            cells->include(row, column);
        return !xml.hasError();
    }

    SharedStrings* shared;
    CellTable* cells;
    const int lastValueRow;
    std::vector<SharedCell> sharedCells;
    int row = 0;
    int column = 0;
};

} // namespace

bool readFirstWorksheet(const QString& fileName, CellTable* cells, int lastValueRow)
{
    Package package(fileName);
    if (!package.isOpen())
        return false;

    // A package without readable relationships keeps its workbook where spreadsheet programs do.
    QString officeDocument;
    const bool packageRelsRead = readRelationships(
        package, QString(),
        [&](const QStringRef&, const QStringRef& type) {
            return officeDocument.isEmpty() && type.endsWith(QLatin1String(TYPE_OFFICE_DOCUMENT));
        },
        [&](const QStringRef&, const QString& target) { officeDocument = target; });
    const QString workbook = packageRelsRead && !officeDocument.isEmpty() ? officeDocument
                                                                          : QString::fromLatin1(DEFAULT_WORKBOOK);

    QString sheetId;
    if (!package.parse(workbook, [&](PartReader& xml) { return readFirstSheetId(xml, &sheetId); }))
        return false;
    QString sheet;
    QString sharedStringsPart;
    const bool relsRead = readRelationships(
        package, workbook,
        [&](const QStringRef& id, const QStringRef& type) {
            return id == sheetId || type.endsWith(QLatin1String(TYPE_SHARED_STRINGS));
        },
        [&](const QStringRef& id, const QString& target) {
            if (id == sheetId)
                sheet = target;
            else
                sharedStringsPart = target;
        });
    if (!relsRead || sheet.isEmpty())
        return false;

    SharedStrings sharedStrings;
    SheetReader reader(&sharedStrings, cells, lastValueRow);
    if (!package.parse(sheet, [&](PartReader& xml) { return reader.read(xml); }))
        return false;
    if (!sharedStrings.wantsAny())
        return true;
    return !sharedStringsPart.isEmpty()
           && package.parse(sharedStringsPart, [&](PartReader& xml) { return sharedStrings.read(xml); })
           && reader.fillSharedCells();
}

} // namespace QXlsx
