// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "mainwnd/Profile.h"
#include "mainwnd/Volume.h"
#include "platform/OutputVolume.h"
#include "platform/SettingsStore.h"
#include "tests/support/TempFolder.h"

namespace marulo::mainwnd {
namespace {

namespace fs = std::filesystem;

// Saves through one store and loads through a fresh one, as across a restart.
template <typename Value, typename Store>
Value AcrossARestart(const fs::path& file, const Value& saved,
                     void (*save)(platform::SettingsStore&, const Value&), Value (*load)(Store&)) {
    {
        platform::SettingsStore store(file);
        save(store, saved);
    }
    platform::SettingsStore store(file);
    return load(store);
}

class ProfileTest : public ::testing::Test {
protected:
    Profile Restart(const Profile& saved) {
        return AcrossARestart(m_file, saved, &SaveProfile, &LoadProfile);
    }

    testing::TempFolder m_folder{"profile"};
    fs::path m_file = m_folder / "Marulo.ini";
};

TEST_F(ProfileTest, FirstStartIsEmptyAndWhatWasEnteredComesBack) {
    platform::SettingsStore store(m_file);
    const Profile first = LoadProfile(store);
    EXPECT_EQ(first.name, "");
    EXPECT_EQ(first.edc, "");

    const Profile loaded = Restart({"\xC3\x89va", "2010-05-12"});
    EXPECT_EQ(loaded.name, "\xC3\x89va");
    EXPECT_EQ(loaded.edc, "2010-05-12");
}

TEST_F(ProfileTest, EmptyFieldsKeepTheStoredValues) {
    Restart({"Anna", "2010-05-12"});
    const Profile loaded = Restart({"", ""});
    EXPECT_EQ(loaded.name, "Anna");
    EXPECT_EQ(loaded.edc, "2010-05-12");
}

// The name and EDC a window closes with come back as a pair, never one of them beside the other
// mother's stored one.
TEST_F(ProfileTest, NameAndEdcAreSavedAsOnePair) {
    struct Case {
        Profile closedWith;
        Profile loaded;
    };
    const std::vector<Case> cases = {
        {{"", "2011-01-01"}, {"", "2011-01-01"}},
        {{"Berta", ""}, {"Berta", ""}},
        {{"Anna", "2010-05-12"}, {"Anna", "2010-05-12"}},
        {{"\xFF\xFEna", "2011-01-01"}, {"\xFF\xFEna", "2011-01-01"}},
        {{"", ""}, {"Anna", "2010-05-12"}},
    };
    for (const Case& c : cases) {
        Restart({"Anna", "2010-05-12"});
        const Profile loaded = Restart(c.closedWith);
        EXPECT_EQ(loaded.name, c.loaded.name) << c.closedWith.name << '|' << c.closedWith.edc;
        EXPECT_EQ(loaded.edc, c.loaded.edc) << c.closedWith.name << '|' << c.closedWith.edc;
    }
}

TEST_F(ProfileTest, OnlyATenByteEdcIsLoaded) {
    EXPECT_EQ(Restart({"Anna", "2010-5-12"}).edc, "");
    EXPECT_EQ(Restart({"Anna", "2010-05-120"}).edc, "");
    EXPECT_EQ(Restart({"Anna", "2010-05-12"}).edc, "2010-05-12");
}

// Ten characters that are no real date are no EDC: the window would show them with no week,
// no day and no records.
TEST_F(ProfileTest, TenCharactersThatAreNoDateAreNoEdc) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"2010-05-12", true},  {"2012-02-29", true},  {"2011-02-29", false}, {"2010-13-01", false},
        {"2010-00-10", false}, {"2010-05-32", false}, {"abcdefghij", false}, {"2010/05/12", false},
        {"2010-5-012", false}, {"+010-05-12", false}, {" 010-05-12", false}, {"0000-01-01", false},
    };
    int number = 0;
    for (const auto& [edc, kept] : cases) {
        // A file of its own per case: the settings layer may keep a file rewritten within the
        // same second as it was.
        const auto file = m_file.parent_path() / ("profile-" + std::to_string(++number) + ".ini");
        std::ofstream(file) << "[General]\nName=Anna\nEDC=" << edc << "\n";
        platform::SettingsStore store(file);
        EXPECT_EQ(LoadProfile(store).edc, kept ? edc : "") << edc;
        EXPECT_EQ(IsEdcText(edc), kept) << edc;
    }
}

TEST_F(ProfileTest, NamesAreKeptUpTo1023Bytes) {
    const std::string exact(1023, 'n');
    EXPECT_EQ(Restart({exact, ""}).name, exact);
    EXPECT_EQ(Restart({exact + "tail", ""}).name, exact);
    // A two-byte character across the limit is dropped whole.
    const std::string split = std::string(1022, 'n') + "\xC3\xA9";
    EXPECT_EQ(Restart({split, ""}).name, std::string(1022, 'n'));
    // A longer name put in the store by hand is cut on loading.
    std::ofstream(m_file) << "[General]\nName=" << exact << "xyz\n";
    platform::SettingsStore store(m_file);
    EXPECT_EQ(LoadProfile(store).name, exact);
}

TEST_F(ProfileTest, UnwritableStoreIsSilent) {
    std::ofstream(m_folder / "file") << "x";
    const fs::path file = m_folder / "file" / "Marulo.ini";
    {
        platform::SettingsStore store(file);
        SaveProfile(store, {"Anna", "2010-05-12"});
    }
    platform::SettingsStore reopened(file);
    EXPECT_EQ(LoadProfile(reopened).name, "");
}

class VolumeTest : public ::testing::Test {
protected:
    void SetUp() override { ResetMutedVolumeForTesting(); }
};

TEST_F(VolumeTest, MuteRemembersTheLevelAndUnmuteRestoresIt) {
    platform::SetOutputVolume(30000);
    EXPECT_FALSE(IsMuted());
    SetMuted(true);
    EXPECT_TRUE(IsMuted());
    EXPECT_EQ(platform::GetOutputVolume(), 0);
    SetMuted(false);
    EXPECT_EQ(platform::GetOutputVolume(), 30000);

    // A level set while muted ends the muted state; the next mute remembers it.
    SetMuted(true);
    platform::SetOutputVolume(12345);
    EXPECT_FALSE(IsMuted());
    SetMuted(true);
    SetMuted(false);
    EXPECT_EQ(platform::GetOutputVolume(), 12345);
}

TEST_F(VolumeTest, FirstUnmuteAtSilenceStaysSilent) {
    platform::SetOutputVolume(0);
    SetMuted(false);
    EXPECT_EQ(platform::GetOutputVolume(), 0);
    EXPECT_TRUE(IsMuted());
}

TEST(VolumeCurveTest, TheSliderRunsOnALoudnessScale) {
    EXPECT_EQ(OutputLevelForSlider(0), 0);
    EXPECT_EQ(OutputLevelForSlider(65535), 65535);
    EXPECT_EQ(OutputLevelForSlider(-5), 0);
    EXPECT_EQ(OutputLevelForSlider(70000), 65535);
    // Half way is a soft sound, not nearly full as a linear gain would be (-16 dB).
    EXPECT_NEAR(OutputLevelForSlider(32768) / 65535.0, 0.15, 0.01);
    // Every fifth of the travel, the page step, still changes the gain audibly.
    int previous = -1;
    for (int position = 0; position <= 65535; position += 65535 / 5) {
        const int level = OutputLevelForSlider(position);
        EXPECT_GT(level, previous) << position;
        previous = level;
    }
    // Back and forth: the slider comes back where it was, and full stays full.
    for (const int position : {0, 1000, 13107, 32768, 52428, 60000}) {
        EXPECT_NEAR(SliderForOutputLevel(OutputLevelForSlider(position)), position, 2) << position;
    }
    EXPECT_EQ(SliderForOutputLevel(65535), 65535);
    EXPECT_EQ(SliderForOutputLevel(0), 0);
}

class VolumeSettingTest : public VolumeTest {
protected:
    VolumeSetting Restart(const VolumeSetting& saved) {
        return AcrossARestart(m_file, saved, &SaveVolumeSetting, &LoadVolumeSetting);
    }

    testing::TempFolder m_folder{"volume"};
    fs::path m_file = m_folder / "Marulo.ini";
};

TEST_F(VolumeSettingTest, PositionAndMuteComeBackAfterARestart) {
    for (const VolumeSetting setting :
         {VolumeSetting{0, false}, VolumeSetting{13107, true}, VolumeSetting{65535, false}}) {
        EXPECT_EQ(Restart(setting), setting) << setting.position;
    }
}

TEST_F(VolumeSettingTest, NothingStoredOrNonsenseFollowsTheOutputLevel) {
    platform::SetOutputVolume(65535);
    platform::SettingsStore empty(m_file);
    EXPECT_EQ(LoadVolumeSetting(empty), (VolumeSetting{65535, false}));
    platform::SetOutputVolume(0);
    EXPECT_EQ(LoadVolumeSetting(empty), (VolumeSetting{0, true}));
    for (const char* stored : {"", "loud", "-1", "65536", "0x10", "1e3"}) {
        std::ofstream(m_file) << "[General]\nVolume=" << stored << "\nMuted=1\n";
        platform::SettingsStore store(m_file);
        EXPECT_EQ(LoadVolumeSetting(store), (VolumeSetting{0, true})) << stored;
    }
}

TEST_F(VolumeSettingTest, AMutedSettingIsSilentAndUnmutesToItsLevel) {
    platform::SetOutputVolume(65535);
    ApplyVolumeSetting({52428, true});
    EXPECT_TRUE(IsMuted());
    SetMuted(false);
    EXPECT_EQ(platform::GetOutputVolume(), OutputLevelForSlider(52428));
    ApplyVolumeSetting({13107, false});
    EXPECT_EQ(platform::GetOutputVolume(), OutputLevelForSlider(13107));
}

}  // namespace
}  // namespace marulo::mainwnd
