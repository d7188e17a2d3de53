#include "NetzConnect.h"
#include "Sprachwahl.h"
#include "Oberflaeche.h"

#include "Masse.h"
#include "Panel3D.h"

#include <QCoreApplication>
#include <QPointer>

namespace pinwick {

NetzConnect::NetzConnect(Programm& p, QWidget* eltern)
    : QWidget(eltern, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Pinwick"));
    // The program is busy opening a file; the notice must not take the focus.
    setAttribute(Qt::WA_ShowWithoutActivating);

    legendePan_ = new Panel3D(this);
    legendePan_->setAusrichtung(Qt::AlignCenter);
    QString text = QStringLiteral("Verbindung mit Broadcast-Server wird hergestellt ...");
    if (p.Sprache == SpracheEnglisch)
        text = QStringLiteral("Establishing connection to broadcast server ...");
    legendePan_->setText(text);

    // Full width at the edge where the bar docks.
    const QRect schirm = Bildschirm(Oberflaeche::Von(p).leiste);
    const int hoehe = Px(HoeheTwips);
    const int oben = p.dockPos != 0 ? schirm.bottom() + 1 - hoehe : schirm.top();
    setGeometry(schirm.left(), oben, schirm.width(), hoehe);
    legendePan_->setGeometry(0, 0, width(), height());
}

void NetzConnectZeigen(Programm& p) {
    if (p.netzConnectSchliessen)
        p.netzConnectSchliessen();

    QPointer<NetzConnect> fenster = new NetzConnect(p);
    fenster->setAttribute(Qt::WA_DeleteOnClose);
    fenster->show();
    QCoreApplication::processEvents();

    p.netzConnectSchliessen = [fenster, &p] {
        // Copy what is needed first: clearing the member destroys this closer.
        const QPointer<NetzConnect> zu = fenster;
        Programm& programm = p;
        programm.netzConnectSchliessen = nullptr;
        if (zu)
            zu->close();
    };
}

} // namespace pinwick
