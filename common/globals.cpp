#include "globals.h"

int programToolIndex = PROG_TOOL_DALI;

quint8 profileLoaded = 0;
quint16 loadedProfileProductIndex = 0;
QString loadedProfileName;

QList<ProductRecord> productList;
int productListLineNumber = 0;

const ProductRecord* productRecord(int index)
{
    if (index < 0 || index >= productList.size())
        return nullptr;
    return &productList.at(index);
}

int productPhyMinLevel = 0;
int productFeature2000 = 0;

quint8 DT6Programmable = 0;
quint8 part250Programmable = 0;
quint8 part251Programmable = 0;
quint8 part253Programmable = 0;

quint8 FA_location = 0;
quint8 tagTrailerCount = 0;
quint8 tagInField = 0;
