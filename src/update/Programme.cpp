#include "Programme.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace pinwick {

QString AusfuehrbarerName(const QString& basis) {
#ifdef Q_OS_WIN
    return basis + QStringLiteral(".exe");
#else
    return basis;
#endif
}

bool AusfuehrbarMachen(const QString& pfad) {
#ifdef Q_OS_WIN
    Q_UNUSED(pfad);
    return true;
#else
    QFileDevice::Permissions rechte = QFile::permissions(pfad);
    if (rechte.testFlag(QFileDevice::ReadOwner))
        rechte |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
    if (rechte.testFlag(QFileDevice::ReadGroup))
        rechte |= QFileDevice::ExeGroup;
    if (rechte.testFlag(QFileDevice::ReadOther))
        rechte |= QFileDevice::ExeOther;
    return QFile::setPermissions(pfad, rechte);
#endif
}

bool ProgrammStarten(const QString& pfad, const QString& ordner) {
    return QProcess::startDetached(QFileInfo(pfad).absoluteFilePath(), {}, ordner);
}

} // namespace pinwick
