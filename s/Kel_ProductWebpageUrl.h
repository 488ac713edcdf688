// Internal: the lookup URL of a core's product web page, built apart from opening it.
#pragma once

#include <Port/StringBase.h>

#include <QtCore/QLocale>
#include <QtCore/QString>

#include <optional>

namespace Kel {
namespace detail {

// "en", "cn", "tw", "kr" or "jp": the language test comes before the country test.
QString productPageLocaleCode(const QLocale &locale);

// testSite, when set, replaces the built-in host base whatever the locale.
QString productPageHostBase(const QLocale &locale, const std::optional<Port::StringBase> &testSite);

// The lookup URL for coreFullName (name_v1_2: core "name", version "1.2"),
// with every query value percent-encoded as UTF-8.
QString productPageUrl(const QString &coreFullName, const QLocale &locale,
                       const std::optional<Port::StringBase> &testSite);

} // namespace detail
} // namespace Kel
