#include "toolkit/slider.h"

#include "toolkit/slider_math.h"

TRxSlider::TRxSlider(QWidget *parent) : QSlider(Qt::Horizontal, parent) {
    setTickPosition(QSlider::NoTicks);
    update_steps();
    connect(this, &QAbstractSlider::valueChanged, this, [this] { emit change(); });
    connect(this, &QAbstractSlider::actionTriggered, this, &TRxSlider::snap_user_move);
}

void TRxSlider::set_range(int minimum, int maximum) {
    setRange(minimum, maximum < minimum ? minimum : maximum);
}

void TRxSlider::set_increment(int increment) {
    increment_ = increment < 1 ? 1 : increment;
    update_steps();
}

void TRxSlider::set_points_shown(bool on) {
    points_shown_ = on;
    update_steps();
}

void TRxSlider::set_smooth(bool on) {
    smooth_ = on;
    update_steps();
}

void TRxSlider::set_value(long long value) { setValue(slider_clamp(value, minimum(), maximum())); }

void TRxSlider::update_steps() {
    setSingleStep(smooth_ ? 1 : increment_);
    setPageStep(increment_);
    setTickInterval(increment_);
    setTickPosition(points_shown_ ? QSlider::TicksBelow : QSlider::NoTicks);
}

// Runs for every move the user makes (drag, keys, wheel, page clicks)
// after the slider has computed the new position and before it becomes
// the value, so a stepped slider never reports an in-between value.
void TRxSlider::snap_user_move(int) {
    if (smooth_)
        return;
    int snapped = slider_snap(sliderPosition(), minimum(), maximum(), increment_);
    if (snapped != sliderPosition())
        setSliderPosition(snapped);
}
