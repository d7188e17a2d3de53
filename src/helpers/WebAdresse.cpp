#include "WebAdresse.h"

namespace pinwick {

bool WebAdresseErlaubt(const QUrl& adresse) {
    if (!adresse.isValid() || adresse.host().isEmpty() || !adresse.userInfo().isEmpty())
        return false;
    const QString schema = adresse.scheme().toLower();
    return schema == u"http" || schema == u"https";
}

QString WebAdresseFehler(const QString& eingabe) {
    const QString text = eingabe.trimmed();
    const QUrl url(text, QUrl::StrictMode);
    const QString schema = url.scheme().toLower();
    if (!url.isValid() || (schema != u"http" && schema != u"https") || url.host().isEmpty())
        return QStringLiteral("%1: not an http:// or https:// address").arg(text);
    if (!url.userInfo().isEmpty())
        return QStringLiteral("%1: a user name or password does not belong in the address")
            .arg(text);
    return {};
}

} // namespace pinwick
