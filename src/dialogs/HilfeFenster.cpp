#include "HilfeFenster.h"
#include "Sprachwahl.h"

#include "Masse.h"
#include "Shell.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace pinwick {

namespace {
// A page of about sixty characters a line and twenty lines: enough to read
// a section without scrolling, small enough for a laptop's screen.
constexpr int BreiteTwips = 10500, HoeheTwips = 9000;

QString fehltText(int16_t sprache, const QString& pfad) {
    const QString name = pfad.toHtmlEscaped();
    if (sprache == SpracheDeutsch)
        return QStringLiteral("<p>Die Hilfeseite <b>%1</b> fehlt.</p>").arg(name);
    return QStringLiteral("<p>The help page <b>%1</b> is missing.</p>").arg(name);
}
} // namespace

QString HilfeTitel(int16_t sprache) {
    return sprache == SpracheDeutsch ? QStringLiteral("Pinwick - Hilfe") : QStringLiteral("Pinwick - Help");
}

HilfeFenster::HilfeFenster(int16_t sprache, bool oben, const QString& pfad, QWidget* eltern)
    : QWidget(eltern, Qt::Window) {
    setObjectName(QStringLiteral("HilfeFenster"));
    setWindowFlag(Qt::WindowStaysOnTopHint, oben);
    auto* rahmen = new QVBoxLayout(this);
    rahmen->setContentsMargins(0, 0, 0, 0);
    seite_ = new QTextBrowser(this);
    seite_->setObjectName(QStringLiteral("HilfeSeite"));
    // Pages of the web go to the desktop, when it has something for them;
    // the pages beside this one open here.
    seite_->setOpenExternalLinks(true);
    rahmen->addWidget(seite_);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);

    resize(Px(BreiteTwips), Px(HoeheTwips));
    // In the middle of the screen, clear of the bar at either edge.
    if (QScreen* schirm = QGuiApplication::primaryScreen()) {
        const QRect frei = schirm->availableGeometry();
        QRect lage(QPoint(), size().boundedTo(frei.size()));
        lage.moveCenter(frei.center());
        setGeometry(lage);
    }
    SeiteZeigen(sprache, pfad);
}

void HilfeFenster::SeiteZeigen(int16_t sprache, const QString& pfad) {
    setWindowTitle(HilfeTitel(sprache));
    if (QFileInfo::exists(pfad)) {
        // The page's own folder, so its links to pages and pictures beside it work.
        seite_->setSearchPaths({QFileInfo(pfad).absolutePath()});
        seite_->setSource(QUrl::fromLocalFile(QFileInfo(pfad).absoluteFilePath()));
    } else {
        seite_->setHtml(fehltText(sprache, pfad));
    }
}

void HilfeFensterZeigen(int16_t sprache, bool oben, const QString& pfad) {
    static QPointer<HilfeFenster> offen;
    if (!offen) {
        offen = new HilfeFenster(sprache, oben, pfad);
        offen->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        offen->SeiteZeigen(sprache, pfad);
    }
    offen->show();
    offen->raise();
    offen->activateWindow();
}

} // namespace pinwick
