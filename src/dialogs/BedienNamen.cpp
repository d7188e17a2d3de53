#include "BedienNamen.h"

#include "Panel3D.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <limits>

namespace pinwick {

namespace {

// Marks names given here, so they can be renewed, never a window's own.
const char* const vonHier = "pinwick_bedienName";

bool istEingabe(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w);
}

// The caption a widget shows, when it is one that describes its neighbour.
QString beschriftung(const QWidget* w) {
    QString text;
    if (const auto* l = qobject_cast<const QLabel*>(w))
        text = l->text();
    else if (const auto* pan = qobject_cast<const Panel3D*>(w))
        text = pan->text();
    else if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        text = b->text();
    text.remove(QLatin1Char('&'));
    return text.simplified();
}

} // namespace

void BedienNamenErgaenzen(QWidget& fenster) {
    for (QWidget* eingabe : fenster.findChildren<QWidget*>()) {
        // The viewport and the edit of a combo box are parts of their
        // control, not controls of their own.
        if (!istEingabe(eingabe) || !eingabe->parentWidget() ||
            istEingabe(eingabe->parentWidget()))
            continue;
        if (!eingabe->accessibleName().isEmpty() && !eingabe->property(vonHier).toBool())
            continue;
        // Captions pair with boxes of the same group only: groups that take
        // turns in one place (weekly, monthly, yearly) lie over each other.
        const QRect e = eingabe->geometry();
        QString links, oben;
        int linksAbstand = std::numeric_limits<int>::max();
        int obenAbstand = std::numeric_limits<int>::max();
        for (QObject* o : eingabe->parentWidget()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (!w || w == eingabe || w->isWindow() || istEingabe(w))
                continue;
            const QString text = beschriftung(w);
            if (text.isEmpty())
                continue;
            const QRect b = w->geometry();
            // Left on the same line: its middle within the box's height, its
            // right edge before the box's left one (a little overlap allowed).
            const int mitte = b.center().y();
            if (mitte >= e.top() && mitte <= e.bottom() && b.right() <= e.left() + 4) {
                const int abstand = e.left() - b.right();
                if (abstand < linksAbstand && abstand < 200) {
                    linksAbstand = abstand;
                    links = text;
                }
            }
            // Above: overlapping the box's columns, ending close over its top.
            if (b.bottom() <= e.top() + 4 && b.right() >= e.left() && b.left() <= e.right()) {
                const int abstand = e.top() - b.bottom();
                if (abstand < obenAbstand && abstand < 30) {
                    obenAbstand = abstand;
                    oben = text;
                }
            }
        }
        QString name = !links.isEmpty() ? links : oben;
        if (name.isEmpty() &&
            (qobject_cast<QTextEdit*>(eingabe) || qobject_cast<QPlainTextEdit*>(eingabe)))
            name = fenster.windowTitle();
        if (name.isEmpty())
            continue;
        eingabe->setAccessibleName(name);
        eingabe->setProperty(vonHier, true);
    }
}

} // namespace pinwick
