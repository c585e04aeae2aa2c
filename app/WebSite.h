#pragma once

#include <QString>

// The maker's web server. Its address is a build setting (the CMake cache variable
// TREVASEL_WEB_SERVER, "https://updates.trevasel.example" unless set), compiled in here and written
// into the default settings files' URLs at build time, so the lists, the product page and the
// remote-support page all come from the one server the build names.
namespace WebSite {

// Scheme and host, without a trailing "/", e.g. "https://updates.trevasel.example".
QString server();
// The server joined with an absolute path: url("/orthavisio/trevasel.html").
QString url(const QString& path);

inline constexpr char productPagePath[] = "/orthavisio/trevasel.html";
inline constexpr char japaneseInformationListPath[] = "/orthavisio/MDinformation.lst";
inline constexpr char englishInformationListPath[] = "/orthavisio/MEinformation.lst";

} // namespace WebSite
