#include "BefehlsAnnahme.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <utility>

namespace pinwick {

namespace {

void nachVorn(QWidget* fenster) {
    fenster->show();
    fenster->raise();
    fenster->activateWindow();
}

// Answers the later start the moment the editor is on the screen: the
// editor is modal, so the call that opens it returns only once it closes.
class BeimZeigen : public QObject {
public:
    BeimZeigen(std::function<bool(QWidget*)> gesucht, Rueckmeldung antwort)
        : gesucht_(std::move(gesucht)), antwort_(std::move(antwort)) {}
    bool eventFilter(QObject* objekt, QEvent* ereignis) override {
        if (ereignis->type() == QEvent::Show && objekt->isWidgetType() && gesucht_ &&
            gesucht_(static_cast<QWidget*>(objekt)))
            antwort_.Erledigt();
        return false;
    }
    Rueckmeldung& Antwort() { return antwort_; }

private:
    std::function<bool(QWidget*)> gesucht_;
    Rueckmeldung antwort_;
};

} // namespace

BefehlsAnnahme::BefehlsAnnahme(QObject* eltern) : QObject(eltern) {
    nachholen_.setInterval(250);
    connect(&nachholen_, &QTimer::timeout, this, &BefehlsAnnahme::nachholen);
}

BefehlsAnnahme::~BefehlsAnnahme() = default;

QString BefehlsAnnahme::EigeneNichtErlaubt() {
    return QStringLiteral("own notes are not allowed on this bar");
}

void BefehlsAnnahme::Annehmen(const QByteArray& wort, const QByteArray&, Rueckmeldung antwort) {
    if (!leisteSteht_) {
        vorDerLeiste_.append({wort, antwort});
        return;
    }
    ausfuehren(wort, antwort);
}

void BefehlsAnnahme::LeisteSteht() {
    leisteSteht_ = true;
    // One after the other from the event loop: a command that opens a modal
    // window does not hold up the answers to the others.
    const auto liste = std::exchange(vorDerLeiste_, {});
    for (const auto& [wort, antwort] : liste)
        QTimer::singleShot(0, this, [this, wort, antwort] { ausfuehren(wort, antwort); });
    if (neueNotizWartet_)
        QTimer::singleShot(0, this, &BefehlsAnnahme::nachholen);
}

void BefehlsAnnahme::NeueNotizVormerken() {
    neueNotizWartet_ = true;
    if (leisteSteht_)
        nachholen_.start();
}

void BefehlsAnnahme::ausfuehren(const QByteArray& wort, Rueckmeldung antwort) {
    if (wort == befehl::neueNotiz) {
        neueNotiz(antwort);
        return;
    }
    if (wort == befehl::anhalten || wort == befehl::fortsetzen || wort == befehl::umschalten) {
        // Done at once, whatever window is open: it touches nothing of it.
        if (!laufschrift) {
            antwort.Abgelehnt(QStringLiteral("the bar cannot stop its text"));
            return;
        }
        laufschrift(wort);
        antwort.Erledigt();
        return;
    }
    // "zeigen", and what a later start asks beyond it: whatever is in
    // front comes forward.
    if (QWidget* vorne = imWeg ? imWeg() : nullptr)
        nachVorn(vorne);
    else if (leisteZeigen)
        leisteZeigen();
    antwort.Erledigt();
}

void BefehlsAnnahme::neueNotiz(Rueckmeldung antwort) {
    if (eigeneErlaubt && !eigeneErlaubt()) {
        antwort.Abgelehnt(EigeneNichtErlaubt());
        return;
    }
    if (QWidget* weg = imWeg ? imWeg() : nullptr) {
        nachVorn(weg);
        // The editor for a new note is open already: that is what was asked.
        if (istNeueNotiz && istNeueNotiz(weg)) {
            antwort.Erledigt();
            return;
        }
        // Any other window first; the editor follows when it has closed.
        neueNotizWartet_ = true;
        nachholen_.start();
        antwort.Erledigt();
        return;
    }
    if (bereit && !bereit()) {
        neueNotizWartet_ = true;
        nachholen_.start();
        antwort.Erledigt();
        return;
    }
    neueNotizWartet_ = false;
    nachholen_.stop();
    if (!editorOeffnen) {
        antwort.Abgelehnt(QStringLiteral("the note editor cannot be opened"));
        return;
    }
    BeimZeigen wache(istNeueNotiz, antwort);
    QCoreApplication::instance()->installEventFilter(&wache);
    editorOeffnen();
    QCoreApplication::instance()->removeEventFilter(&wache);
    // Nothing that looked like the editor was shown.
    wache.Antwort().Abgelehnt(QStringLiteral("the note editor did not open"));
}

void BefehlsAnnahme::nachholen() {
    if (!neueNotizWartet_) {
        nachholen_.stop();
        return;
    }
    if (eigeneErlaubt && !eigeneErlaubt()) {
        // The settings took own notes away in the meantime.
        neueNotizWartet_ = false;
        nachholen_.stop();
        return;
    }
    if (QWidget* weg = imWeg ? imWeg() : nullptr) {
        // Behind a question of the editor for a new note: once it is
        // answered, that editor is what was asked for.
        if (istNeueNotiz && istNeueNotiz(weg)) {
            neueNotizWartet_ = false;
            nachholen_.stop();
        }
        return;
    }
    if (bereit && !bereit())
        return;
    neueNotiz(Rueckmeldung());
}

} // namespace pinwick
