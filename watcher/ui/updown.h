#pragma once
// An up-down control: a narrow pair of arrow buttons holding a whole number between two bounds,
// meant to sit beside its own text box. valueChanged is emitted on every change of the value,
// whether an arrow or the program made it; the owner keeps the box and the value in step.
#include <QWidget>

class QToolButton;

namespace nw::ui {

class UpDown : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget* parent = nullptr);

    int value() const { return value_; }
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    bool contains(int v) const { return v >= min_ && v <= max_; }

    // Sets the bounds; a value outside them is brought inside.
    void setRange(int minimum, int maximum);
    // Sets the value, brought into the bounds; emits valueChanged when it differs.
    void setValue(int v);

    // One step up or down, as the arrows do; nothing beyond the bounds.
    void stepUp();
    void stepDown();

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void valueChanged(int value);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* up_;
    QToolButton* down_;
    int value_ = 0;
    int min_ = 0;
    int max_ = 100;
};

}  // namespace nw::ui
