#pragma once
// The help pages in a window of the program's own, for a desktop that has
// nothing to open a web page with: the page in the bar's language, scrollable,
// under a title of its own, closed with Escape. A desktop with a handler never
// sees it (HilfeZeigen in Shell.h hands the page over first).

#include <QString>
#include <QWidget>
#include <cstdint>

class QTextBrowser;

namespace pinwick {

class HilfeFenster : public QWidget {
    Q_OBJECT
public:
    // sprache: 1 English, 2 German (the title); oben: stays above other
    // windows, as the program's dialogs do while ImmerOben is on.
    HilfeFenster(int16_t sprache, bool oben, const QString& pfad, QWidget* eltern = nullptr);

    // Shows another page, and the title for its language.
    void SeiteZeigen(int16_t sprache, const QString& pfad);
    QTextBrowser* Seite() const { return seite_; }

private:
    QTextBrowser* seite_ = nullptr;
};

// "Pinwick - Help" or "Pinwick - Hilfe".
QString HilfeTitel(int16_t sprache);

// Shows the page in the program's one help window: made on first use,
// brought forward with the new page while it is open.
void HilfeFensterZeigen(int16_t sprache, bool oben, const QString& pfad);

// Lets HilfeZeigen fall back on the help window. Called once at start.
void HilfeFensterEinrichten();

} // namespace pinwick
