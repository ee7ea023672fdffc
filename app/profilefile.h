#ifndef PROFILEFILE_H
#define PROFILEFILE_H

#include "progdata.h"

#include <QString>
#include <QTextStream>

// The text of a profile file for the record d of the product named modelName.
QString profileText(const ProgDataStructDef& d, const QString& modelName);

// Reads a whole profile into d; false, with d half-filled, unless the header and all 33 lines are
// there and valid and the product exists in productList. Lines after the 33rd are not read.
bool readProfile(QTextStream& in, ProgDataStructDef& d);

#endif // PROFILEFILE_H
