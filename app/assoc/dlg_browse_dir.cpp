#include "app/assoc/dlg_browse_dir.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <cstdio>

#include "app/assoc/folder_tree.h"
#include "core/text/path.h"
#include "vexo/ui/dialog/window_messages.h"

CDlgBrowseDir::CDlgBrowseDir(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("浏览文件夹"));
  resize(360, 420);
  tree_ = new VEXO_TreeCtrl(this);
  tree_->SetId(kTree);
  tree_->SetEditLabels(false);
  ok_ = new QPushButton(QStringLiteral("确定"), this);
  cancel_ = new QPushButton(QStringLiteral("取消"), this);
  new_folder_ = new QPushButton(QString::fromUtf8(folder_tree::kNewFolder), this);
  for (QPushButton* button : {ok_, cancel_, new_folder_}) button->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(new_folder_);
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_);
  layout->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, [this]() { Finish(true); });
  connect(cancel_, &QPushButton::clicked, this, [this]() { Finish(false); });
  connect(new_folder_, &QPushButton::clicked, this, [this]() { NewFolder(); });

  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  AddRoot("桌面", desktop.toStdString());
  AddRoot("我的文档", documents.toStdString());
  VEXO_HTREEITEM computer = AddRoot("我的电脑", "", false);
  for (const std::string& volume : folder_tree::Volumes())
    AddFolder(volume.c_str(), volume, true, computer);
  Node* node = NodeOf(computer);
  if (node) node->loaded = true;
  AddRoot("回收站", folder_tree::TrashFolder(), false);
}

CDlgBrowseDir::~CDlgBrowseDir() { DetachMessages(); }

CDlgBrowseDir::Node* CDlgBrowseDir::NodeOf(VEXO_HTREEITEM item) const {
  if (!tree_->IsItem(item)) return nullptr;
  const std::uintptr_t index = tree_->GetItemData(item);
  return index > 0 && index <= nodes_.size() ? nodes_[index - 1].get() : nullptr;
}

VEXO_HTREEITEM CDlgBrowseDir::AddRoot(const char* caption, const std::string& path, bool selectable) {
  return AddFolder(caption, path, selectable, nullptr);
}

VEXO_HTREEITEM CDlgBrowseDir::AddFolder(const char* caption, const std::string& path, bool selectable,
                                        VEXO_HTREEITEM parent) {
  VEXO_HTREEITEM item = tree_->InsertItem(caption, -1, -1, parent);
  if (item == nullptr) return nullptr;
  nodes_.push_back(std::make_unique<Node>(Node{path, selectable, false}));
  tree_->SetItemData(item, nodes_.size());
  // A folder with subfolders shows the placeholder until it is opened.
  if (!path.empty() && folder_tree::HasSubFolders(path)) tree_->InsertItem(kLoading, -1, -1, item);
  if (path.empty()) tree_->SetItemHasChildren(item, true);
  return item;
}

std::string CDlgBrowseDir::PathOf(VEXO_HTREEITEM item) const {
  const Node* node = NodeOf(item);
  return node != nullptr && node->selectable ? node->path : "";
}

void CDlgBrowseDir::Load(VEXO_HTREEITEM item) {
  Node* node = NodeOf(item);
  if (node == nullptr || node->loaded || node->path.empty()) return;
  node->loaded = true;
  while (VEXO_HTREEITEM child = tree_->GetChildItem(item)) tree_->DeleteItem(child);
  for (const std::string& name : folder_tree::SubFolders(node->path))
    AddFolder(name.c_str(), ds::JoinPath(node->path, name), true, item);
}

void CDlgBrowseDir::NewFolder() {
  VEXO_HTREEITEM selected = tree_->GetSelectedItem();
  const std::string dir = PathOf(selected);
  const Node* node = NodeOf(selected);
  // Only real folders take a new one (not 我的电脑 or 回收站); 我的文档 is left as the user's.
  if (dir.empty() || node == nullptr || tree_->GetItemText(selected) == "我的文档") return;
  Load(selected);
  const std::string name = folder_tree::FreeFolderName(dir);
  const std::string path = ds::JoinPath(dir, name);
  if (::mkdir(path.c_str(), 0755) != 0) return;
  VEXO_HTREEITEM item = AddFolder(name.c_str(), path, true, selected);
  tree_->Expand(selected, vexo_msg::TVE_EXPAND);
  tree_->SelectItem(item);
  tree_->EnsureVisible(item);
  tree_->EditLabel(item);
}

void CDlgBrowseDir::Finish(bool ok) {
  chosen_ = ok ? PathOf(tree_->GetSelectedItem()) : "";
  if (ok && chosen_.empty()) return;  // nothing usable chosen yet
  done(ok ? QDialog::Accepted : QDialog::Rejected);
}

ds::LResult CDlgBrowseDir::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message != vexo_msg::WM_NOTIFY) return VEXO_MessageWindow::WindowProc(message, wparam, lparam);
  const auto* header = reinterpret_cast<const VEXO_NMHDR*>(lparam);
  if (header == nullptr || header->idFrom != kTree) return 0;
  if (header->code == vexo_msg::TVN_ITEMEXPANDING) {
    const auto* info = reinterpret_cast<const VEXO_NMTREEVIEW*>(lparam);
    if (info->action & vexo_msg::TVE_EXPAND) Load(info->itemNew);
    return 0;
  }
  if (header->code == vexo_msg::TVN_BEGINLABELEDIT) return 0;
  if (header->code == vexo_msg::TVN_ENDLABELEDIT) {
    // Renaming the new folder on disk; a name that is taken or empty keeps the old one.
    const auto* info = reinterpret_cast<const VEXO_NMTVDISPINFO*>(lparam);
    Node* node = NodeOf(info->item);
    if (info->pszText == nullptr || node == nullptr || node->path.empty()) return 0;
    const std::string name = info->pszText;
    if (name.empty() || name.find('/') != std::string::npos) return 0;
    const std::string target = ds::JoinPath(ds::DirectoryOf(node->path), name);
    if (ds::PathExists(target) || std::rename(node->path.c_str(), target.c_str()) != 0) return 0;
    node->path = target;
    return 1;
  }
  return 0;
}
