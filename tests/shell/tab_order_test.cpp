// Tab in every dialog, and on every page of the main window, goes in
// reading order: down the window, and left to right along a line.
#include "catalogue/changeicon_form.h"
#include "catalogue/hotkey_form.h"
#include "catalogue/run_period_form.h"
#include "logging/globalstat_form.h"
#include "shell/main_form.h"
#include "shell/settings_form.h"
#include "support/qt_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTabWidget>

#include <functional>

namespace {

std::string described(const QWidget *w) {
    const QString name = w->accessibleName().isEmpty() ? w->property("text").toString() : w->accessibleName();
    return w->metaObject()->className() + (" '" + name.toStdString() + "'");
}

// The first two controls that Tab takes in an order a reader would not: the
// second neither starts below the first nor stands beside it to its right.
// "" when there are none.
std::string reading_order_break(QWidget *window) {
    QWidget *before = nullptr;
    QRect was;
    for (QWidget *w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
            continue;
        const QRect at(w->mapTo(window, QPoint(0, 0)), w->size());
        const bool below = at.top() >= was.bottom();
        const bool beside = at.top() < was.bottom() && at.bottom() > was.top() && at.left() >= was.right();
        if (before && !below && !beside)
            return described(before) + " then " + described(w);
        before = w;
        was = at;
    }
    return {};
}

} // namespace

TEST(TabOrder, EveryDialogAndPageGoesInReadingOrder) {
    ensure_qt_application();
    const std::string statistics = test_env::make_temp_dir("stat") + "/vorkel.glb";
    const std::pair<const char *, std::function<QWidget *()>> windows[] = {
        {"main window", [] { return new TTM; }},
        {"Settings", [] { return new Tsettings_form; }},
        {"Startup options", [] { return new Trun_period_form; }},
        {"Hotkeys", [] { return new Thotkey_form; }},
        {"Change icon", [] { return new Tchangeicon_form; }},
        {"statistics", [&] { return new Tglobalstat_form(statistics); }},
    };
    for (const auto &[name, make] : windows) {
        QWidget *window = make();
        window->show();
        QApplication::processEvents();
        auto *pages = window->findChild<QTabWidget *>();
        for (int page = 0; page < (pages ? pages->count() : 1); ++page) {
            if (pages) {
                if (!pages->isTabVisible(page))
                    continue;
                pages->setCurrentIndex(page);
                QApplication::processEvents();
            }
            EXPECT_EQ(reading_order_break(window), "")
                << name << (pages ? ", page " + pages->tabText(page).toStdString() : "");
        }
        delete window;
    }
}
