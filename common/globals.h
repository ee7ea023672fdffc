#ifndef GLOBALS_H
#define GLOBALS_H

// Process-wide state shared by the serial link, the engines and the window.
// Nothing else in the program is global.

#include "productrecord.h"

#include <QList>
#include <QString>
#include <QtGlobal>

enum ProgToolDef {
    PROG_TOOL_DALI = 0,
    PROG_TOOL_IPROG = 1,
    PROG_TOOL_FEIG_NFC = 2,
    PROG_TOOL_ST_NFC = 3,
};

// Programming tool of the current work mode; every tab but the Programming tab sets it to PROG_TOOL_DALI.
extern int programToolIndex;

// Loaded-profile state: set by loading a profile, cleared by a completed read and by an engine's setEnabled.
extern quint8 profileLoaded;
extern quint16 loadedProfileProductIndex;
extern QString loadedProfileName;

// Product list in file order; entry n has index n.
extern QList<ProductRecord> productList;
extern int productListLineNumber;

// Bounded look-up: nullptr when the index has no record, so no caller reads past the list.
const ProductRecord* productRecord(int index);

// Properties of the selected product, set by the Programming tab's product rules.
extern int productPhyMinLevel;
extern int productFeature2000;

// Memory-bank parts the DALI part dialogs have made programmable.
extern quint8 DT6Programmable;
extern quint8 part250Programmable;
extern quint8 part251Programmable;
extern quint8 part253Programmable;

// The NFC tag last read through the FEIG reader: its layout variant (0 until one was recognised;
// read by the part 251 dialog), the count of trailer bytes after its last field, and whether the
// tag now on the reader has been read.
extern quint8 FA_location;
extern quint8 tagTrailerCount;
extern quint8 tagInField;

#endif // GLOBALS_H
