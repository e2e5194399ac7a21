#include "toolkit/bar_chart_accessible.h"

#include <QAbstractScrollArea>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

QHash<const QObject *, shown_bars_fn> &charts() {
    static QHash<const QObject *, shown_bars_fn> registered;
    return registered;
}

std::vector<SHOWN_BAR> bars_of(const QWidget *chart) {
    auto it = charts().constFind(chart);
    return it == charts().cend() || !*it ? std::vector<SHOWN_BAR>() : (*it)();
}

// One bar: slot counts from the left of what the chart shows now, so the
// same object serves whichever bar stands there.
class TBarAccessible : public QAccessibleInterface {
public:
    TBarAccessible(QWidget *chart, int slot) : chart_(chart), slot_(slot) {}

    bool isValid() const override { return chart_ != nullptr; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return chart_ ? chart_->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(chart_); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QRect rect() const override { return {}; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text t) const override {
        const auto bars = bars_of(chart_);
        if (slot_ >= static_cast<int>(bars.size()))
            return {};
        const SHOWN_BAR &bar = bars[static_cast<std::size_t>(slot_)];
        if (t == QAccessible::Name)
            return bar.label;
        if (t == QAccessible::Description)
            return bar.mark;
        return {};
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = !chart_ || !chart_->isVisible() || slot_ >= static_cast<int>(bars_of(chart_).size());
        s.readOnly = true;
        return s;
    }

private:
    QPointer<QWidget> chart_;
    int slot_;
};

// The chart's own child widgets that a reader meets, in order: not the
// surface it draws on (a scroll area's viewport), which is the chart itself.
QList<QWidget *> own_widgets(const QWidget *chart) {
    const auto *area = qobject_cast<const QAbstractScrollArea *>(chart);
    QList<QWidget *> out;
    for (QObject *o : chart->children()) {
        auto *w = qobject_cast<QWidget *>(o);
        if (w && !w->isWindow() && (!area || w != area->viewport()))
            out << w;
    }
    return out;
}

class TBarChartAccessible : public QAccessibleWidget {
public:
    explicit TBarChartAccessible(QWidget *chart) : QAccessibleWidget(chart, QAccessible::Chart) {}
    ~TBarChartAccessible() override {
        for (QAccessible::Id id : bar_ids_)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override {
        return static_cast<int>(own_widgets(widget()).size() + bars_of(widget()).size());
    }

    QAccessibleInterface *child(int index) const override {
        const QList<QWidget *> own = own_widgets(widget());
        if (index < 0)
            return nullptr;
        if (index < own.size())
            return QAccessible::queryAccessibleInterface(own[index]);
        const int slot = index - static_cast<int>(own.size());
        if (slot >= static_cast<int>(bars_of(widget()).size()))
            return nullptr;
        while (static_cast<int>(bar_ids_.size()) <= slot) {
            auto *bar = new TBarAccessible(widget(), static_cast<int>(bar_ids_.size()));
            bar_ids_.push_back(QAccessible::registerAccessibleInterface(bar));
        }
        return QAccessible::accessibleInterface(bar_ids_[static_cast<std::size_t>(slot)]);
    }

    int indexOfChild(const QAccessibleInterface *iface) const override {
        const QList<QWidget *> own = own_widgets(widget());
        for (std::size_t slot = 0; slot < bar_ids_.size(); ++slot)
            if (QAccessible::accessibleInterface(bar_ids_[slot]) == iface)
                return static_cast<int>(own.size() + slot);
        return iface ? static_cast<int>(own.indexOf(qobject_cast<QWidget *>(iface->object()))) : -1;
    }

private:
    mutable std::vector<QAccessible::Id> bar_ids_;
};

QAccessibleInterface *bar_chart_factory(const QString &, QObject *object) {
    auto *widget = qobject_cast<QWidget *>(object);
    return widget && charts().contains(widget) ? new TBarChartAccessible(widget) : nullptr;
}

} // namespace

void expose_bars(QWidget *chart, shown_bars_fn bars) {
    static const bool installed = [] {
        QAccessible::installFactory(bar_chart_factory);
        return true;
    }();
    (void)installed;
    charts().insert(chart, std::move(bars));
    QObject::connect(chart, &QObject::destroyed, [chart] { charts().remove(chart); });
}

void bars_changed(QWidget *chart) {
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(chart, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&event);
}
