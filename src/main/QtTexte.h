#pragma once
// Qt's own texts (Yes, No, OK, Cancel, the file and colour dialogs) in the
// program's language. The program can switch between English and German
// while it runs, so the translator asks for the language whenever Qt wants
// a text instead of being swapped in and out.

#include <QLocale>
#include <QTranslator>
#include <cstdint>
#include <functional>

namespace pinwick {

class QtTexte : public QTranslator {
public:
    // sprache gives the program's language at the moment (1 English, 2 German).
    explicit QtTexte(std::function<int16_t()> sprache, QObject* eltern = nullptr);
    // Loads Qt's German catalogue from Qt's translations folder or from the
    // folder given; false when it is not there (Qt's texts stay English).
    bool Laden(const QString& ordner = QString());

    QString translate(const char* kontext, const char* quelle, const char* unterscheidung,
                      int n) const override;
    bool isEmpty() const override;

private:
    std::function<int16_t()> sprache_;
    QTranslator deutsch_;
};

// The language a first run takes when nobody has chosen one: German for a
// German locale, English for anything else.
int16_t SpracheAusGebietsschema(const QLocale& gebietsschema);

} // namespace pinwick
