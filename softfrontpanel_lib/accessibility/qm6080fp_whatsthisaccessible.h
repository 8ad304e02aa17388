#ifndef QM6080FP_WHATSTHISACCESSIBLE_H
#define QM6080FP_WHATSTHISACCESSIBLE_H

class QAccessibleInterface;
class QWidget;

// The toolkit's What's This popup keeps its text to itself. The recorder, an
// event filter on the application, notes the text of the widget asked for
// it (a click in What's This mode, or Shift+F1), so that the popup's
// accessible can give it to a screen reader, which reads it as a tool tip.
void qm6080fp_recordWhatsThisShown();
QAccessibleInterface *qm6080fp_whatsThisPopupAccessible(QWidget *popup);

#endif
