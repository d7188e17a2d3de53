#include "CurlBibliothek.h"

#include <QFile>

#ifdef PINWICK_CURL_NACHLADEN
#include <dlfcn.h>
#endif

namespace pinwick {

namespace {

#ifdef PINWICK_CURL_NACHLADEN
// The soname of libcurl's ABI since 7.16; the development package's symlink
// is not there on a user's machine.
constexpr const char* CurlDatei = "libcurl.so.4";

struct Geladen : CurlBibliothek {
    void* handle = nullptr;
    ~Geladen() {
        if (!handle)
            return;
        if (auto ende = reinterpret_cast<decltype(&::curl_global_cleanup)>(
                dlsym(handle, "curl_global_cleanup")))
            ende();
        dlclose(handle);
    }
};

template <typename F> bool holen(void* handle, F& funktion, const char* name) {
    funktion = reinterpret_cast<F>(dlsym(handle, name));
    return funktion != nullptr;
}

std::shared_ptr<Geladen> laden(QString& fehler) {
    auto b = std::make_shared<Geladen>();
    // RTLD_LOCAL: its symbols stay out of the program's namespace, so that
    // closing it really lets it go.
    b->handle = dlopen(CurlDatei, RTLD_NOW | RTLD_LOCAL);
    if (!b->handle) {
        const char* grund = dlerror();
        fehler = QStringLiteral("libcurl cannot be loaded: %1")
                     .arg(QString::fromLocal8Bit(grund ? grund : CurlDatei));
        return nullptr;
    }
    decltype(&::curl_global_init) start = nullptr;
    const bool alle =
        holen(b->handle, start, "curl_global_init") &&
        holen(b->handle, b->easy_init, "curl_easy_init") &&
        holen(b->handle, b->easy_cleanup, "curl_easy_cleanup") &&
        holen(b->handle, b->easy_reset, "curl_easy_reset") &&
        holen(b->handle, b->easy_setopt, "curl_easy_setopt") &&
        holen(b->handle, b->easy_strerror, "curl_easy_strerror") &&
        holen(b->handle, b->easy_getinfo, "curl_easy_getinfo") &&
        holen(b->handle, b->multi_init, "curl_multi_init") &&
        holen(b->handle, b->multi_cleanup, "curl_multi_cleanup") &&
        holen(b->handle, b->multi_add_handle, "curl_multi_add_handle") &&
        holen(b->handle, b->multi_remove_handle, "curl_multi_remove_handle") &&
        holen(b->handle, b->multi_perform, "curl_multi_perform") &&
        holen(b->handle, b->multi_info_read, "curl_multi_info_read") &&
        holen(b->handle, b->multi_poll, "curl_multi_poll") &&
        holen(b->handle, b->multi_setopt, "curl_multi_setopt") &&
        holen(b->handle, b->multi_socket_action, "curl_multi_socket_action") &&
        holen(b->handle, b->slist_append, "curl_slist_append") &&
        holen(b->handle, b->slist_free_all, "curl_slist_free_all");
    if (!alle) {
        fehler = QStringLiteral("libcurl is too old (7.66 or later is needed)");
        return nullptr;
    }
    if (start(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        fehler = QStringLiteral("libcurl cannot be started");
        // Started or not, it is cleaned up before it is closed.
        return nullptr;
    }
    return b;
}
#endif

} // namespace

#ifdef PINWICK_CURL_NACHLADEN

namespace {
std::weak_ptr<Geladen>& offen() {
    static std::weak_ptr<Geladen> b;
    return b;
}
} // namespace

std::shared_ptr<const CurlBibliothek> CurlOeffnen(QString& fehler) {
    if (auto b = offen().lock())
        return b;
    auto b = laden(fehler);
    offen() = b;
    return b;
}

bool CurlGeladen() {
    // Asked of the loader, not of our own bookkeeping: a library that
    // stays mapped after dlclose would show here.
    QFile karte(QStringLiteral("/proc/self/maps"));
    if (!karte.open(QIODevice::ReadOnly))
        return !offen().expired();
    return karte.readAll().contains(CurlDatei);
}

#else

std::shared_ptr<const CurlBibliothek> CurlOeffnen(QString& fehler) {
    static const std::shared_ptr<const CurlBibliothek> b = [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            return std::shared_ptr<const CurlBibliothek>();
        auto t = std::make_shared<CurlBibliothek>();
        t->easy_init = &::curl_easy_init;
        t->easy_cleanup = &::curl_easy_cleanup;
        t->easy_reset = &::curl_easy_reset;
        t->easy_setopt = &::curl_easy_setopt;
        t->easy_strerror = &::curl_easy_strerror;
        t->easy_getinfo = &::curl_easy_getinfo;
        t->multi_init = &::curl_multi_init;
        t->multi_cleanup = &::curl_multi_cleanup;
        t->multi_add_handle = &::curl_multi_add_handle;
        t->multi_remove_handle = &::curl_multi_remove_handle;
        t->multi_perform = &::curl_multi_perform;
        t->multi_info_read = &::curl_multi_info_read;
        t->multi_poll = &::curl_multi_poll;
        t->multi_setopt = &::curl_multi_setopt;
        t->multi_socket_action = &::curl_multi_socket_action;
        t->slist_append = &::curl_slist_append;
        t->slist_free_all = &::curl_slist_free_all;
        return std::shared_ptr<const CurlBibliothek>(std::move(t));
    }();
    if (!b)
        fehler = QStringLiteral("libcurl cannot be started");
    return b;
}

bool CurlGeladen() {
    return true;
}

#endif

} // namespace pinwick
