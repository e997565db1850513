// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/RecordedAudioCheck.h"

#include "acquisition/CaptureConversion.h"
#include "platform/ByteSource.h"
#include "platform/ZipStream.h"
#include "recordformat/WavReader.h"

namespace marulo::acquisition {

namespace {

constexpr std::size_t kSecondsAudioMayLack = 2;

std::optional<std::vector<ratecheck::SecondCheck>> CheckSource(
    platform::ByteSource& source, const std::string& name, std::span<const std::int32_t> trace,
    std::string& error, const std::atomic<bool>* stop,
    const std::function<void(double)>& progress) {
    auto wav = recordformat::WavStream::Open(source, name, error);
    if (!wav) {
        return std::nullopt;
    }
    auto converter = CaptureConverter::For(wav->Format());
    if (!converter) {
        error = name + ": cannot convert this format";
        return std::nullopt;
    }
    std::vector<ratecheck::SecondCheck> checks;
    checks.reserve(trace.size());
    ratecheck::RateCheck rateCheck(
        [&checks](std::int32_t, const ratecheck::SecondCheck& check) { checks.push_back(check); });
    for (const std::int32_t shown : trace) {
        rateCheck.FeedShown(shown);
    }
    std::vector<std::uint8_t> samples(std::size_t{1} << 16);
    std::vector<std::uint8_t> scratch;
    for (std::size_t got = 0; (got = wav->ReadFrames(samples)) > 0;) {
        if (stop != nullptr && stop->load()) {
            error = name + ": stopped";
            return std::nullopt;
        }
        rateCheck.FeedAudio(converter->Convert(std::span(samples).first(got), scratch));
        if (progress && !trace.empty()) {
            progress(static_cast<double>(checks.size()) / static_cast<double>(trace.size()));
        }
    }
    rateCheck.FeedAudio(converter->Finish(scratch));
    if (wav->Failed()) {
        error = name + ": cannot read the file";
        return std::nullopt;
    }
    if (checks.size() + kSecondsAudioMayLack < trace.size()) {
        error = name + ": the audio is shorter than the trace";
        return std::nullopt;
    }
    return checks;
}

}  // namespace

std::optional<std::vector<ratecheck::SecondCheck>> CheckRecordedAudio(
    const std::filesystem::path& wavFile, std::span<const std::int32_t> trace, std::string& error,
    const std::atomic<bool>* stop, const std::function<void(double)>& progress) {
    platform::FileByteSource file(wavFile);
    if (!file.IsOpen()) {
        error = wavFile.string() + ": cannot open the file";
        return std::nullopt;
    }
    return CheckSource(file, wavFile.string(), trace, error, stop, progress);
}

std::optional<std::vector<ratecheck::SecondCheck>> CheckArchivedAudio(
    const std::filesystem::path& archive, std::span<const std::int32_t> trace, std::string& error,
    const std::atomic<bool>* stop, const std::function<void(double)>& progress) {
    auto item = platform::ZipItemStream::Open(archive, "Data.wav", error);
    if (!item) {
        return std::nullopt;
    }
    return CheckSource(*item, archive.string() + ": Data.wav", trace, error, stop, progress);
}

}  // namespace marulo::acquisition
