// A rich text box for chat-like logs: text runs in colours and weights, pictures and faces (small
// pictures chosen by index from a face list) inserted at the end, a limit on the number of lines
// (the oldest go first) and on the number of characters the user may type. It may be read-only.
// User edits notify the parent window with WM_COMMAND(id, EN_CHANGE); insertions from code do not.
#pragma once

#include <QTextEdit>
#include <cstdint>
#include <vector>

#include "vexo/export.h"

class VEXO_Image;

class VEXO_API VEXO_RichEdit : public QTextEdit {
  Q_OBJECT

 public:
  explicit VEXO_RichEdit(QWidget* parent = nullptr);
  ~VEXO_RichEdit() override;

  int Create(const QRect& rect, QWidget* parent, unsigned id);
  // Appends `text` (UTF-8; '\n' starts a new line) in `colour` (0x00BBGGRR), bold or not. 1.
  int InsertText(const char* text, std::uint32_t colour = 0x000000, bool bold = false);
  // Appends a picture at its own size. 1, or 0 for a null image.
  int InsertBitmap(VEXO_Image* image);
  // The pictures InsertFace chooses from (borrowed).
  void SetFaceList(const std::vector<VEXO_Image*>& faces) { faces_ = faces; }
  // Appends face `index`. 1, or 0 for a bad index.
  int InsertFace(int index);
  // Keeps at most `lines` lines (0: no limit), dropping the oldest.
  void SetMaxLines(int lines);
  int GetMaxLines() const { return max_lines_; }
  // At most `chars` characters may be typed or pasted (0: no limit).
  void SetLimitText(int chars) { limit_ = chars > 0 ? chars : 0; }
  int GetLimitText() const { return limit_; }
  // Empties the box (no EN_CHANGE: a change from code).
  void Clear();
  int GetLineCount() const;
  // Characters in the text, a picture counting as one.
  int GetTextLength() const;

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

 protected:
  bool event(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;
  // The edit's own context menu, in the menu look.
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void TrimLines();
  void ReportChange();
  QTextCursor EndCursor();

  unsigned id_ = 0;
  std::vector<VEXO_Image*> faces_;
  int max_lines_ = 0;
  int limit_ = 0;
  int next_image_ = 0;
  bool inserting_ = false;
  bool changed_ = false;
};
