// The sound window of the resource manager: each sound plays on a short worker of its own
// through the default audio output, and the worker posts "done" to this window, which then
// frees the sound. Sounds that cannot be read or played are dropped; their failure message is
// logged at Info level and goes nowhere else.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "vexo/export.h"
#include "vexo/ui/dialog/message_window.h"
#include "vexo/ui/resources/wave_file.h"

class VEXO_API CSoundWnd : public VEXO_MessageWindow {
 public:
  // Posted by a player when it has finished; wParam is the sound's id.
  static constexpr unsigned kSoundDone = 0x0400 + 0x3F1;

  explicit CSoundWnd(ds::MsgHandle parent = 0);
  // Stops every sound still playing and waits for its worker.
  ~CSoundWnd() override;

  // Reads and starts the wave file at `path`. 1 when a player was started.
  int Play(const char* path);
  // Sounds whose worker has not been collected yet.
  int ActiveCount() const { return static_cast<int>(sounds_.size()); }
  // Whether this build can play at all (an audio library is present).
  static bool HasAudioOutput();
  // The last failure message (empty when none).
  const std::string& LastError() const { return last_error_; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 private:
  struct SoundInfo {
    VEXO_WaveFile wave;
    std::atomic<bool> stop{false};
    std::thread worker;
  };
  void Drop(const std::string& message);

  ds::MsgHandle parent_;
  std::map<unsigned, std::unique_ptr<SoundInfo>> sounds_;
  unsigned next_id_ = 1;
  std::string last_error_;
};
