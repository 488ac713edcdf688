// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The lookup URL of a core's product web page: name and version split, locale, host and query.
#include "Kel_ProductWebpageUrl.h"

#include <Kel_Utility.h>

#include <QtCore/QUrl>

namespace Kel {
namespace detail {

namespace {

constexpr char kMainHost[] = "http://www.dravel.com";
constexpr char kChinaHost[] = "http://china.dravel.com";
constexpr char kJapanHost[] = "http://japan.dravel.com";
constexpr char kLookupPath[] = "/cgi-bin/iplicense/locate_core_website.pl?";
constexpr char kCoreNameKey[] = "core_name=";
constexpr char kCoreVersionKey[] = "&core_ver=";
constexpr char kCoreFullNameKey[] = "&core_full_name=";
constexpr char kLocaleKey[] = "&locale=";
constexpr char kVersionMarker[] = "_v";
constexpr char kTaiwanCode[] = "TW";

QLocale::Country countryOf(const QLocale &locale)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 2, 0)
    return locale.territory();
#else
    return locale.country();
#endif
}

// A name holding '&', '=', '#', blanks or non-ASCII letters must arrive as
// the value it is, not as further query fields or a broken URL.
QString queryValue(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// The variables Qt itself reads for the system locale, in its order; the
// territory follows the '_' of "language_TERRITORY.codeset@modifier".
bool environmentNamesTaiwan()
{
#if defined(Q_OS_UNIX)
    for (const char *variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const QByteArray name = qgetenv(variable);
        if (name.isEmpty())
            continue;
        const int underscore = name.indexOf('_');
        if (underscore < 0)
            return false;
        int end = underscore + 1;
        while (end < name.size() && name.at(end) != '.' && name.at(end) != '@')
            ++end;
        return name.mid(underscore + 1, end - underscore - 1) == kTaiwanCode;
    }
#endif
    return false;
}

struct CoreName
{
    QString name;
    QString version;
};

CoreName splitCoreName(const QString &fullName)
{
    const int marker = fullName.indexOf(QLatin1String(kVersionMarker), 0, Qt::CaseSensitive);
    if (marker < 0)
        return {fullName, QString()};  // no version rather than a mangled one
    QString version = fullName.mid(marker + 2);
    version.replace(QLatin1Char('_'), QLatin1Char('.'));
    return {fullName.left(marker), version};
}

} // namespace

PageLocale pageLocaleOf(const QLocale &locale)
{
    return PageLocale{locale.language(), countryOf(locale) == QLocale::Taiwan};
}

PageLocale systemPageLocale()
{
    PageLocale page = pageLocaleOf(QLocale::system());
    page.inTaiwan = page.inTaiwan || environmentNamesTaiwan();
    return page;
}

QString productPageLocaleCode(const PageLocale &locale)
{
    if (locale.language == QLocale::Chinese)
        return QStringLiteral("cn");
    if (locale.inTaiwan)
        return QStringLiteral("tw");
    if (locale.language == QLocale::Korean)
        return QStringLiteral("kr");
    if (locale.language == QLocale::Japanese)
        return QStringLiteral("jp");
    return QStringLiteral("en");
}

QString productPageHostBase(const PageLocale &locale, const std::optional<Port::StringBase> &testSite)
{
    if (testSite)
        return Utility::PortStringToQString(*testSite);
    switch (locale.language) {
    case QLocale::Chinese:
        return QLatin1String(kChinaHost);
    case QLocale::Japanese:
        return QLatin1String(kJapanHost);
    default:
        return QLatin1String(kMainHost);
    }
}

QString productPageUrl(const QString &coreFullName, const PageLocale &locale,
                       const std::optional<Port::StringBase> &testSite)
{
    const CoreName core = splitCoreName(coreFullName);
    return productPageHostBase(locale, testSite) + QLatin1String(kLookupPath) + QLatin1String(kCoreNameKey)
           + queryValue(core.name) + QLatin1String(kCoreVersionKey) + queryValue(core.version)
           + QLatin1String(kCoreFullNameKey) + queryValue(coreFullName) + QLatin1String(kLocaleKey)
           + productPageLocaleCode(locale);
}

} // namespace detail
} // namespace Kel
