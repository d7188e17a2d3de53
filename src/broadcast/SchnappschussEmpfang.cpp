#include "SchnappschussEmpfang.h"

#include "SchnappschussSignatur.h"

#include <QFutureWatcher>
#include <QPromise>
#include <QRandomGenerator>
#include <QThreadPool>
#include <QUrl>
#include <algorithm>

namespace pinwick {

namespace {

constexpr int64_t MaxAlterMinMs = 10'000;
constexpr int64_t MaxAlterMaxMs = 3'600'000;
// Retry-After is honoured up to an hour: a server that asks for a day is
// broken or hostile, and the bar should not go quiet for that long.
constexpr int64_t SpaeterMaxMs = 3'600'000;
// Failures in a row double the wait, up to sixteen intervals.
constexpr int VerdopplungenHoechstens = 4;
// A signature is a few hundred bytes; a trusted comment adds a line.
constexpr int64_t SignaturHoechstens = 16 * 1024;
// Mixed pairs in a row before the poll counts as failed.
constexpr int UnterwegsHoechstens = 3;

} // namespace

QString EmpfangsZustand::Text() const {
    using A = Art;
    switch (art) {
    case A::Wartet:
        return QStringLiteral("waiting for the first snapshot");
    case A::Angenommen:
        return QStringLiteral("version %1 received at %2")
            .arg(version)
            .arg(zeit.toUTC().toString(QStringLiteral("HH:mm:ss 'UTC'")));
    case A::Unveraendert:
        return QStringLiteral("version %1, unchanged at %2")
            .arg(version)
            .arg(zeit.toUTC().toString(QStringLiteral("HH:mm:ss 'UTC'")));
    default:
        break;
    }
    if (!haelt)
        return grund;
    return QStringLiteral("%1 (showing version %2)").arg(grund).arg(version);
}

int64_t AbrufAbstandMs(const AbstandEingabe& e) {
    int64_t ms = e.grundMs;
    if (e.maxAlterBeachten && e.maxAlter)
        ms = std::clamp<int64_t>(*e.maxAlter * 1000, MaxAlterMinMs, MaxAlterMaxMs);
    if (e.fehlschlaege > 0)
        ms = e.grundMs << std::min(e.fehlschlaege, VerdopplungenHoechstens);
    const double zufall = std::clamp(e.zufall, -1.0, 1.0);
    ms += static_cast<int64_t>(static_cast<double>(ms) * 0.25 * zufall);
    // Retry-After is the server's word: no earlier, and no spread below it.
    if (e.spaeterSekunden)
        ms = std::max(ms, std::min(*e.spaeterSekunden * 1000, SpaeterMaxMs));
    return std::max<int64_t>(ms, 1);
}

bool IstWebAdresse(const QString& eingabe) {
    const QString s = eingabe.trimmed();
    return s.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) ||
           s.startsWith(QLatin1String("http://"), Qt::CaseInsensitive);
}

QString SchnappschussAdresse(const QString& eingabe) {
    QString s = eingabe.trimmed();
    QUrl url(s);
    if (url.path().endsWith(QLatin1String(".json")))
        return s;
    QString pfad = url.path();
    if (!pfad.endsWith(QLatin1Char('/')))
        pfad += QLatin1Char('/');
    url.setPath(pfad + QLatin1String(SchnappschussName));
    return url.toString();
}

// What the worker found.
struct SchnappschussEmpfang::Pruefung {
    SchnappschussPruefung::Ergebnis ergebnis = SchnappschussPruefung::Ergebnis::Abgelehnt;
    QString grund;
    std::shared_ptr<const Schnappschuss> schnappschuss;
};

SchnappschussEmpfang::SchnappschussEmpfang(HttpAbruf& abruf, QObject* eltern)
    : QObject(eltern), abruf_(abruf) {
    vorlage_.hoechstens = SchnappschussHoechstens;
    takt_.setSingleShot(true);
    ablauf_.setSingleShot(true);
    connect(&takt_, &QTimer::timeout, this, &SchnappschussEmpfang::abrufen);
    connect(&ablauf_, &QTimer::timeout, this, &SchnappschussEmpfang::abgelaufen);
    bool ok = false;
    const int64_t umgebung = qEnvironmentVariable(EmpfangIntervallUmgebung).toLongLong(&ok);
    if (ok && umgebung > 0)
        Intervall(umgebung);
}

SchnappschussEmpfang::~SchnappschussEmpfang() {
    if (laufend_)
        abruf_.Abbrechen(laufend_);
}

void SchnappschussEmpfang::Intervall(int64_t ms) {
    intervallMs_ = std::max<int64_t>(ms, 1);
    intervallVerkuerzt_ = true;
}

QDateTime SchnappschussEmpfang::jetzt() const {
    return uhr_ ? uhr_() : QDateTime::currentDateTimeUtc();
}

void SchnappschussEmpfang::Einrichten(const QString& adresse, const QByteArray& schluessel,
                                      std::optional<uint64_t> zuletztAngenommen,
                                      const QString& caDatei) {
    const bool lief = laeuft_;
    Anhalten();
    adresse_ = SchnappschussAdresse(adresse);
    schluessel_ = schluessel.trimmed();
    caDatei_ = caDatei;
    zuletzt_ = zuletztAngenommen;
    etag_.clear();
    zuletztGeaendert_.clear();
    fehlschlaege_ = 0;
    ablauf_.stop();
    const bool hielt = gehalten_ != nullptr;
    gehalten_.reset();
    zustand_ = {};
    if (hielt)
        emit Geaendert(nullptr);
    if (lief)
        Starten();
}

void SchnappschussEmpfang::Starten() {
    laeuft_ = true;
    if (!laufend_ && !prueftGerade_)
        planen(0);
}

void SchnappschussEmpfang::Anhalten() {
    laeuft_ = false;
    takt_.stop();
    if (laufend_)
        abruf_.Abbrechen(laufend_);
    laufend_ = 0;
    prueftGerade_ = false;
    ++generation_;
}

void SchnappschussEmpfang::JetztAbrufen() {
    if (laufend_ || prueftGerade_)
        return;
    takt_.stop();
    abrufen();
}

int64_t SchnappschussEmpfang::NaechsterAbrufMs() const {
    return takt_.isActive() ? takt_.remainingTime() : -1;
}

void SchnappschussEmpfang::planen(int64_t ms) {
    takt_.start(static_cast<int>(std::min<int64_t>(ms, 24LL * 3600 * 1000)));
}

void SchnappschussEmpfang::abrufen() {
    if (adresse_.isEmpty())
        return;
    HttpAnfrage anfrage = vorlage_;
    anfrage.adresse = adresse_;
    anfrage.caDatei = caDatei_;
    // Conditional only while the snapshot of those validators is held: after
    // a refusal or an expiry the payload is fetched whole again.
    if (gehalten_) {
        anfrage.etag = etag_;
        anfrage.zuletztGeaendert = zuletztGeaendert_;
    }
    laufend_ = abruf_.Starten(anfrage, [this, g = generation_](const HttpAntwort& a) {
        if (g == generation_)
            nutzlastDa(a);
    });
}

void SchnappschussEmpfang::nutzlastDa(const HttpAntwort& a) {
    laufend_ = 0;
    using A = EmpfangsZustand::Art;
    if (a.fehler != HttpAntwort::Fehler::Keiner) {
        using F = HttpAntwort::Fehler;
        const bool erreichbar = a.fehler == F::ZuGross || a.fehler == F::Umleitungen ||
                                a.fehler == F::Adresse || a.fehler == F::Bibliothek;
        abschliessen(A::Netz,
                     erreichbar ? a.fehlerText
                                : QStringLiteral("cannot reach the server: ") + a.fehlerText,
                     0, {}, {});
        return;
    }
    if (a.Unveraendert()) {
        abschliessen(A::Unveraendert, {}, a.status, a.maxAlter, {});
        return;
    }
    if (a.status == 429 || a.status == 503) {
        abschliessen(A::Gedrosselt,
                     QStringLiteral("the server answers HTTP %1 and asks to come back later")
                         .arg(a.status),
                     a.status, {}, a.spaeterSekunden);
        return;
    }
    if (!a.Erfolg()) {
        abschliessen(A::Http, QStringLiteral("the server answers HTTP %1").arg(a.status), a.status,
                     {}, {});
        return;
    }
    nutzlast_ = a.inhalt;
    nutzlastEtag_ = a.etag;
    nutzlastGeaendert_ = a.zuletztGeaendert;
    nutzlastMaxAlter_ = a.maxAlter;
    HttpAnfrage anfrage = vorlage_;
    anfrage.adresse = adresse_ + QLatin1String(".minisig");
    anfrage.caDatei = caDatei_;
    anfrage.hoechstens = SignaturHoechstens;
    laufend_ = abruf_.Starten(anfrage, [this, g = generation_](const HttpAntwort& s) {
        if (g == generation_)
            signaturDa(s);
    });
}

void SchnappschussEmpfang::signaturDa(const HttpAntwort& s) {
    laufend_ = 0;
    using A = EmpfangsZustand::Art;
    if (s.fehler != HttpAntwort::Fehler::Keiner) {
        abschliessen(A::Netz, QStringLiteral("the signature: ") + s.fehlerText, 0, {}, {});
        return;
    }
    if (!s.Erfolg()) {
        const bool drossel = s.status == 429 || s.status == 503;
        abschliessen(drossel ? A::Gedrosselt : A::Http,
                     QStringLiteral("the server answers HTTP %1 for the signature").arg(s.status),
                     s.status, {}, drossel ? s.spaeterSekunden : std::nullopt);
        return;
    }
    // Off the tick: checking and reading a snapshot of some megabytes takes
    // longer than a tick may.
    prueftGerade_ = true;
    auto ergebnis = std::make_shared<Pruefung>();
    auto versprechen = std::make_shared<QPromise<void>>();
    auto* waechter = new QFutureWatcher<void>(this);
    connect(waechter, &QFutureWatcher<void>::finished, this,
            [this, waechter, ergebnis, g = generation_] {
                waechter->deleteLater();
                if (g == generation_)
                    geprueft(g, ergebnis);
            });
    waechter->setFuture(versprechen->future());
    QThreadPool::globalInstance()->start(
        [versprechen, ergebnis, nutzlast = nutzlast_, signatur = s.inhalt,
         schluessel = schluessel_] {
            versprechen->start();
            SchnappschussPruefung p = SchnappschussPruefen(nutzlast, signatur, schluessel);
            ergebnis->ergebnis = p.ergebnis;
            ergebnis->grund = p.grund;
            if (p.schnappschuss)
                ergebnis->schnappschuss =
                    std::make_shared<const Schnappschuss>(std::move(*p.schnappschuss));
            versprechen->finish();
        });
    nutzlast_.clear();
}

void SchnappschussEmpfang::geprueft(uint64_t, std::shared_ptr<Pruefung> p) {
    prueftGerade_ = false;
    using A = EmpfangsZustand::Art;
    using E = SchnappschussPruefung::Ergebnis;
    if (p->ergebnis == E::Unterwegs) {
        // Fetched while the broadcaster published: both files again soon,
        // before the next regular poll.
        if (++unterwegs_ <= UnterwegsHoechstens) {
            planen(1000 + QRandomGenerator::global()->bounded(1000));
            return;
        }
        unterwegs_ = 0;
        abschliessen(A::Abgelehnt, p->grund, 200, {}, {});
        return;
    }
    unterwegs_ = 0;
    if (p->ergebnis != E::Gut || !p->schnappschuss) {
        abschliessen(A::Abgelehnt, p->grund, 200, {}, {});
        return;
    }
    const SchnappschussUrteil urteil =
        SchnappschussAnnehmen(p->schnappschuss->kopf, zuletzt_, jetzt());
    if (!urteil.angenommen) {
        abschliessen(A::Abgelehnt, urteil.grund, 200, {}, {});
        return;
    }
    const bool neu = !gehalten_ || gehalten_->kopf.version != p->schnappschuss->kopf.version;
    gehalten_ = p->schnappschuss;
    zuletzt_ = gehalten_->kopf.version;
    etag_ = nutzlastEtag_;
    zuletztGeaendert_ = nutzlastGeaendert_;
    ablaufPlanen();
    if (neu)
        emit Geaendert(gehalten_);
    abschliessen(neu ? A::Angenommen : A::Unveraendert, {}, 200, nutzlastMaxAlter_, {});
}

void SchnappschussEmpfang::abschliessen(EmpfangsZustand::Art art, const QString& grund,
                                        int status, std::optional<int64_t> maxAlter,
                                        std::optional<int64_t> spaeter) {
    using A = EmpfangsZustand::Art;
    const bool gut = art == A::Angenommen || art == A::Unveraendert;
    fehlschlaege_ = gut ? 0 : fehlschlaege_ + 1;
    zustand_.art = art;
    zustand_.grund = grund;
    zustand_.status = status;
    zustand_.zeit = jetzt();
    zustand_.haelt = gehalten_ != nullptr;
    zustand_.version = gehalten_ ? gehalten_->kopf.version : 0;
    if (laeuft_) {
        AbstandEingabe e;
        e.grundMs = intervallMs_;
        e.maxAlterBeachten = !intervallVerkuerzt_;
        e.maxAlter = maxAlter;
        e.spaeterSekunden = spaeter;
        e.fehlschlaege = fehlschlaege_;
        e.zufall = zufall_ ? zufall_() : QRandomGenerator::global()->generateDouble() * 2 - 1;
        planen(AbrufAbstandMs(e));
    }
    emit ZustandGeaendert(zustand_);
    emit AbrufFertig();
}

void SchnappschussEmpfang::ablaufPlanen() {
    if (!gehalten_) {
        ablauf_.stop();
        return;
    }
    const int64_t ms = jetzt().msecsTo(gehalten_->kopf.ablauf);
    // A timer runs at most a day; it looks again then.
    ablauf_.start(static_cast<int>(std::clamp<int64_t>(ms, 0, 24LL * 3600 * 1000)));
}

void SchnappschussEmpfang::abgelaufen() {
    if (!gehalten_)
        return;
    if (gehalten_->kopf.ablauf > jetzt()) {
        ablaufPlanen();
        return;
    }
    const QDateTime ablauf = gehalten_->kopf.ablauf;
    gehalten_.reset();
    etag_.clear();
    zuletztGeaendert_.clear();
    zustand_.art = EmpfangsZustand::Art::Abgelaufen;
    zustand_.grund = QStringLiteral("expired on %1")
                         .arg(ablauf.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'")));
    zustand_.status = 0;
    zustand_.zeit = jetzt();
    zustand_.haelt = false;
    zustand_.version = 0;
    emit Geaendert(nullptr);
    emit ZustandGeaendert(zustand_);
}

} // namespace pinwick
