#include "edit_control.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QTextDocument>

#include "byte_glyphs.h"
#include "dialog_template.h"

namespace agsi::qt {

namespace {
// Space between the border and the text: small, so that the template's size
// holds the rows and columns it was laid out for.
constexpr qreal kTextMargin = 1.0;
}  // namespace

QString GlyphsOf(const char* bytes, qsizetype count) {
  QString glyphs(count, Qt::Uninitialized);
  for (qsizetype i = 0; i < count; ++i) {
    glyphs[i] = QChar(kByteGlyphs[static_cast<uint8_t>(bytes[i])]);
  }
  return glyphs;
}

EditControl::EditControl(QWidget* parent, uint32_t controlStyle)
    : QPlainTextEdit(parent),
      wrapsRows_((controlStyle & style::kMultiLine) != 0 && (controlStyle & style::kAutoHScroll) == 0) {
  setReadOnly((controlStyle & style::kReadOnly) != 0);
  // The rows are laid out here, not by the text engine, whose word wrap
  // would move whole words.
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setWordWrapMode(QTextOption::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setUndoRedoEnabled(false);
  setTabChangesFocus(true);
  setContextMenuPolicy(Qt::NoContextMenu);
  if ((controlStyle & style::kBorder) != 0) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
  } else {
    setFrameStyle(QFrame::NoFrame);
  }
  document()->setDocumentMargin(kTextMargin);
}

int EditControl::Columns() const {
  // Glyphs are placed at fractional advances: count with those.
  const qreal advance = QFontMetricsF(font()).horizontalAdvance(QLatin1Char('M'));
  const qreal width = contentsRect().width() - 2 * kTextMargin;
  return advance > 0 ? static_cast<int>(width / advance) : 0;
}

int EditControl::VisibleRows() const {
  const int height = contentsRect().height() - 2 * static_cast<int>(kTextMargin);
  return height / fontMetrics().lineSpacing();
}

void EditControl::SetBytes(const QByteArray& bytes) {
  bytes_ = bytes;
  setPlainText(LaidOutText());
}

QString EditControl::LaidOutText() const {
  const qsizetype count = bytes_.size();
  const int columns = Columns();
  if (!wrapsRows_ || columns <= 0) return GlyphsOf(bytes_.constData(), count);
  const bool blankTakenByWrap = count > static_cast<qsizetype>(columns) * VisibleRows();
  QString rows;
  qsizetype next = 0;
  while (next < count) {
    if (next > 0) rows += QLatin1Char('\n');
    const qsizetype rowLength = std::min<qsizetype>(columns, count - next);
    rows += GlyphsOf(bytes_.constData() + next, rowLength);
    next += rowLength;
    if (blankTakenByWrap && next < count && bytes_[next] == ' ') ++next;
  }
  return rows;
}

void EditControl::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QString rows = LaidOutText();
  if (rows != toPlainText()) setPlainText(rows);
}

void EditControl::keyPressEvent(QKeyEvent* event) {
  // Enter and Escape are the dialog's OK and cancel commands.
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->ignore();
      return;
    default:
      QPlainTextEdit::keyPressEvent(event);
  }
}

}  // namespace agsi::qt
