#pragma once
#include <QStringList>

class QWidget;

namespace layout_check {

// Every shown widget under root (root included) that an operator cannot see or read in
// full, one line each: a button, label, check box, edit, combo box, group or tab caption
// wider than the room its style gives it; an edit, button or list row lower than its font;
// a list column narrower than its header or one of its cells; a control reaching out of the
// widget that holds it; two shown controls of one holder drawn over each other. Walks any
// widget tree: a window, a page or a dialog.
QStringList layout_faults(QWidget* root);

// The family of the font that draws Chinese text in widget: the fallback font when the
// widget's own font has no such glyphs.
QString chinese_font_family(QWidget* widget);

} // namespace layout_check
