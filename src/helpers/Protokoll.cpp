#include "Protokoll.h"

namespace pinwick {

Q_LOGGING_CATEGORY(logSpeicher, "pinwick.store", QtInfoMsg)
Q_LOGGING_CATEGORY(logUpdate, "pinwick.update", QtInfoMsg)
Q_LOGGING_CATEGORY(logLeiste, "pinwick.bar", QtInfoMsg)
Q_LOGGING_CATEGORY(logFeeds, "pinwick.feeds", QtInfoMsg)
Q_LOGGING_CATEGORY(logWayland, "pinwick.wayland", QtInfoMsg)
Q_LOGGING_CATEGORY(logNotizen, "pinwick.notes", QtInfoMsg)
Q_LOGGING_CATEGORY(logStart, "pinwick.start", QtInfoMsg)
Q_LOGGING_CATEGORY(logUebersprungen, "pinwick.skipped", QtInfoMsg)

} // namespace pinwick
