// The edit control of a dialog template on Qt: a read-only or editable text
// field whose text is 8-bit bytes, drawn through kByteGlyphs. A multi-line
// edit without horizontal scrolling wraps its text at its right edge, as the
// platform's edit control does: rows of as many characters as fit, and when
// the text is longer than the visible rows hold, a blank at a wrap point is
// taken by the wrap itself instead of starting the next row.
#pragma once

#include <QByteArray>
#include <QPlainTextEdit>

namespace agsi::qt {

class EditControl final : public QPlainTextEdit {
 public:
  EditControl(QWidget* parent, uint32_t style);

  void SetBytes(const QByteArray& bytes);
  const QByteArray& Bytes() const { return bytes_; }
  // Whole characters of the font that fit in a row, and whole rows visible.
  int Columns() const;
  int VisibleRows() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString LaidOutText() const;

  QByteArray bytes_;
  bool wrapsRows_;
};

// The drawn form of one run of bytes.
QString GlyphsOf(const char* bytes, qsizetype count);

}  // namespace agsi::qt
