#ifndef XLSXFORMAT_H
#define XLSXFORMAT_H

#include <QColor>

namespace QXlsx {

// The look of a cell as the program writes it: font size and weight, horizontal alignment, a
// solid background and one border style on all four sides. A default Format leaves the cell to
// the spreadsheet program's defaults.
class Format
{
public:
    enum HorizontalAlignment { AlignHGeneral, AlignLeft, AlignHCenter, AlignRight };
    enum BorderStyle { BorderNone, BorderThin, BorderMedium };

    void setFontSize(int size) { pointSize = size; }
    int fontSize() const { return pointSize; }
    void setFontBold(bool on) { bold = on; }
    bool fontBold() const { return bold; }
    void setHorizontalAlignment(HorizontalAlignment align) { alignment = align; }
    HorizontalAlignment horizontalAlignment() const { return alignment; }
    // The background of a solid fill; an invalid colour means no fill.
    void setPatternBackgroundColor(const QColor& color) { fillColor = color; }
    QColor patternBackgroundColor() const { return fillColor; }
    void setBorderStyle(BorderStyle style) { border = style; }
    BorderStyle borderStyle() const { return border; }

    bool isEmpty() const { return *this == Format(); }

    bool operator==(const Format& other) const
    {
        return pointSize == other.pointSize && bold == other.bold && alignment == other.alignment
            && fillColor == other.fillColor && border == other.border;
    }
    bool operator!=(const Format& other) const { return !(*this == other); }

private:
    int pointSize = 0; // 0: the spreadsheet program's default size
    bool bold = false;
    HorizontalAlignment alignment = AlignHGeneral;
    QColor fillColor;
    BorderStyle border = BorderNone;
};

} // namespace QXlsx

#endif // XLSXFORMAT_H
