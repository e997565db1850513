// SPDX-License-Identifier: GPL-3.0-or-later
// marulo-analyze: replays a WAV file through the heart-rate detector as a capture run would.
#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureConversion.h"
#include "acquisition/CaptureFormat.h"
#include "archive/RecordArchive.h"
#include "platform/ByteSource.h"
#include "platform/ZipStream.h"
#include "ratecheck/RateCheck.h"
#include "recordformat/WavReader.h"

namespace {

constexpr int kWriteFailed = 1;
constexpr int kBadInput = 2;
constexpr int kTooShort = 3;
constexpr int kDamagedInput = 4;

constexpr std::string_view kUsage =
    "usage: marulo-analyze [--frames | --check] FILE.wav | RECORD.zip | --help";

constexpr std::string_view kHelp =
    R"(usage: marulo-analyze [--frames | --check] FILE.wav | RECORD.zip

Replays the audio of FILE.wav, or of the Data.wav item of a record archive, through the
heart-rate detector exactly as a capture run in a freshly started program would: fresh detector
state, block counter 0, consecutive 0.1 s blocks of 1600 bytes (a trailing partial block is
ignored).

Prints, one per line, the heart rate the run would report once a second (0 for none, otherwise
50..240 beats per minute).

  --frames  print every 10 ms frame's detector result instead (-1 no rate, 0 at start and after
            a long silence, otherwise 50..240)
  --check   print CSV instead: the header second,shown,quality,checked, then a row per second:
            its number from 0, the rate a plain run prints on that line, how far that rate can
            be believed by a second, independent analysis of the audio (good, half, double,
            maternal, none for no usable signal of the baby, unsure), and that analysis's own
            rate in whole beats per minute where it is confident, otherwise empty
  --help    print this text

The file is read once from start to end in small pieces: memory stays the same for any length,
and a pipe or FIFO works too (/dev/stdin, <(command)). A record archive (a ZIP file) must be a
regular file; its first top-level item named exactly Data.wav is read, unpacked as it goes; audio
in the capture format is read only as far as the record's trace (Data.hr) allows, as the
program's window does.

Any PCM WAV of 8 or 16 bits, any channel count and a rate of 1000..384000 Hz, is first turned
into the capture format (2 channels, 8000 Hz, unsigned 8-bit); the detector hears the first
channel:
  - a file already in that format is used byte for byte;
  - a 16-bit sample becomes its high byte plus 128;
  - mono is copied to both channels; of more channels the first two are kept;
  - another rate is resampled by linear interpolation (no low-pass filter), giving
    floor(frames x 8000 / rate) frames.

Exit status:
  0  success
  1  the output could not be written
  2  bad usage, or a file that is not a readable PCM WAV or record archive (one line on
     standard error); a read error part way stops with this status after the lines so far, and
     so does a record's audio longer than its trace allows
  3  the audio is too short to give a line: no whole 0.1 s block, or without --frames less
     than one second (one line on standard error; --check has written its header)
  4  the lines are written, but the input is damaged: the WAV ends before the length its header
     declares, or the archive's item fails its check sum (one warning line on standard error)
)";

// Lines go out in large writes.
class LineWriter {
public:
    void Add(std::int32_t value) { AddLine(std::to_string(value)); }
    void AddText(std::string_view text) {
        m_text += text;
        if (m_text.size() >= kFlushBytes) {
            Flush();
        }
    }
    void AddLine(std::string_view line) {
        m_text += line;
        m_text += '\n';
        ++m_lines;
        if (m_text.size() >= kFlushBytes) {
            Flush();
        }
    }
    void Flush() {
        if (std::fwrite(m_text.data(), 1, m_text.size(), stdout) != m_text.size()) {
            m_failed = true;
        }
        m_text.clear();
    }
    bool Failed() const { return m_failed || std::fflush(stdout) != 0; }
    std::uint64_t Lines() const { return m_lines; }

private:
    static constexpr std::size_t kFlushBytes = 1 << 16;
    std::string m_text;
    std::uint64_t m_lines = 0;
    bool m_failed = false;
};

int Fail(std::string_view message, int status = kBadInput) {
    std::cerr << "marulo-analyze: " << message << '\n';
    return status;
}

// The audio bytes a record archive's Data.wav may hold: as far as its trace allows.
std::uint64_t AudioLimit(const std::string& archive) {
    marulo::archive::RecordArchive record;
    std::vector<std::int32_t> trace;
    if (record.Open(archive) != marulo::archive::RecordProblem::None || !record.HasTrace() ||
        record.ReadTrace(trace) != marulo::archive::RecordProblem::None) {
        return marulo::archive::kMaxAudioBytes;
    }
    return marulo::archive::MaxAudioBytesForTrace(trace.size());
}

int Run(const std::vector<std::string_view>& args) {
    namespace acquisition = marulo::acquisition;
    namespace platform = marulo::platform;
    namespace recordformat = marulo::recordformat;

    const bool frames = !args.empty() && args[0] == "--frames";
    const bool check = !args.empty() && args[0] == "--check";
    if (args.size() != (frames || check ? 2u : 1u) || args.back().starts_with("--")) {
        std::cerr << kUsage << '\n';
        return kBadInput;
    }
    const std::string path(args.back());

    std::string error;
    std::optional<platform::FileByteSource> file;
    std::optional<platform::ZipItemStream> item;
    platform::ByteSource* source = nullptr;
    std::string name = path;
    std::uint64_t limit = marulo::archive::kMaxAudioBytes;
    if (platform::LooksLikeZipFile(path)) {
        item = platform::ZipItemStream::Open(path, "Data.wav", error);
        if (!item) {
            return Fail(error);
        }
        source = &*item;
        name += ": Data.wav";
    } else {
        file.emplace(path);
        if (!file->IsOpen()) {
            return Fail(path + ": cannot open the file");
        }
        source = &*file;
    }

    auto wav = recordformat::WavStream::Open(*source, name, error);
    if (!wav) {
        return Fail(error);
    }
    auto converter = acquisition::CaptureConverter::For(wav->Format());
    if (!converter) {
        return Fail(name + ": cannot convert this format");
    }
    // A record's audio, in the format the program records, is bounded by its trace.
    if (item && wav->Format() == acquisition::CaptureFormat()) {
        limit = AudioLimit(path);
    }

    LineWriter out;
    std::uint64_t second = 0;
    marulo::ratecheck::RateCheck rateCheck(
        [&out, &second](std::int32_t shown, const marulo::ratecheck::SecondCheck& result) {
            std::string line = std::to_string(second++) + ',' + std::to_string(shown) + ',';
            line += marulo::ratecheck::QualityWord(result.quality);
            line += ',';
            if (result.checkedBpm) {
                line += std::to_string(*result.checkedBpm);
            }
            out.AddLine(line);
        });
    if (check) {
        out.AddText("second,shown,quality,checked\n");
    }
    acquisition::CaptureReplay replay(frames ? acquisition::CaptureReplay::Values::FrameResults
                                             : acquisition::CaptureReplay::Values::ReportedRates,
                                      [&out, &rateCheck, check](std::int32_t value) {
                                          if (check) {
                                              rateCheck.FeedShown(value);
                                          } else {
                                              out.Add(value);
                                          }
                                      });
    const auto feed = [&replay, &rateCheck, check](std::span<const std::uint8_t> bytes) {
        replay.Feed(bytes);
        if (check) {
            rateCheck.FeedAudio(bytes);
        }
    };
    // 64 KiB of samples at a time; a low rate gives up to sixteen times as many capture bytes.
    std::vector<std::uint8_t> samples(1 << 16);
    std::vector<std::uint8_t> scratch;
    std::uint64_t read = 0;
    for (std::size_t got = 0; (got = wav->ReadFrames(samples)) > 0;) {
        read += got;
        if (read > limit) {
            out.Flush();
            return Fail(name + ": the audio is longer than its trace allows (a damaged record)");
        }
        feed(converter->Convert(std::span(samples).first(got), scratch));
    }
    feed(converter->Finish(scratch));
    out.Flush();
    if (out.Failed()) {
        return Fail("cannot write the output", kWriteFailed);
    }
    const bool endedShort = wav->EndedShort();
    // An archive checks an item's sum at its end: what follows the samples is read too.
    if (item && !item->Failed()) {
        while (item->Read(samples) > 0) {
        }
    }
    if (item && item->ChecksumFailed()) {
        return Fail("warning: " + name + ": its check sum does not match (damaged)", kDamagedInput);
    }
    if (wav->Failed()) {
        return Fail(name + ": cannot read the file");
    }

    if (replay.BlockCount() == 0) {
        return Fail(name + ": no whole 0.1 s block of audio, nothing to analyse", kTooShort);
    }
    if (out.Lines() == 0) {
        return Fail(name + ": only 0." + std::to_string(replay.BlockCount()) +
                        " s of audio, less than the second a heart rate needs",
                    kTooShort);
    }
    if (endedShort) {
        return Fail("warning: " + name + ": ends before the length its header declares (cut off)",
                    kDamagedInput);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") {
        std::cout << kHelp;
        return 0;
    }
    try {
        return Run(args);
    } catch (const std::exception& problem) {
        return Fail(problem.what());
    }
}
