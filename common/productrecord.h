#ifndef PRODUCTRECORD_H
#define PRODUCTRECORD_H

#include <QString>

// One driver model of "Product List.txt"; a record's position in productList equals its index.
struct ProductRecord
{
    int index = 0;
    QString name;
    int field2 = 0;
    int maxCurrent = 0;       // mA
    int minCurrent = 0;       // mA
    int field5 = 0;
    float phyMinLevel = 0.0f; // %
    float maxVoltage = 0.0f;  // V
    float minVoltage = 0.0f;  // V
    int analogVariant = 0;    // 4 narrows the 0-10V dim voltage ranges
    unsigned int driverFeature = 0;
};

#endif // PRODUCTRECORD_H
