#ifndef PROFILEFORMAT_H
#define PROFILEFORMAT_H

// The text format of one product's settings, shared by the setting profiles of the Programming
// tab and by the factory information file, which holds such blocks one after the other.
//
// A block is a header line and 33 "PID" lines, one per setting; fields are separated by ":".
// The meaning of a line is its position, and its values start at the fourth field:
//   ProductIndex:   120  :Description:Kavro KLD 075 M120
//   PID:  1: Current                      :700
//   PID:  7: CLO_Time                     :0:10:20:40:60:80:90:100
// Reading is strict: a block is taken only when every value is a decimal number that fits its
// field and every line holds at least its count of values, so a damaged file never reaches a
// driver half-read. Values beyond a line's count are ignored, as files written elsewhere may hold
// them. Lines are read with a bound, so no file costs more than a block's worth of lines.

#include "progdata.h"

#include <QString>
#include <QStringList>

class QTextStream;

namespace ProfileFormat {

enum class LineRead
{
    Line,
    End,
    TooLong, // longer than any line of a block: a damaged file, refused
};
// The next line of in, read no further than a block's longest line (512 characters). A longer
// line is TooLong and leaves *line null, as does the end of in.
LineRead readLine(QTextStream& in, QString* line);

// A line that opens a block: "ProductIndex" at its very first character.
bool isHeaderLine(const QString& line);
// The model name a header line carries (its fourth field), or the whole line when it has none,
// so that every header still names an entry of its own.
QString modelName(const QString& headerLine);

// The model names of a file of blocks, one per header line, in file order: what the
// administrator view lists. Entry n names the block whose header findHeader(in, n + 1) finds.
// False, with no names, for a file beyond what a factory information file holds: a line longer
// than a block's, more than 4096 models, or more than 16 Mi characters of text.
bool modelNames(QTextStream& in, QStringList* names);
// Reads up to the index-th header line (counted from 1) and returns it, the stream standing right
// after it; a null string when there are fewer header lines or a line before it is refused as
// modelNames refuses it.
QString findHeader(QTextStream& in, int index);

// The product index of a header line; false when the line opens no block or its index is no
// 16-bit decimal number.
bool readHeader(const QString& headerLine, quint16* productIndex);

// The block of d for the model: header and 33 lines, each ended by a line feed.
QString blockText(const ProgDataStructDef& d, const QString& modelName);

// Reads the block that headerLine opens: the product index from it, then the next 33 lines of in.
// False, with d partly filled, unless the header and all 33 lines are there and valid, each with
// at least its count of values (the first ones are taken); a line that opens the next block is not
// a setting. Lines after the 33rd are left unread.
bool readBlock(const QString& headerLine, QTextStream& in, ProgDataStructDef& d);

} // namespace ProfileFormat

#endif // PROFILEFORMAT_H
