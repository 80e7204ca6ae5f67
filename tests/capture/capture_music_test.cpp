// The capture over tracks of every kind, made here with FFmpeg's encoders:
// the video's sound is the decoded track, the fitted picture is as bright as
// the show's own, bad files are refused before any output exists, and the
// show's own music is untouched by the fit and by changes to its file during
// a run.
#include "capture_program.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "decoded_media.h"
#include "show/frame_light.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
constexpr bool sanitized = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool sanitized = false;
#endif

// The lossless sound track holds 24 bits.
constexpr float soundStep = 1.0f / (1 << 22);
// The show's own music keeps its band at a median luma of about 35 or more
// over any second of its drops.
constexpr double darkestBandMedian = 30.0;
const std::vector<std::string> lossless{"--out", "video.mkv", "--lossless", "--scale",
                                        "1",     "--fps",     "20",         "--force"};

double bandLumaMedian(const DecodedMedia& media) {
  std::vector<double> bands;
  for (auto pixels : media.pictures) {
    for (auto& pixel : pixels)
      pixel &= 0xFFFFFFu;
    bands.push_back(measureFrame(pixels.data()).band);
  }
  if (bands.empty())
    return 0.0;
  std::nth_element(bands.begin(), bands.begin() + static_cast<std::ptrdiff_t>(bands.size() / 2),
                   bands.end());
  return bands[bands.size() / 2];
}

class CaptureMusicTest : public CaptureProgramTest {
protected:
  // Encodes FFmpeg's lavfi source `source` into `name`.
  void make(const std::string& name, const std::string& source, std::vector<std::string> options) {
    std::vector<std::string> arguments{"-nostdin", "-v",    "error", "-y",
                                       "-f",       "lavfi", "-i",    source};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(name);
    const Outcome made = run(ffmpeg, folder_, arguments, 60s);
    ASSERT_EQ(made.exitCode, 0) << name << ": " << made.errors;
  }

  Outcome captureMusic(const std::string& track, std::vector<std::string> arguments = lossless) {
    arguments.insert(arguments.begin(), {"--music", track});
    return capture(folder_, arguments);
  }
  DecodedMedia video() const { return decodeMedia((folder_ / "video.mkv").string(), true); }

  // The track as FFmpeg's own command line decodes it: stereo at 44.1 kHz.
  std::vector<float> reference(const std::string& name) {
    const Outcome decoded = run(ffmpeg, folder_,
                                {"-nostdin", "-v", "error", "-y", "-i", name, "-ac", "2", "-ar",
                                 "44100", "-f", "f32le", "reference.raw"},
                                60s);
    EXPECT_EQ(decoded.exitCode, 0) << decoded.errors;
    const std::string bytes = readFile(folder_ / "reference.raw");
    std::vector<float> values(bytes.size() / sizeof(float));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    return values;
  }

  static constexpr const char* ffmpeg = "/usr/bin/ffmpeg";
};

// A kick on every half second over a bass line, as mastered music has them.
const std::string kickAndBass =
    "aevalsrc='0.6*sin(2*PI*(50+100*exp(-mod(t,0.5)*20))*mod(t,0.5))*exp(-mod(t,0.5)*8)"
    "+0.25*sin(2*PI*55*t)':s=48000:d=2.5";

TEST_F(CaptureMusicTest, EveryKindOfTrackGivesItsOwnSoundAndTheShowsBrightness) {
  make("loop.wav", kickAndBass, {"-ac", "2"});
  make("loop.mp3", kickAndBass, {"-ac", "2", "-c:a", "libmp3lame", "-b:a", "192k"});
  make("loop.flac", kickAndBass, {"-ac", "2", "-c:a", "flac"});
  make("loop.opus", kickAndBass, {"-ac", "2", "-c:a", "libopus"});
  // A quiet passage of held sines, mono at 22.05 kHz.
  make("quiet.wav", "aevalsrc='0.05*sin(2*PI*440*t)+0.03*sin(2*PI*431*t)':s=22050:d=2",
       {"-ac", "1"});
  make("noise.flac", "anoisesrc=d=1.5:a=0.3:r=48000", {"-ac", "6"});
  make("short.wav", kickAndBass, {"-ac", "2", "-t", "0.4"});
  make("silence.wav", "anullsrc=r=44100:cl=stereo", {"-t", "1.5"});
  // A chained Ogg whose links differ in rate, layout and codec.
  make("first.ogg", "sine=f=220:r=44100:d=1", {"-ac", "2", "-c:a", "libvorbis"});
  make("second.ogg", "sine=f=330:r=22050:d=1", {"-ac", "1", "-c:a", "libvorbis"});
  writeFile(folder_ / "chained.ogg",
            readFile(folder_ / "first.ogg") + readFile(folder_ / "second.ogg"));

  struct Case {
    const char* track;
    double seconds;
    bool coloured; // the fitted band as bright as the show's own
  };
  for (const Case& c :
       {Case{"loop.wav", 2.5, true}, Case{"loop.mp3", 2.5, true}, Case{"loop.flac", 2.5, true},
        Case{"loop.opus", 2.5, true}, Case{"quiet.wav", 2.0, true}, Case{"noise.flac", 1.5, false},
        Case{"short.wav", 0.4, false}, Case{"silence.wav", 1.5, false},
        Case{"chained.ogg", 2.0, false}}) {
    SCOPED_TRACE(c.track);
    const Outcome outcome = captureMusic(c.track);
    ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_NE(outcome.errors.find("spectrum gain"), std::string::npos) << outcome.errors;
    const DecodedMedia media = video();
    // As long as the track, to the frame.
    EXPECT_NEAR(static_cast<double>(media.pictures.size()), c.seconds * 20, 1.0);
    const std::vector<float> track = reference(c.track);
    ASSERT_NEAR(static_cast<double>(track.size()) / 2, c.seconds * sampleRate, 0.03 * sampleRate);
    ASSERT_GE(media.sound.size(), track.size() - 2 * sampleRate / 20);
    float largest = 0.0f;
    for (std::size_t i = 0; i < std::min(track.size(), media.sound.size()); ++i)
      largest = std::max(largest, std::abs(media.sound[i] - track[i]));
    EXPECT_LE(largest, soundStep);

    const double band = bandLumaMedian(media);
    if (c.coloured) {
      EXPECT_GE(band, darkestBandMedian);
    }
    if (std::string(c.track) == "silence.wav") {
      EXPECT_EQ(band, 0.0); // the black band, and no division by zero
    }
  }

  // Without the fit the quiet passage stays dim: the fit is what lifts it.
  std::vector<std::string> unfitted = lossless;
  unfitted.push_back("--no-fit");
  ASSERT_EQ(captureMusic("quiet.wav", unfitted).exitCode, 0);
  EXPECT_LT(bandLumaMedian(video()), darkestBandMedian / 2);
}

// A WAV file by hand: 16-bit samples at `rate`, with a data chunk that says
// it holds `frames` frames of `channels` channels.
std::string wavFile(std::uint32_t rate, std::uint16_t channels, std::uint32_t frames) {
  const auto word = [](std::uint32_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i)
      text.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    return text;
  };
  const std::uint32_t block = 2u * channels;
  std::string samples(static_cast<std::size_t>(frames) * block, '\0');
  for (std::size_t i = 0; i < samples.size(); i += 2)
    samples[i + 1] = static_cast<char>(i % 7 * 9); // not silence
  return "RIFF" + word(36 + static_cast<std::uint32_t>(samples.size()), 4) + "WAVEfmt " +
         word(16, 4) + word(1, 2) + word(channels, 2) + word(rate, 4) + word(rate * block, 4) +
         word(block, 2) + word(16, 2) + "data" +
         word(static_cast<std::uint32_t>(samples.size()), 4) + samples;
}

// A track is exactly the local file named, read as one sound file: a name
// that reads as a URL or one of FFmpeg's protocols is a file's name, a file
// that names other files is refused, and so is a file that is cut short, too
// long, changed while it is read or holds no sound, before any output
// exists, in memory that the kept track bounds.
TEST_F(CaptureMusicTest, ATrackIsExactlyTheLocalFileNamed) {
  make("whole.wav", kickAndBass, {"-ac", "2"});
  make("whole.flac", kickAndBass, {"-ac", "2"});
  make("a.ogg", "sine=f=220:d=1", {"-c:a", "libvorbis"});
  make("b.ogg", "sine=f=330:d=1", {"-c:a", "libvorbis"});
  make("odd.flac", "sine=f=440:d=1.5", {"-ac", "2"});
  make("long.wav", kickAndBass + ",aloop=loop=8:size=120000", {"-ac", "2"});
  make("long.flac", kickAndBass + ",aloop=loop=8:size=120000", {"-ac", "2"});
  const std::string flac = readFile(folder_ / "whole.flac");
  writeFile(folder_ / "cut.flac", flac.substr(0, flac.size() / 3));
  const std::string wav = readFile(folder_ / "whole.wav");
  writeFile(folder_ / "half.wav", wav.substr(0, wav.size() / 2));
  writeFile(folder_ / "one.wav", wavFile(44100, 2, 1));
  writeFile(folder_ / "text.mp3", "this is not music\n");
  writeFile(folder_ / "empty.flac", "");
  fs::create_directory(folder_ / "folder.wav");
  make("hours.flac", "anullsrc=r=8000:cl=mono", {"-t", "3700"});
  // Written to a pipe, a FLAC file's header cannot give its length.
  const Outcome piped = run("/bin/sh", folder_,
                            {"-c", std::string(ffmpeg) + " -nostdin -v error -f lavfi -i "
                                                         "anullsrc=r=8000:cl=mono -t 3700 "
                                                         "-f flac - > unmeasured.flac"});
  ASSERT_EQ(piped.exitCode, 0) << piped.errors;
  // Files that name others: an HLS playlist and a concatenation script.
  writeFile(folder_ / "playlist.mp3", "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:5,\n" +
                                          (folder_ / "whole.wav").string() + "\n#EXT-X-ENDLIST\n");
  writeFile(folder_ / "script.mp3", "ffconcat version 1.0\nfile whole.wav\nfile a.ogg\n");
  // 3 000 samples at 1 Hz: 50 minutes that would resample to gigabytes.
  writeFile(folder_ / "slow.wav", wavFile(1, 1, 3000));
  // Gigabytes of nothing, costing no disk.
  writeFile(folder_ / "zeros.mp3", "");
  fs::resize_file(folder_ / "zeros.mp3", std::uint64_t{3} << 30);

  struct Case {
    const char* track;
    const char* message;
    const char* cutWhileRead = nullptr;
  };
  for (const Case& c :
       {Case{"missing.mp3", "No such file"}, Case{"folder.wav", "a folder"},
        Case{"empty.flac", "is empty"}, Case{"text.mp3", "not a sound file"},
        Case{"cut.flac", "cut short"}, Case{"half.wav", "cut short: it holds 0:01 of the 0:02"},
        Case{"hours.flac", "tracks up to 60:00"}, Case{"unmeasured.flac", "tracks up to 60:00"},
        Case{"playlist.mp3", "(hls) is not taken"}, Case{"script.mp3", "(concat) is not taken"},
        Case{"one.wav", "less than a millisecond"}, Case{"zeros.mp3", "holds no sound"},
        Case{"long.wav", "changed while it was read", "long.wav"},
        Case{"long.flac", "changed while it was read", "long.flac"}}) {
    SCOPED_TRACE(c.track);
    Launch launch;
    if (c.cutWhileRead != nullptr)
      launch = withFaults({std::string("VSF_FAULT_CUT_WHILE_READ=") + c.cutWhileRead});
    const Outcome outcome =
        capture(folder_, {"--music", c.track, "--out", "video.mkv", "--lossless", "--scale", "1"},
                300s, launch);
    EXPECT_EQ(outcome.exitCode, failedExit) << outcome.errors;
    EXPECT_NE(outcome.errors.find(c.track), std::string::npos) << outcome.errors;
    EXPECT_NE(outcome.errors.find(c.message), std::string::npos) << outcome.errors;
    EXPECT_EQ(outcome.errors.find("--start"), std::string::npos) << outcome.errors;
    EXPECT_FALSE(fs::exists(folder_ / "video.mkv"));
    EXPECT_TRUE(hiddenEntries(folder_).empty());
  }
  if (geteuid() != 0) { // root reads whatever the permissions say
    fs::permissions(folder_ / "whole.wav", fs::perms::none);
    const Outcome outcome = captureMusic("whole.wav");
    EXPECT_EQ(outcome.exitCode, failedExit);
    EXPECT_NE(outcome.errors.find("Permission denied"), std::string::npos) << outcome.errors;
  }

  // Names FFmpeg would take for a URL, a protocol or a list of files, each a
  // local copy of the 1.5 s track; a server stands where the URL points.
  const int server = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  ASSERT_GE(server, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(server, 4), 0);
  ASSERT_EQ(getsockname(server, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string host = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  fs::create_directories(folder_ / "http:" / host);
  fs::copy_file(folder_ / "odd.flac", folder_ / "http:" / host / "a.flac");
  fs::copy_file(folder_ / "odd.flac", folder_ / "take:2.flac");
  fs::copy_file(folder_ / "odd.flac", folder_ / "concat:a.ogg|b.ogg");
  for (const std::string& name : {std::string("take:2.flac"), std::string("concat:a.ogg|b.ogg"),
                                  "http://" + host + "/a.flac"}) {
    SCOPED_TRACE(name);
    const Outcome outcome = captureMusic(name);
    ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_NE(outcome.errors.find(name + ": 1.50 s"), std::string::npos) << outcome.errors;
    EXPECT_EQ(video().pictures.size(), 30u);
  }
  EXPECT_LT(accept(server, nullptr, nullptr), 0) << "a track was asked of a server";
  close(server);

  // Memory as the kept track needs it, not as the file's header asks.
  // Sanitizers reserve terabytes of address space for their shadow memory.
  Launch bounded;
  if (!sanitized)
    bounded.memoryLimit = std::uint64_t{1} << 30;
  for (const auto& [track, code] : {std::pair{"slow.wav", 0}, std::pair{"zeros.mp3", failedExit}}) {
    SCOPED_TRACE(track);
    const Outcome outcome =
        run(VSF_FRAME_TOOL, folder_,
            {"--frame", "1", "--elapsed", "1000", "--music", track, "--out", "frame.ppm"}, 300s,
            bounded);
    EXPECT_EQ(outcome.exitCode, code) << outcome.errors;
  }
}

// The show's own music reads about 1 in its loudest passages already: the fit
// leaves it alone, frame for frame.
TEST_F(CaptureMusicTest, TheShowsOwnMusicIsLeftAsItIs) {
  fs::copy_file(musicPath(), folder_ / musicName);
  const std::vector<std::string> span{"--lossless", "--scale", "1",         "--fps", "10",
                                      "--start",    "150000",  "--seconds", "1"};
  std::vector<std::string> fitted{"--out", "fitted.mkv"}, plain{"--out", "plain.mkv", "--no-fit"};
  fitted.insert(fitted.end(), span.begin(), span.end());
  plain.insert(plain.end(), span.begin(), span.end());
  const Outcome outcome = capture(folder_, fitted);
  ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
  EXPECT_NE(outcome.errors.find("spectrum gain +0.0 dB"), std::string::npos) << outcome.errors;
  ASSERT_EQ(capture(folder_, plain).exitCode, 0);
  const DecodedMedia a = decodeMedia((folder_ / "fitted.mkv").string(), true);
  ASSERT_EQ(a.pictures.size(), 10u);
  EXPECT_TRUE(a.pictures == decodeMedia((folder_ / "plain.mkv").string(), true).pictures);
  EXPECT_GE(bandLumaMedian(a), darkestBandMedian);
}

// The music file rebuilt or cut while a capture runs: the capture has the
// whole track already, so its sound and colours go on to the end.
TEST_F(CaptureMusicTest, MusicChangedDuringACaptureDoesNotCutIt) {
  fs::copy_file(musicPath(), folder_ / musicName);
  Program program(
      VSF_CAPTURE_PROGRAM,
      {"--out", "video.mkv", "--lossless", "--scale", "1", "--fps", "10", "--seconds", "20"},
      folder_, folder_ / "errors.txt");
  // Cut the music to its headers once the output is being written.
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (hiddenEntries(folder_).empty() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(20ms);
  fs::resize_file(folder_ / musicName, 4000);
  ASSERT_EQ(program.wait(300s), 0) << program.errors();
  const DecodedMedia media = video();
  ASSERT_EQ(media.pictures.size(), 200u);
  // The last seconds still sound and still colour the band.
  double energy = 0.0;
  for (std::size_t i = media.sound.size() - 2 * 5 * sampleRate; i < media.sound.size(); ++i)
    energy += static_cast<double>(media.sound[i]) * media.sound[i];
  EXPECT_GT(energy, 1.0);
  std::vector<std::uint32_t> last(media.pictures.back());
  for (auto& pixel : last)
    pixel &= 0xFFFFFFu;
  EXPECT_GT(measureFrame(last.data()).band, 0.0);
}

} // namespace
