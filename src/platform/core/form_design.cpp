#include "platform/core/form_design.h"

#include "platform/core/program.h"

#include <QAbstractButton>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShortcut>

namespace platform {

namespace {

void setCaption(QWidget* control, const QString& caption)
{
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(caption);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(caption);
    else if (auto* frame = qobject_cast<QGroupBox*>(control))
        frame->setTitle(caption);
}

// Sides of 0 keep the control's own size.
void placeDesigned(QWidget* control, const TwipsBox& box)
{
    if (box.width > 0 && box.height > 0) {
        place(control, box);
        return;
    }
    const QPoint at(twipsToPixels(box.left), twipsToPixels(box.top));
    if (box.width > 0) {
        control->move(at);
        control->resize(twipsToPixels(box.width), control->sizeHint().height());
    } else {
        control->adjustSize();
        control->move(at);
    }
}

} // namespace

QRect toPixels(const TwipsBox& box)
{
    return QRect(twipsToPixels(box.left), twipsToPixels(box.top), twipsToPixels(box.width),
                 twipsToPixels(box.height));
}

void place(QWidget* control, const TwipsBox& box) { control->setGeometry(toPixels(box)); }

QFont toFont(const FontDesign& font)
{
    QFont f(QString::fromUtf16(font.family));
    f.setPointSizeF(font.points);
    if (font.bold)
        f.setBold(true);
    return f;
}

void applyDesign(QWidget* window, const FormDesign& design)
{
    for (const ControlDesign& d : design) {
        QWidget* control = window->findChild<QWidget*>(QString::fromLatin1(d.name));
        Q_ASSERT_X(control, "applyDesign", d.name);
        if (!control)
            continue;
        const QString caption = QString::fromUtf16(d.caption);
        if (!caption.isEmpty())
            setCaption(control, caption);
        const QString tip = QString::fromUtf16(d.tooltip);
        if (!tip.isEmpty())
            control->setToolTip(tip);
        if (d.font.family)
            control->setFont(toFont(d.font));
        placeDesigned(control, d.box);
    }
}

QColor fromBgr(quint32 bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

void centreOnScreen(QWidget* window, ScreenCorner corner, std::optional<QSizeF> outerTwips)
{
    const QSizeF screen = screenSizeTwips();
    const QRect frame = window->frameGeometry();
    const QSizeF size = outerTwips.value_or(QSizeF(pixelsToTwips(frame.width()), pixelsToTwips(frame.height())));
    QPoint origin;
    if (corner == ScreenCorner::PrimaryScreen) {
        if (const QScreen* s = QGuiApplication::primaryScreen())
            origin = s->geometry().topLeft();
    }
    window->move(origin + QPoint(twipsToPixels((screen.width() - size.width()) / 2),
                                 twipsToPixels((screen.height() - size.height()) / 2)));
}

void cancelOnEscape(QWidget* window, QAbstractButton* cancel, Qt::ShortcutContext context)
{
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    esc->setContext(context);
    if (!cancel) {
        QObject::connect(esc, &QShortcut::activated, window, &QWidget::close);
        return;
    }
    QObject::connect(esc, &QShortcut::activated, cancel, [cancel] {
        if (cancel->isVisible() && cancel->isEnabled())
            cancel->click();
    });
}

} // namespace platform
