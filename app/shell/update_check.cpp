#include "app/shell/update_check.h"

#include <cstdio>
#include <unistd.h>

#include <tinyxml2.h>

#include "app/downloads/download_task.h"
#include "app/shell/startup_files.h"
#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/update/packet_install.h"

namespace {

constexpr char kManifestName[] = "update.xml";
constexpr char kSavedManifestName[] = "Update.xml";

// Moves a finished download into the work path, replacing what is there.
bool MoveInto(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  ds::LogWarn("CUpdateCheck::OnFinished")("can't move %s to %s.", from.c_str(), to.c_str());
  return false;
}

}  // namespace

CUpdateCheck::CUpdateCheck() = default;

CUpdateCheck::~CUpdateCheck() { Stop(); }

void CUpdateCheck::Start(ds::MsgHandle owner, DownloadQueue* queue, const std::string& update_address,
                         const std::string& work_path) {
  if (started_) return;
  started_ = true;
  work_path_ = work_path;
  const std::string temp = ds::JoinPath(ds::JoinPath(work_path, "setup"), "Temp");
  // Stale pieces of an earlier run would be resumed as if they were the new files.
  char name[32];
  std::snprintf(name, sizeof(name), "soft%d.pkg", shell::kDataPackVersion + 1);
  packet_name_ = name;
  for (const std::string& file : {std::string(kManifestName), packet_name_})
    for (const char* suffix : {".tmp", ".rd2"}) ::unlink(ds::JoinPath(temp, file + suffix).c_str());
  StartTask(manifest_, manifest_task_, kManifestId, update_address + "/" + kManifestName, owner, queue);
  StartTask(packet_, packet_task_, kPacketId, update_address + "/" + packet_name_, owner, queue);
}

void CUpdateCheck::StartTask(SoftwareState& record, std::unique_ptr<CDownloadTask>& task, int id,
                             const std::string& url, ds::MsgHandle owner, DownloadQueue* queue) {
  record.id = id;
  record.status = StatusInternal;
  record.url = url;
  record.downloadDir = ds::JoinPath(work_path_, "setup");
  task = std::make_unique<CDownloadTask>();
  task->SetQueue(queue);
  task->Attach(owner, &record);
  task->RequestStart();
}

bool CUpdateCheck::OnFinished(int id) {
  if (id == kManifestId) manifest_finished_ = true;
  if (id == kPacketId) packet_finished_ = true;
  if (id == kManifestId) {
    const std::string saved = ds::JoinPath(work_path_, kSavedManifestName);
    if (!MoveInto(ds::NativePath(DownloadingInstallerPath(manifest_.downloadDir, manifest_.url)), saved))
      return false;
    tinyxml2::XMLDocument document;
    if (document.LoadFile(saved.c_str()) != tinyxml2::XML_SUCCESS || !document.RootElement()) return false;
    if (const tinyxml2::XMLElement* string = document.RootElement()->FirstChildElement("string")) {
      const int version = string->IntAttribute("name", 0);
      if (version != 0) server_version_ = version;
    }
    return shell::kDataPackVersion < server_version_;
  }
  if (id == kPacketId) {
    const std::string packet = ds::JoinPath(work_path_, packet_name_);
    MoveInto(ds::NativePath(DownloadingInstallerPath(packet_.downloadDir, packet_.url)), packet);
    // The updater's rules: no entry leaves the work path, no links, all of the packet or nothing.
    ds::PacketInstallReport report;
    if (ds::IsRegularFile(packet) && !ds::InstallPacket(packet, work_path_, &report))
      ds::LogWarn("CUpdateCheck::OnFinished")("packet %s not installed (%d refused, %d failed).", packet.c_str(),
                                              report.refused, report.failed);
  }
  return false;
}

void CUpdateCheck::OnReport(int id) {
  CDownloadTask* task = id == kManifestId ? manifest_task_.get() : id == kPacketId ? packet_task_.get() : nullptr;
  if (task) task->MarkIdle();
}

namespace {

// A task is done when it failed and cleaned up, or when its file arrived and its run has
// reported its end with the downloader's thread gone (destroying it never waits then).
bool Done(CDownloadTask& task, bool finished) {
  if (task.Maintain()) return true;
  HttpDownloader4* downloader = task.downloader();
  return finished && task.idle() && (downloader == nullptr || downloader->CanDelete());
}

}  // namespace

void CUpdateCheck::Collect() {
  if (manifest_task_ && Done(*manifest_task_, manifest_finished_)) manifest_task_.reset();
  if (packet_task_ && Done(*packet_task_, packet_finished_)) packet_task_.reset();
}

void CUpdateCheck::Stop() {
  if (manifest_task_) manifest_task_->StopForExit();
  if (packet_task_) packet_task_->StopForExit();
}

std::string CUpdateCheck::UpdaterParameters() const {
  char text[48];
  std::snprintf(text, sizeof(text), "-c%d -s%d", shell::kDataPackVersion, server_version_);
  return text;
}
