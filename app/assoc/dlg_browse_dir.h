// The folder picker of the system settings: a folder tree (桌面, 我的文档, 我的电脑 with / and the
// mounted volumes, 回收站) whose folders read their subfolders when first opened, showing a
// "Loading..." row until then, and a button that makes a new folder in the chosen one and starts
// editing its name.
#pragma once
#include <QDialog>
#include <string>
#include <vector>

#include "vexo/ui/dialog/message_window.h"
#include "vexo/ui/widgets/tree_ctrl.h"

class QPushButton;

class CDlgBrowseDir : public QDialog, public VEXO_MessageWindow {
  Q_OBJECT
 public:
  static constexpr unsigned kTree = 100;
  static constexpr const char* kLoading = "Loading...";

  explicit CDlgBrowseDir(QWidget* parent = nullptr);
  ~CDlgBrowseDir() override;

  // Adds a top-level folder (tests show a temporary folder this way).
  VEXO_HTREEITEM AddRoot(const char* caption, const std::string& path, bool selectable = true);
  // The folder of `item`; "" for one that is no folder (我的电脑, 回收站).
  std::string PathOf(VEXO_HTREEITEM item) const;
  // The folder chosen with OK; "" after cancel.
  const std::string& Chosen() const { return chosen_; }

  VEXO_TreeCtrl* Tree() const { return tree_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QPushButton* NewFolderButton() const { return new_folder_; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 private:
  struct Node {
    std::string path;
    bool selectable = true;
    bool loaded = false;
  };
  VEXO_HTREEITEM AddFolder(const char* caption, const std::string& path, bool selectable, VEXO_HTREEITEM parent);
  Node* NodeOf(VEXO_HTREEITEM item) const;
  void Load(VEXO_HTREEITEM item);
  void NewFolder();
  void Finish(bool ok);

  VEXO_TreeCtrl* tree_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* new_folder_ = nullptr;
  std::vector<std::unique_ptr<Node>> nodes_;
  std::string chosen_;
};
