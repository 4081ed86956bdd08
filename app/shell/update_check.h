// The once-per-run check for a newer data pack: at the first tick the manifest "update.xml" and
// the next data packet "soft15.pkg" are fetched from the update address by two internal
// download tasks (not counted against the download limit). A data packet is extracted into the
// work path at once with the updater's entry rules; a manifest naming a newer pack version asks
// whether to run the updater.
#pragma once

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

  CUpdateCheck();
  ~CUpdateCheck();

  // Starts both downloads on the first call; later calls do nothing.
  void Start(ds::MsgHandle owner, DownloadQueue* queue, const std::string& update_address,
             const std::string& work_path);
  // A finished internal download (message 2524 with a negative id). Returns true when the
  // manifest names a newer data pack than this build's.
  bool OnFinished(int id);
  // A task's report of how its run ended (message 2532 with a negative id): that run is over.
  void OnReport(int id);
  // Once a second: destroys the tasks that are done.
  void Collect();
  // At exit: both downloads stop.
  void Stop();
  bool started() const { return started_; }
  int server_version() const { return server_version_; }
  bool Running() const { return manifest_task_ || packet_task_; }
  // The updater's parameters: "-c14 -s<server version>".
  std::string UpdaterParameters() const;

 private:
  void StartTask(SoftwareState& record, std::unique_ptr<CDownloadTask>& task, int id, const std::string& url,
                 ds::MsgHandle owner, DownloadQueue* queue);

  bool manifest_finished_ = false;
  bool packet_finished_ = false;
  bool started_ = false;
  int server_version_ = 1;
  std::string work_path_;
  std::string packet_name_;
  SoftwareState manifest_;
  SoftwareState packet_;
  std::unique_ptr<CDownloadTask> manifest_task_;
  std::unique_ptr<CDownloadTask> packet_task_;
};
