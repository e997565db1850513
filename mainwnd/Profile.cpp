// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/Profile.h"

#include <utility>

#include "archive/RecordName.h"

namespace marulo::mainwnd {

namespace {

constexpr const char* NameValue = "Name";
constexpr const char* EdcValue = "EDC";
constexpr std::size_t EdcBytes = 10;

}  // namespace

bool IsEdcText(std::string_view text) {
    return text.size() == EdcBytes && text[4] == '-' && text[7] == '-' &&
           archive::EdcDigitsDate(std::string(text.substr(0, 4)) + std::string(text.substr(5, 2)) +
                                  std::string(text.substr(8, 2)))
               .has_value();
}

Profile LoadProfile(platform::SettingsStore& store) {
    Profile profile;
    if (const auto name = store.Read(NameValue)) {
        profile.name = archive::CutUtf8(*name, archive::MaxTextBytes);
    }
    if (const auto edc = store.Read(EdcValue); edc && IsEdcText(*edc)) {
        profile.edc = *edc;
    }
    return profile;
}

void SaveProfile(platform::SettingsStore& store, const Profile& profile) {
    // A name taken from a file name in another encoding is stored as its bytes, so the next
    // start pairs her due date with her and not with the mother stored before.
    if (profile.name.empty() && profile.edc.empty()) {
        return;
    }
    const std::pair<std::string_view, std::string_view> values[] = {
        {NameValue, archive::CutUtf8(profile.name, archive::MaxTextBytes)},
        {EdcValue, profile.edc}};
    store.WriteTogether(values);
}

}  // namespace marulo::mainwnd
