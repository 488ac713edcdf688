// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Fuzzes the product-page lookup URL: every query value must parse back to exactly what went in.
#include "Kel_ProductWebpageUrl.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstddef>
#include <cstdint>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

const QLocale::Language kLanguages[] = {QLocale::English, QLocale::Chinese, QLocale::Japanese, QLocale::Korean,
                                        QLocale::German, QLocale::AnyLanguage};

// The name may begin with U+FEFF, which fromUtf8 would take for a byte-order
// mark and drop: each one is put back.
QString decoded(const QString &value)
{
    const QByteArray mark("\xEF\xBB\xBF");
    QByteArray bytes = QByteArray::fromPercentEncoding(value.toLatin1());
    QString marks;
    while (bytes.startsWith(mark)) {
        marks += QChar(0xFEFF);
        bytes.remove(0, mark.size());
    }
    return marks + QString::fromUtf8(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    Kel::detail::PageLocale locale;
    locale.language = kLanguages[data[0] % std::size(kLanguages)];
    locale.inTaiwan = (data[0] & 0x80) != 0;
    const std::optional<Port::StringBase> testSite =
        (data[0] & 0x40) ? std::optional<Port::StringBase>("http://127.0.0.1:8080") : std::nullopt;
    const QString fullName = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), int(size - 1));

    const QString url = Kel::detail::productPageUrl(fullName, locale, testSite);

    // Printable ASCII only: no raw blank, line break or non-ASCII letter.
    for (const QChar c : url)
        require(c.unicode() > 0x20 && c.unicode() < 0x7f);
    const int question = url.indexOf(QLatin1Char('?'));
    require(question > 0);
    require(!url.contains(QLatin1Char('#')));
    const QStringList fields = url.mid(question + 1).split(QLatin1Char('&'));
    require(fields.size() == 4);
    const char *names[] = {"core_name", "core_ver", "core_full_name", "locale"};
    QStringList values;
    for (int i = 0; i < 4; ++i) {
        const int equals = fields.at(i).indexOf(QLatin1Char('='));
        require(fields.at(i).left(equals) == QLatin1String(names[i]));
        const QString raw = fields.at(i).mid(equals + 1);
        require(!raw.contains(QLatin1Char('=')) && !raw.contains(QLatin1Char('+')));
        values << decoded(raw);
    }
    require(values.at(2) == fullName);
    require(fullName.startsWith(values.at(0)));
    if (values.at(0).size() < fullName.size()) {
        // What follows the core name is "_v" and the version, with '_' for '.'.
        QString version = fullName.mid(values.at(0).size() + 2);
        version.replace(QLatin1Char('_'), QLatin1Char('.'));
        require(fullName.mid(values.at(0).size(), 2) == QLatin1String("_v"));
        require(values.at(1) == version);
    } else {
        require(values.at(1).isEmpty());
    }
    return 0;
}
