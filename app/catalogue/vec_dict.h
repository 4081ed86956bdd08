// A catalogue dictionary: the rows of one catalogue file as a vector of plain records, filled
// from the file the first time anyone asks for its contents. A loose copy of the file under the
// work directory wins over the data pack entry of the same name.
#pragma once
#include <cstdio>
#include <deque>
#include <string>

#include "core/data/data_table.h"
#include "core/thread/functor_ptr.h"
#include "core/log/logger.h"

namespace ds {

class UnzipFile;

template <class T>
class VecDict {
 public:
  using RowParser = FunctorPtr<int(IDataTable*, T&)>;

  // `pack` is the open data pack (not owned, may be null); the parser is shared, not copied.
  VecDict(const char* file, RowParser parser, UnzipFile* pack)
      : file_(file), parser_(std::move(parser)), pack_(pack) {}

  // Number of records; an empty dictionary looks for its file again first.
  int Count() {
    if (records_.empty()) LoadXml();
    return static_cast<int>(records_.size());
  }

  // Record `index`, or null outside 0..Count()-1. Records are never removed or moved, so the
  // pointer stays valid for the dictionary's life.
  T* At(int index) {
    if (records_.empty()) LoadXml();
    if (index < 0 || index >= static_cast<int>(records_.size())) return nullptr;
    return &records_[static_cast<std::size_t>(index)];
  }

  // The first record or null (the function-link file uses only its first row).
  T* First() { return At(0); }

  const std::string& FileName() const { return file_; }

  // Fills the dictionary from its file. A file that cannot be opened leaves it empty, silently;
  // a row the parser rejects ends the process with a Fatal line naming the file.
  void LoadXml() {
    IDataTable* table = CreateXMLDataTable();
    if (table->Load(file_.c_str(), pack_)) {
      for (table->MoveFirst(); !table->IsEnd(); table->MoveNext()) {
        T record;
        if (!parser_ || !*parser_ || !(*parser_)(table, record)) {
          char module[128];
          std::snprintf(module, sizeof module, "ds::VecDict<struct %s>::LoadXml", T::kRecordName);
          DestroyXMLDataTable(table);
          LogFatal{module}("[VecDict::LoadXml] error in %s\n", file_.c_str());
        }
        records_.push_back(std::move(record));
      }
    }
    DestroyXMLDataTable(table);
  }

 private:
  std::deque<T> records_;  // a deque keeps addresses stable as rows are appended
  std::string file_;
  RowParser parser_;
  UnzipFile* pack_;
};

}  // namespace ds
