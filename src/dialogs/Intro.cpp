#include "Intro.h"
#include "Sprachwahl.h"
#include "Oberflaeche.h"

#include "Masse.h"
#include "Panel3D.h"
#include "Version.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace pinwick {

namespace {
constexpr int32_t Hintergrund = 0x400000; // dark blue
constexpr int BreitePx = 480, HoehePx = 240;
} // namespace

QImage Intro::SplashBild(int16_t sprache) {
    const bool englisch = sprache == SpracheEnglisch;
    QImage bild(BreitePx, HoehePx, QImage::Format_RGB32);
    QPainter maler(&bild);
    maler.setRenderHint(QPainter::Antialiasing);
    maler.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient himmel(0, 0, 0, HoehePx);
    himmel.setColorAt(0.0, Farbe(Hintergrund));
    himmel.setColorAt(1.0, QColor(0, 0, 110));
    maler.fillRect(bild.rect(), himmel);

    // A red slanted stripe, the same slant as the message box face.
    QPainterPath streifen;
    streifen.addPolygon(QPolygonF(
        {QPointF(420, 0), QPointF(480, 0), QPointF(410, HoehePx), QPointF(350, HoehePx)}));
    maler.fillPath(streifen, QColor(150, 0, 0, 110));

    // Name and subtitle.
    QFont titel;
    titel.setPixelSize(46);
    titel.setBold(true);
    titel.setItalic(true);
    maler.setFont(titel);
    maler.setPen(QColor(255, 255, 255));
    maler.drawText(QRect(28, 18, 420, 60), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Pinwick 3"));
    QFont unter;
    unter.setPixelSize(16);
    maler.setFont(unter);
    maler.setPen(QColor(190, 200, 255));
    maler.drawText(QRect(32, 78, 420, 24), Qt::AlignLeft | Qt::AlignVCenter,
                   englisch ? QStringLiteral("Notes and news on the desktop")
                            : QStringLiteral("Notizen und Nachrichten am Bildschirm"));

    // A ticker bar in miniature: date and clock panels and a text band.
    const QRect leiste(28, 120, 424, 30);
    maler.fillRect(leiste, QColor(192, 192, 192));
    const QRect datum(31, 123, 60, 24), uhr(92, 123, 46, 24), band(139, 123, 310, 24);
    for (const QRect& feld : {datum, uhr}) {
        maler.fillRect(feld, QColor(255, 255, 225));
        maler.setPen(QColor(255, 255, 255));
        maler.drawLine(feld.topLeft(), feld.topRight());
        maler.drawLine(feld.topLeft(), feld.bottomLeft());
        maler.setPen(QColor(128, 128, 128));
        maler.drawLine(feld.bottomLeft(), feld.bottomRight());
        maler.drawLine(feld.topRight(), feld.bottomRight());
    }
    QFont klein;
    klein.setPixelSize(12);
    maler.setFont(klein);
    maler.setPen(QColor(0, 0, 0));
    maler.drawText(datum, Qt::AlignCenter, QStringLiteral("24/06"));
    maler.drawText(uhr, Qt::AlignCenter, QStringLiteral("09:30"));
    maler.fillRect(band, QColor(0, 0, 0));
    maler.setClipRect(band);
    klein.setBold(true);
    maler.setFont(klein);
    const QString eigene = englisch ? QStringLiteral("Team meeting at ten")
                                    : QStringLiteral("Teambesprechung um zehn");
    const QString fremde = englisch ? QStringLiteral("Server maintenance tonight")
                                    : QStringLiteral("Serverwartung heute Abend");
    const QString trenner = QStringLiteral(" \u00B7 ");
    const QFontMetrics fm(klein);
    int x = band.left() + 7;
    const int grundlinie = band.top() + (band.height() + fm.ascent() - fm.descent()) / 2;
    for (const auto& [text, farbe] :
         {std::pair{eigene, QColor(255, 255, 0)}, std::pair{fremde, QColor(0, 255, 255)},
          std::pair{eigene, QColor(255, 255, 0)}}) {
        maler.setPen(farbe);
        maler.drawText(x, grundlinie, text);
        x += fm.horizontalAdvance(text);
        maler.setPen(QColor(255, 255, 0));
        maler.drawText(x, grundlinie, trenner);
        x += fm.horizontalAdvance(trenner);
    }
    maler.setClipping(false);
    return bild;
}

Intro::Intro(Programm& p, QWidget* eltern)
    : QWidget(eltern, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setWindowTitle(QStringLiteral("Pinwick"));
    setFixedSize(BreitePx, HoehePx);
    QPalette farben = palette();
    farben.setColor(QPalette::Window, Farbe(Hintergrund));
    setPalette(farben);
    setAutoFillBackground(true);

    bild_ = SplashBild(p.Sprache == SpracheEnglisch ? int16_t(1) : int16_t(2));

    versionPan_ = new Panel3D(this);
    versionPan_->setGeometry(Px(3210), Px(2850), Px(795), Px(270));
    versionPan_->setRand(false);
    versionPan_->setDurchsichtig(true);
    versionPan_->setSchriftFarbe(0xFFFFFF);
    versionPan_->setText(VersionsText(p.programmVersion, p.Sprache));
    // The panel is narrow; the font shrinks until the text fits in it.
    QFont schrift = versionPan_->font();
    for (int groesse = 12; groesse >= 7; --groesse) {
        schrift.setPixelSize(groesse);
        if (QFontMetrics(schrift).horizontalAdvance(versionPan_->text()) <=
            versionPan_->contentsRect().width())
            break;
    }
    versionPan_->setFont(schrift);

    const QRect schirm = Bildschirm(Oberflaeche::Von(p).leiste);
    move(schirm.x() + (schirm.width() - width()) / 2,
         schirm.y() + (schirm.height() - height()) / 2);
}

void Intro::paintEvent(QPaintEvent*) {
    QPainter maler(this);
    maler.drawImage(0, 0, bild_);
    gemalt_ = true;
}

bool Intro::GemaltAbwarten(int hoechstensMs) {
    if (!gemalt_ && isVisible()) {
        QEventLoop schleife;
        QTimer frist;
        frist.setSingleShot(true);
        connect(&frist, &QTimer::timeout, &schleife, &QEventLoop::quit);
        // Looked at between events: the paint event itself must not end the
        // loop before the picture has gone out to the display.
        QTimer blick;
        connect(&blick, &QTimer::timeout, &schleife, [&] {
            if (gemalt_ || !isVisible())
                schleife.quit();
        });
        frist.start(hoechstensMs);
        blick.start(5);
        schleife.exec();
    }
    // The painting goes to the display with the next round of events; the
    // wait after the splash lets none run.
    QCoreApplication::processEvents();
    return gemalt_;
}

} // namespace pinwick
