#include "app/shell/update_check.h"

#include <cstdio>
#include <unistd.h>

#include <tinyxml2.h>

#include "app/downloads/download_task.h"
#include "app/shell/startup_files.h"
#include "core/crypto/update_signature.h"
#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/update/packet_install.h"
#include "update_key.h"

namespace {

constexpr char kManifestName[] = "update.xml";
constexpr char kSavedManifestName[] = "Update.xml";
constexpr char kModule[] = "CUpdateCheck::OnFinished";

// Moves a finished download into the work path, replacing what is there.
bool MoveInto(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  ds::LogWarn{kModule}("can't move %s to %s.", from.c_str(), to.c_str());
  return false;
}

// A task is done when it was stopped and cleaned up, or when its file arrived or the engine
// gave up on it (a missing file, no server) and its run has reported its end with the
// downloader's thread gone (destroying it never waits then).
bool Done(CDownloadTask& task, bool finished) {
  if (task.Maintain()) return true;
  HttpDownloader4* downloader = task.downloader();
  if (!(finished || task.failed()) || !task.idle() || (downloader != nullptr && !downloader->CanDelete()))
    return false;
  if (!finished) task.DeleteTempPair();
  return true;
}

}  // namespace

CUpdateCheck::CUpdateCheck() : key_(kBuiltInUpdateKey) {}

CUpdateCheck::~CUpdateCheck() { Stop(); }

int CUpdateCheck::SlotOf(int id) {
  switch (id) {
    case kManifestId: return kManifest;
    case kPacketId: return kPacket;
    case kManifestSignatureId: return kManifestSignature;
    case kPacketSignatureId: return kPacketSignature;
    default: return -1;
  }
}

void CUpdateCheck::Start(ds::MsgHandle owner, DownloadQueue* queue, const std::string& update_address,
                         const std::string& work_path) {
  if (started_) return;
  started_ = true;
  work_path_ = work_path;
  char name[32];
  std::snprintf(name, sizeof(name), "soft%d.pkg", shell::kDataPackVersion + 1);
  packet_name_ = name;
  const std::string names[kSlotCount] = {kManifestName, packet_name_, ds::SignatureFileOf(kManifestName),
                                         ds::SignatureFileOf(packet_name_)};
  // Stale pieces of an earlier run would be resumed as if they were the new files, and a file
  // left whole would pass for this run's.
  const std::string temp = ds::NativePath(DownloadTempFolder(ds::JoinPath(work_path, "setup")));
  for (const std::string& file : names)
    for (const char* suffix : {".tmp", ".rd2", ""}) ::unlink(ds::JoinPath(temp, file + suffix).c_str());
  const int count = key_.empty() ? kManifestSignature : kSlotCount;  // signatures only with a key
  for (int slot = 0; slot < count; ++slot) StartFetch(slot, update_address + "/" + names[slot], owner, queue);
  for (int slot = count; slot < kSlotCount; ++slot) fetches_[slot].ended = true;
}

void CUpdateCheck::StartFetch(int slot, const std::string& url, ds::MsgHandle owner, DownloadQueue* queue) {
  static constexpr int kIds[kSlotCount] = {kManifestId, kPacketId, kManifestSignatureId, kPacketSignatureId};
  SoftwareState& record = fetches_[slot].record;
  record.id = kIds[slot];
  record.status = StatusInternal;
  record.url = url;
  record.downloadDir = ds::JoinPath(work_path_, "setup");
  std::unique_ptr<CDownloadTask>& task = fetches_[slot].task;
  task = std::make_unique<CDownloadTask>();
  task->SetQueue(queue);
  task->Attach(owner, &record);
  if (start_hook_) start_hook_(record);
  task->RequestStart();
}

std::string CUpdateCheck::Downloaded(int slot) const {
  const SoftwareState& record = fetches_[slot].record;
  return ds::NativePath(DownloadingInstallerPath(record.downloadDir, record.url));
}

bool CUpdateCheck::Running() const {
  for (const Fetch& fetch : fetches_)
    if (fetch.task) return true;
  return false;
}

bool CUpdateCheck::OnFinished(int id) {
  const int slot = SlotOf(id);
  if (slot < 0 || !started_) return false;
  fetches_[slot].finished = true;
  return Settle(slot % 2);
}

bool CUpdateCheck::Settle(int file_slot) {
  const Fetch& signature = fetches_[file_slot + kManifestSignature];
  if (handled_[file_slot] || !fetches_[file_slot].finished || !(signature.finished || signature.ended))
    return false;
  handled_[file_slot] = true;
  if (!Verified(file_slot)) return false;
  if (file_slot == kManifest) return TakeManifest();
  TakePacket();
  return false;
}

bool CUpdateCheck::Verified(int file_slot) {
  const ds::UpdateVerifier verifier(key_);
  const std::string file = Downloaded(file_slot);
  const std::string signature = Downloaded(file_slot + kManifestSignature);
  const ds::SignatureCheck check = verifier.Check(file, signature);
  if (check == ds::SignatureCheck::kNoKey || check == ds::SignatureCheck::kValid) return true;
  ds::LogWarn{kModule}("%s %s; refused.", fetches_[file_slot].record.url.c_str(),
                       check == ds::SignatureCheck::kMissing ? "has no signature" : "is not signed by the update key");
  ::unlink(file.c_str());
  ::unlink(signature.c_str());
  return false;
}

bool CUpdateCheck::TakeManifest() {
  const std::string saved = ds::JoinPath(work_path_, kSavedManifestName);
  if (!MoveInto(Downloaded(kManifest), saved)) return false;
  // The updater checks the manifest again before it trusts it.
  if (!key_.empty()) MoveInto(Downloaded(kManifestSignature), ds::SignatureFileOf(saved));
  tinyxml2::XMLDocument document;
  if (document.LoadFile(saved.c_str()) != tinyxml2::XML_SUCCESS || !document.RootElement()) return false;
  if (const tinyxml2::XMLElement* string = document.RootElement()->FirstChildElement("string")) {
    const int version = string->IntAttribute("name", 0);
    if (version != 0) server_version_ = version;
  }
  return shell::kDataPackVersion < server_version_;
}

void CUpdateCheck::TakePacket() {
  const std::string packet = ds::JoinPath(work_path_, packet_name_);
  // Without a key a packet that cannot be moved is still taken from the work path, as before;
  // with one only the file just verified is.
  if (!MoveInto(Downloaded(kPacket), packet) && !key_.empty()) return;
  if (!key_.empty()) ::unlink(Downloaded(kPacketSignature).c_str());
  // The updater's rules: no entry leaves the work path, no links, all of the packet or nothing.
  ds::PacketInstallReport report;
  if (ds::IsRegularFile(packet) && !ds::InstallPacket(packet, work_path_, &report))
    ds::LogWarn{kModule}("packet %s not installed (%d refused, %d failed).", packet.c_str(), report.refused,
                         report.failed);
}

void CUpdateCheck::OnReport(int id) {
  const int slot = SlotOf(id);
  if (slot >= 0 && fetches_[slot].task) fetches_[slot].task->MarkIdle();
}

void CUpdateCheck::Collect() {
  for (Fetch& fetch : fetches_) {
    if (fetch.task && Done(*fetch.task, fetch.finished)) {
      fetch.task.reset();
      fetch.ended = true;
    }
  }
  // A signature that never came refuses its file; a refusal never asks anything.
  Settle(kManifest);
  Settle(kPacket);
}

void CUpdateCheck::Stop() {
  for (Fetch& fetch : fetches_)
    if (fetch.task) fetch.task->StopForExit();
}

std::string CUpdateCheck::UpdaterParameters() const {
  char text[48];
  std::snprintf(text, sizeof(text), "-c%d -s%d", shell::kDataPackVersion, server_version_);
  return text;
}
