#include "updown.h"

#include <QToolButton>
#include <algorithm>

namespace nw::ui {

namespace {
QToolButton* arrowButton(Qt::ArrowType arrow, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setArrowType(arrow);
    b->setAutoRepeat(true);  // held down, it keeps stepping
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}
}  // namespace

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), up_(arrowButton(Qt::UpArrow, this)), down_(arrowButton(Qt::DownArrow, this)) {
    setFocusPolicy(Qt::NoFocus);
    connect(up_, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(down_, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::setRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    setValue(value_);
}

void UpDown::setValue(int v) {
    v = std::clamp(v, min_, max_);
    if (v == value_) return;
    value_ = v;
    emit valueChanged(value_);
}

void UpDown::stepUp() {
    if (value_ < max_) setValue(value_ + 1);
}

void UpDown::stepDown() {
    if (value_ > min_) setValue(value_ - 1);
}

void UpDown::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int upper = height() / 2;
    up_->setGeometry(0, 0, width(), upper);
    down_->setGeometry(0, upper, width(), height() - upper);
}

}  // namespace nw::ui
