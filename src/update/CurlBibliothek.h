#pragma once
// libcurl, loaded while a transfer needs it. Linked in, libcurl and the
// libraries it brings (TLS, Kerberos, LDAP, SSH, ...) stay mapped for as
// long as the ticker runs, some 3 MB of resident memory, although it asks
// the update server once a day at most. On Linux it is therefore opened with
// dlopen when an FTP session starts and closed again when the last one ends;
// elsewhere the table points at the linked functions.

#include <QString>
#include <curl/curl.h>
#include <memory>

namespace pinwick {

struct CurlBibliothek {
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_easy_reset) easy_reset = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_strerror) easy_strerror = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_multi_init) multi_init = nullptr;
    decltype(&::curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&::curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&::curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&::curl_multi_perform) multi_perform = nullptr;
    decltype(&::curl_multi_info_read) multi_info_read = nullptr;
    decltype(&::curl_multi_poll) multi_poll = nullptr;
    // For a client driven by an event loop (the HTTPS broadcast): libcurl
    // names the sockets and the time-out it wants watched.
    decltype(&::curl_multi_setopt) multi_setopt = nullptr;
    decltype(&::curl_multi_socket_action) multi_socket_action = nullptr;
    decltype(&::curl_slist_append) slist_append = nullptr;
    decltype(&::curl_slist_free_all) slist_free_all = nullptr;
};

// The started library, shared by everyone who holds it: loaded and started
// by the first caller, cleaned up and unloaded when the last holder lets go.
// nullptr, with the reason in `fehler`, when it cannot be loaded or started.
std::shared_ptr<const CurlBibliothek> CurlOeffnen(QString& fehler);

// Whether libcurl is loaded into the process right now (tests).
bool CurlGeladen();

} // namespace pinwick
