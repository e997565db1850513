// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <system_error>

#if defined(_WIN32)
#include <io.h>
#define access _access
#define W_OK 2
#define X_OK 0
#else
#include <unistd.h>
#endif

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
    if (value.typeId() == QMetaType::QByteArray) {
        return value.toByteArray().toStdString();
    }
    // An INI line holding commas reads back as a list; its text is what counts.
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QStringLiteral(", "))
                             : value.toString();
    return text.toStdString();
}

bool SettingsStore::CanWrite() const {
    if (m_settings->format() != QSettings::IniFormat) {
        return m_settings->isWritable();
    }
    namespace fs = std::filesystem;
    const fs::path file = m_settings->fileName().toStdString();
    std::error_code error;
    if (fs::exists(file, error)) {
        return fs::is_regular_file(file, error) && ::access(file.c_str(), W_OK) == 0;
    }
    const fs::path folder = file.parent_path();
    fs::create_directories(folder, error);
    return fs::is_directory(folder, error) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool SettingsStore::Write(std::string_view valueName, std::string_view text) {
    const std::pair<std::string_view, std::string_view> value{valueName, text};
    return WriteTogether(std::span(&value, 1));
}

bool SettingsStore::WriteTogether(
    std::span<const std::pair<std::string_view, std::string_view>> values) {
    for (const auto& [valueName, text] : values) {
        const QString utf8 = FromUtf8(text);
        // Text in another encoding would come back as replacement characters: keep its bytes.
        if (utf8.toStdString() == text) {
            m_settings->setValue(FromUtf8(valueName), utf8);
        } else {
            m_settings->setValue(FromUtf8(valueName),
                                 QByteArray(text.data(), static_cast<qsizetype>(text.size())));
        }
    }
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

}  // namespace marulo::platform
