#include "vexo/ui/resources/sound_window.h"

#include <cstdio>

#include "core/log/logger.h"
#include "core/text/path.h"

#if defined(VEXO_HAVE_ALSA)
#include <alsa/asoundlib.h>

#include <mutex>
#endif

namespace {

constexpr char kOpenFailed[] = "Open the wave out devices failed!";

#if defined(VEXO_HAVE_ALSA)
// The library prints its own diagnostics to standard error; a machine without a sound card is
// normal here and the failure is reported through our own message.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}
#endif

// Plays the samples to the end (or until `stop`). False when no output could be opened for
// this format.
bool PlayWave(const VEXO_WaveFile& wave, const std::atomic<bool>& stop) {
#if defined(VEXO_HAVE_ALSA)
  if (wave.format_tag != 1 || wave.channels == 0 || wave.block_align == 0) return false;
  snd_pcm_format_t format;
  switch (wave.bits_per_sample) {
    case 8: format = SND_PCM_FORMAT_U8; break;
    case 16: format = SND_PCM_FORMAT_S16_LE; break;
    case 24: format = SND_PCM_FORMAT_S24_3LE; break;
    case 32: format = SND_PCM_FORMAT_S32_LE; break;
    default: return false;
  }
  static std::once_flag quiet;
  std::call_once(quiet, [] { snd_lib_error_set_handler(&QuietAlsaErrors); });
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return false;
  if (snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, wave.channels,
                         wave.samples_per_sec, 1, 500000) < 0) {
    snd_pcm_close(pcm);
    return false;
  }
  const char* data = wave.data.data();
  snd_pcm_uframes_t left = wave.data.size() / wave.block_align;
  while (left > 0 && !stop.load()) {
    const snd_pcm_uframes_t chunk = left < 4096 ? left : 4096;
    snd_pcm_sframes_t written = snd_pcm_writei(pcm, data, chunk);
    if (written < 0) written = snd_pcm_recover(pcm, static_cast<int>(written), 1);
    if (written < 0) break;
    data += static_cast<std::size_t>(written) * wave.block_align;
    left -= static_cast<snd_pcm_uframes_t>(written);
  }
  if (stop.load())
    snd_pcm_drop(pcm);
  else
    snd_pcm_drain(pcm);
  snd_pcm_close(pcm);
  return true;
#else
  (void)wave;
  (void)stop;
  return false;
#endif
}

}  // namespace

CSoundWnd::CSoundWnd(ds::MsgHandle parent) : parent_(parent) {}

CSoundWnd::~CSoundWnd() {
  DetachMessages();
  for (auto& entry : sounds_) entry.second->stop = true;
  for (auto& entry : sounds_) {
    if (entry.second->worker.joinable()) entry.second->worker.join();
  }
}

bool CSoundWnd::HasAudioOutput() {
#if defined(VEXO_HAVE_ALSA)
  return true;
#else
  return false;
#endif
}

void CSoundWnd::Drop(const std::string& message) {
  last_error_ = message;
  ds::LogInfo("CSoundWnd::Play")("%s", message.c_str());
}

int CSoundWnd::Play(const char* path) {
  if (path == nullptr) return 0;
  std::string bytes;
  std::FILE* f = std::fopen(ds::NativePath(path).c_str(), "rbe");
  if (f != nullptr) {
    char chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    std::fclose(f);
  }
  auto sound = std::make_unique<SoundInfo>();
  std::string error;
  if (!sound->wave.Parse(bytes, path, &error)) {
    Drop(error);
    return 0;
  }
  if (!HasAudioOutput()) {
    Drop(kOpenFailed);
    return 0;
  }
  const unsigned id = next_id_++;
  SoundInfo* info = sound.get();
  const ds::MsgHandle self = GetHandle();
  info->worker = std::thread([info, self, id] {
    const bool played = PlayWave(info->wave, info->stop);
    ds::PostMessageTo(self, kSoundDone, id, played ? 0 : 1);
  });
  sounds_.emplace(id, std::move(sound));
  return 1;
}

ds::LResult CSoundWnd::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message != kSoundDone) return VEXO_MessageWindow::WindowProc(message, wparam, lparam);
  auto it = sounds_.find(static_cast<unsigned>(wparam));
  if (it == sounds_.end()) return 0;
  if (it->second->worker.joinable()) it->second->worker.join();
  sounds_.erase(it);
  if (lparam != 0) Drop(kOpenFailed);
  return 1;
}
