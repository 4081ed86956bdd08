// The once-per-run check for a newer data pack: at the first tick the manifest "update.xml" and
// the next data packet "soft15.pkg" are fetched from the update address by internal download
// tasks (not counted against the download limit). A data packet is extracted into the work path
// at once with the updater's entry rules; a manifest naming a newer pack version asks whether to
// run the updater. With an update key built in, both files are fetched with their signatures
// ("update.xml.sig", "soft15.pkg.sig") and a file whose signature is missing or wrong is
// refused: logged and deleted, nothing installed, nothing asked.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/catalogue/software_state.h"
#include "core/thread/message_target.h"

class CDownloadTask;
class DownloadQueue;

class CUpdateCheck {
 public:
  static constexpr int kManifestId = -1;
  static constexpr int kPacketId = -2;
  static constexpr int kManifestSignatureId = -3;
  static constexpr int kPacketSignatureId = -4;

  CUpdateCheck();
  ~CUpdateCheck();

  // The key files must be signed with (hexadecimal), "" to accept unsigned files. The built-in
  // key unless set before Start().
  void SetPublicKey(const std::string& key_hex) { key_ = key_hex; }
  // Called with each internal record just before its download starts (tests look at the
  // download folder then).
  void SetStartHook(std::function<void(const SoftwareState&)> hook) { start_hook_ = std::move(hook); }

  // Starts the downloads on the first call; later calls do nothing. Stale pieces of earlier
  // runs' downloads are deleted first, so every file is fetched from its beginning.
  void Start(ds::MsgHandle owner, DownloadQueue* queue, const std::string& update_address,
             const std::string& work_path);
  // A finished internal download (message 2524 with a negative id). Returns true when the
  // manifest (accepted) names a newer data pack than this build's.
  bool OnFinished(int id);
  // A task's report of how its run ended (message 2532 with a negative id): that run is over.
  void OnReport(int id);
  // Once a second: destroys the tasks that are done; a signature that could not be fetched
  // refuses its file.
  void Collect();
  // At exit: the downloads stop.
  void Stop();
  bool started() const { return started_; }
  int server_version() const { return server_version_; }
  bool Running() const;
  // The updater's parameters: "-c14 -s<server version>".
  std::string UpdaterParameters() const;

 private:
  enum Slot { kManifest, kPacket, kManifestSignature, kPacketSignature, kSlotCount };
  struct Fetch {
    SoftwareState record;
    std::unique_ptr<CDownloadTask> task;
    bool finished = false;  // the file arrived
    bool ended = false;     // the task is gone, with or without the file
  };

  static int SlotOf(int id);
  void StartFetch(int slot, const std::string& url, ds::MsgHandle owner, DownloadQueue* queue);
  std::string Downloaded(int slot) const;
  // Handles the manifest or the packet once it and (with a key) its signature are settled.
  bool Settle(int file_slot);
  bool TakeManifest();
  void TakePacket();
  // With a key: whether the downloaded file carries the key's signature (logged when not).
  bool Verified(int file_slot);

  bool started_ = false;
  bool handled_[2] = {false, false};
  int server_version_ = 1;
  std::string key_;
  std::function<void(const SoftwareState&)> start_hook_;
  std::string work_path_;
  std::string packet_name_;
  Fetch fetches_[kSlotCount];
};
