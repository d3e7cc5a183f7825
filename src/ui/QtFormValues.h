#pragma once

#include <QColor>
#include <QString>
#include <string_view>

#include "ui/FormLayout.h"

// The form table's plain values in Qt's terms.

namespace bildheber {

inline QString qtText(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline QColor qtColour(Rgb colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

inline Qt::Alignment qtAlignment(Alignment alignment) {
    switch (alignment) {
        case Alignment::Centre:
            return Qt::AlignHCenter;
        case Alignment::Right:
            return Qt::AlignRight;
        case Alignment::Left:
            break;
    }
    return Qt::AlignLeft;
}

}  // namespace bildheber
