#include "toolkit/status_panel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace {

constexpr int text_left = 4;  // from the panel's left edge to the text
constexpr int text_right = 3; // kept free on the right

// A panel as assistive technology sees it: static text named by its text.
class status_panel_accessible : public QAccessibleWidget {
public:
    explicit status_panel_accessible(TStatusPanel *panel)
        : QAccessibleWidget(panel, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return static_cast<const TStatusPanel *>(object())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *panel_accessible_factory(const QString &class_name, QObject *object) {
    if (class_name == QLatin1String("TStatusPanel") && object && object->isWidgetType())
        return new status_panel_accessible(static_cast<TStatusPanel *>(object));
    return nullptr;
}

} // namespace

TStatusPanel::TStatusPanel(int design_width, const QString &sample_text, QWidget *parent) : QWidget(parent) {
    static const bool factory_installed = [] {
        QAccessible::installFactory(panel_accessible_factory);
        return true;
    }();
    (void)factory_installed;
    QFontMetrics fm(font());
    width_ = std::max(design_width, fm.horizontalAdvance(sample_text) + 10);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TStatusPanel::setText(const QString &text) {
    const QRect dirty = set_text_deferred(text);
    if (!dirty.isEmpty())
        update(dirty);
}

QRect TStatusPanel::set_text_deferred(const QString &text) {
    if (text == text_)
        return {};
    const bool had_run = run_valid_;
    const QList<quint32> old_glyphs = had_run ? run_.glyphIndexes() : QList<quint32>();
    text_ = text;
    run_valid_ = false;
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
    if (!had_run || !lay_out_glyphs())
        return rect();
    // Mostly the last digits change ("PHM 24683752/24226" + "096" ->
    // "107"): only the part from the first new glyph on is painted and
    // sent to the display.
    const QList<quint32> &glyphs = run_.glyphIndexes();
    qsizetype same = 0;
    while (same < glyphs.size() && same < old_glyphs.size() && glyphs[same] == old_glyphs[same])
        ++same;
    if (same == 0)
        return rect();
    // From the start of the first changed glyph, less a pixel for the
    // antialiased edge of the one before it.
    const int from = text_left + static_cast<int>(run_.positions()[same - 1].x() +
                                                  ascii_advance_[text_[same - 1].unicode()]) - 1;
    return QRect(from, 0, width() - from, height());
}

QSize TStatusPanel::sizeHint() const { return QSize(width_, QFontMetrics(font()).height() + 6); }

void TStatusPanel::changeEvent(QEvent *event) {
    switch (event->type()) {
    case QEvent::FontChange:
        raw_font_ = QRawFont();
        run_valid_ = false;
        break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        frame_ = QPixmap();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

const QPixmap &TStatusPanel::frame_picture() {
    const qreal dpr = devicePixelRatioF();
    const QSize device_size = size() * dpr;
    if (frame_.isNull() || frame_.size() != device_size || frame_palette_ != palette().cacheKey()) {
        frame_ = QPixmap(device_size);
        frame_.setDevicePixelRatio(dpr);
        frame_.fill(palette().color(backgroundRole()));
        QPainter p(&frame_);
        QStyleOptionFrame frame;
        frame.initFrom(this);
        frame.rect = QRect(QPoint(0, 0), size());
        frame.frameShape = QFrame::Panel;
        frame.state |= QStyle::State_Sunken;
        frame.lineWidth = 1;
        style()->drawControl(QStyle::CE_ShapedFrame, &frame, &p, this);
        frame_palette_ = palette().cacheKey();
    }
    return frame_;
}

bool TStatusPanel::lay_out_glyphs() {
    if (run_valid_)
        return true;
    if (!raw_font_.isValid()) {
        raw_font_ = QRawFont::fromFont(font());
        if (!raw_font_.isValid())
            return false;
        // The glyph and advance of every ASCII character, looked up once.
        QString ascii;
        for (char16_t c = 0; c < 128; ++c)
            ascii.append(QChar(c));
        const QList<quint32> glyphs = raw_font_.glyphIndexesForString(ascii);
        const QList<QPointF> advances = raw_font_.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
        for (qsizetype i = 0; i < 128; ++i) {
            ascii_glyph_[i] = i < glyphs.size() ? glyphs[i] : 0;
            ascii_advance_[i] = i < advances.size() ? advances[i].x() : 0;
        }
    }
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(text_.size());
    positions.reserve(text_.size());
    qreal x = 0;
    for (const QChar c : text_) {
        const char16_t u = c.unicode();
        if (u >= 128 || !ascii_glyph_[u])
            return false; // beyond ASCII, or a character the font lacks: the text layout's fallbacks
        glyphs.append(ascii_glyph_[u]);
        positions.append(QPointF(x, 0));
        x += ascii_advance_[u];
    }
    run_.setRawFont(raw_font_);
    run_.setGlyphIndexes(glyphs);
    run_.setPositions(positions);
    run_valid_ = true;
    return true;
}

void TStatusPanel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.drawPixmap(0, 0, frame_picture());
    p.setPen(palette().color(QPalette::WindowText));
    const QRect area = rect().adjusted(text_left, 0, -text_right, 0);
    if (text_.isEmpty())
        return;
    if (lay_out_glyphs()) {
        // Vertically centred like Qt::AlignVCenter: the line box (ascent
        // + descent) in the middle of the panel, the glyphs on its baseline.
        const qreal line = raw_font_.ascent() + raw_font_.descent();
        const qreal baseline = area.top() + (area.height() - line) / 2 + raw_font_.ascent();
        p.setClipRect(area);
        p.drawGlyphRun(QPointF(area.left(), baseline), run_);
    } else {
        p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, text_);
    }
}
