#pragma once
// The windows are designed in twips (1/1440 inch). These turn twips into pixels at the logical
// DPI of the screen a widget is on, each coordinate rounded on its own.
#include <QRect>
#include <QSize>
#include <QWidget>
#include <cmath>

namespace nw::ui {

inline constexpr int kTwipsPerInch = 1440;

inline int twipsToPixels(int twips, int dpi) {
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / kTwipsPerInch));
}

inline int twipsX(const QWidget* w, int twips) { return twipsToPixels(twips, w->logicalDpiX()); }
inline int twipsY(const QWidget* w, int twips) { return twipsToPixels(twips, w->logicalDpiY()); }

// (left, top, width, height) in twips as a pixel rectangle for widgets like `ref`.
inline QRect twipsRect(const QWidget* ref, int left, int top, int width, int height) {
    return QRect(twipsX(ref, left), twipsY(ref, top), twipsX(ref, width), twipsY(ref, height));
}

inline QSize twipsSize(const QWidget* ref, int width, int height) {
    return QSize(twipsX(ref, width), twipsY(ref, height));
}

}  // namespace nw::ui
