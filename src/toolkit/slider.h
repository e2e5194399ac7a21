// TRxSlider: a horizontal slider with a range, an increment, optional
// points and a smooth or stepped movement.
//
// - Any value given to it, by code or by the user, is clamped to the range.
// - Smooth: the user can drag it to any whole number of the range.
//   Not smooth: the user only reaches minimum + k * increment (the nearest
//   one to the pointer); keys, wheel and page clicks land there as well.
//   A value set by code is kept as given (after clamping), even between
//   two positions.
// - Points shown: a tick is drawn at every increment from the minimum.
// - change is raised whenever the value changes, whoever changed it, and
//   never when it stays the same.
//
// The arithmetic is in toolkit/slider_math.h. GUI thread only.
#pragma once

#include <QSlider>

class TRxSlider : public QSlider {
    Q_OBJECT
public:
    explicit TRxSlider(QWidget *parent = nullptr);

    // A maximum below the minimum counts as the minimum. The value is
    // clamped into the new range.
    void set_range(int minimum, int maximum);
    // Below 1 counts as 1.
    void set_increment(int increment);
    int increment() const { return increment_; }
    void set_points_shown(bool on);
    void set_smooth(bool on);
    bool smooth() const { return smooth_; }

    // Clamped to the range; wide so that stored values of any size can be
    // handed over without overflowing first.
    void set_value(long long value);

signals:
    void change();

private:
    void update_steps();
    void snap_user_move(int action);

    int increment_ = 1;
    bool points_shown_ = false;
    bool smooth_ = true;
};
