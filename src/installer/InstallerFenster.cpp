#include "InstallerFenster.h"
#include "Sprachwahl.h"

#include "BildForm.h"
#include "Fortschritt.h"
#include "Hilfen.h"
#include "Masse.h"
#include "Panel3D.h"
#include "Programme.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace pinwick::pwi {

namespace {

// Colours as &H00BBGGRR.
constexpr int32_t KnopfNormal = 0x800000; // dark blue
constexpr int32_t KnopfHell = 0x900000;   // blue 144 under the pointer
constexpr int32_t Weiss = 0xFFFFFF;       // colour 15 of the 16-colour table
constexpr int32_t HellCyan = 0xFFFF00;    // colour 11
constexpr int32_t Marine = 0x541C14;      // the title's ink
// A pressed button sinks 30 twips to the right and down.
constexpr int Eindruecken = 2;

// Sizes for people: bytes, KB or MB.
QString Groesse(int64_t bytes) {
    if (bytes < 10 * 1024)
        return QStringLiteral("%1 B").arg(bytes);
    if (bytes < 10 * 1024 * 1024)
        return QStringLiteral("%1 KB").arg(bytes / 1024);
    return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
}

} // namespace

InstallerFenster::InstallerFenster(Installation& installation, QWidget* eltern)
    : QWidget(eltern, Qt::Window | Qt::FramelessWindowHint), inst_(installation) {
    setWindowTitle(QStringLiteral("Pinwick Installer"));
    setFixedSize(Px(BreiteTwips), Px(HoeheTwips));
    const QSize groesse = size();
    FormSetzen(*this, [groesse](QPainter& maler) { HintergrundMalen(maler, groesse); });

    titelPan_ = new Panel3D(this);
    titelPan_->setGeometry(PxMasse(540, 555, 7455, 210));
    titelPan_->setRand(false);
    titelPan_->setDurchsichtig(true);
    titelPan_->setSchriftFarbe(Marine);
    titelPan_->setAusrichtung(Qt::AlignLeft | Qt::AlignVCenter);
    QFont fett = font();
    fett.setBold(true);
    titelPan_->setFont(fett);

    startBef_ = new Panel3D(this);
    startBef_->setGeometry(PxMasse(465, 1275, 7635, 360));
    abbrechenBef_ = new Panel3D(this);
    abbrechenBef_->setGeometry(PxMasse(465, 1665, 7635, 360));

    deckelPan_ = new Panel3D(this);
    deckelPan_->setGeometry(PxMasse(464, 1274, 7650, 375));
    deckelPan_->setHintergrund(0xE8DCD0);
    deckelPan_->setSchriftFarbe(Marine);
    QFont schraeg = font();
    schraeg.setItalic(true);
    deckelPan_->setFont(schraeg);
    deckelPan_->hide();

    fehlerPan_ = new Panel3D(this);
    // Taller than the notice alone needs: the line under it says why.
    fehlerPan_->setGeometry(PxMasse(464, 1274, 7680, 1110));
    fehlerPan_->setHintergrund(0xD0E8FF); // a pale amber
    fehlerPan_->setSchriftFarbe(0x000080);
    fehlerPan_->setAusrichtung(Qt::AlignHCenter | Qt::AlignTop);
    fehlerPan_->setUmbruch(true);
    fehlerPan_->hide();
    weiterBef_ = new Panel3D(fehlerPan_);
    weiterBef_->setGeometry(PxMasse(3090, 795, 1740, 240));

    fortschrittPan_ = new Fortschritt(this);
    fortschrittPan_->setGeometry(PxMasse(390, 2505, 7770, 45));

    for (Panel3D* knopf : {startBef_, abbrechenBef_, weiterBef_})
        knopfVerhalten(knopf);
    // Queued: the work starts once the button is up again.
    connect(startBef_, &Panel3D::geklickt, this, &InstallerFenster::StartKlick,
            Qt::QueuedConnection);
    connect(abbrechenBef_, &Panel3D::geklickt, this, &InstallerFenster::AbbrechenKlick,
            Qt::QueuedConnection);
    connect(weiterBef_, &Panel3D::geklickt, this, &InstallerFenster::WeiterKlick,
            Qt::QueuedConnection);

    fortschrittTim_.setInterval(200);
    connect(&fortschrittTim_, &QTimer::timeout, this, &InstallerFenster::fortschrittTick);

    programmStarten = [this](const QString& programm) {
        return ProgrammStarten(programm, inst_.ArbeitsOrdner().absolutePath());
    };
    beenden = [] { QCoreApplication::exit(0); };
    melden = [](const QString& text) { std::fprintf(stderr, "pwi: %s\n", qPrintable(text)); };
    piepen = [] { QApplication::beep(); };

    inst_.UpdverLesen();
    beschriften();

    const QRect schirm = Bildschirm(this);
    move(schirm.center() - rect().center());
}

QString InstallerFenster::text(const QString& englisch, const QString& deutsch) const {
    // Any language but English keeps the German design texts.
    return inst_.sprache == SpracheEnglisch ? englisch : deutsch;
}

void InstallerFenster::beschriften() {
    titelPan_->setText(text(QStringLiteral("Pinwick Installer: Update to version "),
                            QStringLiteral("Pinwick Installer: Update auf Version ")) +
                       inst_.VersionText());
    startBef_->setText(
        text(QStringLiteral("Start update now"), QStringLiteral("Update jetzt starten")));
    abbrechenBef_->setText(QStringLiteral("Ohne Update beenden"));
    meldung_ = QStringLiteral("\n") +
               text(QStringLiteral("Update currently unavailable - please try again later."),
                    QStringLiteral("Update im Augenblick nicht verf\u00FCgbar - bitte versuchen "
                                   "Sie es sp\u00E4ter nocheinmal."));
    fehlerPan_->setText(meldung_);
    weiterBef_->setText(text(QStringLiteral("Proceed"), QStringLiteral("Weiter")));
}

void InstallerFenster::knopfVerhalten(Panel3D* knopf) {
    knopf->setKlickbar(true);
    knopf->setHintergrund(KnopfNormal);
    knopf->setSchriftFarbe(Weiss);
    knopf->setCursor(Qt::PointingHandCursor);
    // Pressed with a second mouse button, a button must not sink twice.
    connect(knopf, &Panel3D::gedrueckt, knopf, [knopf] {
        if (knopf->property("unten").toBool())
            return;
        knopf->setProperty("unten", true);
        knopf->move(knopf->pos() + QPoint(Eindruecken, Eindruecken));
    });
    connect(knopf, &Panel3D::losgelassen, knopf, [knopf] {
        if (!knopf->property("unten").toBool())
            return;
        knopf->setProperty("unten", false);
        knopf->move(knopf->pos() - QPoint(Eindruecken, Eindruecken));
    });
    connect(knopf, &Panel3D::betreten, knopf, [knopf] { knopf->setHintergrund(KnopfHell); });
    connect(knopf, &Panel3D::verlassen, knopf, [knopf] { knopf->setHintergrund(KnopfNormal); });
}

void InstallerFenster::StartKlick() {
    // The cover keeps a second click away; this keeps away a second call.
    if (zustand_ != Zustand::Wahl)
        return;
    zustand_ = Zustand::Update;
    abbruch_ = false;

    deckelPan_->setText(text(QStringLiteral("Update process working ..."),
                             QStringLiteral("Updateprozess l\u00E4uft ...")));
    deckelPan_->show();
    deckelPan_->raise();
    QCoreApplication::processEvents();
    startBef_->setSchriftFarbe(HellCyan);
    QCoreApplication::processEvents();
    fortschrittTim_.start();

    inst_.ereignisse = [] { QCoreApplication::processEvents(); };
    inst_.abbrechen = [this] { return abbruch_; };
    const QString arbeitet = deckelPan_->text();
    inst_.fortschritt = [this, arbeitet](const QString& name, int64_t empfangen, int64_t gesamt) {
        QString stand = name + QStringLiteral(": ") + Groesse(empfangen);
        if (gesamt > 0)
            stand += text(QStringLiteral(" of "), QStringLiteral(" von ")) + Groesse(gesamt);
        deckelPan_->setText(arbeitet + QStringLiteral("   ") + stand);
    };
    const Installation::Ergebnis ergebnis = inst_.Ausfuehren();
    if (ergebnis == Installation::Ergebnis::Abgebrochen) {
        // "Quit without update" during the download: the old ticker is
        // still complete, so it is the one to start.
        fortschrittAnhalten();
        tickerStartenUndEnde(inst_.TickerPfad());
        return;
    }
    if (ergebnis == Installation::Ergebnis::Fehlgeschlagen) {
        std::fprintf(stderr, "pwi: update failed: %s\n", qPrintable(inst_.Fehler()));
        fehlschlag();
        return;
    }

    fortschrittAnhalten();
    // The cover goes, so that the start button can tell of the success.
    deckelPan_->hide();
    startBef_->setText(text(QStringLiteral("Update process sucessful."),
                            QStringLiteral("Updateprozess erfolgreich.")));
    startBef_->setSchriftFarbe(Weiss);
    QCoreApplication::processEvents();
    inst_.ArbeitsdateienLoeschen();
    Warten(0.5f);
    QCoreApplication::processEvents();
    tickerStartenUndEnde(inst_.Programm());
}

void InstallerFenster::AbbrechenKlick() {
    if (zustand_ == Zustand::Update) {
        // The update gives up at its next wait and starts the ticker then.
        abbruch_ = true;
        return;
    }
    if (zustand_ == Zustand::Fertig)
        return;
    tickerStartenUndEnde(inst_.TickerPfad());
}

void InstallerFenster::WeiterKlick() {
    if (zustand_ == Zustand::Fertig)
        return;
    tickerStartenUndEnde(inst_.TickerPfad());
}

void InstallerFenster::fehlschlag() {
    zustand_ = Zustand::Fehler;
    // The notice, and under it what went wrong, so that whoever looks after
    // the program can tell a full disk from a refused login or a forged file.
    QString grund = inst_.Fehler();
    if (grund.size() > 160)
        grund = grund.left(157) + QStringLiteral("...");
    fehlerPan_->setText(meldung_ + QStringLiteral("\n") +
                        text(QStringLiteral("Reason: "), QStringLiteral("Grund: ")) + grund);
    if (piepen)
        piepen();
    fehlerPan_->show();
    fehlerPan_->raise();
    fortschrittAnhalten();
}

void InstallerFenster::tickerStartenUndEnde(const QString& programm) {
    zustand_ = Zustand::Fertig;
    const bool laeuft = programmStarten && programmStarten(programm);
    if (!laeuft && melden)
        melden(text(QStringLiteral("The program \"%1\" cannot be started."),
                    QStringLiteral("Das Programm \"%1\" l\u00E4sst sich nicht starten."))
                   .arg(QFileInfo(programm).fileName()));
    if (beenden)
        beenden();
}

void InstallerFenster::fortschrittTick() {
    setCursor(Qt::WaitCursor);
    fortschrittPan_->Weiter();
}

void InstallerFenster::fortschrittAnhalten() {
    fortschrittTim_.stop();
    fortschrittPan_->Zuruecksetzen();
    unsetCursor();
}

void InstallerFenster::HintergrundMalen(QPainter& maler, const QSize& groesse) {
    maler.setRenderHint(QPainter::Antialiasing);
    const QRectF flaeche(0.5, 0.5, groesse.width() - 1.0, groesse.height() - 1.0);
    QPainterPath form;
    form.addRoundedRect(flaeche, 10, 10);

    // The body: a cool light grey-blue, darker towards the bottom.
    QLinearGradient koerper(0, 0, 0, groesse.height());
    koerper.setColorAt(0.0, QColor(238, 242, 250));
    koerper.setColorAt(1.0, QColor(196, 207, 228));
    maler.fillPath(form, koerper);

    // The head band with the name, and a thin amber line under it.
    const qreal kopf = 28;
    maler.save();
    maler.setClipPath(form);
    QLinearGradient band(0, 0, groesse.width(), 0);
    band.setColorAt(0.0, QColor(18, 30, 80));
    band.setColorAt(1.0, QColor(44, 78, 150));
    maler.fillRect(QRectF(0, 0, groesse.width(), kopf), band);
    maler.fillRect(QRectF(0, kopf, groesse.width(), 2), QColor(255, 190, 0));
    // Faint slanted stripes at the right end of the body.
    maler.setPen(QPen(QColor(255, 255, 255, 70), 6));
    for (int x = groesse.width() - 150; x < groesse.width() + 120; x += 18)
        maler.drawLine(QPointF(x, kopf + 2), QPointF(x - 90, groesse.height()));
    maler.restore();

    // The pin: a needle and a yellow head.
    maler.setPen(QPen(QColor(235, 235, 235), 1.6));
    maler.drawLine(QPointF(14, 22), QPointF(20, 11));
    maler.setPen(QPen(QColor(120, 80, 0), 1.0));
    maler.setBrush(QColor(255, 214, 0));
    maler.drawEllipse(QPointF(21, 10), 4.5, 4.5);

    QFont name;
    name.setPixelSize(16);
    name.setBold(true);
    name.setItalic(true);
    maler.setFont(name);
    maler.setPen(Qt::white);
    maler.drawText(QRectF(30, 0, 200, kopf), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Pinwick"));
    QFont klein;
    klein.setPixelSize(11);
    maler.setFont(klein);
    maler.setPen(QColor(190, 205, 240));
    maler.drawText(QRectF(0, 0, groesse.width() - 14.0, kopf), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("Installer"));

    // A groove for the busy indicator.
    maler.setPen(QPen(QColor(120, 132, 160), 1));
    maler.setBrush(Qt::NoBrush);
    const QRect fortschritt = PxMasse(390, 2505, 7770, 45);
    maler.drawRect(QRectF(fortschritt).adjusted(-1.5, -1.5, 1.5, 1.5));

    // The edge.
    maler.setPen(QPen(QColor(30, 46, 100), 1.2));
    maler.drawPath(form);
}

void InstallerFenster::closeEvent(QCloseEvent* ereignis) {
    if (zustand_ == Zustand::Fertig) {
        QWidget::closeEvent(ereignis);
        return;
    }
    ereignis->ignore();
    AbbrechenKlick();
}

void InstallerFenster::paintEvent(QPaintEvent*) {
    QPainter maler(this);
    HintergrundMalen(maler, size());
}

} // namespace pinwick::pwi
