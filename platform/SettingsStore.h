// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

class QSettings;

namespace marulo::platform {

// The program's persistent settings: the key SOFTWARE\Quenfor\Marulo of the local machine on
// Windows, an INI file in the user's configuration folder elsewhere. Texts are UTF-8; a text
// that is no UTF-8 is kept as its bytes and read back as them.
class SettingsStore {
public:
    SettingsStore();
    // A store in the given INI file.
    explicit SettingsStore(const std::filesystem::path& iniFile);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Nothing when the value is not stored.
    std::optional<std::string> Read(std::string_view valueName) const;
    // False when the store cannot be written.
    bool Write(std::string_view valueName, std::string_view text);
    // Writes the values in one save of the store, so a later start finds all of them or none.
    bool WriteTogether(std::span<const std::pair<std::string_view, std::string_view>> values);
    // Whether a later Write can succeed: false when a folder or an unwritable file stands in
    // the store's place, or its folder cannot be made.
    bool CanWrite() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

}  // namespace marulo::platform
