// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the lookup URL of a core's product web page, built apart from opening it.
#pragma once

#include <Port/StringBase.h>

#include <QtCore/QLocale>
#include <QtCore/QString>

#include <optional>

namespace Kel {
namespace detail {

// What of the user's locale picks the locale code and the host.
struct PageLocale
{
    QLocale::Language language = QLocale::AnyLanguage;
    bool inTaiwan = false;
};

PageLocale pageLocaleOf(const QLocale &locale);
// The system locale, with its territory as the environment names it: Qt
// folds a pair it has no data for (ja_TW) into the language's home (ja_JP).
PageLocale systemPageLocale();

// "en", "cn", "tw", "kr" or "jp": the language test comes before the territory test.
QString productPageLocaleCode(const PageLocale &locale);

// testSite, when set, replaces the built-in host base whatever the locale.
QString productPageHostBase(const PageLocale &locale, const std::optional<Port::StringBase> &testSite);

// The lookup URL for coreFullName (name_v1_2: core "name", version "1.2"),
// with every query value percent-encoded as UTF-8.
QString productPageUrl(const QString &coreFullName, const PageLocale &locale,
                       const std::optional<Port::StringBase> &testSite);

} // namespace detail
} // namespace Kel
