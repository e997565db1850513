// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace marulo::platform {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::unique_ptr<QSettings> OpenProgramStore() {
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Quenfor\\Marulo"), QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Quenfor"), QStringLiteral("Marulo"));
#endif
}

}  // namespace

SettingsStore::SettingsStore() : m_settings(OpenProgramStore()) {}

SettingsStore::SettingsStore(const std::filesystem::path& iniFile)
    : m_settings(std::make_unique<QSettings>(QString::fromStdString(iniFile.string()),
                                             QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

std::optional<std::string> SettingsStore::Read(std::string_view valueName) const {
    const QString key = FromUtf8(valueName);
    if (!m_settings->contains(key)) {
        return std::nullopt;
    }
    const QVariant value = m_settings->value(key);
    // An INI line holding commas reads back as a list; its text is what counts.
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QStringLiteral(", "))
                             : value.toString();
    return text.toStdString();
}

bool SettingsStore::Write(std::string_view valueName, std::string_view text) {
    m_settings->setValue(FromUtf8(valueName), FromUtf8(text));
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

}  // namespace marulo::platform
