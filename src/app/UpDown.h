// An up-down selector: two arrow buttons that step a position between a
// minimum and a maximum, without wrapping around. Setting the position from
// the program raises no event; a step by the user raises `click`.
#pragma once

#include <QWidget>

class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget* parent = nullptr);

    int position() const { return position_; }
    void setPosition(int position);
    void setRange(int minimum, int maximum);

signals:
    void click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void step(int delta);

    QToolButton* up_;
    QToolButton* down_;
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
};
