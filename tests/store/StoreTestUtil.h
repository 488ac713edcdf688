// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Helpers of the store tests: reading the INI file as it is on disk, writing raw files, child output.
#pragma once

#include <KelTestSupport.h>

#include <Port/StringBase.h>

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtCore/QUuid>
#include <QtCore/QVariant>

#include <memory>
#include <vector>

namespace StoreTest {

// The raw bytes of a Port::StringBase.
inline QByteArray bytes(const Port::StringBase &s)
{
    return QByteArray(s.c_str(), static_cast<int>(s.Length()));
}

inline QList<QByteArray> bytesList(const std::vector<Port::StringBase> &list)
{
    QList<QByteArray> out;
    for (const Port::StringBase &s : list)
        out << bytes(s);
    return out;
}

inline void useUtf8(QSettings &settings)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    settings.setIniCodec("UTF-8");
#else
    Q_UNUSED(settings)
#endif
}

// What the store file holds on disk, read through a private copy: QSettings
// shares one cache per file path inside a process, so opening the store path
// itself could show the library's in-memory values instead of the file's.
class DiskSnapshot
{
public:
    explicit DiskSnapshot(const QString &storePath)
    {
        m_exists = QFileInfo::exists(storePath);
        const QString copy = m_dir.path() + QLatin1String("/snapshot.ini");
        if (m_exists)
            QFile::copy(storePath, copy);
        m_settings = std::make_unique<QSettings>(copy, QSettings::IniFormat);
        useUtf8(*m_settings);
    }
    bool exists() const { return m_exists; }
    bool contains(const QString &key) const { return m_settings->contains(key); }
    QVariant value(const QString &key) const { return m_settings->value(key); }
    QStringList allKeys() const { return m_settings->allKeys(); }

private:
    QTemporaryDir m_dir;
    bool m_exists = false;
    std::unique_ptr<QSettings> m_settings;
};

// Writes values into the store file through QSettings as a host or an
// administration tool would (setup only).
inline void writeIni(const QString &storePath, const QList<QPair<QString, QVariant>> &values)
{
    QSettings settings(storePath, QSettings::IniFormat);
    useUtf8(settings);
    for (const auto &kv : values)
        settings.setValue(kv.first, kv.second);
    settings.sync();
}

inline bool writeRaw(const QString &path, const QByteArray &content)
{
    QFileInfo(path).dir().mkpath(QStringLiteral("."));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(content) == content.size();
}

inline QByteArray readRaw(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

// "name=value" lines a child printed, as a map.
inline QMap<QString, QString> parseLines(const QByteArray &out)
{
    QMap<QString, QString> map;
    for (const QByteArray &line : out.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            map.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)).trimmed());
    }
    return map;
}

} // namespace StoreTest
