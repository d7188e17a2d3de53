#pragma once
// The program's diagnostics, by area, through Qt's logging categories: a user
// or a packager switches them like those of any Qt program, for instance
// QT_LOGGING_RULES="pinwick.*.debug=true". Warnings show without any rule.
// Lines the program prints on purpose (a refusal naming a file, the usage of
// a command) are not diagnostics and go to stderr directly.

#include <QLoggingCategory>

namespace pinwick {

Q_DECLARE_LOGGING_CATEGORY(logSpeicher) // "pinwick.store": the database files
Q_DECLARE_LOGGING_CATEGORY(logUpdate)   // "pinwick.update": the update check and installer
Q_DECLARE_LOGGING_CATEGORY(logLeiste)   // "pinwick.bar": the bar and its windows
Q_DECLARE_LOGGING_CATEGORY(logWayland)  // "pinwick.wayland": the bar as a layer surface
Q_DECLARE_LOGGING_CATEGORY(logNotizen)  // "pinwick.notes": the editor and the administration
Q_DECLARE_LOGGING_CATEGORY(logStart)    // "pinwick.start": the start and the one running bar
Q_DECLARE_LOGGING_CATEGORY(logFeeds)    // "pinwick.feeds": fetching the news feeds
Q_DECLARE_LOGGING_CATEGORY(logUebersprungen) // "pinwick.skipped": steps dropped by versuche

} // namespace pinwick
