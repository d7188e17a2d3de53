// Runs a fuzz target over stored inputs without the fuzzer: every file
// given, and every file in every folder given. The normal build runs the
// committed seeds and the inputs of past findings this way, so a fault
// fixed once stays fixed without a fuzzing compiler.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse);

namespace {

bool einmal(const QString& pfad) {
    QFile datei(pfad);
    if (!datei.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(pfad));
        return false;
    }
    const QByteArray daten = datei.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(daten.constData()),
                           static_cast<size_t>(daten.size()));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int anzahl = 0;
    for (int i = 1; i < argc; ++i) {
        const QString pfad = QString::fromLocal8Bit(argv[i]);
        // A folder of findings stays away until there is one.
        if (!QFileInfo::exists(pfad))
            continue;
        if (QFileInfo(pfad).isDir()) {
            const QDir ordner(pfad);
            for (const QString& name : ordner.entryList(QDir::Files, QDir::Name)) {
                if (!einmal(ordner.filePath(name)))
                    return 1;
                ++anzahl;
            }
        } else {
            if (!einmal(pfad))
                return 1;
            ++anzahl;
        }
    }
    std::printf("%d inputs, no finding\n", anzahl);
    return anzahl > 0 ? 0 : 1;
}
